#!/usr/bin/python3
"""Merges the outputs of kintex runs on chunks of the markers into the outputs of one run.

    merge_tables.py --out PREFIX CHUNK1 CHUNK2 ...      (chunk prefixes in chunk order)

For each table (PREFIX.tsv and PREFIX.informative.tsv) the header line is written once and the
rows follow chunk by chunk; chunks are contiguous slices of the markers in file order, so this
is marker order, the order one run over all markers writes. Every chunk must carry the same
header: a chunk from another version or other settings stops the merge. The chunks' logs are
concatenated, each under a line naming its chunk, into PREFIX.log.
"""
import argparse
import contextlib
import os
import sys

TABLES = (".tsv", ".informative.tsv")


class MergeError(Exception):
    pass


def merge_table(sources, target):
    """Writes the header of the first source once, then every source's rows, to target (first
    written under a temporary name, so a failed merge leaves no partial table)."""
    temporary = target + ".part"
    try:
        with open(temporary, "w", newline="") as out:
            copy_rows(sources, out)
    except BaseException:
        with contextlib.suppress(OSError):
            os.remove(temporary)
        raise
    os.replace(temporary, target)


def copy_rows(sources, out):
    header = None
    for source in sources:
        with open(source, newline="") as table:
            first = table.readline()
            if not first:
                raise MergeError("%s is empty (no header line)" % source)
            if header is None:
                header = first
                out.write(header)
            elif first != header:
                raise MergeError("%s has another header than %s" % (source, sources[0]))
            for line in table:
                out.write(line)


def merge_logs(sources, target):
    with open(target, "w") as out:
        for source in sources:
            out.write("==> %s <==\n" % source)
            with open(source) as log:
                out.write(log.read())


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="prefix of the merged outputs")
    parser.add_argument("chunks", nargs="+", help="prefixes of the chunks' outputs, in order")
    args = parser.parse_args(argv)
    try:
        for suffix in TABLES:
            merge_table([c + suffix for c in args.chunks], args.out + suffix)
        merge_logs([c + ".log" for c in args.chunks], args.out + ".log")
    except (MergeError, OSError) as error:
        print("Error: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
