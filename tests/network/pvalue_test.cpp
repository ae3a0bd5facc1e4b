// Moments and the exact two-sided p-value of a finished distribution.
#include "network/pvalue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
// A list of (value, count) records with the accumulator's normaliser set to
// the log of the total count.
struct Distribution {
  Rec* list = nullptr;
  Node* acc = NDvector(1, 1);
  Distribution(std::vector<std::pair<double, double>> counts) {
    double total = 0.0;
    Rec** tail = &list;
    for (auto [v, c] : counts) {
      *tail = crerec(v, std::log(c));
      tail = &(*tail)->next;
      total += c;
    }
    acc[1].setNode(0, 0, 0, 0, std::log(total), nullptr);
  }
  ~Distribution() {
    freerec(list);
    free_NDvector(acc, 1);
  }
  double p(double observed) {
    double m1 = 0.0, m2 = 0.0;
    moment(list, acc, m1, m2);
    return pvalue(m1, m2 - m1 * m1, acc, list, observed);
  }
};
}  // namespace

TEST(Moment, BinomialSixteenths) {
  Distribution d({{2, 1}, {3, 4}, {4, 6}, {5, 4}, {6, 1}});
  double m1 = 0.0, m2 = 0.0;
  moment(d.list, d.acc, m1, m2);
  EXPECT_NEAR(m1, 4.0, 1e-12);
  EXPECT_NEAR(m2 - m1 * m1, 1.0, 1e-12);
}

TEST(Moment, AddsToWhatTheReferencesHold) {
  Distribution d({{1, 1}, {2, 1}});
  double m1 = 10.0, m2 = 100.0;
  moment(d.list, d.acc, m1, m2);
  EXPECT_NEAR(m1, 11.5, 1e-12);
  EXPECT_NEAR(m2, 102.5, 1e-12);
}

TEST(Pvalue, TwoSidedTailsOfTheExactDistribution) {
  const struct {
    double observed, expected;
  } cases[] = {
      {5, 10.0 / 16}, {3, 10.0 / 16}, {6, 2.0 / 16}, {2, 2.0 / 16}, {4, 1.0},
  };
  for (const auto& c : cases) {
    Distribution d({{2, 1}, {3, 4}, {4, 6}, {5, 4}, {6, 1}});
    EXPECT_NEAR(d.p(c.observed), c.expected, 1e-12) << "observed " << c.observed;
  }
}

TEST(Pvalue, MirrorValueCountsDespiteRounding) {
  // The mean comes out of exp() and log() with rounding; the value mirrored
  // about it must still count as equally extreme.
  Distribution d({{0, 1}, {1, 3}, {3, 3}, {4, 1}});
  EXPECT_NEAR(d.p(4), 2.0 / 8, 1e-12);
  EXPECT_NEAR(d.p(0), 2.0 / 8, 1e-12);
}

TEST(Pvalue, MirrorOfAMeanRoundedInLongSums) {
  // Exactly 129.5, but long sums give about 4e-11 less: on the standardised
  // scale 54 then falls 6e-10 short of 205, far beyond 1e-10, yet each is the
  // other's mirror and both count, from either side.
  Distribution d({{54, 1}, {129, 3}, {130, 3}, {205, 1}});
  const double rounded = 129.5 - 4e-11;
  for (double observed : {205.0, 54.0}) {
    EXPECT_NEAR(pvalue(rounded, 20.5, d.acc, d.list, observed), 2.0 / 8, 1e-12) << "observed " << observed;
  }
  // A value one step inside the mirror does not count.
  Distribution inside({{55, 1}, {129, 3}, {130, 3}, {205, 1}});
  EXPECT_NEAR(pvalue(rounded, 20.5, inside.acc, inside.list, 205.0), 1.0 / 8, 1e-12);
  // With a single value the variance is 0 and the observed record still counts.
  Distribution one({{3, 2}});
  EXPECT_EQ(pvalue(3.0, 0.0, one.acc, one.list, 3.0), 1.0);
}

TEST(Pvalue, SingleRecordAndClampToOne) {
  Distribution d({{3, 1}});
  double m1 = 0.0, m2 = 0.0;
  moment(d.list, d.acc, m1, m2);
  EXPECT_EQ(m1, 3.0);
  EXPECT_EQ(m2, 9.0);
  // A slightly low normaliser must not push p above 1.
  Distribution e({{0, 1}, {1, 1}});
  e.acc[1].logMass = std::log(2.0) - 1e-9;
  EXPECT_EQ(pvalue(0.5, 0.25, e.acc, e.list, 0.0), 1.0);
  EXPECT_EQ(pvalue(0.5, 0.25, e.acc, e.list, 1.0), 1.0);
}
