#!/usr/bin/python3
"""Summary of a genome-wide kintex run: QQ plot, Manhattan plot and a table of top hits.

Reads a results table (PREFIX.tsv of kintex, or the merge of several chunks: one header line,
then one row per marker x allele x setting) and writes
  OUT.qq.png, OUT.qq.svg               observed against expected -log10 p, with the genomic
                                       inflation factor lambda in the title;
  OUT.manhattan.png, OUT.manhattan.svg -log10 p along the genome (chromosome and position from
                                       the table; the marker's place in the file when either is NA);
  OUT.tophits.tsv                      the smallest p-values with Bonferroni and Benjamini-Hochberg
                                       adjusted p-values.
Every test is a row of the table that has a p-value (after --null and --model), and the two
corrections and lambda run over exactly those rows. Rows whose p is NA (no informative family)
are not tests. p-values are read as exact decimals, so 1e-300 or 1e-400 keep their size; a p
printed as 0 lies below the smallest double and is drawn at the top of the plot, marked.

Run: /usr/bin/python3 tools/summary/kintex_summary.py results.tsv --null 0 --model add --out res
"""
import argparse
import math
import os
import statistics
import sys
from decimal import Decimal, InvalidOperation

COLUMNS = ["chrom", "pos", "marker", "allele", "null", "model", "xlinked", "informative",
           "S", "E_S", "Var_S", "p"]

# Median of the chi-square distribution with one degree of freedom.
CHI2_MEDIAN = 0.4549364
# -log10 of the smallest positive double (4.9e-324): a p printed as 0 is below it.
SMALLEST_DOUBLE_NEGLOG10 = 323.3062153431158


class TableError(Exception):
    pass


def parse_p(text):
    """A p-value as an exact Decimal, or None for NA (no informative family)."""
    if text == "NA":
        return None
    try:
        p = Decimal(text)
    except InvalidOperation:
        raise TableError("'%s' is not a p-value" % text[:40]) from None
    if not p.is_finite() or p < 0 or p > 1:
        raise TableError("'%s' is not a p-value" % text[:40])
    return p


def neglog10(p):
    """-log10 p from the exact decimal: 1e-300 gives 300 and 1e-400 gives 400 (no float
    underflow); a p of 0 gives infinity."""
    if p == 0:
        return math.inf
    as_float = float(p)
    if as_float >= 1e-300:     # a normal double: the quick way is exact enough
        return -math.log10(as_float)
    return float(-p.log10())


def read_table(path, nulls=None, models=None):
    """The rows of a results table (lists of column texts) whose null and model are among the
    chosen ones (None: all), and each row's p as a Decimal or None."""
    rows, ps = [], []
    with open(path, newline="") as table:
        header = table.readline().rstrip("\r\n").split("\t")
        missing = [c for c in COLUMNS if c not in header]
        if missing:
            raise TableError("%s: the header lacks %s" % (path, ", ".join(missing)))
        where = {c: header.index(c) for c in COLUMNS}
        for number, line in enumerate(table, start=2):
            fields = line.rstrip("\r\n").split("\t")
            if fields == [""]:
                continue
            if len(fields) != len(header):
                raise TableError("%s line %d: expected %d fields, found %d"
                                 % (path, number, len(header), len(fields)))
            if nulls and fields[where["null"]] not in nulls:
                continue
            if models and fields[where["model"]] not in models:
                continue
            try:
                ps.append(parse_p(fields[where["p"]]))
            except TableError as error:
                raise TableError("%s line %d: %s" % (path, number, error)) from None
            rows.append(fields)
    return header, where, rows, ps


# ---------------------------------------------------------------- multiple testing

def bonferroni(ps):
    """min(1, m p) for every p, m the number of tests."""
    m = len(ps)
    return [min(Decimal(1), p * m) for p in ps]


def benjamini_hochberg(ps):
    """Benjamini-Hochberg adjusted p-values (step-up false discovery rate): with the p-values in
    ascending order p(1) <= ... <= p(m), q(i) = min over j >= i of m p(j) / j, at most 1."""
    m = len(ps)
    order = sorted(range(m), key=lambda k: ps[k])
    adjusted = [Decimal(1)] * m
    running = Decimal(1)
    for rank in range(m, 0, -1):
        k = order[rank - 1]
        running = min(running, ps[k] * m / rank)
        adjusted[k] = running
    return adjusted


