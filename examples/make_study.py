#!/usr/bin/env python3
"""Makes examples/study/: a small simulated genome-wide family study as a PLINK binary fileset.

The families (ascertained through affected children):
  trios            father, mother and one affected child;
  sibships         both parents and two to four children, at least two of them affected;
  one parent       a parent in the file but not genotyped, two or three children;
  no parents       both parents in the file but not genotyped, three children.
Markers: two-allele SNPs on chromosomes 1-22 and X, spread in proportion to the chromosomes'
lengths. Founder chromosomes are mosaics of a few ancestral haplotypes, so neighbouring SNPs are
in linkage disequilibrium; a parent passes a recombinant chromosome (about 1 cM per Mb) to each
child. A father has one X chromosome: he gives it to every daughter and none to his sons, whose
only X comes from their mother; a man's X genotype is written as homozygous, as PLINK writes it.

A few SNPs raise the risk of the disease (relative risk per copy of their minor allele, see
CAUSAL). An affected child's transmissions at such a SNP are drawn with weights proportional to
its risk, so the risk allele is transmitted more often than half the time and the SNP and its
neighbours in linkage disequilibrium stand out in a Manhattan plot. About 1% of genotypes are
missing and a few in 20,000 are genotyping errors.

Run: /usr/bin/python3 examples/make_study.py            (writes examples/study/study.bed/.bim/.fam)
     /usr/bin/python3 examples/make_study.py --snps 200 --trios 40 --out /tmp/small
"""
import argparse
import os
import random

# Chromosome lengths in Mb (rounded, human build 37); X markers lie outside the pseudo-autosomal
# regions, which PLINK codes as XY.
LENGTHS_MB = {
    "1": 249, "2": 243, "3": 198, "4": 191, "5": 181, "6": 171, "7": 159, "8": 146, "9": 141,
    "10": 136, "11": 135, "12": 134, "13": 115, "14": 107, "15": 103, "16": 90, "17": 81,
    "18": 78, "19": 59, "20": 63, "21": 48, "22": 51, "X": 155,
}
X_RANGE = (2_800_000, 154_800_000)

# (chromosome, relative position along it, relative risk per copy of the minor allele).
CAUSAL = [("3", 0.40, 3.0), ("7", 0.55, 2.2), ("12", 0.30, 1.8), ("18", 0.60, 2.5), ("X", 0.45, 3.0)]

ANCESTORS = 30        # ancestral haplotypes per chromosome
REDRAW = 0.3          # chance that an ancestral haplotype's allele is drawn anew at the next SNP
SWITCH = 0.05         # chance that a founder haplotype changes ancestor between neighbouring SNPs
MISSING = 0.01
ERROR = 0.00005
ALLELE_PAIRS = [("A", "G"), ("C", "T"), ("A", "C"), ("G", "T"), ("A", "T"), ("C", "G")]


class Marker:
    def __init__(self, chrom, pos, name, a1, a2, freq):
        self.chrom, self.pos, self.name, self.a1, self.a2, self.freq = chrom, pos, name, a1, a2, freq


def make_markers(rng, nsnps):
    """Markers in file order (chromosome by chromosome, by position); freq is the chance of
    allele 1 whenever an ancestral allele is drawn."""
    total = sum(LENGTHS_MB.values())
    markers = []
    names = rng.sample(range(1_000_000, 9_999_999), nsnps + len(LENGTHS_MB))
    for chrom, length in LENGTHS_MB.items():
        count = max(2, round(nsnps * length / total))
        low, high = X_RANGE if chrom == "X" else (10_000, length * 1_000_000)
        for pos in sorted(rng.sample(range(low, high), count)):
            a1, a2 = rng.choice(ALLELE_PAIRS)
            if rng.random() < 0.5:
                a1, a2 = a2, a1
            markers.append(Marker(chrom, pos, "rs%d" % names.pop(), a1, a2, rng.uniform(0.08, 0.5)))
    return markers


class Chromosome:
    """The markers of one chromosome, its ancestral haplotypes and its disease SNP, if any."""

    def __init__(self, rng, chrom, markers):
        self.chrom, self.markers = chrom, markers
        self.ancestors = self.make_ancestors(rng)
        self.causal, self.risk = None, 1.0
        for c, where, risk in CAUSAL:
            if c == chrom:
                self.causal, self.risk = self.common_snp_near(int(where * len(markers))), risk
        # A recombination between neighbours, about 1 cM per Mb.
        self.crossover = [0.0] + [min(0.5, (b.pos - a.pos) * 1e-8) for a, b in zip(markers, markers[1:])]

    def make_ancestors(self, rng):
        """Ancestral haplotypes whose neighbouring SNPs are correlated: along the chromosome each
        ancestor keeps its allele type of the previous SNP unless it is drawn anew."""
        rows = [bytearray(len(self.markers)) for _ in range(ANCESTORS)]
        for j, marker in enumerate(self.markers):
            for row in rows:
                row[j] = row[j - 1] if j and rng.random() > REDRAW else rng.random() < marker.freq
        return rows

    def common_snp_near(self, j):
        """The SNP nearest j whose minor allele (allele 1) is common among the ancestors."""
        def frequency(k):
            return sum(row[k] for row in self.ancestors) / ANCESTORS
        return min((k for k in range(len(self.markers)) if 0.2 <= frequency(k) <= 0.45),
                   key=lambda k: abs(k - j))

    def founder_haplotype(self, rng):
        source = rng.randrange(ANCESTORS)
        hap = bytearray(len(self.markers))
        for j in range(len(self.markers)):
            if rng.random() < SWITCH:
                source = rng.randrange(ANCESTORS)
            hap[j] = self.ancestors[source][j]
        return hap

    def gamete(self, rng, haps):
        """A recombinant of a parent's two haplotypes (a father's X is passed whole)."""
        if haps[0] is haps[1]:
            return haps[0]
        which = rng.randrange(2)
        out = bytearray(len(self.markers))
        for j, chance in enumerate(self.crossover):
            if chance and rng.random() < chance:
                which = 1 - which
            out[j] = haps[which][j]
        return out


