#!/usr/bin/env bash
# Any split of the markers into chunks, and any thread count, gives the rows
# of one whole run byte for byte, under both nulls (each analysis under
# "linkage, no association" draws from its own stream).
#   chunks_agree.sh <kintex binary> <tests dir>
source "$2/e2e/named/study.sh" "$1" "$2" 23
"$bin" --bfile study --out whole --null both --threads 1 2>/dev/null || { echo "whole run failed"; exit 1; }
for n in 3 7; do
  : >merged.tsv
  : >merged.informative.tsv
  for i in $(seq 1 "$n"); do
    "$bin" --bfile study --out "c$i" --null both --chunk "$i/$n" --threads 2 2>/dev/null || { echo "chunk $i/$n failed"; fail=1; }
    [ "$(wc -l <"c$i.tsv")" -gt 1 ] || { echo "chunk $i/$n is empty"; fail=1; }
    tail -n +2 "c$i.tsv" >>merged.tsv
    tail -n +2 "c$i.informative.tsv" >>merged.informative.tsv
    cmp -s <(head -1 "c$i.tsv") <(head -1 whole.tsv) || { echo "chunk $i/$n header differs"; fail=1; }
  done
  cmp -s merged.tsv <(tail -n +2 whole.tsv) || { echo "$n chunks differ from one run"; diff merged.tsv <(tail -n +2 whole.tsv) | head; fail=1; }
  cmp -s merged.informative.tsv <(tail -n +2 whole.informative.tsv) || { echo "$n chunks: informative families differ"; fail=1; }
done
grep -q $'\t1\tadd\t' whole.tsv && grep -q $'\t0\tadd\t' whole.tsv || { echo "both nulls expected"; fail=1; }
exit $fail
