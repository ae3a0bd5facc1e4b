#!/usr/bin/env bash
# Builds the reader fuzz targets with clang and runs each for the given number
# of seconds (default 60) on its seed corpus. Finds go to build-fuzz/artifacts/;
# the exit status is non-zero when a target crashed.
#
# A BCF record states its own length and htslib allocates that much before it
# finds the file too short (up to 8 GB for a damaged file); the allocation is
# not a fault of the reader, so large allocations may fail and return null
# here instead of counting as a find.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKINTEX_FUZZ=ON -DKINTEX_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target fuzz_plink_binary fuzz_plink_text fuzz_vcf fuzz_kintex_layout >/dev/null

status=0
for target in plink_binary plink_text vcf kintex_layout; do
  work=build-fuzz/corpus/$target
  mkdir -p "$work" build-fuzz/artifacts
  echo "fuzz_$target: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -max_len=4096 -malloc_limit_mb=9000 \
      -artifact_prefix=build-fuzz/artifacts/$target- -print_final_stats=1 "$work" fuzz/corpus/$target \
      >build-fuzz/$target.log 2>&1; then
    echo "fuzz_$target found a problem: see build-fuzz/$target.log and build-fuzz/artifacts/"
    status=1
  fi
  grep -E "stat::number_of_executed_units|cov:" build-fuzz/$target.log | tail -2 || true
done
exit $status
