// X-linked configuration bounds: kinds, per-child and total copies, node lists.
#include "nolinkage/xbounds.h"

#include <gtest/gtest.h>

namespace {

struct XBoundsOut {
  int childMin[2] = {9, 9};
  int childMax[2] = {9, 9};
  int sumMin[3] = {9, 9, 9};
  int sumMax[3] = {9, 9, 9};
  int sonKinds[2] = {9, 9};
  int daughterKinds[2][2] = {{9, 9}, {9, 9}};
  int implied = -1;
  int ok = -1;
};

// Members: the pairs given; fatherPos/motherPos -1 when untyped.
XBoundsOut bounds(const AllelePairs& P, int fatherPos, int motherPos, const std::vector<int>& sons,
                  const std::vector<int>& daughters) {
  XBoundsOut o;
  o.ok = minmaxX(P, o.childMin, o.childMax, fatherPos, motherPos, sons, daughters, o.sonKinds,
                 o.daughterKinds, o.implied, o.sumMin, o.sumMax);
  return o;
}

std::vector<int> nodesOfStage(const std::vector<int>& stage, const std::vector<int>& key0, int s) {
  std::vector<int> keys;
  for (std::size_t i = 0; i < stage.size(); ++i) {
    if (stage[i] == s) {
      keys.push_back(key0[i]);
    }
  }
  return keys;
}

TEST(XBounds, BothParentsHeterozygousMotherCarrierFather) {
  // mother (1, 1), father (2, 0), daughter, son
  const AllelePairs P{{1, 1}, {2, 0}, {1, 1}, {0, 2}};
  const XBoundsOut o = bounds(P, 1, 0, {3}, {2});
  ASSERT_EQ(o.ok, 1);
  EXPECT_EQ(o.daughterKinds[0][0], 1);
  EXPECT_EQ(o.daughterKinds[0][1], 1);
  EXPECT_EQ(o.daughterKinds[1][0], 1);
  EXPECT_EQ(o.daughterKinds[1][1], 0);
  EXPECT_EQ(o.sonKinds[0], 1);
  EXPECT_EQ(o.sonKinds[1], 1);
  EXPECT_EQ((std::vector<int>{o.childMin[0], o.childMin[1], o.childMax[0], o.childMax[1]}),
            (std::vector<int>{1, 0, 2, 1}));
  EXPECT_EQ((std::vector<int>{o.sumMin[0], o.sumMin[1], o.sumMin[2]}), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ((std::vector<int>{o.sumMax[0], o.sumMax[1], o.sumMax[2]}), (std::vector<int>{2, 1, 3}));

  std::vector<int> stage{0};
  std::vector<int> key0{0};
  buildX(stage, key0, o.childMin, o.childMax, o.sumMin, o.sumMax, {3}, {2});
  EXPECT_EQ(stage, (std::vector<int>{0, 1, 1, 2, 2, 2, 3}));
  EXPECT_EQ(key0, (std::vector<int>{0, 1, 2, 1, 2, 3, 3}));
}

TEST(XBounds, HomozygousMotherAndNonCarrierFatherFixEveryChild) {
  // mother (2, 0), father (0, 2): every daughter (1, 1), every son a carrier.
  const AllelePairs P{{2, 0}, {0, 2}, {1, 1}, {1, 1}, {2, 0}};
  const XBoundsOut o = bounds(P, 1, 0, {4}, {2, 3});
  ASSERT_EQ(o.ok, 1);
  EXPECT_EQ(o.childMin[0], 1);
  EXPECT_EQ(o.childMax[0], 1);
  EXPECT_EQ(o.childMin[1], 1);
  EXPECT_EQ(o.childMax[1], 1);
  std::vector<int> stage{0};
  std::vector<int> key0{0};
  buildX(stage, key0, o.childMin, o.childMax, o.sumMin, o.sumMax, {4}, {2, 3});
  EXPECT_EQ(stage, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(key0, (std::vector<int>{0, 1, 2, 3, 3}));
}

TEST(XBounds, IncompatibleGenotypesOnlyZeroTheBounds) {
  // A son coded heterozygous, then a father coded heterozygous.
  const XBoundsOut son = bounds({{1, 1}, {2, 0}, {1, 1}}, 1, 0, {2}, {});
  EXPECT_EQ(son.ok, 0);
  EXPECT_EQ(son.childMax[0] + son.childMax[1] + son.sumMax[2] + son.sumMin[0], 0);
  EXPECT_EQ(son.sonKinds[0], 9);  // not computed
  EXPECT_EQ(son.implied, -1);
  const XBoundsOut father = bounds({{1, 1}, {1, 1}, {1, 1}}, 1, 0, {}, {2});
  EXPECT_EQ(father.ok, 0);
}

TEST(XBounds, HomozygousDaughterRevealsUntypedFather) {
  // Father untyped, mother (1, 1), daughters (2, 0) and (1, 1), no son.
  const AllelePairs P{{1, 1}, {2, 0}, {1, 1}};
  const XBoundsOut o = bounds(P, -1, 0, {}, {1, 2});
  ASSERT_EQ(o.ok, 1);
  EXPECT_EQ(o.implied, 0);
  EXPECT_EQ(o.sonKinds[0], 1);
  EXPECT_EQ(o.sonKinds[1], 1);
  EXPECT_EQ(o.childMin[0], 1);
  EXPECT_EQ(o.sumMin[0], 3);
  EXPECT_EQ(o.sumMax[0], 4);
}

TEST(XBounds, SonsOfBothKindsWithoutParentsFixTheSonsTotal) {
  const AllelePairs P{{2, 0}, {0, 2}};
  const XBoundsOut o = bounds(P, -1, -1, {0, 1}, {});
  ASSERT_EQ(o.ok, 1);
  EXPECT_EQ(o.sumMin[1], 1);
  EXPECT_EQ(o.sumMax[1], 1);
  std::vector<int> stage{0};
  std::vector<int> key0{0};
  buildX(stage, key0, o.childMin, o.childMax, o.sumMin, o.sumMax, {0, 1}, {});
  EXPECT_EQ(nodesOfStage(stage, key0, 1), (std::vector<int>{0, 1}));
  EXPECT_EQ(nodesOfStage(stage, key0, 2), (std::vector<int>{1}));
  EXPECT_EQ(stage.back(), 3);
}

TEST(XBounds, WithoutSonsTheDaughtersTotalIsClippedToTheFamilyTotal) {
  // Father (2, 0) typed, mother untyped, daughters (2, 0) and (1, 1): the family
  // totals give at least nd + 1 copies and at most one less than the most.
  const AllelePairs P{{2, 0}, {2, 0}, {1, 1}};
  const XBoundsOut o = bounds(P, 0, -1, {}, {1, 2});
  ASSERT_EQ(o.ok, 1);
  EXPECT_EQ(o.childMin[0], 1);
  EXPECT_EQ(o.childMax[0], 2);
  EXPECT_EQ(o.sumMin[2], 3);
  EXPECT_EQ(o.sumMax[2], 3);
  EXPECT_EQ(o.sumMin[0], 3);
  EXPECT_EQ(o.sumMax[0], 3);
}

TEST(XBounds, FatherOnlyPairsTheSonsKindsWithHis) {
  // Father (0, 2), mother untyped, son (0, 2), daughter (1, 1): a daughter may
  // pair the son's kind with the father's, and a heterozygous daughter shows
  // the mother carries the tested allele, so a son may carry it too.
  const AllelePairs P{{0, 2}, {0, 2}, {1, 1}};
  const XBoundsOut o = bounds(P, 0, -1, {1}, {2});
  ASSERT_EQ(o.ok, 1);
  EXPECT_EQ(o.implied, -1);
  EXPECT_EQ(o.daughterKinds[1][1], 1);
  EXPECT_EQ(o.daughterKinds[0][1], 1);
  EXPECT_EQ(o.daughterKinds[0][0], 0);
  EXPECT_EQ(o.sonKinds[0], 1);
  EXPECT_EQ(o.sonKinds[1], 1);
  EXPECT_EQ(o.childMin[0], 0);
  EXPECT_EQ(o.childMax[0], 1);
}

}  // namespace
