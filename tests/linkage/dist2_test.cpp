// Null distribution under "linkage, no association": convolution, moments, p-value.
#include "linkage/dist2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

#include "linkage/family2.h"
#include "linkage/stat2.h"
#include "testutil.h"

namespace {

using Values = std::vector<int>;
using Records = std::vector<std::pair<double, double>>;  // (value, logProb)

const double noSums[NumAll] = {};
const double noIncrements[NumAll][4] = {};

Records recordsOf(const Rec2* r) {
  Records out;
  for (; r != nullptr; r = r->next) {
    out.emplace_back(r->value, r->logProb);
  }
  return out;
}

Rec2* convolve(Rec2* running, const Values& values, const double (*increments)[4] = noIncrements,
               int alleleCount = 4) {
  return convolve2(running, values, increments, alleleCount, 0.0);
}

// The same step with every insertion walking from the head of the list.
Rec2* convolveFromHead(Rec2* running, const Values& values) {
  Rec2* head = nullptr;
  for (const Rec2* s = running; s != nullptr; s = s->next) {
    for (int q : values) {
      insertFromHead(head, crerec2(q + s->value, noSums, s->logProb < 1e-7 ? 0.0 : s->logProb), releaseRec2);
    }
  }
  freerec2(running);
  return head;
}

Rec2* start() { return crerec2(0.0, noSums, 0.0); }

}  // namespace

