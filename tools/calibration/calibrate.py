#!/usr/bin/env python3
"""Calibration of kintex's p-values: simulated family studies with no association.

Every study is a set of nuclear families whose affection status is drawn independently of
their genotypes, so every test kintex reports is a test of a true null hypothesis and its
rejection rate at level a must not exceed a beyond simulation noise. One pedigree file holds
many independent markers typed on the same families, and each marker is one replicate: the
genotypes of different markers are drawn independently, and under the null the affection
status carries no information about them.

  calibrate.py [--quick] [--seed S] [--kintex PATH] [--jobs N] [--markdown]
               [--alleles 2,4] [--chrom auto|X|both] [--families F] [--markers M] [--chunks C]
  calibrate.py --selftest

For each setting (family design, number of alleles, autosomal or X-linked, null 0 or 1,
model) it prints the number of replicates (analyses that gave a p-value), the rejection rates
at 0.05 and 0.01, and the noise bound of each rate: the binomial count that a test exactly at
its level exceeds with chance 0.00135 at most (the one-sided tail of three standard errors,
exact also for few replicates at 0.01). A rate above its bound is flagged with '!', and the
exit status is then 1. Only allele 1 of each marker is counted (its frequency is drawn at random
per marker), because the tests of different alleles of one marker share their data. Studies
are made from the seed alone, so --quick runs the first of the default run's files, and a run
restricted by --alleles or --chrom repeats the same studies.
"""
import argparse
import math
import os
import random
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_KINTEX = os.path.normpath(os.path.join(HERE, "..", "..", "build", "kintex"))

MALE, FEMALE = 1, 2
AFFECTED, UNAFFECTED = 2, 1
LEVELS = (0.05, 0.01)
MODELS = {1: "add", 2: "dom", 3: "rec"}
TESTED_ALLELE = 1
MISSING_GENOTYPE_RATE = 0.03  # every genotype of a present member is lost with this chance
SIBSHIP_AFFECTED_RATE = 0.5   # each child of a sibship; a sibship keeps at least one affected

# Family designs: (name, children per family, parents kept in the data).
# "one" drops the father or the mother at random; "none" drops both.
DESIGNS = [
    ("trios", (1, 1), "both"),
    ("sibs2-4", (2, 4), "both"),
    ("sibs2-4, 1 parent", (2, 4), "one"),
    ("sibs2-4, no parents", (2, 4), "none"),
]


# ------------------------------------------------------------------ simulation

def allele_frequencies(rng, nalleles):
    """Random frequencies, none below 0.05, for alleles 1..nalleles."""
    if nalleles == 2:
        p = rng.uniform(0.1, 0.9)
        return [p, 1.0 - p]
    raw = [rng.uniform(0.2, 1.0) for _ in range(nalleles)]
    total = sum(raw)
    return [r / total for r in raw]


def founder_genotype(rng, freqs, sex, xlinked):
    """A founder's two alleles; a man has one X chromosome, written as two equal alleles."""
    codes = range(1, len(freqs) + 1)
    a = rng.choices(codes, freqs)[0]
    if xlinked and sex == MALE:
        return (a, a)
    return (a, rng.choices(codes, freqs)[0])


def child_genotype(rng, father, mother, sex, xlinked):
    """Mendelian transmission. On the X a son gets one of his mother's two X chromosomes and
    nothing from his father; a daughter gets her father's only X and one of her mother's."""
    from_mother = rng.choice(mother)
    if not xlinked:
        return (rng.choice(father), from_mother)
    if sex == MALE:
        return (from_mother, from_mother)
    return (father[0], from_mother)


def family_structure(rng, design):
    """Sexes, affection and which parents are in the file, for one nuclear family.

    Returns (children, parents): children a list of (sex, affection); parents a dict
    {"father"|"mother": "typed" | "untyped" | "absent"}. A dropped parent is either left out
    of the file or written with every genotype missing, at random.
    """
    _, (lo, hi), kept = design
    n = rng.randint(lo, hi)
    while True:
        if n == 1:
            affection = [AFFECTED]
        else:
            affection = [AFFECTED if rng.random() < SIBSHIP_AFFECTED_RATE else UNAFFECTED
                         for _ in range(n)]
        if AFFECTED in affection:
            break
    children = [(rng.choice((MALE, FEMALE)), a) for a in affection]
    dropped = {"both": [], "one": [rng.choice(("father", "mother"))],
               "none": ["father", "mother"]}[kept]
    parents = {p: (rng.choice(("untyped", "absent")) if p in dropped else "typed")
               for p in ("father", "mother")}
    return children, parents


