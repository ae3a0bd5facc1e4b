#!/usr/bin/env bash
# One study written in the four input formats gives the same results: PLINK
# binary, PLINK text and VCF byte for byte; kintex's own layout (integer ids
# and alleles, no chromosomes: X-linked markers run with --xlinked) the same
# numbers. The chromosome decides the test: X outside the pseudo-autosomal
# regions is X-linked, XY and the pseudo-autosomal part of X are not.
#   formats_agree.sh <kintex binary> <tests dir>
source "$2/e2e/named/study.sh" "$1" "$2" 12
run() { "$bin" "$@" --null both --model all 2>/dev/null || { echo "kintex $* failed"; fail=1; }; }
run --bfile study --out bed
run --ped study.ped --map study.map --out ped
run --vcf study.vcf --fam study.fam --out vcf
for f in ped vcf; do
  cmp -s bed.tsv $f.tsv || { echo "$f.tsv differs from bed.tsv"; diff bed.tsv $f.tsv | head; fail=1; }
  cmp -s bed.informative.tsv $f.informative.tsv || { echo "$f.informative.tsv differs"; fail=1; }
done
[ "$(wc -l <bed.tsv)" -gt 100 ] || { echo "too few rows"; fail=1; }

# kintex layout: autosomal markers, then the X-linked ones with --xlinked.
autosomal=$(head -1 study.split)
total=$(head -1 study.kin | wc -w)
"$bin" --kintex study.kin --out kinA --model all --markers "1-$autosomal" 2>/dev/null || fail=1
"$bin" --kintex study.kin --out kinX --model all --markers "$((autosomal + 1))-$total" --xlinked 2>/dev/null || fail=1
rows() { tail -n +2 "$1" | awk -F'\t' '$5 == 0' | cut -f3,5-; }
cmp -s <(rows bed.tsv) <(rows kinA.tsv; rows kinX.tsv) || { echo "kintex layout rows differ"; fail=1; }
grep -q $'^NA\tNA\t' kinA.tsv || { echo "kintex layout chrom/pos are not NA"; fail=1; }
# Its informative families: FAM007/I3 in the PLINK files is 7/3 in the layout.
plainIds() { tail -n +2 "$1" | awk -F'\t' '$3 == 0' | cut -f1,3- | sed -E 's/\tFAM0*/\t/; s/\tI([0-9])/\t\1/g'; }
cmp -s <(plainIds bed.informative.tsv) <(plainIds kinA.informative.tsv; plainIds kinX.informative.tsv) \
  || { echo "kintex layout informative families differ"; fail=1; }

# X routing: only the markers named rsX<n> lie on X outside the pseudo-autosomal regions.
bad=$(tail -n +2 bed.tsv | awk -F'\t' '{ want = ($3 ~ /^rsX[0-9]/) ? 1 : 0; if ($7 != want) print $1, $2, $3, $7 }')
[ -z "$bad" ] || { echo "wrong test for: $bad"; fail=1; }
for chrom in XY X 23 1; do
  grep -q "^$chrom"$'\t' bed.tsv || { echo "no row on chromosome $chrom"; fail=1; }
done
# A man typed heterozygous on X is set missing and counted.
grep -q "men with two different alleles on X (set missing): 1" bed.log || { echo "heterozygous man not counted"; fail=1; }
exit $fail
