// The study's null distribution from family distributions: shapes shared up to
// a shift, exact moments and p-values that are exact rationals rounded once.
#include "network/studysum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

FamilyDist family(std::int64_t lo, std::vector<double> w) { return FamilyDist{lo, std::move(w), 0}; }

// Plain convolution of integer weights, value -> weight.
std::map<std::int64_t, double> convolveAll(const std::vector<FamilyDist>& families) {
  std::map<std::int64_t, double> out{{0, 1.0}};
  for (const FamilyDist& f : families) {
    std::map<std::int64_t, double> next;
    for (const auto& [v, w] : out) {
      for (std::size_t i = 0; i < f.w.size(); ++i) {
        next[v + f.lo + static_cast<std::int64_t>(i)] += w * f.w[i];
      }
    }
    out = next;
  }
  return out;
}

TEST(StudySum, ShiftedShapesCombineLikeAPlainConvolution) {
  // Trios of a heterozygous parent (1, 1 on 0..1 or shifted), trios of two
  // heterozygous parents (1, 2, 1) and one odd family (3 on 0, 1 on 2).
  std::vector<FamilyDist> families;
  for (int i = 0; i < 6; ++i) {
    families.push_back(family(i % 3, {1, 1}));
  }
  for (int i = 0; i < 4; ++i) {
    families.push_back(family(i, {1, 2, 1}));
  }
  families.push_back(family(1, {3, 0, 1}));
  StudySum sum;
  for (const FamilyDist& f : families) {
    sum.add(f, 1);
  }
  const std::map<std::int64_t, double> plain = convolveAll(families);
  double total = 0.0;
  double mean = 0.0;
  for (const auto& [v, w] : plain) {
    total += w;
    mean += static_cast<double>(v) * w;
  }
  mean /= total;
  double variance = 0.0;
  for (const auto& [v, w] : plain) {
    variance += (static_cast<double>(v) - mean) * (static_cast<double>(v) - mean) * w / total;
  }
  const double observed = 25;
  double tail = 0.0;
  for (const auto& [v, w] : plain) {
    if (std::fabs(static_cast<double>(v) - mean) >= std::fabs(observed - mean) - 1e-9) {
      tail += w;
    }
  }
  const StudyResult r = sum.finish(observed);
  EXPECT_DOUBLE_EQ(r.expected, mean);
  EXPECT_DOUBLE_EQ(r.variance, variance);
  EXPECT_EQ(r.p, tail / total);  // integer weights: exact
  ASSERT_EQ(r.distribution.w.size(), plain.size());
  EXPECT_EQ(r.distribution.lo, plain.begin()->first);
}

// Families given grouped by weights (as the no-linkage test does from its
// patterns) sum to the same bits as families given one by one.
TEST(StudySum, GroupedFamiliesGiveTheSameSum) {
  std::vector<FamilyDist> families;
  for (int i = 0; i < 40; ++i) {
    const std::vector<std::vector<double>> kinds = {{1, 1}, {1, 2, 1}, {3, 0, 1}, {2, 2}, {1, 4, 6, 4, 1}};
    families.push_back(family(i % 7 - 3, kinds[static_cast<std::size_t>(i * i % 5)]));
  }
  StudySum oneByOne;
  std::vector<FamilyShape> shapes;
  for (const FamilyDist& f : families) {
    oneByOne.add(f, 1);
    shapes.push_back(shapeOf(f));
  }
  StudySum grouped;
  std::vector<std::vector<double>> seen;
  std::int64_t shift = 0;
  for (const FamilyShape& shape : shapes) {
    shift += shape.offset;
    if (std::find(seen.begin(), seen.end(), shape.w) == seen.end()) {
      seen.push_back(shape.w);
      grouped.addGrouped(shape.w, std::count_if(shapes.begin(), shapes.end(), [&](const FamilyShape& other) {
                           return other.w == shape.w;
                         }));
    }
  }
  grouped.addOffsets(shift);
  const StudyResult a = oneByOne.finish(-7);
  const StudyResult b = grouped.finish(-7);
  EXPECT_EQ(a.expected, b.expected);
  EXPECT_EQ(a.variance, b.variance);
  EXPECT_EQ(a.p, b.p);
  EXPECT_EQ(a.distribution.lo, b.distribution.lo);
  EXPECT_EQ(a.distribution.exp2, b.distribution.exp2);
  EXPECT_EQ(a.distribution.w, b.distribution.w);
}

TEST(StudySum, SmallStudiesGiveExactRationals) {
  // Seven two-point families: S is binomial(7, 1/2); p of S = 1 counts 0, 1,
  // 6 and 7: (1 + 7 + 7 + 1) / 128.
  StudySum seven;
  seven.add(family(0, {1, 1}), 7);
  const StudyResult r7 = seven.finish(1);
  EXPECT_EQ(r7.expected, 3.5);
  EXPECT_EQ(r7.variance, 1.75);
  EXPECT_EQ(r7.p, 16.0 / 128.0);
  // p of S = 2 counts 0, 1, 2 and 5, 6, 7: 58/128 = 0.453125, exactly (a p on
  // a decimal tie such as 37/128 = 0.2890625 must be that double, so that it
  // prints as printf rounds it, not as a value a rounding above or below).
  EXPECT_EQ(seven.finish(2).p, 58.0 / 128.0);
  // Three equally likely values (0, 1, 1) and five two-point families: 96
  // configurations, E = 2/3 + 5/2 = 19/6; only S = 0 is as far from E as 0.
  StudySum odd;
  odd.add(family(0, {1, 2}), 1);
  odd.add(family(0, {1, 1}), 5);
  const StudyResult ro = odd.finish(0);
  EXPECT_EQ(ro.p, 1.0 / 96.0);
  EXPECT_DOUBLE_EQ(ro.expected, 19.0 / 6.0);
}

TEST(StudySum, MomentsOfManyFamiliesAreExact) {
  // 5,868 two-point families (an exact transmission count T + U = 5,868):
  // Var(S) = 5,868 / 4 = 1,467 exactly and E(S) = 2,934; summed family by
  // family in the literal log-space order it drifted to 1467.01.
  StudySum sum;
  for (int i = 0; i < 5868; ++i) {
    sum.add(family(i % 2, {1, 1}), 1);
  }
  const StudyResult r = sum.finish(5868);
  EXPECT_EQ(r.variance, 1467.0);
  EXPECT_EQ(r.expected, 5868.0);  // half the families are shifted by 1: 2,934 + 5,868 / 2
  EXPECT_EQ(r.p, 1.0);
  // Means with thirds: 3,000 families of values (0, 1, 1): E = 2,000, Var = 3000 * 2/9.
  StudySum thirds;
  thirds.add(family(0, {1, 2}), 3000);
  const StudyResult t = thirds.finish(2000);
  EXPECT_EQ(t.expected, 2000.0);
  EXPECT_EQ(t.variance, 6000.0 / 9.0);
  EXPECT_EQ(t.p, 1.0);
}

}  // namespace