def chi_square_1(p):
    """The chi-square (one degree of freedom) value whose upper tail is p."""
    if p == 0:
        return math.inf
    half = float(p) / 2
    if half == 0:   # below the smallest double: far in the tail, only its rank matters here
        return math.inf
    return statistics.NormalDist().inv_cdf(half) ** 2


def inflation(ps):
    """Genomic inflation factor lambda: the median chi-square value of the tests over its median
    under the null. The median is taken on the p-values (the map is monotone), so tiny p-values
    never need converting."""
    ordered = sorted(ps)
    n = len(ordered)
    if n == 0:
        return math.nan
    middle = ordered[(n - 1) // 2: n // 2 + 1]
    return statistics.fmean(chi_square_1(p) for p in middle) / CHI2_MEDIAN


# ---------------------------------------------------------------- QQ band

def _beta_fraction(a, b, x):
    """Continued fraction of the regularized incomplete beta function (modified Lentz)."""
    tiny = 1e-300
    c, d = 1.0, 1.0 - (a + b) * x / (a + 1)
    d = 1.0 / (d if abs(d) > tiny else tiny)
    h = d
    for m in range(1, 100000):
        for numerator in (m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)),
                          -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))):
            d = 1.0 + numerator * d
            d = 1.0 / (d if abs(d) > tiny else tiny)
            c = 1.0 + numerator / c
            c = c if abs(c) > tiny else tiny
            h *= d * c
        if abs(d * c - 1.0) < 1e-12:
            break
    return h


def beta_cdf(a, b, x):
    """P(X <= x) for X ~ Beta(a, b)."""
    if x <= 0:
        return 0.0
    if x >= 1:
        return 1.0
    log_front = (math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b)
                 + a * math.log(x) + b * math.log1p(-x))
    if x < (a + 1) / (a + b + 2):
        return math.exp(log_front) * _beta_fraction(a, b, x) / a
    return 1.0 - math.exp(log_front) * _beta_fraction(b, a, 1 - x) / b


def beta_quantile(a, b, q):
    """The q-quantile of Beta(a, b), by bisection on log x (order statistics of uniforms reach
    far below 1e-10)."""
    low, high = -745.0, 0.0
    for _ in range(80):
        middle = (low + high) / 2
        if beta_cdf(a, b, math.exp(middle)) < q:
            low = middle
        else:
            high = middle
    return math.exp((low + high) / 2)


def qq_band(n, level=0.95, points=120):
    """Pointwise band of the i-th smallest of n uniform p-values (Beta(i, n - i + 1)) at a few
    ranks spread on the log scale: lists of expected, lower and upper -log10 p."""
    ranks = sorted({max(1, min(n, round(n ** (k / (points - 1))))) for k in range(points)})
    tail = (1 - level) / 2
    expected, lower, upper = [], [], []
    for i in ranks:
        expected.append(-math.log10((i - 0.5) / n))
        lower.append(-math.log10(beta_quantile(i, n - i + 1, 1 - tail)))
        upper.append(-math.log10(beta_quantile(i, n - i + 1, tail)))
    return expected, lower, upper


# ---------------------------------------------------------------- chromosomes

def chromosome_label(chrom):
    """The usual name of a chromosome: chr prefix dropped, 23-26 as X, Y, XY, MT."""
    name = chrom[3:] if chrom.lower().startswith("chr") else chrom
    name = {"23": "X", "24": "Y", "25": "XY", "26": "MT", "M": "MT"}.get(name.upper(), name)
    return name.upper() if name.upper() in ("X", "Y", "XY", "MT") else name


def chromosome_order(label):
    """Sort key: 1..22, X, Y, XY, MT, then any other name alphabetically."""
    if label.isdigit() and 1 <= int(label) <= 22:
        return (0, int(label), "")
    for rank, name in enumerate(("X", "Y", "XY", "MT")):
        if label == name:
            return (1, rank, "")
    return (2, 0, label)


