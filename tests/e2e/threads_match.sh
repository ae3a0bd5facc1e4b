#!/usr/bin/env bash
# "--threads N" before the six batch arguments gives the same log, console,
# informative.txt and exit status for every N as the six arguments alone,
# the pair search's random draws included. The generated study (300
# families, 70 markers) is large enough that every thread both analyses and
# writes results: built with the thread sanitizer, a race fails the run.
#   threads_match.sh <kintex binary> <tests dir>
source "$2/e2e/workdir.sh" "$1" "$2"
fail=0
python3 "$tests/../bench/make_study.py" study --families 300 --kids 1-4 --missing-parent 0.3 --snps 60 \
  --x-snps 10 --seed 5 || exit 1
for ped in "$tests/../examples/families.ped" "$tests/../tools/crosscheck/cases/pairsearch.ped" study.ped; do
  for setting in "0 0 1 0" "0 1 1 0" "0 1 3 0" "1 1 2 0" "1 0 1 0"; do
    "$bin" "$ped" out.log $setting >plain.console; plainStatus=$?
    mv out.log plain.log; mv informative.txt plain.informative
    for n in 1 2 7; do
      "$bin" --threads $n "$ped" out.log $setting >threads.console; status=$?
      if [ "$status" != "$plainStatus" ] || ! cmp -s plain.log out.log || ! cmp -s plain.console threads.console \
         || ! cmp -s plain.informative informative.txt; then
        echo "$(basename "$ped") setting $setting: --threads $n differs"; diff plain.log out.log | head; fail=1
      fi
    done
  done
done
# The named form on the generated study: 3 threads write what 1 thread writes.
for n in 1 3; do
  "$bin" --threads $n --bfile study --null both --model all --out named$n >/dev/null || fail=1
done
for x in tsv informative.tsv; do
  cmp -s named1.$x named3.$x || { echo "named form: --threads 3 differs in .$x"; fail=1; }
done
# Seven arguments without "--threads" stay a usage error.
"$bin" --thread 2 a b c d e >/dev/null; [ $? = 1 ] || { echo "--thread accepted"; fail=1; }
exit $fail
