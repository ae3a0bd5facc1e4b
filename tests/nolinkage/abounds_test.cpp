// Autosomal configuration bounds: possible genotypes, copy ranges, totals,
// admissible nodes and the node lists.
#include "nolinkage/abounds.h"

#include <gtest/gtest.h>

namespace {

// Everything minmaxA and minmaxm give for one family.
struct ABounds {
  GenotypeMatrix matrix{};
  std::vector<int> minCopies;
  std::vector<int> maxCopies;
  std::vector<int> homClasses;
  std::vector<int> low;
  std::vector<int> high;
};

ABounds boundsOf(const AllelePairs& P, const std::vector<int>& parents, const std::vector<int>& children,
                 int distinctAlleles) {
  ABounds b;
  minmaxA(P, b.minCopies, b.maxCopies, parents, children, b.matrix, b.homClasses);
  minmaxm(b.minCopies, b.maxCopies, b.low, b.high, P, children, parents, distinctAlleles, b.homClasses,
          b.matrix);
  return b;
}

NodeLists build(const ABounds& b, int nkids, const std::vector<int>& parents) {
  NodeLists nodes{{0}, {0}, {0}, {0}, {0}};
  buildG(b.low, b.high, nkids, nodes, b.minCopies, b.maxCopies, b.homClasses, b.matrix, parents);
  return nodes;
}

std::vector<int> firstTwo(const std::vector<int>& v) { return {v[0], v[1]}; }

TEST(ABounds, TwoHeterozygousParentsAllowEveryGenotype) {
  const AllelePairs P{{1, 1}, {1, 1}, {2, 0}, {0, 2}, {1, 1}};
  const ABounds b = boundsOf(P, {0, 1}, {2, 3, 4}, 3);
  EXPECT_EQ(b.matrix[0][0] + b.matrix[0][1] + b.matrix[1][0] + b.matrix[1][1], 4);
  EXPECT_EQ(b.minCopies, (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(firstTwo(b.maxCopies), (std::vector<int>{2, 2}));
  EXPECT_EQ(firstTwo(b.low), (std::vector<int>{0, 0}));
  EXPECT_EQ(firstTwo(b.high), (std::vector<int>{6, 6}));
  EXPECT_EQ(b.homClasses, (std::vector<int>{0, 1}));  // from the children, though the parents decide
  const NodeLists nodes = build(b, 3, {0, 1});
  EXPECT_EQ(nodes.stage.front(), 0);
  EXPECT_EQ(nodes.stage.back(), 4);
  EXPECT_EQ(nodes.key0.back(), 6);
  EXPECT_EQ(nodes.key1.back(), 6);
}

TEST(ABounds, HomozygousAndHeterozygousParents) {
  const AllelePairs P{{2, 0}, {1, 1}, {1, 1}};
  const ABounds b = boundsOf(P, {0, 1}, {2}, 2);
  EXPECT_EQ(b.minCopies[0], 1);
  EXPECT_EQ(b.maxCopies[0], 2);
  EXPECT_EQ(b.minCopies[1], 0);
  EXPECT_EQ(b.maxCopies[1], 1);
  EXPECT_EQ(b.matrix[1][1], 0);
}

TEST(ABounds, WithoutParentsTwoAllelesFixTheTotalsAtWhatTheChildrenShow) {
  // Children (1, 1) and (0, 2); two distinct alleles.
  const AllelePairs P{{1, 1}, {0, 2}};
  const ABounds b = boundsOf(P, {}, {0, 1}, 2);
  EXPECT_EQ(b.homClasses, (std::vector<int>{1}));
  EXPECT_EQ(b.matrix[0][1], 1);
  EXPECT_EQ(b.matrix[1][0], 1);
  EXPECT_EQ(b.matrix[1][1], 1);
  EXPECT_EQ(b.matrix[0][0], 0);
  EXPECT_EQ(firstTwo(b.low), (std::vector<int>{1, 3}));
  EXPECT_EQ(firstTwo(b.high), (std::vector<int>{1, 3}));

  // The two children may come in either order: two nodes after the first
  // child, one after both.
  const NodeLists nodes = build(b, 2, {});
  EXPECT_EQ(nodes.stage, (std::vector<int>{0, 1, 1, 2, 3}));
  EXPECT_EQ(nodes.key0, (std::vector<int>{0, 0, 1, 1, 1}));
  EXPECT_EQ(nodes.key1, (std::vector<int>{0, 2, 1, 3, 3}));
  EXPECT_EQ(nodes.hom0, (std::vector<int>{0, 1, 0, 1, 0}));
}

TEST(ABounds, OneParentAndThreeAllelesNarrowTheTotals) {
  // Parent (1, 1) typed, children (1, 1), (0, 2), (1, 1); more than two alleles.
  const AllelePairs P{{1, 1}, {1, 1}, {0, 2}, {1, 1}};
  const ABounds b = boundsOf(P, {0}, {1, 2, 3}, 3);
  // Homozygous class 1 only; matrix[1][1] = 1 (the parent's class pair as indices).
  ASSERT_EQ(b.homClasses, (std::vector<int>{1}));
  EXPECT_EQ(firstTwo(b.minCopies), (std::vector<int>{0, 1}));
  EXPECT_EQ(firstTwo(b.maxCopies), (std::vector<int>{1, 2}));
  // class 0: low (n-1)*0 + 1 - 1 = 0, high n - 1 = 2; class 1: low 2, high 2*2 + 1 + 1 = 6.
  EXPECT_EQ(firstTwo(b.low), (std::vector<int>{0, 2}));
  EXPECT_EQ(firstTwo(b.high), (std::vector<int>{2, 6}));
}

// Nodes of stage `stage` with key (k0, k1), as (hom0, hom1) counters.
std::vector<std::pair<int, int>> countersAt(const NodeLists& nodes, int stage, int k0, int k1) {
  std::vector<std::pair<int, int>> out;
  for (std::size_t i = 0; i < nodes.stage.size(); ++i) {
    if (nodes.stage[i] == stage && nodes.key0[i] == k0 && nodes.key1[i] == k1) {
      out.emplace_back(nodes.hom0[i], nodes.hom1[i]);
    }
  }
  return out;
}

TEST(ABounds, CountersSplitAKeyOnlyWhereAStepReadsThem) {
  // Four children showing both homozygotes; after two children key (2, 2) is
  // reached by (1,1)+(1,1) and by (2,0)+(0,2). With one parent untyped the
  // later stages ask whether each homozygote has been seen, so the counters
  // tell the two apart; they only record "seen" (0 or 1), never how often.
  const AllelePairs P{{1, 1}, {1, 1}, {2, 0}, {0, 2}, {1, 1}, {2, 0}};
  const ABounds one = boundsOf(P, {0}, {2, 3, 4, 5}, 2);
  const NodeLists untyped = build(one, 4, {0});
  EXPECT_EQ(countersAt(untyped, 2, 2, 2), (std::vector<std::pair<int, int>>{{1, 1}, {0, 0}}));
  for (std::size_t i = 0; i < untyped.stage.size(); ++i) {
    EXPECT_LE(untyped.hom0[i], 1);
    EXPECT_LE(untyped.hom1[i], 1);
  }
  // Both parents typed: no step depends on the counters, one node per key.
  const ABounds both = boundsOf(P, {0, 1}, {2, 3, 4, 5}, 2);
  EXPECT_EQ(countersAt(build(both, 4, {0, 1}), 2, 2, 2), (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST(ABounds, OKChecksTheChildsGenotypeAndTheHomozygotesStillNeeded) {
  GenotypeMatrix m{};
  m[0][1] = m[1][0] = m[1][1] = 1;
  const std::vector<int> maxC{1, 2, 0, 0};
  const std::vector<int> low{1, 3, 0, 0};
  const std::vector<int> high{1, 3, 0, 0};
  // A genotype not in the matrix, and a step of three copies.
  EXPECT_EQ(OK({0, 0}, {2, 0}, m, 0, 0, {1}, 1, 3, high, low, maxC, {}), 0);
  EXPECT_EQ(OK({0, 0}, {1, 2}, m, 0, 0, {1}, 1, 3, high, low, maxC, {}), 0);
  // Both parents typed: the genotype alone decides.
  EXPECT_EQ(OK({0, 0}, {1, 1}, m, 0, 0, {1}, 2, 3, high, low, maxC, {0, 1}), 1);
  // One homozygous class: the last child's stage needs a homozygote.
  EXPECT_EQ(OK({0, 2}, {1, 3}, m, 0, 0, {1}, 2, 3, high, low, maxC, {}), 0);
  EXPECT_EQ(OK({0, 2}, {1, 3}, m, 1, 0, {1}, 2, 3, high, low, maxC, {}), 1);
  // One child left: the homozygote already placed leaves the last child free;
  // with no homozygote yet and class 0 still short, the last child cannot be
  // both the homozygote and the missing copy.
  EXPECT_EQ(OK({0, 0}, {0, 2}, m, 1, 0, {1}, 1, 3, high, low, maxC, {}), 1);
  EXPECT_EQ(OK({0, 0}, {1, 1}, m, 0, 0, {1}, 1, 3, {1, 3, 0, 0}, {2, 3, 0, 0}, maxC, {}), 0);
  // Two homozygous classes: both counters must be positive at the end.
  GenotypeMatrix all{};
  all[0][0] = all[0][1] = all[1][0] = all[1][1] = 1;
  const std::vector<int> two{2, 2, 0, 0};
  EXPECT_EQ(OK({2, 2}, {4, 2}, all, 1, 0, {0, 1}, 3, 4, {4, 4, 0, 0}, {2, 2, 0, 0}, two, {}), 0);
  EXPECT_EQ(OK({2, 2}, {4, 2}, all, 1, 1, {0, 1}, 3, 4, {4, 4, 0, 0}, {2, 2, 0, 0}, two, {}), 1);
}

}  // namespace
