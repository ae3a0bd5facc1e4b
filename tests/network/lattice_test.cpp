// Lattice distributions: closed forms and repeated squaring against plain convolution, tails and p-values.
#include "network/lattice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {
// A shape from plain weights at the given values.
Lattice shape(const std::vector<std::int64_t>& values, const std::vector<double>& weights) {
  std::vector<double> logs;
  for (double w : weights) {
    logs.push_back(std::log(w));
  }
  return fromLogWeights(values, logs);
}

// Plain repeated convolution: the reference for powers.
Lattice repeated(const Lattice& a, int count) {
  Lattice acc = pointMass(0);
  for (int i = 0; i < count; ++i) {
    acc = convolve(acc, a);
  }
  return acc;
}

double storedSum(const Lattice& a) {
  double s = 0.0;
  for (double x : a.w) {
    s += x;
  }
  return s;
}

double weightAt(const Lattice& a, std::int64_t v) {
  if (a.w.empty() || v < a.lo || (v - a.lo) % a.step != 0) {
    return 0.0;
  }
  const std::size_t i = static_cast<std::size_t>((v - a.lo) / a.step);
  return i < a.w.size() ? a.w[i] : 0.0;
}

// The normalised distributions agree to `tol` (relative) at every value whose
// weight is at least 2^-1040 (about 1e-313) of the largest. Lighter values
// sit near the 2^-1100 floor, where the weights dropped along the way by the
// two computations differ; they are only required to be light on both sides.
void expectSameDistribution(const Lattice& got, const Lattice& want, double tol, const std::string& what) {
  ASSERT_FALSE(got.w.empty()) << what;
  ASSERT_FALSE(want.w.empty()) << what;
  const double totalGot = storedSum(got);
  const double totalWant = storedSum(want);
  const double lightGot = std::ldexp(*std::max_element(got.w.begin(), got.w.end()), -1040);
  const double lightWant = std::ldexp(*std::max_element(want.w.begin(), want.w.end()), -1040);
  const std::int64_t lo = std::min(got.lo, want.lo);
  const std::int64_t hi = std::max(got.value(got.w.size() - 1), want.value(want.w.size() - 1));
  for (std::int64_t v = lo; v <= hi; ++v) {
    const double g = weightAt(got, v);
    const double w = weightAt(want, v);
    if (g < lightGot || w < lightWant) {
      EXPECT_LT(g, std::ldexp(lightGot, 20)) << what << " value " << v;
      EXPECT_LT(w, std::ldexp(lightWant, 20)) << what << " value " << v;
      continue;
    }
    EXPECT_NEAR(g / w * (totalWant / totalGot), 1.0, tol) << what << " value " << v;
  }
  EXPECT_NEAR(logTotal(got), logTotal(want), 1e-12 * (1.0 + std::fabs(logTotal(want)))) << what;
}

// ln of the weight of P(X <= k) for X ~ Bin(n, q), by log-space sums.
double logLowerTail(int n, double q, int k) {
  double top = -INFINITY;
  std::vector<double> terms;
  for (int j = 0; j <= k; ++j) {
    terms.push_back(std::lgamma(n + 1.0) - std::lgamma(j + 1.0) - std::lgamma(n - j + 1.0) + j * std::log(q) +
                    (n - j) * std::log1p(-q));
    top = std::max(top, terms.back());
  }
  double s = 0.0;
  for (double t : terms) {
    s += std::exp(t - top);
  }
  return top + std::log(s);
}
}  // namespace

TEST(Lattice, FromLogWeightsFindsStepDropsLightAndAddsEqualValues) {
  const double inf = INFINITY;
  // Values 3, 5, 9 lie on step 2; -infinity is no weight at all; a value 800
  // nats below the largest is under the 2^-1100 floor, one 700 below is kept.
  const Lattice a =
      fromLogWeights({1, 3, 5, 5, 9, 12}, {-inf, std::log(2.0), 0.0, std::log(3.0), -700.0, -800.0});
  EXPECT_EQ(a.lo, 3);
  EXPECT_EQ(a.step, 2);
  ASSERT_EQ(a.w.size(), 4u);
  EXPECT_NEAR(a.w[0] / a.w[1], 0.5, 1e-15);
  EXPECT_EQ(a.w[2], 0.0);
  EXPECT_NEAR(std::log(a.w[3] / a.w[1]), -700.0 - std::log(4.0), 1e-12);
  EXPECT_NEAR(logTotal(a), std::log(6.0), 1e-15);
  EXPECT_TRUE(fromLogWeights({}, {}).w.empty());
  EXPECT_TRUE(fromLogWeights({4}, {-inf}).w.empty());
}

