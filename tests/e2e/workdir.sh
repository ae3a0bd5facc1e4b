# Sourced by the end-to-end checks: `source workdir.sh <kintex binary> <tests dir>`
# sets bin and tests and moves to a fresh directory, removed at exit.
set -u
bin=$1
tests=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
