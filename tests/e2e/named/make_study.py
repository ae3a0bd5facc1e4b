#!/usr/bin/env python3
"""Writes one simulated family study in the four input formats of kintex.

    make_study.py OUTDIR [MARKERS]

OUTDIR/study.{bed,bim,fam} (PLINK binary), study.{ped,map} (PLINK text),
study.vcf with study.fam (VCF), study.kin (kintex's own layout). Markers, in
this order: autosomal ones on chromosomes 1 and 2, one on XY and one in the
pseudo-autosomal region of X (both analysed as autosomal), then X-linked
ones. The first line of study.split says how many come before the X-linked
ones. Each marker has two alleles, and the first individual is a
heterozygous woman, so every format lists the alleles in the same order.
Standard library only; a fixed seed, so the files are the same every time.
"""
import random
import sys

LETTERS = [("A", "G"), ("C", "T"), ("A", "C"), ("G", "T")]


def markers(count):
    """(chrom, pos, name, xlinked) of every marker; at least 5 X-linked-free ones."""
    auto = max(count - 3, 4)
    out = []
    for i in range(auto - 2):
        out.append(("1" if i % 2 == 0 else "2", 100000 + 1000 * i, "rs%d" % (101 + i), False))
    out.append(("XY", 2000, "rsXY1", False))
    out.append(("X", 100000, "rsPAR1", False))  # inside PAR1 of GRCh37
    for i in range(count - auto):
        out.append(("23" if i % 2 else "X", 5000000 + 1000 * i, "rsX%d" % (1 + i), True))
    return out


def pedigree(rng):
    """Records (family, id, father, mother, sex, affection, typed) with integer ids per family."""
    people = []
    for f in range(1, 31):
        kind = f % 5
        children = 1 if kind == 0 else 2 + rng.randrange(3)
        parents_in_file = kind != 4
        if parents_in_file:
            people.append([f, 1, 0, 0, 1, rng.choice([1, 1, 2]), kind != 3])
            people.append([f, 2, 0, 0, 2, rng.choice([1, 1, 2]), True])
        for c in range(children):
            people.append([f, 3 + c, 1, 2, 1 + rng.randrange(2), rng.choice([1, 2, 2, 0]), True])
        if f % 7 == 0:  # a third generation: child 3 marries in and has children
            spouse = 3 + children
            people.append([f, spouse, 0, 0, 3 - people[-children][4], 1, True])
            mom_dad = (3, spouse) if people[-children - 1][4] == 1 else (spouse, 3)
            for c in range(2):
                people.append([f, spouse + 1 + c, mom_dad[0], mom_dad[1], 1 + rng.randrange(2), 2, True])
    people[0], people[1] = people[1], people[0]  # the first record is a woman, typed heterozygous everywhere
    return people


def transmit(rng, genotype):
    return genotype[rng.randrange(2)]


def genotypes(rng, people, xlinked):
    """Allele pairs (1 or 2, 0 missing) per person, Mendelian, ~6% missing."""
    by_id = {}
    out = []
    for i, (fam, pid, dad, mom, sex, _aff, typed) in enumerate(people):
        if (fam, dad) in by_id and (fam, mom) in by_id:
            d, m = by_id[(fam, dad)], by_id[(fam, mom)]
            from_mom = transmit(rng, m)
            from_dad = transmit(rng, d) if not xlinked else d[0]
            g = (from_mom, from_mom) if xlinked and sex == 1 else (from_dad, from_mom)
        else:
            a = 1 + (rng.random() < 0.4)
            g = (a, a) if xlinked and sex == 1 else (a, 1 + (rng.random() < 0.4))
        if i == 0:
            g = (1, 2)
        by_id[(fam, pid)] = g
        shown = tuple(sorted(g))
        if not typed or (i > 0 and rng.random() < 0.06):
            shown = (0, 0)
        out.append(shown)
    return out