TEST(Lattice, ConvolveMatchesIntegerPolynomialProducts) {
  // Small integer weights: every product and sum is exact in a double.
  const struct {
    std::vector<std::int64_t> av;
    std::vector<double> aw;
    std::vector<std::int64_t> bv;
    std::vector<double> bw;
  } cases[] = {
      {{0, 1}, {1, 3}, {0, 1, 2}, {1, 2, 5}},
      {{-4, -2, 0}, {2, 7, 1}, {1, 4, 7}, {3, 1, 6}},  // steps 2 and 3: the sum is on step 1
      {{5}, {3}, {2, 4, 8}, {1, 1, 2}},                // a single value keeps the other's step
      {{0, 2}, {1, 1}, {0, 2}, {1, 1}},                // step 2 stays step 2
  };
  for (const auto& c : cases) {
    const Lattice got = convolve(shape(c.av, c.aw), shape(c.bv, c.bw));
    std::vector<std::int64_t> values;
    std::vector<double> weights;
    for (std::int64_t v = c.av.front() + c.bv.front(); v <= c.av.back() + c.bv.back(); ++v) {
      double sum = 0.0;
      for (std::size_t i = 0; i < c.av.size(); ++i) {
        for (std::size_t j = 0; j < c.bv.size(); ++j) {
          sum += c.av[i] + c.bv[j] == v ? c.aw[i] * c.bw[j] : 0.0;
        }
      }
      values.push_back(v);
      weights.push_back(sum);
    }
    const Lattice want = shape(values, weights);  // zero weights give -inf logs
    EXPECT_EQ(got.step, want.step) << "first value " << c.av.front();
    expectSameDistribution(got, want, 1e-15, "convolution from " + std::to_string(c.av.front()));
  }
}

// Arrays longer than the vector lanes, weights whose products round: the
// convolution must be the plain double sum in the same order, bit for bit
// (up to the power of two that keeps the largest weight in range), however
// many lanes the processor adds at once.
TEST(Lattice, ConvolutionIsThePlainSumBitForBit) {
  std::mt19937_64 random(3);
  const auto weight = [&](int scale) {
    return std::ldexp(1.0 + static_cast<double>(random() >> 11) * 0x1p-53, scale);
  };
  Lattice a;
  Lattice b;
  for (int i = 0; i < 11; ++i) {
    a.w.push_back(weight(480));
  }
  for (int j = 0; j < 37; ++j) {
    b.w.push_back(weight(470));
  }
  const Lattice got = convolve(a, b);
  std::vector<double> plain(a.w.size() + b.w.size() - 1, 0.0);
  for (std::size_t i = 0; i < a.w.size(); ++i) {  // the shorter array outside
    for (std::size_t j = 0; j < b.w.size(); ++j) {
      plain[i + j] += a.w[i] * b.w[j];
    }
  }
  ASSERT_EQ(got.w.size(), plain.size());
  for (std::size_t k = 0; k < plain.size(); ++k) {
    EXPECT_EQ(std::ldexp(got.w[k], static_cast<int>(got.exp2 - a.exp2 - b.exp2)), plain[k]) << "value " << k;
  }
}

TEST(Lattice, PowersEqualRepeatedConvolution) {
  // Closed forms (two-point, binomial) and repeated squaring (the rest),
  // including shapes whose tails fall far below 1e-300.
  const struct {
    const char* name;
    std::vector<std::int64_t> values;
    std::vector<double> weights;
    int count;
  } cases[] = {
      {"two-point 1,3", {0, 1}, {1, 3}, 37},
      {"two-point step 2", {-3, -1}, {2, 5}, 200},
      {"two-point tail 1e-5", {0, 1}, {1, 1e-5}, 90},
      {"binomial 1,2,1", {0, 1, 2}, {1, 2, 1}, 50},
      {"binomial 1,4,4 step 3", {4, 7, 10}, {1, 4, 4}, 30},
      {"three-point 1,2,5", {0, 1, 2}, {1, 2, 5}, 37},
      {"irregular with a gap", {-2, 0, 1, 4}, {0.3, 1, 0.01, 2}, 37},
      {"extreme three-point", {0, 1, 2}, {1e-30, 1, 1e-25}, 20},
      {"seven-point", {0, 1, 2, 3, 4, 5, 6}, {0.2, 1.7, 0.05, 3, 1, 0.6, 1e-9}, 29},
  };
  for (const auto& c : cases) {
    const Lattice a = shape(c.values, c.weights);
    expectSameDistribution(power(a, c.count), repeated(a, c.count), 1e-13, c.name);
  }
  EXPECT_EQ(power(shape({3, 4}, {1, 1}), 0).w.size(), 1u);
  EXPECT_EQ(power(shape({3, 4}, {1, 1}), 0).lo, 0);
}

