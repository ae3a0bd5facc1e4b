// Family statistic with its mirror values, the pair search and its generator.
#include "linkage/stat2.h"

#include <gtest/gtest.h>

#include "linkage/family2.h"

namespace {

using Values = std::vector<int>;
constexpr int ADDITIVE = 1, DOMINANT = 2, RECESSIVE = 3;

struct Stat2Result {
  double T;
  Values values;
};

Stat2Result valuesOf(const Family2& f, int model, char tested = 'A') {
  Stat2Result r{0.0, {}};
  r.T = stat2(f.affection, f.counts, f.children, model, f.alleleCount(), f.position(tested), r.values, f.type,
              f.parents);
  return r;
}

struct PairSearch {
  short chosen;
  double pairAverage;
  std::vector<int> children;
  Values values;
};

PairSearch searchPairs(const Family2& f, int model) {
  PairSearch s{0, -1.0, f.children, {}};
  s.chosen = moreinf(f.affection, f.counts, s.children, model, f.alleleCount(), f.position('A'), s.values,
                     f.type, f.parents, s.pairAverage);
  return s;
}

// The state from which the next draw is `draw`, found by stepping the
// generator from its initial state.
std::uint32_t stateBefore(int draw) {
  setPairDrawState(1);
  for (;;) {
    const std::uint32_t before = pairDrawState();
    if (pairDraw() == draw) {
      return before;
    }
  }
}

// A sibship of AA and AB children with no typed parent, which stat2 leaves
// without a mirror value: AA affected, two unaffected AB.
const Family2& threeSibs() {
  static const Family2 f({}, {{"AA", 1}, {"AB", 0}, {"AB", 0}});
  return f;
}

}  // namespace

