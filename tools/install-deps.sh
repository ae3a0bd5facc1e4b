#!/usr/bin/env bash
# Installs the Debian packages kintex needs to build, test and run its tools,
# when they are missing (run as root, or with sudo available). Idempotent.
#   tools/install-deps.sh          build and run
#   tools/install-deps.sh --tests  also what the test suite needs (GoogleTest,
#                                  matplotlib for the summary plots, Snakemake)
#   tools/install-deps.sh --ci     also clang with its fuzzing runtime
#   tools/install-deps.sh --bench  also what bench/run.py compares with:
#                                  PLINK 1.9 (plink1.9, the peer it is timed against)
set -euo pipefail

packages=(cmake g++ make pkg-config libhts-dev libhtscodecs-dev libbz2-dev libcli11-dev)
case "${1:-}" in
  --tests) packages+=(libgtest-dev python3-matplotlib snakemake) ;;
  --ci) packages+=(libgtest-dev python3-matplotlib snakemake clang libclang-rt-14-dev) ;;
  --bench) packages+=(plink1.9) ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