TEST(Lattice, BinomialTailsAgainstExactValues) {
  // Bin(1000, 1/2): P(X <= 2) = (1 + 1000 + 499500) / 2^1000, about 4.7e-296,
  // exact in a double. The two-sided p at 2 doubles it.
  const Lattice fair = power(shape({0, 1}, {1, 1}), 1000);
  const double exact = 2.0 * std::ldexp(500501.0, -1000);
  EXPECT_NEAR(twoSidedP(fair, 500.0, 250.0, 2.0) / exact, 1.0, 1e-12);
  EXPECT_NEAR(twoSidedP(fair, 500.0, 250.0, 998.0) / exact, 1.0, 1e-12);

  // n = 2000 trials as 2000 two-point families, as 1000 families of two
  // children, and with an unequal transmission (q = 3/4): lower tails near
  // 1e-300 against log-space sums of the binomial terms.
  const struct {
    const char* name;
    Lattice lattice;
    double q;
    int k;
    double logTotal;  // 2000 ln 2, 1000 ln 4, 2000 ln 4
  } cases[] = {
      {"2000 x {1,1}", power(shape({0, 1}, {1, 1}), 2000), 0.5, 222, 2000 * std::log(2.0)},
      {"1000 x {1,2,1}", power(shape({0, 1, 2}, {1, 2, 1}), 1000), 0.5, 222, 1000 * std::log(4.0)},
      {"2000 x {1,3}", power(shape({0, 1}, {1, 3}), 2000), 0.75, 712, 2000 * std::log(4.0)},
  };
  for (const auto& c : cases) {
    const double want = std::exp(logLowerTail(2000, c.q, c.k));
    ASSERT_GT(want, 1e-305) << c.name;
    ASSERT_LT(want, 1e-280) << c.name;
    double tail = 0.0;
    for (std::size_t i = 0; c.lattice.value(i) <= c.k; ++i) {
      tail += c.lattice.w[i];
    }
    // The lattice may start above 0 (trimmed), so the tail is read as a share of the total.
    EXPECT_NEAR(tail / storedSum(c.lattice) / want, 1.0, 1e-10) << c.name;
    const Moments m = moments(c.lattice);
    EXPECT_NEAR(m.mean, 2000 * c.q, 1e-9) << c.name;
    EXPECT_NEAR(m.variance, 2000 * c.q * (1 - c.q), 1e-9) << c.name;
    EXPECT_NEAR(logTotal(c.lattice), c.logTotal, 1e-12 * c.logTotal) << c.name;
  }
}

TEST(Lattice, ClosedFormStaysPreciseAtOneHundredThousandTrials) {
  // Each weight's ratio to the mode against a long-double sum of the logs of
  // the neighbour ratios (n - j) / (j + 1), out to the 2^-1100 floor.
  if (std::numeric_limits<long double>::digits <= 53) {
    GTEST_SKIP() << "long double is no wider than double here";
  }
  const int n = 100000;
  const Lattice a = power(shape({0, 1}, {1, 1}), n);
  const std::size_t mode = static_cast<std::size_t>(n / 2 - a.lo);
  ASSERT_LT(a.lo, n / 2 - 6000);
  long double logRatio = 0.0L;
  double worst = 0.0;
  for (std::int64_t k = n / 2; k > a.lo; --k) {
    logRatio += std::log(static_cast<long double>(k) / static_cast<long double>(n - k + 1));
    const std::size_t i = static_cast<std::size_t>(k - 1 - a.lo);
    const double got = std::log(a.w[i]) - std::log(a.w[mode]);
    worst = std::max(worst, std::fabs(got - static_cast<double>(logRatio)));
  }
  EXPECT_LT(worst, 1e-12);
}

