// Distributions of an integer statistic on a lattice: convolution, powers and the two-sided p-value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The unnormalised weights of a distribution on the values lo, lo + step,
// ..., lo + (n - 1) * step (n = w.size()). The statistic S of a study is an
// integer sum of the families' integer scores, so every distribution here
// lives on such a lattice; a family whose values are spaced by 2 keeps step 2
// rather than zeros in between.
//
// Weight of value lo + i * step, i in [0, n):  w[i] * 2^exp2 * e^logScale.
//
// Precision. The stored weights are scaled by a power of two (exactly) so that
// the largest lies in [2^480, 2^481); every weight down to 2^-1100 (about
// 1e-331) of the largest is then a normal double and keeps full relative
// precision, and products of two such arrays neither overflow nor lose a
// weight that matters. Weights lighter than 2^-1100 of the largest are set to
// zero and zeros are trimmed from both ends: they cannot move any p-value a
// double can show, and trimming keeps the arrays short (the sum of 64,000
// trios spans 64,000 values, about 10,000 of which carry weight).
//
// Canonical form, kept by every function below: the first and last weight are
// nonzero, step is the greatest common divisor of the offsets of the nonzero
// weights (1 for a single value), and an empty w is the zero distribution.
// Only the relative weights are meaningful for p-values; exp2 and logScale
// carry the absolute size (see logTotal).
struct Lattice {
  std::int64_t lo = 0;
  std::int64_t step = 1;
  std::vector<double> w;
  std::int64_t exp2 = 0;
  double logScale = 0.0;

  std::int64_t value(std::size_t i) const { return lo + static_cast<std::int64_t>(i) * step; }
};

// One family's distribution from its (value, natural-log weight) records.
// Both vectors have the same length; the values may come in any order (the
// network gives them ascending) and equal values add up; a log weight of
// -infinity is a zero weight. Empty gives the zero distribution. The array
// spans the least to the greatest value, so keep that span modest.
Lattice fromLogWeights(const std::vector<std::int64_t>& values, const std::vector<double>& logWeights);

// One family's distribution from plain weights: value lo + i weighs
// w[i] * 2^exp2 (w[i] >= 0). Weights that are integers or dyadic fractions
// stay exact (only powers of two scale them), so p-values of small studies
// are exact rationals rounded once.
Lattice fromWeights(std::int64_t lo, const std::vector<double>& w, std::int64_t exp2);

// The distribution of a single value with weight 1: the unit of convolution.
Lattice pointMass(std::int64_t value);

// Distribution of X + Y for independent X ~ a and Y ~ b: every pair of
// weights multiplied, O(a.w.size() * b.w.size()) on the trimmed arrays. Each
// result weight is summed over the shorter operand in ascending order, so the
// result does not depend on compiler or vectorisation.
Lattice convolve(const Lattice& a, const Lattice& b);

// The count-fold convolution of a with itself (count >= 0; 0 gives
// pointMass(0)). Shapes whose weights are proportional to C(m, k) r^k on
// m + 1 consecutive lattice points (two-point shapes are m = 1) are powered in
// closed form, C(m * count, k) r^k, each weight worked out from the mode
// outward by its ratio to the neighbour (relative error about 1e-14, below
// 1e-12 at m * count = 100,000); other shapes by repeated squaring.
Lattice power(const Lattice& a, std::int64_t count);

// A shape shared by `count` families.
struct LatticeGroup {
  Lattice shape;
  std::int64_t count = 1;
};

// The distribution of the total over all groups. Binomial shapes (as in
// power) that share step and ratio are summed into one binomial of all their
// trials; every other group is powered; then the two shortest arrays are
// convolved until one is left (ties by position, so the result depends only
// on the order of `groups`). No groups gives pointMass(0); a zero shape gives
// the zero distribution.
Lattice combine(const std::vector<LatticeGroup>& groups);

// Natural log of the total weight (-infinity for the zero distribution).
double logTotal(const Lattice& a);

// Mean and variance of the normalised distribution (the variance summed about
// the mean in a second pass). NaN for the zero distribution.
struct Moments {
  double mean = 0.0;
  double variance = 0.0;
};
Moments moments(const Lattice& a);

// Exact two-sided p-value of `observed` under the distribution a: the weight
// of the values v at least as far from `expected` as `observed`, divided by
// the total weight and clamped to 1. With x = (v - E)^2 / Var and
// t = (observed - E)^2 / Var, v counts when
//   x >= t - 1e-10                                  (only when variance > 0), or
//   |v - E| >= |observed - E| - 1e-9 * (1 + |E|).
// The second rule keeps the mirror of the observed value when E carries
// rounding from long sums (129.4999999999607 for an exact 129.5), and makes
// the observed value itself always count. A variance of 0 (or below, which
// only rounding produces) leaves the second rule alone, as x and t are then
// undefined. An observed value that is not a value of a, with nothing as far
// out, gives 0. The counted weights of each tail are summed from the light
// end inward, on the scaled weights, so a p-value of 1e-300 keeps its digits.
double twoSidedP(const Lattice& a, double expected, double variance, double observed);
