#!/usr/bin/python3
"""Generates a realistic family study for the benchmark, in kintex's layout and as a PLINK fileset.

  make_study.py OUT --families N [--kids 1-4 | --kids 1] [--missing-parent 0.3] [--snps M]
                    [--x-snps X] [--missing-genotype 0.02] [--seed S]

Families are nuclear: two parents and a sibship of --kids children (a range a-b draws the size
uniformly). A fraction --missing-parent of the families has one parent untyped (its row is kept,
with missing genotypes); each other genotype is missing with probability --missing-genotype, as a
failed call of a real study. The first M markers are autosomal SNPs, the next X are X-linked SNPs (a man
carries one X, written as two equal alleles). Allele frequencies are drawn per SNP; the disease
raises its risk with allele 2 of the first SNP, so that marker shows association.

Writes OUT.ped (kintex: header of marker names, then ped id, id, father, mother, sex, affection and
allele pairs 1/2, 0 missing) and OUT.bed/.bim/.fam (PLINK 1 binary: the same individuals and
genotypes; phenotype 2 affected, 1 unaffected).
"""
import argparse
import random


def kid_range(text):
    lo, _, hi = text.partition("-")
    return int(lo), int(hi or lo)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--families", type=int, required=True)
    ap.add_argument("--kids", type=kid_range, default=(1, 1))
    ap.add_argument("--missing-parent", type=float, default=0.0)
    ap.add_argument("--snps", type=int, default=1)
    ap.add_argument("--x-snps", type=int, default=0)
    ap.add_argument("--missing-genotype", type=float, default=0.0)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--heterozygous-parents", action="store_true",
                    help="every parent is typed 1/2 at every autosomal SNP (large-sibship case)")
    a = ap.parse_args()
    rng = random.Random(a.seed)
    nm = a.snps + a.x_snps
    freq = [rng.uniform(0.1, 0.5) for _ in range(nm)]

    def founder(sex):
        g = []
        for m in range(nm):
            if a.heterozygous_parents and m < a.snps:
                g.append((1, 2))
                continue
            x = 1 + (rng.random() < freq[m])
            y = 1 + (rng.random() < freq[m])
            if m >= a.snps and sex == 1:
                y = x
            g.append((x, y))
        return g

    def child(fg, mg, sex):
        g = []
        for m in range(nm):
            mat = rng.choice(mg[m])
            if m >= a.snps:  # X-linked: a son gets one of his mother's X, a daughter also her father's
                g.append((mat, mat) if sex == 1 else (fg[m][0], mat))
            else:
                g.append((rng.choice(fg[m]), mat))
        return g

    people = []  # (ped, id, father, mother, sex, affected, genotypes or None)
    for f in range(1, a.families + 1):
        fg, mg = founder(1), founder(2)
        missing = rng.random() < a.missing_parent
        which = rng.choice((0, 1)) if missing else -1
        people.append((f, 1, 0, 0, 1, rng.random() < 0.1, None if which == 0 else fg))
        people.append((f, 2, 0, 0, 2, rng.random() < 0.1, None if which == 1 else mg))
        for c in range(rng.randint(*a.kids)):
            sex = rng.choice((1, 2))
            g = child(fg, mg, sex)
            risk = 0.3 + 0.15 * (g[0].count(2) if a.snps else 0)
            people.append((f, 3 + c, 1, 2, sex, rng.random() < risk, g))
    if a.missing_genotype > 0:  # drawn after the study, so that a rate of 0 leaves it as it was
        people = [p[:6] + ([(0, 0) if rng.random() < a.missing_genotype else x for x in p[6]] if p[6] else None,)
                  for p in people]

    names = ["rs%d" % (m + 1) for m in range(a.snps)] + ["x%d" % (m + 1) for m in range(a.x_snps)]
    with open(a.out + ".ped", "w") as out:
        out.write(" ".join(names) + "\n")
        for ped, i, fa, mo, sex, aff, g in people:
            alleles = " ".join("%d %d" % p for p in g) if g else " ".join("0 0" for _ in range(nm))
            out.write("%d %d %d %d %d %d %s\n" % (ped, i, fa, mo, sex, 2 if aff else 1, alleles))
    with open(a.out + ".fam", "w") as out:
        for ped, i, fa, mo, sex, aff, g in people:
            out.write("%d %d %d %d %d %d\n" % (ped, i, fa, mo, sex, 2 if aff else 1))
    with open(a.out + ".bim", "w") as out:
        for m, name in enumerate(names):
            out.write("%s %s 0 %d 1 2\n" % ("23" if m >= a.snps else "1", name, 1000 * (m + 1)))
    # SNP-major: per SNP, 2 bits per individual, four to a byte, lowest bits first.
    # 00 two copies of allele 1 (A1), 10 heterozygous, 11 two copies of allele 2, 01 missing.
    code = {(1, 1): 0, (1, 2): 2, (2, 1): 2, (2, 2): 3, (0, 0): 1}
    with open(a.out + ".bed", "wb") as out:
        out.write(bytes([0x6C, 0x1B, 0x01]))
        for m in range(nm):
            row = bytearray((len(people) + 3) // 4)
            for j, person in enumerate(people):
                g = person[6]
                bits = code[g[m]] if g else 1
                row[j // 4] |= bits << (2 * (j % 4))
            out.write(row)


if __name__ == "__main__":
    main()
