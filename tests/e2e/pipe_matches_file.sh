#!/usr/bin/env bash
# A pedigree file read through a pipe (or a process substitution) must give
# the same log, informative.txt and exit status as the same regular file:
# the file is read in a single pass.
#   pipe_matches_file.sh <kintex binary> <tests dir>
source "$2/e2e/workdir.sh" "$1" "$2"
ped="$tests/../examples/families.ped"
fail=0
for setting in "0 0 1 0" "1 1 1 0" "0 1 2 1"; do
  "$bin" "$ped" file.log $setting >file.console; fileStatus=$?
  cp informative.txt file.informative
  cat "$ped" | "$bin" /dev/stdin pipe.log $setting >pipe.console; pipeStatus=$?
  # The log header repeats the arguments as typed; the result blocks follow.
  if [ "$fileStatus" != 0 ] || [ "$pipeStatus" != 0 ] || ! cmp -s <(tail -n +6 file.log) <(tail -n +6 pipe.log) \
     || ! cmp -s file.informative informative.txt || ! cmp -s file.console pipe.console; then
    echo "setting $setting: pipe ($pipeStatus) and file ($fileStatus) differ"; diff file.log pipe.log | head; fail=1
  fi
  "$bin" <(cat "$ped") subst.log $setting >/dev/null || { echo "process substitution failed"; fail=1; }
  cmp -s <(tail -n +6 file.log) <(tail -n +6 subst.log) || { echo "process substitution differs"; fail=1; }
done
[ "$(grep -c '^Marker: ' file.log)" -gt 0 ] || { echo "no result blocks"; fail=1; }
# A malformed pipe is an error with its line, not an empty success.
printf 'M\n1 1 0 0 1 1 1\n' | "$bin" /dev/stdin bad.log 0 0 1 0 >bad.console
[ $? = 1 ] && grep -q "line 2: expected 8 values, found 7." bad.console || { echo "malformed pipe not reported"; fail=1; }
exit $fail
