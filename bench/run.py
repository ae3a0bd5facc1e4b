#!/usr/bin/python3
"""Runs the benchmark and prints its table: case, wall time, peak memory, ratio to plink1.9.

  bench/run.py [--kintex build/kintex] [--work /tmp/kintex-bench] [--quick]

Studies are made by bench/make_study.py in the work directory (kept between runs). Each time is the
best of five runs (the thread rows: of seven rounds, each a one-thread run, a two-thread run and
two one-thread runs side by side) (wall clock, to the millisecond: a run of a few hundredths of a second needs it);
peak memory is the largest resident size of those runs, from the kernel's account of each child.
`plink1.9 --tdt exact` runs on the same individuals where it applies; kintex is timed there in its
classic form (the study's text file) and in its named form on the same PLINK fileset as plink
(--bfile). Needs plink1.9: tools/install-deps.sh --bench. Around the thread rows, one fixed loop
is timed on each core the run may use: a virtual machine's cores need not be equally fast, and a
second thread can add at most what its core gives.
"""
import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def timed(cmd, cwd, repeat=5):
    """Best wall time (s, to the millisecond) and largest peak resident size (KB) of `repeat` runs."""
    best, peak = None, 0
    for _ in range(repeat):
        with open(os.devnull, "wb") as null:
            start = time.perf_counter()
            child = subprocess.Popen(cmd, cwd=cwd, stdout=null, stderr=subprocess.PIPE)
            _, status, usage = os.wait4(child.pid, 0)
            t = time.perf_counter() - start
            err = child.stderr.read().decode(errors="replace")
            child.stderr.close()
        if status != 0:
            sys.exit("failed: %s\n%s" % (" ".join(cmd), err))
        best = t if best is None else min(best, t)
        peak = max(peak, usage.ru_maxrss)
    return best, peak


def timed_together(cmds, cwd):
    """Wall time (s) of the commands started together, until the last one ends."""
    with open(os.devnull, "wb") as null:
        start = time.perf_counter()
        children = [subprocess.Popen(cmd, cwd=cwd, stdout=null, stderr=subprocess.DEVNULL) for cmd in cmds]
        codes = [child.wait() for child in children]
        t = time.perf_counter() - start
    if any(codes):
        sys.exit("failed: %s" % " ".join(cmds[0]))
    return t


def core_loops():
    """Best time of one fixed loop on each core this process may use (a child held to that core)."""
    loop = ("import os, time\nos.sched_setaffinity(0, {%d})\nt = time.perf_counter()\nx = 0\n"
            "for i in range(2000000):\n    x += i\nprint(time.perf_counter() - t)")
    return {core: min(float(subprocess.run([sys.executable, "-c", loop % core], capture_output=True, text=True,
                                           check=True).stdout) for _ in range(3))
            for core in sorted(os.sched_getaffinity(0))}


