#!/usr/bin/env bash
# A scripted menu session and the same analyses in batch mode must give the
# same result blocks, byte for byte, and leave the same informative.txt.
#   ui_matches_batch.sh <kintex binary> <tests dir>
# The session tests every allele of every marker of ui_small.ped, X-linked,
# "linkage, no association", under the recessive and then the additive model,
# then autosomal under each null (additive), logging to menu.log; the batch
# runs do the same, one setting per run.
set -u
bin=$1
tests=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$tests/data" "$work/data"
cd "$work" || exit 2

fail=0
printf 'data/ui_small.ped\n1\n1\nmenu.log\n2\n1\n3\n1\n5\n0\n6\n0\n4\n3\n7\n4\n1\n7\n2\n0\n3\n0\n7\n3\n1\n7\n8\n' \
  | "$bin" >menu.console || { echo "menu session failed"; fail=1; }
cp informative.txt menu.informative
: >batch.blocks
for setting in "1 1 3" "1 1 1" "0 0 1" "0 1 1"; do
  "$bin" data/ui_small.ped batch.log $setting 0 >/dev/null || { echo "batch run $setting failed"; fail=1; }
  # The batch log opens with its header: two empty lines, the asterisks, an
  # empty line and the arguments; the result blocks follow.
  tail -n +6 batch.log >>batch.blocks
done

if [ ! -s batch.blocks ] || ! cmp -s menu.log batch.blocks; then
  echo "menu log and batch logs differ:"; diff menu.log batch.blocks | head -40; fail=1
fi
if ! cmp -s menu.informative informative.txt; then
  echo "informative.txt differs:"; diff menu.informative informative.txt; fail=1
fi
# The console shows the same blocks as the log.
if ! diff <(grep -E '^(Marker|S): ' menu.console) <(grep -E '^(Marker|S): ' menu.log) >/dev/null; then
  echo "console and log blocks differ"; fail=1
fi
[ "$(grep -c '^Marker: ' menu.log)" = 20 ] || { echo "expected 20 result blocks"; fail=1; }
exit $fail