def simulate_study(seed, design, nalleles, xlinked, nfamilies, nmarkers):
    """Text of a pedigree file: nfamilies families typed at nmarkers independent markers."""
    rng = random.Random(seed)
    freqs = [allele_frequencies(rng, nalleles) for _ in range(nmarkers)]
    lines = [" ".join("M%d" % (m + 1) for m in range(nmarkers))]
    for ped in range(1, nfamilies + 1):
        children, parents = family_structure(rng, design)
        fathers = [founder_genotype(rng, f, MALE, xlinked) for f in freqs]
        mothers = [founder_genotype(rng, f, FEMALE, xlinked) for f in freqs]
        rows = []
        for pid, who, sex, genos in ((1, "father", MALE, fathers), (2, "mother", FEMALE, mothers)):
            if parents[who] != "absent":
                rows.append((pid, 0, 0, sex, UNAFFECTED, genos, parents[who] == "typed"))
        for k, (sex, aff) in enumerate(children):
            genos = [child_genotype(rng, fathers[m], mothers[m], sex, xlinked)
                     for m in range(nmarkers)]
            rows.append((3 + k, 1, 2, sex, aff, genos, True))
        for pid, fid, mid, sex, aff, genos, typed in rows:
            cells = [ped, pid, fid, mid, sex, aff]
            for g in genos:
                lost = not typed or rng.random() < MISSING_GENOTYPE_RATE
                cells.extend((0, 0) if lost else g)
            lines.append(" ".join(map(str, cells)))
    return "\n".join(lines) + "\n"


# ------------------------------------------------------------------ running kintex

BLOCK = re.compile(r"Marker: (\S+), Allele (-?\d+), Inf fams: .*?\nS: .*?, p: (\S+)")


def parse_log(text):
    """{(marker, allele): p or None} from a kintex log; None where the log shows '****'."""
    return {(m, int(a)): (None if p.startswith("*") else float(p))
            for m, a, p in BLOCK.findall(text)}


def run_kintex(kintex, ped_text, xlinked, null, model):
    """Runs batch mode on every marker; returns the p-values of the tested allele (one per
    marker that has an informative family)."""
    with tempfile.TemporaryDirectory(prefix="kintex-calib-") as tmp:
        ped = os.path.join(tmp, "study.ped")
        log = os.path.join(tmp, "study.log")
        with open(ped, "w") as f:
            f.write(ped_text)
        done = subprocess.run([kintex, ped, log, str(int(xlinked)), str(null), str(model), "0"],
                              cwd=tmp, capture_output=True)
        if done.returncode != 0:
            raise RuntimeError("kintex exit %d: %s" % (done.returncode, done.stderr.decode()))
        with open(log) as f:
            results = parse_log(f.read())
    return [p for (_, allele), p in results.items() if allele == TESTED_ALLELE and p is not None]


# ------------------------------------------------------------------ calibration

def settings(allele_counts, chroms):
    for design in DESIGNS:
        for nalleles in allele_counts:
            for xlinked in chroms:
                yield design, nalleles, xlinked


def calibrate_study(args, design, nalleles, xlinked, chunk):
    """All six (null, model) analyses of one simulated pedigree file."""
    seed = "%s|%s|%d|%d|%d" % (args.seed, design[0], nalleles, xlinked, chunk)
    text = simulate_study(seed, design, nalleles, xlinked, args.families, args.markers)
    return {(null, model): run_kintex(args.kintex, text, xlinked, null, model)
            for null in (0, 1) for model in MODELS}


NOISE_TAIL = 0.00135  # a normal variable exceeds its mean by three standard errors this often