def study(work, name, *args):
    if not os.path.exists(os.path.join(work, name + ".ped")):
        subprocess.run([sys.executable, os.path.join(HERE, "make_study.py"), os.path.join(work, name)] + list(args),
                       check=True)
    return name + ".ped"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kintex", default=os.path.join(HERE, "..", "build", "kintex"))
    ap.add_argument("--work", default="/tmp/kintex-bench")
    ap.add_argument("--quick", action="store_true", help="growth up to 16,000 trios only")
    a = ap.parse_args()
    if not shutil.which("plink1.9"):
        sys.exit("bench/run.py needs plink1.9 (Debian package plink1.9); install with: tools/install-deps.sh --bench")
    kintex = os.path.abspath(a.kintex)
    os.makedirs(a.work, exist_ok=True)
    rows = []

    def kin(ped, setting, threads=None, repeat=5):
        pre = ["--threads", str(threads)] if threads is not None else []
        return timed([kintex] + pre + [ped, "out.log"] + setting.split(), a.work, repeat)

    def named(prefix, threads=None, repeat=5):
        pre = ["--threads", str(threads)] if threads is not None else []
        return timed([kintex] + pre + ["--bfile", prefix, "--out", "named"], a.work, repeat)

    def row(case, t, kb, ratio=""):
        rows.append((case, "%.3f s" % t, "%.0f MB" % (kb / 1024.0), ratio))
        print("%-62s %9s %8s %s" % rows[-1], flush=True)

    # 1. 3,000 trios, every marker, no linkage, additive; plink on the same trios. With ten times
    # the markers, plink's start-up weighs less and each marker more.
    def against_plink(name, snps, seed, missing=0.0):
        extra = ["--missing-genotype", str(missing)] if missing else []
        ped = study(a.work, name, "--families", "3000", "--snps", str(snps), "--seed", str(seed), *extra)
        what = "3,000 trios x %s SNPs%s" % (format(snps, ","), ", %g%% of genotypes missing" % (100 * missing)
                                            if missing else "")
        pt, pkb = timed(["plink1.9", "--bfile", name, "--tdt", "exact", "--out", "plinkout"], a.work)
        row("plink1.9 --tdt exact, " + what, pt, pkb)
        t, kb = kin(ped, "0 0 1 0")
        row(what + (", all markers, no linkage, additive" if not missing else ""), t, kb, "%.1fx plink" % (t / pt))
        t, kb = named(name)
        row("the same, named form: --bfile %s (plink's files)" % name, t, kb, "%.1fx plink" % (t / pt))

    against_plink("trios3000", 100, 11)
    # Failed calls, as every real study has: such families are not typed in full at those markers.
    against_plink("trios3000miss", 100, 31, missing=0.02)
    against_plink("trios3000x1000", 1000, 21)

    # 2. 20,000 families (sibships of 1-4, 30% with a parent missing), one SNP, each test, one thread.
    ped = study(a.work, "fam20000", "--families", "20000", "--kids", "1-4", "--missing-parent", "0.3",
                "--snps", "1", "--x-snps", "1", "--seed", "12")
    for label, setting in (("autosomal, no linkage", "0 0 1 1"), ("autosomal, linkage", "0 1 1 1"),
                           ("X-linked, no linkage", "1 0 1 2"), ("X-linked, linkage", "1 1 1 2")):
        t, kb = kin(ped, setting, threads=1)
        row("20,000 families, 1 SNP, %s, 1 thread" % label, t, kb)

    # 3. One sibship of 300 children, heterozygous parents, no linkage.
    ped = study(a.work, "sib300", "--families", "1", "--kids", "300", "--heterozygous-parents", "--seed", "13")
    t, kb = kin(ped, "0 0 1 1", threads=1)
    row("sibship of 300, heterozygous parents, no linkage", t, kb)

    # 4. Growth: complete trios, one autosomal and one X SNP, time against families.
    sizes = [1000, 2000, 4000, 8000, 16000] + ([] if a.quick else [32000, 64000])
    tests = (("autosomal, no linkage", "0 0 1 1"), ("autosomal, linkage", "0 1 1 1"),
             ("X-linked, no linkage", "1 0 1 2"), ("X-linked, linkage", "1 1 1 2"))
    times = {label: [] for label, _ in tests}
    for n in sizes:
        ped = study(a.work, "grow%d" % n, "--families", str(n), "--snps", "1", "--x-snps", "1", "--seed", "14")
        for label, setting in tests:
            times[label].append(kin(ped, setting, threads=1)[0])
    for label, _ in tests:
        xs = [math.log(n) for n in sizes]
        ys = [math.log(max(t, 1e-3)) for t in times[label]]
        mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
        k = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)
        rows.append(("growth %s, %d-%d trios" % (label, sizes[0], sizes[-1]),
                     " / ".join("%.3f" % t for t in times[label]) + " s", "", "k = %.2f" % k))
        print("%-58s %s  %s" % (rows[-1][0], rows[-1][1], rows[-1][3]), flush=True)

    # 5. Threads: 200 markers on one and on two threads, and the machine's own ceiling at the same
    # moments: two one-thread runs side by side (what two independent programs gain from the second
    # core). Taken in alternation, round by round, so that all three see the same machine.
    ped = study(a.work, "markers200", "--families", "2000", "--kids", "1-4", "--missing-parent", "0.3",
                "--snps", "200", "--seed", "15")
    forms = (("2,000 families x 200 SNPs, no linkage", lambda out: [ped, out + ".log", "0", "0", "1", "0"]),
             ("the same, named form (--bfile markers200)", lambda out: ["--bfile", "markers200", "--out", out]))
    def core_row(when):
        # A virtual machine's cores need not be equally fast: what a second thread can add is at most
        # the second core's speed against the first's.
        loops = core_loops()
        fastest = min(loops.values())
        rows.append(("  one fixed loop on each core, %s" % when, " / ".join("%.3f" % t for t in loops.values()) + " s",
                     "", "cores at %s of the fastest" % " / ".join("%.2f" % (fastest / t) for t in loops.values())))
        print("%-58s %s  %s" % (rows[-1][0], rows[-1][1], rows[-1][3]), flush=True)

    core_row("before")
    for label, args in forms:
        one = lambda: timed([kintex, "--threads", "1"] + args("one"), a.work, 1)
        two = lambda: timed([kintex, "--threads", "2"] + args("two"), a.work, 1)
        pair = lambda: timed_together([[kintex, "--threads", "1"] + args("side%d" % i) for i in (1, 2)], a.work)
        t1, t2, tp, kb1, kb2 = None, None, None, 0, 0
        for _ in range(7):
            (r1, k1), (r2, k2), rp = one(), two(), pair()
            t1, t2, tp = min(t1 or r1, r1), min(t2 or r2, r2), min(tp or rp, rp)
            kb1, kb2 = max(kb1, k1), max(kb2, k2)
        row("%s, 1 thread" % label, t1, kb1)
        row("%s, 2 threads" % label, t2, kb2, "%.2fx faster" % (t1 / t2))
        row("  two 1-thread runs side by side (the machine's ceiling)", tp, kb1, "%.2fx" % (2 * t1 / tp))
    core_row("after")

    print("\n| case | wall time | peak memory | ratio / fit |\n|---|---|---|---|")
    for r in rows:
        print("| %s | %s | %s | %s |" % r)


if __name__ == "__main__":
    main()
