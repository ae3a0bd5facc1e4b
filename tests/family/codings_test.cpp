// Allele lists, pair and matrix codings, X-linked parent kinds and the X-linked check.
#include "family/codings.h"

#include <gtest/gtest.h>

#include "testutil.h"

TEST(CountAlleles, DistinctPositiveCodesAscending) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 3, 1},
                                {1, 2, 0, 0, 1, 1, 1, 3},
                                {1, 3, 0, 0, 1, 1, 2, 2},
                                {1, 4, 0, 0, 1, 1, 0, 0},
                                {1, 5, 0, 0, 1, 1, 5, 0},
                                {1, 6, 0, 0, 1, 1, -1, 2},
                                {1, 7, 0, 0, 1, 1, 40, 40}});
  std::vector<int> list;
  countAlleles(t, list, allRows(t), 6);
  EXPECT_EQ(list, (std::vector<int>{1, 2, 3, 5, 40}));
  std::vector<int> none;
  countAlleles(t, none, {3}, 6);
  EXPECT_TRUE(none.empty());
}

TEST(CountAlleles, NoLimitOnTheNumberOfAlleles) {
  PedTable t;
  for (long a = 30; a >= 1; --a) {
    t.push_back({1, a, 0, 0, 1, 1, a, a + 100});
  }
  std::vector<int> list;
  countAlleles(t, list, allRows(t), 6);
  ASSERT_EQ(list.size(), 60u);
  EXPECT_EQ(list.front(), 1);
  EXPECT_EQ(list.back(), 130);
}

TEST(Alleles, PairAndMatrixCodings) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 2, 2}, {1, 2, 0, 0, 1, 1, 2, 3}, {1, 3, 0, 0, 1, 1, 3, 1}});
  AllelePairs pairs;
  alleles(pairs, {0, 1, 2}, {1, 2, 3}, t, 6, 1);  // tested allele 2
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0], (std::array<int, 2>{2, 0}));
  EXPECT_EQ(pairs[1], (std::array<int, 2>{1, 1}));
  EXPECT_EQ(pairs[2], (std::array<int, 2>{0, 2}));
  AlleleMatrix m;
  alleles(m, {2, 0}, {1, 2, 3}, t, 6);
  EXPECT_EQ(m, (AlleleMatrix{{1, 0, 1}, {0, 2, 0}}));
}

TEST(Mapa, KindsOfXLinkedParents) {
  const AllelePairs p{{2, 0}, {0, 2}, {1, 1}};
  const struct {
    int father, mother, fatherKind, kind0, kind1;
  } cases[] = {{0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}, {2, 2, -2, 0, 1}};
  for (const auto& c : cases) {
    int kinds[2] = {-1, -1};
    int fatherKind = -1;
    mapa(c.mother, c.father, kinds, fatherKind, p);
    EXPECT_EQ(fatherKind, c.fatherKind) << c.father;
    EXPECT_EQ(kinds[0], c.kind0) << c.mother;
    EXPECT_EQ(kinds[1], c.kind1) << c.mother;
  }
  int kinds[2] = {7, 7};
  int fatherKind = 7;
  mapa(-1, -1, kinds, fatherKind, p);  // unknown parents leave the outputs alone
  EXPECT_EQ(fatherKind, 7);
  EXPECT_EQ(kinds[0], 7);
}

TEST(Checkgenos, XLinkedConsistency) {
  // Positions: 0 mother, 1 father, then children.
  const struct {
    AllelePairs pairs;
    std::vector<int> sons, daughters;
    int father, mother, expected;
    const char* what;
  } cases[] = {
      {{{1, 1}, {2, 0}, {2, 0}, {1, 1}, {2, 0}, {0, 2}}, {4, 5}, {2, 3}, 1, 0, 1, "consistent family"},
      {{{1, 1}, {2, 0}, {1, 1}}, {2}, {}, 1, 0, 0, "heterozygous son"},
      {{{1, 1}, {1, 1}, {1, 1}}, {}, {2}, 1, 0, 0, "heterozygous father"},
      {{{2, 0}, {0, 2}, {0, 2}}, {}, {2}, 1, 0, 0, "daughter lacks her homozygous mother's allele"},
      {{{2, 0}, {0, 2}, {1, 1}, {2, 0}}, {}, {2, 3}, -1, 0, 0, "homozygous mother, daughters differ"},
      {{{1, 1}, {2, 0}, {0, 2}}, {}, {2}, 1, 0, 0, "daughter lacks her father's X"},
      {{{2, 0}, {2, 0}, {0, 2}}, {2}, {}, -1, 0, 0, "son lacks his mother's allele"},
      {{{0, 0}, {0, 0}, {1, 1}, {0, 2}}, {3}, {2}, -1, -1, 1, "no parents: daughters unchecked"},
      {{{0, 0}, {0, 0}, {1, 1}}, {2}, {}, -1, -1, 0, "no parents: son still must be hemizygous"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(checkgenos(c.pairs, c.sons, c.daughters, c.father, c.mother), c.expected) << c.what;
  }
}

// Every marker's allele list is its positive codes in ascending order: 0 is
// missing, negative codes are never alleles, and codes of 64 and more are as
// good as small ones (they take another way through the reading).
TEST(MarkerAlleleLists, PositiveCodesAscendingWhateverTheirSize) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 2, 0, 5, -3, 64, 63},
                                {1, 2, 0, 0, 2, 1, 1, 2, 0, 0, 200, 1},
                                {1, 3, 1, 2, 1, 2, 0, 0, 5, 5, 63, 63}});
  using Lists = std::vector<std::vector<int>>;
  EXPECT_EQ(markerAlleleLists(t, 1, 2), (Lists{{1, 2}, {5}}));
  EXPECT_EQ(markerAlleleLists(t, 1, 1), (Lists{{1, 2}}));
  EXPECT_EQ(markerAlleleLists(t, 1, 3), (Lists{{1, 2}, {5}, {1, 63, 64, 200}}));
  // The same lists from each marker's codes as a reader gives them.
  for (int m = 1; m <= 3; ++m) {
    std::vector<std::int32_t> codes;
    for (std::size_t r = 0; r < t.size(); ++r) {
      codes.push_back(static_cast<std::int32_t>(t[r][2 * m + 4]));
      codes.push_back(static_cast<std::int32_t>(t[r][2 * m + 5]));
    }
    EXPECT_EQ(allelesOfCodes(codes), markerAlleleLists(t, m, m)[0]) << "marker " << m;
  }
  // The same lists from parts of the rows, read apart and joined: a code of
  // 64 or more in one part only still sends the whole the careful way.
  for (std::size_t split = 0; split <= t.size(); ++split) {
    AlleleBits bits = markerAlleleBits(t, 1, 3, 0, split);
    addAlleleBits(bits, markerAlleleBits(t, 1, 3, split, t.size()));
    EXPECT_EQ(markerAlleleLists(t, 1, 3, bits), markerAlleleLists(t, 1, 3)) << "split at row " << split;
  }
  // Small codes, codes up to 63 and none at all.
  using List = std::vector<int>;
  EXPECT_EQ(allelesOfCodes({7, 0, 5, 5}), (List{5, 7}));
  EXPECT_EQ(allelesOfCodes({9, 3, 0, 12, 3, 9}), (List{3, 9, 12}));
  EXPECT_EQ(allelesOfCodes({0, 0}), List{});
}