def write(outdir, count):
    rng = random.Random(20261208)
    people = pedigree(rng)
    marks = markers(count)
    calls = [genotypes(rng, people, m[3]) for m in marks]
    # A man heterozygous on an X-linked marker: a genotyping error every format shows.
    calls[-1][[p[4] for p in people].index(1)] = (1, 2)
    letters = [LETTERS[i % len(LETTERS)] for i in range(len(marks))]
    fam_id = lambda f: "FAM%03d" % f
    ind_id = lambda f, i: "0" if i == 0 else "I%d" % i
    fam_lines = []
    for fam, pid, dad, mom, sex, aff, _ in people:
        fam_lines.append("%s %s %s %s %d %d" % (fam_id(fam), ind_id(fam, pid), ind_id(fam, dad), ind_id(fam, mom),
                                                 sex, aff if aff else -9))
    with open(outdir + "/study.fam", "w") as f:
        f.write("\n".join(fam_lines) + "\n")
    with open(outdir + "/study.split", "w") as f:
        f.write("%d\n" % sum(1 for m in marks if not m[3]))
    with open(outdir + "/study.map", "w") as f:
        for chrom, pos, name, _ in marks:
            f.write("%s\t%s\t0\t%d\n" % (chrom, name, pos))
    with open(outdir + "/study.bim", "w") as f:
        for (chrom, pos, name, _), (a1, a2) in zip(marks, letters):
            f.write("%s\t%s\t0\t%d\t%s\t%s\n" % (chrom, name, pos, a1, a2))
    with open(outdir + "/study.ped", "w") as f:
        for i, line in enumerate(fam_lines):
            alleles = []
            for m in range(len(marks)):
                for a in calls[m][i]:
                    alleles.append("0" if a == 0 else letters[m][a - 1])
            f.write(line + " " + " ".join(alleles) + "\n")
    with open(outdir + "/study.bed", "wb") as f:
        f.write(bytes([0x6C, 0x1B, 0x01]))
        bits = {(1, 1): 0, (0, 0): 1, (1, 2): 2, (2, 2): 3}
        for m in range(len(marks)):
            block = bytearray((len(people) + 3) // 4)
            for i, g in enumerate(calls[m]):
                block[i // 4] |= bits[g] << (2 * (i % 4))
            f.write(bytes(block))
    with open(outdir + "/study.vcf", "w") as f:
        f.write("##fileformat=VCFv4.2\n")
        for chrom in sorted({m[0] for m in marks}):
            f.write("##contig=<ID=%s>\n" % chrom)
        f.write('##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n')
        # Untyped founders have no column: they are pedigree members without data.
        columns = [i for i, p in enumerate(people) if p[6]]
        names = ["%s_%s" % (fam_id(people[i][0]), ind_id(0, people[i][1])) for i in columns]
        f.write("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(names) + "\n")
        for m, (chrom, pos, name, xlinked) in enumerate(marks):
            fields = []
            for i in columns:
                g = calls[m][i]
                if g == (0, 0):
                    fields.append("./.")
                elif xlinked and people[i][4] == 1 and g[0] == g[1]:
                    fields.append(str(g[0] - 1))  # a man's single X: a haploid call
                else:
                    fields.append("%d/%d" % (g[0] - 1, g[1] - 1))
            f.write("%s\t%d\t%s\t%s\t%s\t.\tPASS\t.\tGT\t%s\n" % (chrom, pos, name, letters[m][0], letters[m][1],
                                                                 "\t".join(fields)))
    with open(outdir + "/study.kin", "w") as f:
        f.write(" ".join(m[2] for m in marks) + "\n")
        for i, (fam, pid, dad, mom, sex, aff, _) in enumerate(people):
            alleles = [str(a) for m in range(len(marks)) for a in calls[m][i]]
            f.write("%d %d %d %d %d %d %s\n" % (fam, pid, dad, mom, sex, aff, " ".join(alleles)))


if __name__ == "__main__":
    write(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 12)
