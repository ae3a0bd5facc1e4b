#!/usr/bin/env bash
# Installs the Debian packages kintex needs to build, test and run its tools,
# when they are missing (run as root, or with sudo available). Idempotent.
#   tools/install-deps.sh          build and run
#   tools/install-deps.sh --tests  also what the test suite needs
set -euo pipefail

packages=(cmake g++ make pkg-config libhts-dev)
if [ "${1:-}" = "--tests" ]; then
  packages+=(libgtest-dev)
fi

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