def upper_bound(level, n):
    """The noise bound of a rate over n replicates of a test at its level: k / n for the
    smallest count k that a Binomial(n, level) count exceeds with chance NOISE_TAIL at most."""
    if n == 0:
        return float("nan")
    above = 1.0  # chance that the count exceeds k, for k = -1, 0, 1, ...
    for k in range(n + 1):
        log_pmf = (math.lgamma(n + 1) - math.lgamma(k + 1) - math.lgamma(n - k + 1)
                   + k * math.log(level) + (n - k) * math.log1p(-level))
        above -= math.exp(log_pmf)
        if above <= NOISE_TAIL:
            return k / n
    return 1.0


def summarise(pvalues):
    """Per setting, in table order: (setting, replicates, [(rate, bound) per level])."""
    out = []
    for key in sorted(pvalues, key=lambda k: (DESIGNS.index(k[0]),) + k[1:]):
        ps = pvalues[key]
        n = len(ps)
        rates = [(sum(p <= level for p in ps) / n if n else float("nan"), upper_bound(level, n))
                 for level in LEVELS]
        out.append((key, n, rates))
    return out


def setting_columns(design, nalleles, xlinked, null):
    return [design[0], "%d" % nalleles, "X" if xlinked else "auto", str(null)]


def rate_cell(rate, bound):
    """A rate, with '!' when it lies above its noise bound."""
    return "%.3f%s" % (rate, "!" if rate > bound else "")


def print_plain(summary):
    """One line per setting: rates and their bounds side by side."""
    header = ["design", "alleles", "chrom", "null", "model", "reps",
              "rate.05", "bound.05", "rate.01", "bound.01"]
    rows = []
    for key, n, rates in summary:
        row = setting_columns(*key[:-1]) + [MODELS[key[-1]], str(n)]
        for rate, bound in rates:
            row += [rate_cell(rate, bound), "%.3f" % bound]
        rows.append(row)
    widths = [max(len(x) for x in col) for col in zip(header, *rows)]
    for r in [header] + rows:
        print("  ".join(x.ljust(w) for x, w in zip(r, widths)).rstrip())


def print_markdown(summary):
    """One row per design, marker and null, the three models side by side."""
    header = ["design", "alleles", "chrom", "null", "reps (add/dom/rec)"]
    header += ["%s %g" % (MODELS[m], level) for m in MODELS for level in LEVELS]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    by_setting = {}
    for key, n, rates in summary:
        by_setting.setdefault(key[:-1], []).append((n, rates))
    for setting, cells in by_setting.items():
        reps = "/".join(str(n) for n, _ in cells)
        rates = [rate_cell(r, b) for _, rs in cells for r, b in rs]
        print("| " + " | ".join(setting_columns(*setting) + [reps] + rates) + " |")


def calibrate(args):
    if not os.access(args.kintex, os.X_OK):
        sys.exit("no kintex program at %s (build it or give --kintex)" % args.kintex)
    jobs = [(design, nalleles, xlinked, chunk)
            for design, nalleles, xlinked in settings(args.alleles, args.chrom)
            for chunk in range(args.chunks)]
    pvalues = {}
    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [(job, pool.submit(calibrate_study, args, *job)) for job in jobs]
        for (design, nalleles, xlinked, _), fut in futures:
            for (null, model), ps in fut.result().items():
                pvalues.setdefault((design, nalleles, xlinked, null, model), []).extend(ps)
    summary = summarise(pvalues)
    print("# kintex %s; seed %s; %d families x %d markers x %d files per design; allele %d "
          "of each marker counted" % (args.kintex, args.seed, args.families, args.markers,
                                      args.chunks, TESTED_ALLELE))
    print_plain(summary)
    if args.markdown:
        print()
        print_markdown(summary)
    high = sum(any(rate > bound for rate, bound in rates) for _, _, rates in summary)
    print("# %d of %d settings above their noise bound ('!')" % (high, len(summary)))
    return 1 if high else 0


# ------------------------------------------------------------------ self-test