TEST(Stat2, ValueLists) {
  const struct {
    const char* what;
    Family2 family;
    int model;
    double T;
    Values values;
  } cases[] = {
      // The affected AA child takes AB in the mirror.
      {"AA affected, AB unaffected", Family2({}, {{"AA", 1}, {"AB", 0}}), ADDITIVE, 2, {2, 1}},
      {"AA and AB both affected", Family2({}, {{"AA", 1}, {"AB", 1}}), ADDITIVE, 0, {}},
      {"dominant scores AA and AB alike", Family2({}, {{"AA", 1}, {"AB", 0}}), DOMINANT, 0, {}},
      {"recessive", Family2({}, {{"AA", 1}, {"AB", 0}}), RECESSIVE, 1, {1, 0}},
      // AB x AB with two children: the observed sum and three mapped sums.
      {"AB x AB, AA and AB affected",
       Family2({"AB", "AB"}, {{"AA", 1}, {"AB", 1}}),
       ADDITIVE,
       3,
       {3, 1, 3, 1}},
      {"AB x AB, BB affected", Family2({"AB", "AB"}, {{"BB", 1}, {"AB", 0}}), ADDITIVE, 0, {0, 1, 1, 2}},
      // Otherwise the two homozygotes are exchanged.
      {"AB x AB, three children",
       Family2({"AB", "AB"}, {{"AA", 1}, {"AB", 1}, {"BB", 0}}),
       ADDITIVE,
       3,
       {3, 1}},
      {"one parent AB, children AA BB", Family2({"AB"}, {{"AA", 1}, {"BB", 0}}), ADDITIVE, 2, {2, 0}},
      // Two heterozygotes: AB and AC exchanged; only the tested allele's copies count.
      {"no parent, AB affected, AC", Family2({}, {{"AB", 1}, {"AC", 0}}), ADDITIVE, 0, {}},
      // AB, AC and BC possible (the untyped parent carries C): no mirror.
      {"one parent AB, children AB BC", Family2({"AB"}, {{"AB", 1}, {"BC", 0}}), ADDITIVE, 0, {}},
      // A typed homozygous parent keeps the mirror of a large AA/AB sibship.
      {"one parent AA, three children",
       Family2({"AA"}, {{"AA", 1}, {"AB", 0}, {"AB", 0}}),
       ADDITIVE,
       2,
       {2, 1}},
      // Four possible genotypes with one homozygote: no mirror.
      {"AB x AC", Family2({"AB", "AC"}, {{"AA", 1}, {"BC", 0}}), ADDITIVE, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Stat2Result r = valuesOf(c.family, c.model);
    EXPECT_EQ(r.T, c.T);
    EXPECT_EQ(r.values, c.values);
  }
}

TEST(Stat2, LargeAAandABSibshipHasNoMirror) {
  const Stat2Result r = valuesOf(threeSibs(), ADDITIVE);
  EXPECT_EQ(r.T, 0.0);
  EXPECT_TRUE(r.values.empty());
}

TEST(PairDraw, FirstDrawsFromTheInitialState) {
  setPairDrawState(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) {
    EXPECT_EQ(pairDraw(), e);
  }
  // The state wraps modulo 2^32: (2^32 - 1) * 214013 + 2531011 = 2316998.
  setPairDrawState(0xFFFFFFFFu);
  EXPECT_EQ(pairDraw(), 35);
  EXPECT_EQ(pairDrawState(), 2316998u);
}

TEST(Moreinf, InformativePairsAndTheirAverage) {
  // Pairs (AA, 1st AB) and (AA, 2nd AB) each give (2, 1); the two AB are skipped.
  setPairDrawState(stateBefore(41));  // u near 0: the first pair
  PairSearch s = searchPairs(threeSibs(), ADDITIVE);
  EXPECT_EQ(s.chosen, 1);
  EXPECT_EQ(s.pairAverage, 2.0);
  EXPECT_EQ(s.children, (std::vector<int>{0, 1}));
  EXPECT_TRUE(s.values.empty());

  setPairDrawState(stateBefore(26500));  // u about 0.81: the second pair
  s = searchPairs(threeSibs(), ADDITIVE);
  EXPECT_EQ(s.children, (std::vector<int>{0, 2}));
}

TEST(Moreinf, OneDrawPerSearchThatFindsAPair) {
  setPairDrawState(1);
  searchPairs(threeSibs(), ADDITIVE);
  EXPECT_EQ(pairDraw(), 18467);
  // No informative pair: no draw.
  const Family2 allAffected({}, {{"AA", 1}, {"AB", 1}, {"AB", 1}});
  setPairDrawState(1);
  const PairSearch s = searchPairs(allAffected, ADDITIVE);
  EXPECT_EQ(s.chosen, 0);
  EXPECT_EQ(s.pairAverage, 0.0);
  EXPECT_EQ(s.children, allAffected.children);
  EXPECT_TRUE(s.values.empty());
  EXPECT_EQ(pairDraw(), 41);
}

TEST(Moreinf, AverageIsOverInformativePairsAndBoundsPickPairs) {
  // Children AA+, AB-, AA-, AB+, AB-: informative pairs (0,1) and (0,4) with
  // statistic 2 and (2,3) with 1; (0,3), (1,2) and (2,4) do not vary and add
  // nothing; pairs of equal genotypes are skipped. The pick is the interval of
  // thirds that holds u = draw / 32767 (real division).
  const Family2 f({}, {{"AA", 1}, {"AB", 0}, {"AA", 0}, {"AB", 1}, {"AB", 0}});
  const struct {
    int draw;
    std::vector<int> pair;
  } cases[] = {
      {0, {0, 1}},      // u = 0
      {10922, {0, 1}},  // just below 1/3
      {10923, {0, 4}},  // just above
      {21844, {0, 4}},  // just below 2/3
      {21845, {2, 3}},  // just above
      {32767, {2, 3}},  // u = 1 picks the last pair
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.draw);
    setPairDrawState(stateBefore(c.draw));
    const PairSearch s = searchPairs(f, ADDITIVE);
    EXPECT_EQ(s.chosen, 1);
    EXPECT_EQ(s.pairAverage, 5.0 / 3.0);
    EXPECT_EQ(s.children, c.pair);
  }
}
