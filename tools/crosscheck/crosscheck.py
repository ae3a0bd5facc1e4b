#!/usr/bin/env python3
"""Cross-check the C++ program against reference.py on random or given pedigree files.

  crosscheck.py random [--n N] [--seed S] [--kintex PATH] [--combos x,n,m;...] [--keep DIR]
  crosscheck.py file PED [--kintex PATH] [--combos ...] [--marker M]
  crosscheck.py reduce PED --combo x,n,m [--kintex PATH]   (shrink a differing file)

Every combination of xlinked in {0,1}, null in {0,1}, model in {1,2,3} is run with marker 0
(unless --combos restricts it). Combinations that the build refuses ("not available in this
version") are skipped and counted.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "reference.py")
DEFAULT_KINTEX = os.path.join(HERE, "..", "..", "build", "kintex")
REFUSAL = b"not available in this version"
ALL_COMBOS = [(x, n, m) for x in (0, 1) for n in (0, 1) for m in (1, 2, 3)]


# ------------------------------------------------------------------ generation

def gen_pedigree_file(rng, profile="small"):
    big = profile == "big"
    nmark = rng.randint(1, 3)
    kinds = []  # per marker: 'auto', 'x', 'random'
    nalls = []
    for _ in range(nmark):
        kinds.append(rng.choice(["auto", "auto", "x", "x", "random"]))
        nalls.append(rng.randint(2, 5))
    perr = rng.choice([0.0, 0.0, 0.03, 0.1]) if not big else rng.choice([0.0, 0.0, 0.0, 0.02])
    pmiss = rng.choice([0.0, 0.1, 0.25, 0.4])
    rows = []
    nped = rng.randint(1, 7) if not big else rng.randint(5, 25)
    used_ped = []

    def geno_founder(m, sex):
        a = rng.randint(1, nalls[m])
        b = rng.randint(1, nalls[m])
        if kinds[m] == "x" and sex == 1:
            b = a
        return [a, b]

    def geno_child(m, fg, mg, sex):
        if kinds[m] == "random":
            return geno_founder(m, sex)
        if kinds[m] == "auto":
            g = [rng.choice(fg), rng.choice(mg)]
            rng.shuffle(g)
            return g
        # X-linked
        mat = rng.choice(mg)
        if sex == 1:
            return [mat, mat]
        g = [fg[0], mat]
        rng.shuffle(g)
        return g

    for p in range(nped):
        ped = rng.randint(1, 9) if rng.random() < 0.15 else p + 1
        used_ped.append(ped)
        people = []  # (id, fa, mo, sex, aff, genos)
        nextid = [1]

        def newid():
            i = nextid[0]
            nextid[0] += 1
            return i

        def add_founder(sex):
            i = newid()
            g = [geno_founder(m, sex) for m in range(nmark)]
            people.append([i, 0, 0, sex, rng.choice([0, 1, 1, 2, 2]), g])
            return people[-1]

        def add_child(fa, mo):
            sex = rng.choice([1, 2])
            if rng.random() < 0.03:
                sex = rng.choice([0, 3])
            i = newid()
            g = [geno_child(m, fa[5][m], mo[5][m], 1 if sex == 1 else 2) for m in range(nmark)]
            aff = rng.choice([0, 1, 2, 2, 2])
            if rng.random() < 0.03:
                aff = -9
            people.append([i, fa[0], mo[0], sex, aff, g])
            return people[-1]

        fa = add_founder(1)
        mo = add_founder(2)
        nk = rng.randint(1, 6) if not big else rng.randint(1, 12)
        kids = [add_child(fa, mo) for _ in range(nk)]
        if rng.random() < 0.2:
            # three generations: a child marries in and has children
            c = rng.choice(kids)
            spouse = add_founder(2 if c[3] == 1 else 1)
            f2, m2 = (c, spouse) if c[3] == 1 else (spouse, c)
            if c[3] not in (1, 2):
                f2, m2 = c, spouse
            for _ in range(rng.randint(1, 4)):
                add_child(f2, m2)
        if rng.random() < 0.1:
            # half sibs: the father with a second mother
            mo2 = add_founder(2)
            for _ in range(rng.randint(1, 3)):
                add_child(fa, mo2)
        # missingness, genotyping errors, dropped founders
        ntyped_parents = rng.choice([0, 1, 2, 2])
        founders = [x for x in people if x[1] == 0]
        untyped = rng.sample(founders, max(0, len(founders) - ntyped_parents)) if ntyped_parents < 2 else []
        for x in people:
            for m in range(nmark):
                if x in untyped and rng.random() < 0.9:
                    x[5][m] = [0, 0]
                elif rng.random() < pmiss:
                    x[5][m] = [0, 0] if rng.random() < 0.9 else [x[5][m][0], 0]
                elif rng.random() < perr:
                    x[5][m] = [x[5][m][0], rng.randint(1, nalls[m] + 1)]
        drop = rng.random() < 0.1
        for x in people:
            if drop and x[1] == 0 and x in untyped:
                continue
            row = [ped, x[0], x[1], x[2], x[3], x[4]]
            for m in range(nmark):
                row += x[5][m]
            rows.append(row)
    if profile == "weird":
        # odd codes: negative or huge allele codes, odd sex/affection values, big ids
        amap = {}
        for r in rows:
            for c in range(6, len(r)):
                if r[c] > 0 and rng.random() < 0.05:
                    r[c] = rng.choice([-1, -3, 2147483647, 100])
            if rng.random() < 0.05:
                r[4] = rng.choice([0, 3, -1])
            if rng.random() < 0.05:
                r[5] = rng.choice([-9, 3, 9])
        if rng.random() < 0.5:
            off = rng.choice([1000, -5, 2147483000])
            for r in rows:
                for c in (1, 2, 3):
                    if r[c] != 0:
                        r[c] += off
    if rng.random() < 0.3:
        rng.shuffle(rows)
    names = ["M%d" % (m + 1) for m in range(nmark)]
    text = " ".join(names) + "\n"
    text += "".join(" ".join(str(v) for v in r) + "\n" for r in rows)
    return text


# ------------------------------------------------------------------ running

def run_one(cmd, ped_text, args, workdir):
    os.makedirs(workdir, exist_ok=True)
    with open(os.path.join(workdir, "ped.txt"), "w") as fh:
        fh.write(ped_text)
    try:
        p = subprocess.run(cmd + args, cwd=workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=600)
        status, console = p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        status, console = "timeout", b""
    res = {"status": str(status).encode(), "console": console}
    for fn in ("out.log", "informative.txt"):
        path = os.path.join(workdir, fn)
        res[fn] = open(path, "rb").read() if os.path.exists(path) else None
    return res


def first_diff(a, b):
    if a is None or b is None:
        return "present in one only (kintex=%s, reference=%s)" % (a is not None, b is not None)
    al, bl = a.split(b"\n"), b.split(b"\n")
    for i in range(max(len(al), len(bl))):
        x = al[i] if i < len(al) else b"<EOF>"
        y = bl[i] if i < len(bl) else b"<EOF>"
        if x != y:
            return "line %d:\n      kintex:    %r\n      reference: %r" % (i + 1, x, y)
    return "differs (line endings?)"


def compare(kintex, ped_text, combo, marker=0, tmp=None):
    x, n, m = combo
    args = ["ped.txt", "out.log", str(x), str(n), str(m), str(marker)]
    base = tempfile.mkdtemp(dir=tmp)
    try:
        k = run_one([kintex], ped_text, args, os.path.join(base, "k"))
        if REFUSAL in k["console"]:
            return "refused", []
        r = run_one([sys.executable, REFERENCE], ped_text, args, os.path.join(base, "r"))
    finally:
        shutil.rmtree(base, ignore_errors=True)
    diffs = []
    for key in ("status", "console", "out.log", "informative.txt"):
        if k[key] != r[key]:
            diffs.append((key, first_diff(k[key], r[key])))
    return ("same" if not diffs else "diff"), diffs


def parse_combos(s):
    if not s:
        return ALL_COMBOS
    out = []
    for part in s.split(";"):
        x, n, m = (int(v) for v in part.split(","))
        out.append((x, n, m))
    return out


# ------------------------------------------------------------------ reduction

def reduce_file(kintex, text, combo, marker=0):
    """Greedy shrink: drop rows, then markers, while some difference remains."""
    def differs(t):
        st, _ = compare(kintex, t, combo, marker)
        return st == "diff"
    lines = text.split("\n")
    header, rows = lines[0], [l for l in lines[1:] if l.strip()]
    assert differs(text)
    changed = True
    while changed:
        changed = False
        # whole pedigrees first
        peds = sorted(set(r.split()[0] for r in rows))
        for p in peds:
            trial = [r for r in rows if r.split()[0] != p]
            if trial and differs(header + "\n" + "\n".join(trial) + "\n"):
                rows = trial
                changed = True
        i = 0
        while i < len(rows):
            trial = rows[:i] + rows[i + 1:]
            if trial and differs(header + "\n" + "\n".join(trial) + "\n"):
                rows = trial
                changed = True
            else:
                i += 1
        names = header.split()
        if marker == 0 and len(names) > 1:
            for mi in range(len(names)):
                nn = names[:mi] + names[mi + 1:]
                tr = []
                for r in rows:
                    v = r.split()
                    tr.append(" ".join(v[:6 + 2 * mi] + v[8 + 2 * mi:]))
                t = " ".join(nn) + "\n" + "\n".join(tr) + "\n"
                if differs(t):
                    header, rows = " ".join(nn), tr
                    changed = True
                    break
    return header + "\n" + "\n".join(rows) + "\n"


# ------------------------------------------------------------------ main

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("mode", choices=["random", "file", "reduce"])
    ap.add_argument("ped", nargs="?")
    ap.add_argument("--kintex", default=DEFAULT_KINTEX)
    ap.add_argument("--n", type=int, default=100)
    ap.add_argument("--profile", default="small", choices=["small", "big", "weird"])
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--combos", default="")
    ap.add_argument("--combo", default="")
    ap.add_argument("--marker", type=int, default=0)
    ap.add_argument("--keep", default=os.path.join(HERE, "failures"))
    ap.add_argument("--max-report", type=int, default=20)
    a = ap.parse_args()
    kintex = os.path.abspath(a.kintex)
    if not os.path.exists(kintex):
        sys.exit("no program at %s" % kintex)

    if a.mode == "reduce":
        text = open(a.ped).read()
        combo = parse_combos(a.combo)[0]
        out = reduce_file(kintex, text, combo, a.marker)
        sys.stdout.write(out)
        st, diffs = compare(kintex, out, combo, a.marker)
        for key, d in diffs:
            sys.stderr.write("  %s: %s\n" % (key, d))
        return

    combos = parse_combos(a.combos)
    stats = {c: {"same": 0, "diff": 0, "refused": 0} for c in combos}
    reported = 0
    if a.mode == "file":
        cases = [(os.path.basename(a.ped), open(a.ped).read())]
    else:
        rng = random.Random(a.seed)
        cases = [("%s_seed%d_case%d" % (a.profile, a.seed, i), gen_pedigree_file(rng, a.profile))
                 for i in range(a.n)]
    os.makedirs(a.keep, exist_ok=True)
    for name, text in cases:
        for combo in combos:
            st, diffs = compare(kintex, text, combo, a.marker)
            stats[combo][st] += 1
            if st == "diff":
                fn = os.path.join(a.keep, "%s_x%d_n%d_m%d.ped" % ((name,) + combo))
                with open(fn, "w") as fh:
                    fh.write(text)
                if reported < a.max_report:
                    reported += 1
                    print("DIFF %s xlinked=%d null=%d model=%d (kept %s)" % ((name,) + combo + (fn,)))
                    for key, d in diffs:
                        print("  %s: %s" % (key, d))
                    sys.stdout.flush()
    print("\nsummary (same / diff / refused):")
    for c in combos:
        s = stats[c]
        print("  xlinked=%d null=%d model=%d: %d / %d / %d" % (c + (s["same"], s["diff"], s["refused"])))




# ------------------------------------------------------------------ driver edge cases

EDGE_FILES = {
    "ok": "M1, M2\n1 1 0 0 1 2 1 1 2 2\n1 2 0 0 2 1 1 2 2 3\n1 3 1 2 2 2 1 2 2 2\n1 4 1 2 1 2 2 2 3 3\n1 5 1 2 1 1 1 1 2 2\n",
    "crlf": "M1\r\n1 1 0 0 1 2 1 1\r\n1 2 0 0 2 1 1 2\r\n1 3 1 2 2 2 1 2\r\n1 4 1 2 1 2 2 2\r\n",
    "blank_lines": "M1\n\n1 1 0 0 1 2 1 1\n   \t\n1 2 0 0 2 1 1 2\n1 3 1 2 2 2 1 2\n1 4 1 2 1 2 2 2\n\n",
    "no_final_newline": "M1\n1 1 0 0 1 2 1 1\n1 2 0 0 2 1 1 2\n1 3 1 2 2 2 1 2\n1 4 1 2 1 2 2 2",
    "empty": "",
    "header_only_punct": " ,, -- ..\n1 1 0 0 1 2 1 1\n",
    "header_only": "M1 M2\n",
    "header_only_nonl": "M1",
    "too_few": "M1\n1 1 0 0 1 2 1 1\n1 2 0 0 2 1 1\n",
    "too_many": "M1\n1 1 0 0 1 2 1 1 7\n",
    "not_int": "M1\n1 1 0 0 1 2 1 1\n1 2 0 0 2 1 x 2\n",
    "float": "M1\n1 1 0 0 1 2 1 1.5\n",
    "plus_minus": "M1\n+1 1 0 0 1 2 -1 +2\n1 2 0 0 2 1 1 2\n1 3 1 2 2 2 1 2\n1 4 1 2 1 2 2 2\n",
    "out_of_range": "M1\n1 1 0 0 1 2 1 2147483648\n",
    "in_range_edge": "M1\n1 1 0 0 1 2 1 2147483647\n1 2 0 0 2 1 -2147483648 2\n",
    "neg_out_of_range": "M1\n1 1 0 0 1 2 1 -2147483649\n",
    "bad_after_count": "M1\n1 1 0 0 1 2 1 x\n1 2 0 0 2 1 1\n",
    "sign_only": "M1\n1 1 0 0 1 2 1 -\n",
    "names_split": "rs12_a-7\n1 1 0 0 1 2 1 1 1 1 2 2\n1 2 0 0 2 1 1 2 1 2 2 3\n1 3 1 2 2 2 1 2 1 1 2 2\n1 4 1 2 1 2 2 2 2 2 3 3\n",
    "nonascii_header": "M\xe91 X\n1 1 0 0 1 2 1 1 1 1 2 2\n1 2 0 0 2 1 1 2 1 2 2 3\n1 3 1 2 2 2 1 2 1 1 2 2\n1 4 1 2 1 2 2 2 2 2 3 3\n",
    "no_families": "M1\n1 1 0 0 1 2 1 2\n1 2 0 0 2 1 1 2\n",
    "tabs": "M1\tM2\n1\t1\t0\t0\t1\t2\t1\t1\t2\t2\n1 2 0 0 2 1 1 2 2 3\n1 3 1 2 2 2 1 2 2 2\n1 4\v1 2 1 2 2 2 3 3\n",
}

EDGE_ARGS = [
    ["{ped}", "out.log", "1", "1", "1", "0"],
    ["{ped}", "out.log", "1", "1", "2", "1"],
    ["{ped}", "out.log", "1", "1", "3", "2"],
    ["{ped}", "out.log", "1", "1", "1", "3"],
    ["{ped}", "out.log", "1", "1", "1", "-1"],
    ["{ped}", "out.log", "0", "0", "1", "0"],
    ["{ped}", "out.log", "0", "1", "2", "0"],
    ["{ped}", "out.log", "1", "0", "3", "0"],
    ["{ped}", "out.log", "2", "7", "7", "0"],
    ["{ped}", "out.log", "1", "2", "1", "0"],
    ["{ped}", "out.log", "1", "1", "0", "0"],
    ["{ped}", "out.log", "1", "1", "4", "0"],
    ["{ped}", "out.log", " 1", "+1", "1abc", "0"],
    ["{ped}", "out.log", "1", "1", "x", "0"],
    ["{ped}", "out.log", "1", "1", "1", "99999999999"],
    ["{ped}", "out.log", "1", "1", "1", "4294967297"],
    ["{ped}", "out.log", "1", "1", "1", "-99999999999999999999"],
    ["{ped}", "{ped}", "1", "1", "1", "0"],
    ["{ped}", "nodir/out.log", "1", "1", "1", "0"],
    ["missing.ped", "out.log", "1", "1", "1", "0"],
    ["{ped}", "out.log", "1", "1", "1"],

    ["{ped}", "out.log", "1", "1", "1", "0", "9"],
]


def edge_cases(kintex, extra_args=None):
    arglists = EDGE_ARGS + (extra_args or [])
    nsame = ndiff = nref = 0
    for fname, text in EDGE_FILES.items():
        for args in arglists:
            a = [s.format(ped="ped.txt") for s in args]
            base = tempfile.mkdtemp()
            try:
                raw = text.encode("latin-1")
                for sub in ("k", "r"):
                    os.makedirs(os.path.join(base, sub))
                    open(os.path.join(base, sub, "ped.txt"), "wb").write(raw)
                k = run_raw([kintex], a, os.path.join(base, "k"))
                if REFUSAL in k["console"]:
                    nref += 1
                    continue
                r = run_raw([sys.executable, REFERENCE], a, os.path.join(base, "r"))
            finally:
                shutil.rmtree(base, ignore_errors=True)
            diffs = [(key, first_diff(k[key], r[key])) for key in k if k[key] != r[key]]
            if diffs:
                ndiff += 1
                print("DIFF edge file=%s args=%r" % (fname, a))
                for key, d in diffs:
                    print("  %s: %s" % (key, d))
            else:
                nsame += 1
    print("edge cases: %d same, %d differ, %d refused" % (nsame, ndiff, nref))


def run_raw(cmd, args, workdir):
    p = subprocess.run(cmd + args, cwd=workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    res = {"status": str(p.returncode).encode(), "console": p.stdout}
    for fn in ("out.log", "informative.txt", "ped.txt"):
        path = os.path.join(workdir, fn)
        res[fn] = open(path, "rb").read() if os.path.exists(path) else None
    return res


if __name__ == "__main__" and len(sys.argv) > 1 and sys.argv[1] == "edge":
    ap = argparse.ArgumentParser()
    ap.add_argument("mode")
    ap.add_argument("--kintex", default=DEFAULT_KINTEX)
    a = ap.parse_args()
    edge_cases(os.path.abspath(a.kintex))
elif __name__ == "__main__":
    main()
