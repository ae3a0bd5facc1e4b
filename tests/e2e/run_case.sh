#!/usr/bin/env bash
# Runs one end-to-end case of cases.txt and compares what the program wrote.
#   run_case.sh <kintex binary> <tests dir> <case name>
# The case line is "name | arguments | standard input file (optional)". The
# program runs in a fresh directory holding a copy of data/ and of the bundled
# examples/ (so arguments name files as data/<file> or examples/<file>); its console (standard output), exit status, log file
# (out.log) and informative.txt are compared with expected/<name>/console,
# status, log and informative.txt; a file missing from expected/ must not be
# written by the run (console and status are always compared).
# With KINTEX_UPDATE=1 the expected files are written instead (check them by hand!).
set -u
bin=$1
tests=$2
name=$3
line=$(grep -E "^${name}[[:space:]]*\|" "$tests/e2e/cases.txt" | head -n 1)
[ -n "$line" ] || { echo "no case $name"; exit 2; }
IFS='|' read -r _ argstr input <<<"$line"
read -r -a args <<<"$argstr"
input=$(echo "${input:-}" | xargs)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$tests/data" "$work/data"
cp -r "$tests/../examples" "$work/examples"
cd "$work" || exit 2
if [ -n "$input" ]; then
  "$bin" "${args[@]}" <"$tests/e2e/input/$input" >console 2>stderr
else
  "$bin" "${args[@]}" </dev/null >console 2>stderr
fi
echo $? >status

expected="$tests/expected/$name"
if [ "${KINTEX_UPDATE:-0}" = 1 ]; then
  mkdir -p "$expected"
  cp console status "$expected/"
  for f in out.log informative.txt; do
    target=$f; [ "$f" = out.log ] && target=log
    if [ -f "$f" ]; then cp "$f" "$expected/$target"; else rm -f "$expected/$target"; fi
  done
  echo "updated $expected"
  exit 0
fi

fail=0
if [ -s stderr ]; then echo "unexpected output on standard error:"; cat stderr; fail=1; fi
for f in console status out.log informative.txt; do
  target=$f; [ "$f" = out.log ] && target=log
  if [ -f "$expected/$target" ]; then
    if [ ! -f "$f" ]; then echo "$f was not written"; fail=1
    elif ! cmp -s "$f" "$expected/$target"; then
      echo "$f differs from expected/$name/$target:"; diff "$expected/$target" "$f" | head -40; fail=1
    fi
  elif [ -f "$f" ]; then
    echo "$f was written but expected/$name/$target does not exist"; fail=1
  fi
done
exit $fail
