#!/usr/bin/env python3
"""Makes examples/families.ped: a simulated pedigree file for trying kintex.

Sixty pedigrees of nuclear families (trios, sibships of two to six children,
and a few three-generation pedigrees) typed at four markers:
  SNP1    two alleles; allele 2 raises the risk of the disease,
  D2S123  a microsatellite with six alleles,
  RS77    three alleles, unrelated to the disease,
  DXS99   an X-linked marker with four alleles (a man has one X chromosome,
          written as two equal alleles).
Genotypes follow Mendelian transmission from founders drawn at population
frequencies; about 8% of genotypes and some whole parents are missing.
Run: python3 examples/make_example.py > examples/families.ped
"""
import random

rng = random.Random(3)

AUTOSOMAL = [([1, 2], [0.7, 0.3]), ([1, 2, 3, 4, 5, 6], [0.3, 0.25, 0.2, 0.1, 0.1, 0.05]), ([1, 2, 3], [0.5, 0.3, 0.2])]
XMARKER = ([1, 2, 3, 4], [0.4, 0.3, 0.2, 0.1])


def draw(marker):
    alleles, freqs = marker
    return rng.choices(alleles, freqs)[0]


class Person:
    def __init__(self, ped, pid, father, mother, sex):
        self.ped, self.pid, self.father, self.mother, self.sex = ped, pid, father, mother, sex
        self.auto = []
        self.x = []  # one allele for a man, two for a woman
        self.affected = 0

    def found(self):
        self.auto = [(draw(m), draw(m)) for m in AUTOSOMAL]
        self.x = [draw(XMARKER)] if self.sex == 1 else [draw(XMARKER), draw(XMARKER)]

    def inherit(self, dad, mum):
        self.auto = [(rng.choice(dad.auto[i]), rng.choice(mum.auto[i])) for i in range(len(AUTOSOMAL))]
        from_mother = rng.choice(mum.x)
        self.x = [from_mother] if self.sex == 1 else [dad.x[0], from_mother]

    def phenotype(self):
        risk = self.auto[0].count(2)
        chance = [0.06, 0.4, 0.8][risk]
        self.affected = 2 if rng.random() < chance else 1


def row(p, missing_parent_genotype=False):
    cells = [p.ped, p.pid, p.father, p.mother, p.sex, p.affected]
    genotypes = list(p.auto) + [(p.x[0], p.x[0]) if p.sex == 1 else tuple(p.x)]
    for a, b in genotypes:
        if missing_parent_genotype or rng.random() < 0.08:
            a = b = 0
        cells += [a, b]
    return " ".join(str(c) for c in cells)


def sibship(ped, dad, mum, first_id, n):
    kids = []
    for i in range(n):
        kid = Person(ped, first_id + i, dad.pid, mum.pid, rng.choice([1, 2]))
        kid.inherit(dad, mum)
        kid.phenotype()
        kids.append(kid)
    return kids


def main():
    print("SNP1  D2S123, RS77\tDXS99")
    for ped in range(1, 61):
        dad, mum = Person(ped, 1, 0, 0, 1), Person(ped, 2, 0, 0, 2)
        dad.found(); mum.found(); dad.phenotype(); mum.phenotype()
        size = 1 if ped % 3 == 0 else rng.randint(2, 6)
        kids = sibship(ped, dad, mum, 3, size)
        if kids and not any(k.affected == 2 for k in kids):
            kids[0].affected = 2  # families are ascertained through an affected child
        lines = []
        untyped = ped % 7 == 0          # one parent not genotyped at all
        absent = ped % 11 == 0 and size > 1  # parents without rows of their own
        if not absent:
            lines.append(row(dad, missing_parent_genotype=untyped))
            lines.append(row(mum))
        lines += [row(k) for k in kids]
        if ped % 10 == 5:
            # Third generation: a child marries in and has children of their own.
            parent = kids[0]
            spouse = Person(ped, 20, 0, 0, 2 if parent.sex == 1 else 1)
            spouse.found(); spouse.phenotype()
            f, m = (parent, spouse) if parent.sex == 1 else (spouse, parent)
            grandkids = sibship(ped, f, m, 21, rng.randint(2, 4))
            lines.append(row(spouse))
            lines += [row(k) for k in grandkids]
        print("\n".join(lines))


main()
