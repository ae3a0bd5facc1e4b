# Sourced by the named-form checks: `source study.sh <bin> <tests dir> <markers>`
# sets bin and tests, moves to a fresh directory removed at exit (workdir.sh),
# writes the simulated study there in every format (make_study.py) and sets
# fail=0.
source "$2/e2e/workdir.sh" "$1" "$2"
/usr/bin/python3 "$tests/e2e/named/make_study.py" . "$3" || exit 2
fail=0