TEST(Lattice, CombineEqualsConvolvingEveryFamily) {
  const Lattice two = shape({0, 1}, {1, 1});
  const Lattice binomial = shape({-2, 0, 2}, {1, 2, 1});
  const Lattice irregular = shape({0, 1, 3}, {1, 5, 2});
  const Lattice point = shape({5}, {0.25});
  const Lattice sibship = shape({1, 2, 3}, {1, 2, 1});  // joins `two` in one closed form
  const Lattice uneven = shape({0, 1}, {1, 3});
  const std::vector<LatticeGroup> groups = {{two, 40},  {binomial, 15}, {irregular, 7},
                                            {point, 3}, {sibship, 9},   {uneven, 12}};
  Lattice want = pointMass(0);
  for (const LatticeGroup& g : groups) {
    for (int i = 0; i < g.count; ++i) {
      want = convolve(want, g.shape);
    }
  }
  const Lattice got = combine(groups);
  expectSameDistribution(got, want, 1e-13, "combine");
  const double ln2 = std::log(2.0);
  EXPECT_NEAR(logTotal(got), (40 + 30 + 21 - 6 + 18 + 24) * ln2, 1e-12);
  const Moments m = moments(got);
  EXPECT_NEAR(m.mean, 40 * 0.5 + 0.0 + 7 * (5 + 6) / 8.0 + 15 + 9 * 2 + 12 * 0.75, 1e-12);

  const Lattice none = combine({});
  ASSERT_EQ(none.w.size(), 1u);
  EXPECT_EQ(none.lo, 0);
}

TEST(Lattice, TwoSidedPIsTheExactBinomialP) {
  // Bin(30, 1/2): p at k sums C(30, j) / 2^30 over |j - 15| >= |k - 15|,
  // with integer binomial coefficients; E and Var as moments() gives them.
  const Lattice a = power(shape({0, 1}, {1, 1}), 30);
  const Moments m = moments(a);
  std::vector<double> choose(31, 1.0);
  for (int j = 1; j <= 30; ++j) {
    choose[j] = choose[j - 1] * (31 - j) / j;
  }
  for (int k = 0; k <= 30; ++k) {
    double counted = 0.0;
    for (int j = 0; j <= 30; ++j) {
      counted += std::abs(j - 15) >= std::abs(k - 15) ? choose[j] : 0.0;
    }
    const double want = std::min(1.0, std::ldexp(counted, -30));
    EXPECT_NEAR(twoSidedP(a, m.mean, m.variance, k) / want, 1.0, 1e-14) << "k=" << k;
  }
}

TEST(Lattice, TwoSidedPKeepsTheMirrorOfTheObservedValue) {
  // 151 fair two-point families on 54..205 (an exact mean of 129.5). E as
  // long sums give it, 129.4999999999607: the mirror 54 of the observed 205
  // misses the 1e-10 allowance on the squared distance but still counts, so
  // p = 2 / 2^151 either way round.
  const Lattice a = convolve(power(shape({0, 1}, {1, 1}), 151), pointMass(54));
  const double e = 129.4999999999607;
  const double exact = std::ldexp(1.0, -150);
  EXPECT_NEAR(twoSidedP(a, e, 37.75, 205.0) / exact, 1.0, 1e-13);
  EXPECT_NEAR(twoSidedP(a, e, 37.75, 54.0) / exact, 1.0, 1e-13);
  EXPECT_NEAR(twoSidedP(a, 129.5000000000393, 37.75, 205.0) / exact, 1.0, 1e-13);

  // Near E the allowance of 1e-10 on the squared standardised distance
  // reaches further than the distance rule: with E = 14.5 + 1e-7 the value 15
  // is 2e-7 nearer than the observed 14, and counts only when 1e-10 * Var
  // exceeds the difference of the squared distances (about 2e-7).
  const Lattice b = power(shape({0, 1}, {1, 1}), 30);
  const double middle = std::ldexp(155117520.0, -30);  // C(30, 15) / 2^30
  EXPECT_NEAR(twoSidedP(b, 14.5 + 1e-7, 1e4, 14.0), 1.0, 1e-15);
  EXPECT_NEAR(twoSidedP(b, 14.5 + 1e-7, 7.5, 14.0), 1.0 - middle, 1e-15);

  // Variance 0: the single value counts when observed, nothing else does.
  const Lattice one = pointMass(7);
  EXPECT_EQ(twoSidedP(one, 7.0, 0.0, 7.0), 1.0);
  EXPECT_EQ(twoSidedP(one, 7.0, 0.0, 9.0), 0.0);
}
