# Sourced by the named-form checks: `source study.sh <bin> <tests dir> <markers>`
# sets bin and tests, moves to a fresh directory removed at exit, writes the
# simulated study there in every format (make_study.py) and sets fail=0.
set -u
bin=$1
tests=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
/usr/bin/python3 "$tests/e2e/named/make_study.py" . "$3" || exit 2
fail=0