TEST(Dist, ConvolutionExamples) {
  // The second sum goes in front of the first.
  Rec2* list = convolve(start(), {2, 1});
  EXPECT_EQ(recordsOf(list), (Records{{1, 0}, {2, 0}}));
  // A repeated entry doubles the weight of its sums.
  list = convolve(list, {1, 1});
  EXPECT_EQ(recordsOf(list), (Records{{2, std::log(2.0)}, {3, std::log(2.0)}}));
  freerec2(list);

  // 2 and then 0 become the head; 1 goes between 0 and 2.
  list = convolve(start(), {3, 2, 0, 1});
  EXPECT_EQ(recordsOf(list), (Records{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  freerec2(list);
}

TEST(Dist, WeightsBelowThresholdCountAsOne) {
  const double sums[NumAll] = {};
  Rec2* list = crerec2(5.0, sums, 5e-8);
  list = convolve(list, {0, 1});
  EXPECT_EQ(recordsOf(list), (Records{{5, 0}, {6, 0}}));
  freerec2(list);
}

TEST(Dist, SameRecordsAndBitsAsAWalkFromTheHead) {
  // Unsorted value lists with repeats send insertions below the last one;
  // the merges, and so the last bits of every weight, must not change.
  std::mt19937 rng(20240611);
  Rec2* fast = start();
  Rec2* slow = start();
  for (int family = 0; family < 60; ++family) {
    Values values(2 + rng() % 3);
    for (int& v : values) {
      v = static_cast<int>(rng() % 7);
    }
    fast = convolve(fast, values);
    slow = convolveFromHead(slow, values);
    ASSERT_EQ(recordsOf(fast), recordsOf(slow)) << "family " << family;
  }
  freerec2(fast);
  freerec2(slow);
}

TEST(Dist, AlleleSumsRideAlongWithoutChangingTheDistribution) {
  const double increments[NumAll][4] = {{1, 2, 0, 0}, {10, 20, 0, 0}, {7, 7, 7, 7}};
  Rec2* withSums = convolve(start(), {1, 0}, increments, 2);
  Rec2* without = convolve(start(), {1, 0});
  EXPECT_EQ(recordsOf(withSums), recordsOf(without));
  // Value 0 came from value index 1, value 1 from index 0; positions from
  // the allele count on stay 0.
  EXPECT_EQ(withSums->alleleSums[0], 2.0);
  EXPECT_EQ(withSums->alleleSums[1], 20.0);
  EXPECT_EQ(withSums->next->alleleSums[0], 1.0);
  EXPECT_EQ(withSums->next->alleleSums[1], 10.0);
  for (int j = 2; j < NumAll; ++j) {
    EXPECT_EQ(withSums->alleleSums[j], 0.0);
  }
  // A second family adds its increments to the source record's sums.
  withSums = convolve(withSums, {5}, increments, 2);
  EXPECT_EQ(withSums->alleleSums[0], 3.0);
  EXPECT_EQ(withSums->next->alleleSums[1], 20.0);
  freerec2(withSums);
  freerec2(without);
}

TEST(Moment2AndPvalue2, TwoEquallyLikelyValues) {
  Rec2* list = convolve(start(), {2, 1});
  double m1 = 0.0;
  double m2 = 0.0;
  moment2(list, std::log(2.0), m1, m2);
  EXPECT_DOUBLE_EQ(m1, 1.5);
  EXPECT_DOUBLE_EQ(m2, 2.5);
  // Both values lie 0.5 from the mean.
  EXPECT_EQ(pvalue2(m1, m2 - m1 * m1, std::log(2.0), list, 2.0), 1.0);
  // moment2 adds to what m1 and m2 hold.
  moment2(list, std::log(2.0), m1, m2);
  EXPECT_DOUBLE_EQ(m1, 3.0);
  freerec2(list);
}

TEST(Moment2AndPvalue2, MirrorOfAMeanRoundedInLongSums) {
  // The same rule as the other p-value: E is exactly 129.5 but comes out about
  // 4e-11 low, and 54 and 205 are still each other's mirror.
  Rec2* list = nullptr;
  for (double v : {205.0, 130.0, 129.0, 54.0}) {
    Rec2* r = crerec2(v, noSums, std::log(v == 54.0 || v == 205.0 ? 1.0 : 3.0));
    r->next = list;
    list = r;
  }
  const double rounded = 129.5 - 4e-11;
  for (double observed : {205.0, 54.0}) {
    EXPECT_NEAR(pvalue2(rounded, 20.5, std::log(8.0), list, observed), 2.0 / 8, 1e-12)
        << "observed " << observed;
  }
  freerec2(list);
  Rec2* one = crerec2(3.0, noSums, std::log(2.0));
  EXPECT_EQ(pvalue2(3.0, 0.0, std::log(2.0), one, 3.0), 1.0);
  freerec2(one);
}

// E is the sum of the families' value-list means, Var the sum of their
// population variances: each family is uniform over its list, independently.
TEST(Moment2AndPvalue2, MomentsAreSumsOverRandomFamilies) {
  std::mt19937 rng(7);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto genotype = [&] {
    std::string g = {static_cast<char>('A' + pick(4)), static_cast<char>('A' + pick(4))};
    return g;
  };
  Rec2* running = start();
  double W = 0.0;
  double sumOfMeans = 0.0;
  double sumOfVariances = 0.0;
  int informative = 0;
  for (int family = 0; family < 1500; ++family) {
    const std::string father = genotype();
    const std::string mother = genotype();
    std::vector<std::string> typedParents;
    for (const std::string& p : {father, mother}) {
      if (pick(5) < 3) {
        typedParents.push_back(p);
      }
    }
    std::vector<std::pair<std::string, int>> kids;
    for (int c = 1 + pick(5); c > 0; --c) {
      kids.push_back({{father[pick(2)], mother[pick(2)]}, pick(2)});
    }
    const Family2 f(typedParents, kids);
    const char tested = static_cast<char>('A' + pick(4));
    if (f.alleleCount() < 2 || f.position(tested) == f.alleleCount()) {
      continue;
    }
    Values values;
    stat2(f.affection, f.counts, f.children, 1 + pick(3), f.alleleCount(), f.position(tested), values, f.type,
          f.parents);
    if (values.size() < 2) {
      continue;
    }
    ++informative;
    double mean = 0.0;
    for (int v : values) {
      mean += v;
    }
    mean /= static_cast<double>(values.size());
    double variance = 0.0;
    for (int v : values) {
      variance += (v - mean) * (v - mean);
    }
    sumOfMeans += mean;
    sumOfVariances += variance / static_cast<double>(values.size());
    W += std::log(static_cast<double>(values.size()));
    running = convolve(running, values);
  }
  ASSERT_GT(informative, 120);

  double E = 0.0;
  double E2 = 0.0;
  moment2(running, W, E, E2);
  EXPECT_NEAR(E, sumOfMeans, 1e-9 * sumOfMeans);
  EXPECT_NEAR(E2 - E * E, sumOfVariances, 1e-8 * sumOfVariances);
  double total = 0.0;
  for (const Rec2* r = running; r != nullptr; r = r->next) {
    total += std::exp(r->logProb - W);
  }
  EXPECT_NEAR(total, 1.0, 1e-12);
  // At the mean every value counts: p is 1 up to the rounding of the weights.
  EXPECT_NEAR(pvalue2(E, E2 - E * E, W, running, E), 1.0, 1e-12);
  freerec2(running);
}
