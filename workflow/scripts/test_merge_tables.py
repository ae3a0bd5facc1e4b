#!/usr/bin/python3
"""Tests of the chunk merge: one header, rows in chunk order, and no table from mismatched chunks."""
import contextlib
import io
import os
import tempfile
import unittest

import merge_tables


class Merge(unittest.TestCase):
    def write_chunk(self, prefix, header, rows):
        for suffix in merge_tables.TABLES:
            with open(prefix + suffix, "w") as out:
                out.write(header + "".join(r + "\n" for r in rows))
        with open(prefix + ".log", "w") as out:
            out.write("log of %s\n" % os.path.basename(prefix))

    def test_header_once_rows_in_chunk_order(self):
        with tempfile.TemporaryDirectory() as folder:
            chunks = [os.path.join(folder, str(i)) for i in (1, 2, 3)]
            self.write_chunk(chunks[0], "h1\th2\n", ["a\t1", "b\t2"])
            self.write_chunk(chunks[1], "h1\th2\n", [])          # no row in this slice
            self.write_chunk(chunks[2], "h1\th2\n", ["c\t3"])
            out = os.path.join(folder, "all")
            self.assertEqual(merge_tables.main(["--out", out] + chunks), 0)
            for suffix in merge_tables.TABLES:
                with open(out + suffix) as merged:
                    self.assertEqual(merged.read(), "h1\th2\na\t1\nb\t2\nc\t3\n")
            with open(out + ".log") as log:
                self.assertEqual(log.read().count("log of "), 3)

    def test_other_header_stops_the_merge(self):
        with tempfile.TemporaryDirectory() as folder:
            chunks = [os.path.join(folder, str(i)) for i in (1, 2)]
            self.write_chunk(chunks[0], "h1\th2\n", ["a\t1"])
            self.write_chunk(chunks[1], "h1\th3\n", ["b\t2"])
            out = os.path.join(folder, "all")
            with contextlib.redirect_stderr(io.StringIO()) as errors:
                self.assertEqual(merge_tables.main(["--out", out] + chunks), 1)
            self.assertIn("another header", errors.getvalue())
            self.assertEqual(sorted(os.listdir(folder)), sorted(
                os.path.basename(c) + s for c in chunks for s in merge_tables.TABLES + (".log",)))


if __name__ == "__main__":
    unittest.main()