def selftest():
    """Checks the simulator's Mendelian transmission against its expected counts."""
    rng = random.Random(7)
    n = 20000
    bound = 4.0 * math.sqrt(n * 0.25)  # four standard errors of a count of n halves
    # Autosomal: a 1/2 x 3/4 mating passes each parental allele half the time.
    kids = [child_genotype(rng, (1, 2), (3, 4), rng.choice((MALE, FEMALE)), False)
            for _ in range(n)]
    assert abs(sum(k[0] == 1 for k in kids) - n / 2) < bound, "father's allele 1"
    assert abs(sum(k[1] == 3 for k in kids) - n / 2) < bound, "mother's allele 3"
    assert all(k[0] in (1, 2) and k[1] in (3, 4) for k in kids), "parent of origin"
    # X-linked: a son is hemizygous for one maternal allele; a daughter has her father's X.
    sons = [child_genotype(rng, (5, 5), (3, 4), MALE, True) for _ in range(n)]
    assert all(s[0] == s[1] and s[0] in (3, 4) for s in sons), "son's single maternal X"
    assert abs(sum(s[0] == 3 for s in sons) - n / 2) < bound, "son's maternal allele 3"
    daughters = [child_genotype(rng, (5, 5), (3, 4), FEMALE, True) for _ in range(n)]
    assert all(d[0] == 5 and d[1] in (3, 4) for d in daughters), "daughter's paternal X"
    assert abs(sum(d[1] == 3 for d in daughters) - n / 2) < bound, "daughter's allele 3"
    # Founders: men hemizygous on the X; frequencies followed.
    men = [founder_genotype(rng, [0.3, 0.7], MALE, True) for _ in range(n)]
    assert all(a == b for a, b in men), "hemizygous father"
    count1 = sum(a == 1 for a, _ in men)
    assert abs(count1 - 0.3 * n) < 4.0 * math.sqrt(n * 0.21), "founder frequency"
    # A study is a function of its seed; every row has 6 + 2 x markers values.
    a = simulate_study("s", DESIGNS[2], 4, True, 30, 5)
    assert a == simulate_study("s", DESIGNS[2], 4, True, 30, 5), "reproducible"
    assert all(len(line.split()) == 16 for line in a.splitlines()[1:]), "row width"
    # Noise bound: P(count > 5) = 0.0005 and P(count > 4) = 0.0034 for Binomial(100, 0.01).
    assert upper_bound(0.01, 100) == 0.05, "noise bound"
    # The log parser reads p-values and the no-informative-family case.
    log = ("Marker: M1, Allele 1, Inf fams: 3, additive inheritance.\n"
           "S: 4, E(S): 2.5, Var(S): 0.75, p: 0.25\n\n\n"
           "Marker: M2, Allele 1, Inf fams: 0, additive inheritance.\n"
           "S: ****, E(S): ****, Var(S): ****, p: ****\n")
    assert parse_log(log) == {("M1", 1): 0.25, ("M2", 1): None}, "log parser"
    print("selftest passed")
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--kintex", default=DEFAULT_KINTEX, help="the built program")
    ap.add_argument("--seed", default="1")
    ap.add_argument("--quick", action="store_true",
                    help="one pedigree file per design instead of five (1-2 minutes)")
    ap.add_argument("--families", type=int, default=40, help="families per study")
    ap.add_argument("--markers", type=int, default=200,
                    help="markers (replicates) per pedigree file")
    ap.add_argument("--chunks", type=int, help="pedigree files per design")
    ap.add_argument("--alleles", default="2,4", help="allele counts of the markers, e.g. 2,4")
    ap.add_argument("--chrom", choices=("auto", "X", "both"), default="both")
    ap.add_argument("--jobs", type=int, default=2, help="kintex runs at a time")
    ap.add_argument("--markdown", action="store_true", help="also print the table in Markdown")
    ap.add_argument("--selftest", action="store_true")
    args = ap.parse_args()
    if args.selftest:
        return selftest()
    args.kintex = os.path.abspath(args.kintex)  # kintex runs in a directory of its own
    args.alleles = [int(k) for k in args.alleles.split(",")]
    args.chrom = {"auto": [False], "X": [True], "both": [False, True]}[args.chrom]
    if args.chunks is None:
        args.chunks = 1 if args.quick else 5
    return calibrate(args)


if __name__ == "__main__":
    sys.exit(main())