def genome_coordinates(rows, where):
    """x of every row along the genome, the chromosome label of every row, and whether the
    positions are real. With a chromosome and a position on every row, chromosomes are laid
    end to end in the usual order; otherwise x is the marker's place in the file (1, 2, ...)."""
    labels = [chromosome_label(r[where["chrom"]]) for r in rows]
    positions = [r[where["pos"]] for r in rows]
    if any(c == "NA" for c in labels) or any(not p.isdigit() for p in positions):
        index, last, xs = 0, None, []
        for r in rows:
            if r[where["marker"]] != last:
                index, last = index + 1, r[where["marker"]]
            xs.append(index)
        return xs, labels, False
    spans = {}
    for label, pos in zip(labels, positions):
        low, high = spans.get(label, (int(pos), int(pos)))
        spans[label] = (min(low, int(pos)), max(high, int(pos)))
    gap = max(1, sum(h - l for l, h in spans.values()) // 100)
    offsets, start = {}, 0
    for label in sorted(spans, key=chromosome_order):
        offsets[label] = start - spans[label][0]
        start += spans[label][1] - spans[label][0] + gap
    return [offsets[c] + int(p) for c, p in zip(labels, positions)], labels, True


# ---------------------------------------------------------------- plots

COLOURS = ("#1f4e79", "#6fa8dc")
CAP_NOTE = "p printed as 0 (below 4.9e-324), drawn at the cap"


def plot_heights(scores):
    """Heights to draw (-log10 p, with p = 0 at a cap just above every finite value) and the
    cap (None when no p is 0)."""
    finite = [s for s in scores if math.isfinite(s)]
    if len(finite) == len(scores):
        return scores, None
    cap = max(finite + [SMALLEST_DOUBLE_NEGLOG10]) * 1.05
    return [s if math.isfinite(s) else cap for s in scores], cap


def _pyplot():
    import matplotlib
    matplotlib.use("Agg")
    matplotlib.rcParams["svg.hashsalt"] = "kintex"     # the same SVG bytes on every run
    import matplotlib.pyplot as plt
    return plt


def _save(figure, path_prefix):
    figure.savefig(path_prefix + ".png", dpi=110, metadata={"Software": None})
    figure.savefig(path_prefix + ".svg", metadata={"Date": None})


def _scatter_capped(axes, xs, heights, capped, colour, label=None):
    """Points, with those at the cap drawn as triangles."""
    import numpy   # comes with matplotlib; arrays draw far faster than lists of a million points
    xs, heights, capped = numpy.asarray(xs), numpy.asarray(heights), numpy.asarray(capped, bool)
    if (~capped).any():
        axes.scatter(xs[~capped], heights[~capped], s=9, color=colour, rasterized=True,
                     label=label, linewidths=0)
    if capped.any():
        axes.scatter(xs[capped], heights[capped], s=30, marker="^", color=colour,
                     rasterized=True, linewidths=0)


def qq_plot(scores, lam, title, path_prefix, band=True):
    plt = _pyplot()
    n = len(scores)
    observed = sorted(scores, reverse=True)
    heights, cap = plot_heights(observed)
    expected = [-math.log10((i - 0.5) / n) for i in range(1, n + 1)]
    figure, axes = plt.subplots(figsize=(5.5, 5.5))
    if band and n > 1:
        ex, lower, upper = qq_band(n)
        axes.fill_between(ex, lower, upper, color="#d9d9d9", label="95% band under the null")
    top = max(expected[0], 1.0)
    axes.plot([0, top], [0, top], color="#c00000", linewidth=1, label="expected")
    _scatter_capped(axes, expected, heights, [math.isinf(s) for s in observed], COLOURS[0],
                    "tests")
    if cap is not None:
        axes.scatter([], [], marker="^", color=COLOURS[0], label=CAP_NOTE)
    axes.set_xlabel("expected -log10 p")
    axes.set_ylabel("observed -log10 p")
    axes.set_title("%s\n%d tests, lambda = %.3f" % (title, n, lam), fontsize=10)
    axes.legend(loc="upper left", fontsize=8, frameon=False)
    figure.tight_layout()
    _save(figure, path_prefix)
    plt.close(figure)


def manhattan_plot(xs, labels, scores, real_positions, threshold, title, path_prefix):
    plt = _pyplot()
    heights, cap = plot_heights(scores)
    figure, axes = plt.subplots(figsize=(11, 4.2))
    chromosomes = sorted(set(labels), key=chromosome_order)
    ticks = []
    for number, chrom in enumerate(chromosomes):
        members = [k for k, c in enumerate(labels) if c == chrom]
        chrom_x = [xs[k] for k in members]
        _scatter_capped(axes, chrom_x, [heights[k] for k in members],
                        [math.isinf(scores[k]) for k in members], COLOURS[number % 2])
        ticks.append((min(chrom_x) + max(chrom_x)) / 2)
    axes.axhline(threshold, color="#c00000", linewidth=1, linestyle="--",
                 label="Bonferroni 0.05 (p = %.2g)" % 10 ** -threshold)
    if cap is not None:
        axes.scatter([], [], marker="^", color=COLOURS[0], label=CAP_NOTE)
    if chromosomes != ["NA"]:
        axes.set_xticks(ticks)
        axes.set_xticklabels(chromosomes, fontsize=7)
        axes.set_xlabel("chromosome" if real_positions else "chromosome (markers in file order)")
    else:
        axes.set_xlabel("marker (file order)")
    axes.set_ylabel("-log10 p")
    axes.set_ylim(bottom=0, top=max(max(heights), threshold) * 1.08)
    margin = max(1, (max(xs) - min(xs)) // 100)
    axes.set_xlim(min(xs) - margin, max(xs) + margin)
    axes.set_title(title, fontsize=10)
    axes.legend(loc="upper right", fontsize=8, frameon=False)
    figure.tight_layout()
    _save(figure, path_prefix)
    plt.close(figure)


# ---------------------------------------------------------------- top hits

def top_hits(ps, count):
    """Indices of the `count` smallest p-values, ties in table order."""
    return sorted(range(len(ps)), key=lambda k: ps[k])[:count]


def write_top_hits(path, header, rows, ps, count, description):
    bonf, bh = bonferroni(ps), benjamini_hochberg(ps)
    with open(path, "w") as out:
        out.write("# Top %d of %d tests (the rows with a p-value of %s). p_bonferroni = min(1, p x %d) and p_bh "
                  "(Benjamini-Hochberg) are adjusted over these %d tests.\n"
                  % (min(count, len(ps)), len(ps), description, len(ps), len(ps)))
        out.write("\t".join(header + ["p_bonferroni", "p_bh"]) + "\n")
        for k in top_hits(ps, count):
            out.write("\t".join(rows[k] + [format(bonf[k], ".6g"), format(bh[k], ".6g")]) + "\n")


# ---------------------------------------------------------------- driver

def describe(path, nulls, models):
    """Which rows are the tests, in words: 'results.tsv, null 0, model add'."""
    parts = [os.path.basename(path)]
    if nulls:
        parts.append("null %s" % "/".join(nulls))
    if models:
        parts.append("model %s" % "/".join(models))
    return ", ".join(parts)


def summarise(path, out, nulls=None, models=None, top=20, band=True):
    header, where, rows, ps = read_table(path, nulls, models)
    tested = [k for k, p in enumerate(ps) if p is not None]
    rows, ps = [rows[k] for k in tested], [ps[k] for k in tested]
    if not ps:
        raise TableError("%s: no row with a p-value to summarise" % path)
    settings = {(r[where["null"]], r[where["model"]]) for r in rows}
    if len(settings) > 1:
        print("Note: the table mixes %d settings (null, model); lambda and the corrections run "
              "over all of them. Choose one with --null and --model." % len(settings),
              file=sys.stderr)
    description = describe(path, nulls, models)
    scores = [neglog10(p) for p in ps]
    lam = inflation(ps)
    threshold = -math.log10(0.05 / len(ps))
    qq_plot(scores, lam, description, out + ".qq", band)
    xs, labels, real = genome_coordinates(rows, where)
    manhattan_plot(xs, labels, scores, real, threshold, description, out + ".manhattan")
    write_top_hits(out + ".tophits.tsv", header, rows, ps, top, description)
    significant = sum(1 for s in scores if s > threshold)
    print("%d tests, lambda %.4f, %d below the Bonferroni threshold %.3g; wrote %s.qq.png/.svg, "
          "%s.manhattan.png/.svg, %s.tophits.tsv" % (len(ps), lam, significant, 10 ** -threshold,
                                                     out, out, out))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("table", help="results table (kintex's PREFIX.tsv or a merge of chunks)")
    parser.add_argument("--out", help="output prefix (default: the table's name without .tsv)")
    parser.add_argument("--null", action="append", choices=["0", "1"],
                        help="keep rows of this null (repeatable; default all)")
    parser.add_argument("--model", action="append", choices=["add", "dom", "rec"],
                        help="keep rows of this model (repeatable; default all)")
    parser.add_argument("--top", type=int, default=20, help="rows in the top-hits table (20)")
    parser.add_argument("--no-band", action="store_true", help="no 95%% band in the QQ plot")
    args = parser.parse_args(argv)
    out = args.out or (args.table[:-4] if args.table.endswith(".tsv") else args.table)
    try:
        summarise(args.table, out, args.null, args.model, args.top, not args.no_band)
    except (TableError, OSError) as error:
        print("Error: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