class Person:
    def __init__(self, fid, iid, father, mother, sex, affected, typed=True):
        self.fid, self.iid, self.father, self.mother = fid, iid, father, mother
        self.sex, self.affected, self.typed = sex, affected, typed
        self.haps = {}   # chromosome -> (haplotype, haplotype); a man's X is the same object twice


def make_founder(rng, chromosomes, fid, iid, sex, typed=True):
    person = Person(fid, iid, "0", "0", sex, 1, typed)
    for chrom in chromosomes:
        first = chrom.founder_haplotype(rng)
        second = first if chrom.chrom == "X" and sex == 1 else chrom.founder_haplotype(rng)
        person.haps[chrom.chrom] = (first, second)
    return person


def inherit(rng, chrom, father, mother, sex):
    """The child's two haplotypes: a son's X comes from his mother alone."""
    from_mother = chrom.gamete(rng, mother.haps[chrom.chrom])
    if chrom.chrom == "X" and sex == 1:
        return from_mother, from_mother
    return chrom.gamete(rng, father.haps[chrom.chrom]), from_mother


def make_child(rng, chromosomes, father, mother, iid, affected):
    sex = rng.choice((1, 2))
    child = Person(father.fid, iid, father.iid, mother.iid, sex, 2 if affected else 1)
    for chrom in chromosomes:
        while True:
            haps = inherit(rng, chrom, father, mother, sex)
            if not affected or chrom.causal is None:
                break
            # Ascertained through disease: keep the transmission with a chance proportional to
            # the child's risk (a son on X carries 0 or 1 copy, a daughter 0, 1 or 2).
            copies = haps[0][chrom.causal] + (0 if haps[0] is haps[1] else haps[1][chrom.causal])
            most = 1 if haps[0] is haps[1] else 2
            if rng.random() < chrom.risk ** (copies - most):
                break
        child.haps[chrom.chrom] = haps
    return child


def make_family(rng, chromosomes, fid, children, affected, father_typed=True, mother_typed=True):
    father = make_founder(rng, chromosomes, fid, fid + "_F", 1, father_typed)
    mother = make_founder(rng, chromosomes, fid, fid + "_M", 2, mother_typed)
    kids = [make_child(rng, chromosomes, father, mother, "%s_%d" % (fid, k + 1), k < affected)
            for k in range(children)]
    return [father, mother] + kids


def make_families(rng, chromosomes, trios):
    people, number = [], 0

    def next_id():
        nonlocal number
        number += 1
        return "FAM%04d" % number

    for _ in range(trios):
        people += make_family(rng, chromosomes, next_id(), 1, 1)
    for _ in range(max(1, trios // 10)):
        children = rng.randint(2, 4)
        people += make_family(rng, chromosomes, next_id(), children, rng.randint(2, children))
    for _ in range(max(1, trios // 10)):
        father_typed = rng.random() < 0.5
        people += make_family(rng, chromosomes, next_id(), rng.randint(2, 3), rng.randint(1, 2),
                              father_typed, not father_typed)
    for _ in range(max(1, trios // 20)):
        people += make_family(rng, chromosomes, next_id(), 3, rng.randint(2, 3), False, False)
    return people


def genotype(rng, person, chrom, j):
    """Copies of allele 1 (0, 1, 2), or None when missing."""
    if not person.typed or rng.random() < MISSING:
        return None
    if rng.random() < ERROR:
        return rng.randrange(3)
    first, second = person.haps[chrom]
    return first[j] + second[j]


# PLINK .bed: two bits per genotype, the first individual in the lowest bits of each byte.
BED_CODE = {2: 0b00, None: 0b01, 1: 0b10, 0: 0b11}


def bed_row(codes):
    out = bytearray((len(codes) + 3) // 4)
    for k, code in enumerate(codes):
        out[k // 4] |= BED_CODE[code] << (2 * (k % 4))
    return out


def write_fileset(rng, prefix, markers, chromosomes, people):
    with open(prefix + ".fam", "w") as fam:
        for p in people:
            fam.write("%s %s %s %s %d %d\n" % (p.fid, p.iid, p.father, p.mother, p.sex, p.affected))
    with open(prefix + ".bim", "w") as bim:
        for m in markers:
            bim.write("%s\t%s\t0\t%d\t%s\t%s\n" % (m.chrom, m.name, m.pos, m.a1, m.a2))
    with open(prefix + ".bed", "wb") as bed:
        bed.write(bytes((0x6C, 0x1B, 0x01)))    # magic number, SNP-major order
        for chrom in chromosomes:
            for j in range(len(chrom.markers)):
                bed.write(bed_row([genotype(rng, p, chrom.chrom, j) for p in people]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--out", default=os.path.join(here, "study", "study"), help="fileset prefix")
    parser.add_argument("--snps", type=int, default=3000)
    parser.add_argument("--trios", type=int, default=240)
    parser.add_argument("--seed", type=int, default=11)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    markers = make_markers(rng, args.snps)
    chromosomes = [Chromosome(rng, c, [m for m in markers if m.chrom == c]) for c in LENGTHS_MB]
    people = make_families(rng, chromosomes, args.trios)
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    write_fileset(rng, args.out, markers, chromosomes, people)


if __name__ == "__main__":
    main()
