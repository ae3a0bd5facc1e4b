#!/usr/bin/python3
"""Tests of the genome-wide summary: corrections, lambda, tiny p-values, genome layout, outputs."""
import math
import os
import tempfile
import unittest
from decimal import Decimal as D

import kintex_summary as ks


class Corrections(unittest.TestCase):
    def test_hand_checked_table(self):
        # m = 5. In ascending order with ranks: 0.005 (1), 0.01 (2), 0.03 (3), 0.04 (4), 0.045 (5).
        # m p / rank:  0.025, 0.025, 0.05, 0.05, 0.045.
        # Minimum from the largest rank down: rank 5 0.045; rank 4 min(0.05, 0.045) = 0.045;
        # rank 3 min(0.05, 0.045) = 0.045; rank 2 0.025; rank 1 0.025.
        # Bonferroni: 5 p = 0.05, 0.2, 0.15, 0.025, 0.225.
        ps = [D("0.01"), D("0.04"), D("0.03"), D("0.005"), D("0.045")]
        self.assertEqual(ks.benjamini_hochberg(ps),
                         [D("0.025"), D("0.045"), D("0.045"), D("0.025"), D("0.045")])
        self.assertEqual(ks.bonferroni(ps), [D("0.05"), D("0.2"), D("0.15"), D("0.025"), D("0.225")])

    def test_capped_at_one_and_below_the_doubles(self):
        # m = 3, ascending: 0 (1), 1e-400 (2), 0.5 (3). BH: 0.5 x 3/3 = 0.5; 1e-400 x 3/2 =
        # 1.5e-400; 0 stays 0. Bonferroni: 3e-400, 0, min(1, 1.5) = 1.
        ps = [D("1e-400"), D("0"), D("0.5")]
        self.assertEqual(ks.benjamini_hochberg(ps), [D("1.5e-400"), D("0"), D("0.5")])
        self.assertEqual(ks.bonferroni(ps), [D("3e-400"), D("0"), D("1")])


class Inflation(unittest.TestCase):
    def test_known_sets(self):
        # Median p 0.5: the chi-square median 0.4549364 itself, lambda 1.
        self.assertAlmostEqual(ks.inflation([D("0.1"), D("0.5"), D("0.9")]), 1.0, places=6)
        # Even count: the middle p-values 0.05 and 0.5 have chi-square 3.8414588 and 0.4549364;
        # their mean 2.1481976 / 0.4549364 = 4.721973. The tiny and zero p change nothing.
        ps = [D("0"), D("1e-400"), D("0.05"), D("0.5"), D("0.9"), D("1")]
        self.assertAlmostEqual(ks.inflation(ps), 4.721973, places=5)


class TinyP(unittest.TestCase):
    def test_parsing_and_heights(self):
        self.assertEqual(ks.neglog10(ks.parse_p("1e-300")), 300.0)
        self.assertEqual(ks.neglog10(ks.parse_p("1e-400")), 400.0)
        self.assertAlmostEqual(ks.neglog10(ks.parse_p("2.5e-320")), 319.60206, places=5)
        self.assertEqual(ks.neglog10(ks.parse_p("0")), math.inf)
        self.assertIsNone(ks.parse_p("NA"))
        for bad in ("1.5", "-0.1", "abc", "nan", ""):
            with self.assertRaises(ks.TableError, msg=bad):
                ks.parse_p(bad)
        heights, cap = ks.plot_heights([300.0, math.inf, 2.0])
        self.assertEqual(heights[0], 300.0)
        self.assertGreater(cap, ks.SMALLEST_DOUBLE_NEGLOG10)
        self.assertEqual(heights[1], cap)


class QQBand(unittest.TestCase):
    def test_beta_quantiles_against_closed_forms(self):
        # Smallest of n uniforms: Beta(1, n), quantile 1 - (1 - q)^(1/n); largest: q^(1/n).
        for n, q in ((10, 0.025), (3000, 0.975), (1000000, 0.025)):
            self.assertAlmostEqual(ks.beta_quantile(1, n, q) / (1 - (1 - q) ** (1 / n)), 1, 6)
            self.assertAlmostEqual(ks.beta_quantile(n, 1, q), q ** (1 / n), 6)
        self.assertAlmostEqual(ks.beta_quantile(3, 3, 0.5), 0.5, 9)


class Layout(unittest.TestCase):
    def test_chromosome_names_and_order(self):
        self.assertEqual([ks.chromosome_label(c) for c in ("chrX", "23", "chr1", "25", "chrM")],
                         ["X", "X", "1", "XY", "MT"])
        names = ["X", "2", "MT", "10", "1", "Y", "XY", "scaffold7"]
        self.assertEqual(sorted(names, key=ks.chromosome_order),
                         ["1", "2", "10", "X", "Y", "XY", "MT", "scaffold7"])

    def test_positions_or_file_order(self):
        where = {c: k for k, c in enumerate(ks.COLUMNS)}

        def row(chrom, pos, marker):
            return [chrom, pos, marker] + ["1"] * 9

        rows = [row("2", "100", "a"), row("1", "50", "b"), row("1", "70", "c"), row("X", "10", "d")]
        xs, labels, real = ks.genome_coordinates(rows, where)
        self.assertTrue(real)
        self.assertTrue(xs[1] < xs[2] < xs[0] < xs[3])
        # No map (kintex's own layout): the marker's place in the file, shared by its alleles.
        rows = [row("NA", "NA", m) for m in ("a", "a", "b", "c", "c")]
        self.assertEqual(ks.genome_coordinates(rows, where)[0], [1, 1, 2, 3, 3])


class EndToEnd(unittest.TestCase):
    def test_filtered_table_to_files(self):
        lines = ["\t".join(ks.COLUMNS),
                 "1\t100\trs1\tA\t0\tadd\t0\t12\t10\t8\t2\t0.01",
                 "1\t100\trs1\tA\t1\tadd\t0\t12\t10\t8\t2\t0.9",     # other null: left out
                 "1\t200\trs2\tG\t0\tadd\t0\t0\tNA\tNA\tNA\tNA",       # no test
                 "X\t500\trs3\tT\t0\tadd\t1\t7\t3\t5\t1\t1e-300",
                 "2\t300\trs4\tC\t0\tadd\t0\t9\t4\t4\t2\t0.5"]
        with tempfile.TemporaryDirectory() as folder:
            table = os.path.join(folder, "res.tsv")
            with open(table, "w") as out:
                out.write("\n".join(lines) + "\n")
            ks.summarise(table, os.path.join(folder, "res"), nulls=["0"], top=2)
            for suffix in ("qq.png", "qq.svg", "manhattan.png", "manhattan.svg"):
                self.assertGreater(os.path.getsize(os.path.join(folder, "res." + suffix)), 1000)
            with open(os.path.join(folder, "res.tophits.tsv")) as hits:
                comment, header, *rows = hits.read().splitlines()
        self.assertIn("of 3 tests", comment)
        self.assertEqual(header.split("\t")[-3:], ["p", "p_bonferroni", "p_bh"])
        self.assertEqual([r.split("\t")[2] for r in rows], ["rs3", "rs1"])
        self.assertEqual(rows[0].split("\t")[-2:], ["3e-300", "3e-300"])
        self.assertEqual(rows[1].split("\t")[-2:], ["0.03", "0.015"])


if __name__ == "__main__":
    unittest.main()
