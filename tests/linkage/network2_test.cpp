// Autosomal linkage-null driver: which families count, the pair search's
// draws and the reported numbers.
#include "linkage/network2.h"

#include <gtest/gtest.h>

#include <array>

#include "driver/report.h"
#include "linkage/stat2.h"
#include "testutil.h"

namespace {

// One batch-mode analysis of marker 1 in a fresh directory; keeps the
// result block of the log and informative.txt.
struct Run2 : ReportCapture {
  Run2(const PedTable& table, int alleleCode, int model = 1)
      : ReportCapture("network2", [&] {
          analyseAndReport(table, {"M1"}, 0, 1, model, 0, {alleleCode}, 1, 1);
        }) {}
};

// Rows: ped, id, father, mother, sex, affection, alleles of marker 1.
std::vector<long> person(long ped, long id, long father, long mother, long affection, long a, long b) {
  return {ped, id, father, mother, 1, affection, a, b};
}

using Kids = std::vector<std::array<long, 3>>;  // (affection, allele, allele) per child

// Parents 1 and 2 of pedigree `ped` with the given alleles (0 0: untyped),
// then children 3, 4, ...
void family(PedTable& t, long ped, std::array<long, 2> father, std::array<long, 2> mother, const Kids& kids) {
  t.push_back(person(ped, 1, 0, 0, 1, father[0], father[1]));
  t.push_back(person(ped, 2, 0, 0, 1, mother[0], mother[1]));
  long id = 3;
  for (const auto& [affection, a, b] : kids) {
    t.push_back(person(ped, id++, 1, 2, affection, a, b));
  }
}

void sibship(PedTable& t, long ped, const Kids& kids) { family(t, ped, {0, 0}, {0, 0}, kids); }

constexpr long AFF = 2, UNAFF = 1;

}  // namespace

TEST(Network2, GenotypingErrorsAreNotInformativeAndDrawNothing) {
  PedTable t;
  // Parents 1/1 x 2/2 cannot have a 1/1 child.
  family(t, 20, {1, 1}, {2, 2}, {{AFF, 1, 1}, {UNAFF, 1, 2}});
  // Five alleles in one nuclear family.
  family(t, 21, {1, 2}, {3, 4}, {{AFF, 1, 5}, {UNAFF, 2, 3}});
  // A sibship that would go to the pair search, but one child carries no
  // valid allele code.
  sibship(t, 22, {{AFF, 1, 1}, {UNAFF, 1, 2}, {UNAFF, 1, 2}, {UNAFF, -1, -1}});
  setPairDrawState(1);
  const Run2 run(t, 1);
  EXPECT_EQ(pairDrawState(), 1u);
  EXPECT_EQ(run.log, resultBlock(1, 0, noResult));
  EXPECT_EQ(run.informative, "\n");
}

TEST(Network2, PairSearchFamilyDrawsOnceAndReportsThePairStatistic) {
  // AA-, AB+, AA+, AB-, AB-: informative pairs (1st, 2nd) with statistic 1,
  // (3rd, 4th) and (3rd, 5th) with 2. Draw 41 picks the first pair, whose
  // values are (1, 2); the p-value compares the mean 5/3 instead of 1.
  PedTable t;
  sibship(t, 23, {{UNAFF, 1, 1}, {AFF, 1, 2}, {AFF, 1, 1}, {UNAFF, 1, 2}, {UNAFF, 2, 1}});
  setPairDrawState(1);
  const Run2 first(t, 1);
  EXPECT_EQ(first.log, resultBlock(1, 1, "S: 1, E(S): 1.5, Var(S): 0.25, p: 1"));
  EXPECT_EQ(first.informative, "\nInformative: 23, (1, 2)\n");
  // The next draw, 18467, picks the second pair.
  const Run2 second(t, 1);
  EXPECT_EQ(second.log, resultBlock(1, 1, "S: 2, E(S): 1.5, Var(S): 0.25, p: 1"));
  // Two analyses, two draws: the next one is the third of the sequence.
  EXPECT_EQ(pairDraw(), 6334);
}

TEST(Network2, FamiliesThatCannotVary) {
  PedTable t;
  // One genotyped child and one genotyped parent.
  family(t, 30, {1, 2}, {0, 0}, {{AFF, 1, 1}});
  // One allele only.
  sibship(t, 31, {{AFF, 1, 1}, {UNAFF, 1, 1}});
  // Without the tested allele 1.
  sibship(t, 32, {{AFF, 2, 2}, {UNAFF, 2, 3}});
  // Equal mirror value: both children affected.
  sibship(t, 33, {{AFF, 1, 1}, {AFF, 1, 2}});
  const Run2 run(t, 1);
  EXPECT_EQ(run.log, resultBlock(1, 0, noResult));
  // The same table for allele 2: only pedigree 32 (2/2 affected, 2/3) varies.
  const Run2 allele2(t, 2);
  EXPECT_EQ(allele2.log, resultBlock(2, 1, "S: 2, E(S): 1.5, Var(S): 0.25, p: 1"));
  EXPECT_EQ(allele2.informative, "\nInformative: 32, (1, 2)\n");
}
