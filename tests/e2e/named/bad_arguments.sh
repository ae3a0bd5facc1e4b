#!/usr/bin/env bash
# A bad argument, a missing or broken input, or an output that would
# overwrite an input: exit status 1, a message on standard error, nothing on
# standard output, and the results of an earlier run left as they were.
#   bad_arguments.sh <kintex binary> <tests dir>
source "$2/e2e/named/study.sh" "$1" "$2" 12
printf 'XX\n' >broken.bed
cp study.bim broken.bim
cp study.fam broken.fam
cp study.kin res.log
for f in res.tsv res.informative.tsv; do echo "an earlier run" >"$f"; done
cp res.log res.log.before
check() {
  "$bin" "$@" >out.txt 2>err.txt
  local status=$?
  if [ "$status" != 1 ] || [ ! -s err.txt ] || [ -s out.txt ]; then
    echo "kintex $*: status $status, stderr '$(head -c 200 err.txt)', stdout '$(head -c 200 out.txt)'"; fail=1
  fi
  for f in res.tsv res.informative.tsv; do
    [ "$(cat "$f")" = "an earlier run" ] || { echo "kintex $*: $f was changed"; fail=1; }
  done
  cmp -s res.log res.log.before || { echo "kintex $*: res.log was changed"; fail=1; }
  ls res.*.tmp >/dev/null 2>&1 && { echo "kintex $*: temporary files left"; fail=1; }
}
check --bfile study --out res --bogus
check --bfile study --out res --null 2
check --bfile study --out res --model additive
check --out res
check --bfile study --kintex study.kin --out res
check --ped study.ped --out res
check --vcf study.vcf --out res
check --bfile nosuch --out res
check --bfile broken --out res
check --bfile study --out res --chunk 3/2
check --bfile study --out res --chunk x
check --bfile study --out res --markers rsNOPE
check --bfile study --out res --markers 1-99
check --bfile study --out res --markers 3-1
check --kintex study.kin --out res --chr 1
check --bfile study --out res --xlinked
check --bfile study --out res --threads -1
check --bfile study --out res extra
check --kintex res.log --out res
grep -q "rsNOPE" <("$bin" --bfile study --out res --markers rsNOPE 2>&1) || { echo "unknown marker not named"; fail=1; }
grep -q "broken.bed" <("$bin" --bfile broken --out res 2>&1) || { echo "broken .bed not named"; fail=1; }
# The same run with good arguments replaces the results (all three, with
# nothing left under a temporary name), and so does a second one.
for run in 1 2; do
  "$bin" --bfile study --out res 2>/dev/null && [ "$(head -c 5 res.tsv)" = "chrom" ] &&
    [ "$(head -c 6 res.informative.tsv)" = "marker" ] && [ "$(head -c 6 res.log)" = "kintex" ] ||
    { echo "good run $run failed"; fail=1; }
  ls res.*.tmp >/dev/null 2>&1 && { echo "good run $run: temporary files left"; fail=1; }
done
exit $fail
