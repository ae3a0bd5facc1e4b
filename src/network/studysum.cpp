// The null distribution of a study's statistic: shapes counted, combined on the lattice, exact moments.
#include "network/studysum.h"

#include <algorithm>
#include <cmath>

FamilyShape shapeOf(const FamilyDist& family) {
  FamilyShape shape;
  // Trim zero weights at both ends so that equal shapes compare equal.
  std::size_t first = 0;
  std::size_t last = family.w.size();
  while (first < last && family.w[first] == 0.0) {
    ++first;
  }
  while (last > first && family.w[last - 1] == 0.0) {
    --last;
  }
  if (first == last) {
    return shape;
  }
  shape.w.assign(family.w.begin() + static_cast<std::ptrdiff_t>(first),
                 family.w.begin() + static_cast<std::ptrdiff_t>(last));
  // Scaling by a power of two is exact: shapes proportional by such a factor
  // are the same shape.
  int e = 0;
  std::frexp(*std::max_element(shape.w.begin(), shape.w.end()), &e);
  for (double& x : shape.w) {
    x = std::ldexp(x, 1 - e);
  }
  shape.offset = family.lo + static_cast<std::int64_t>(first);
  return shape;
}

void StudySum::add(const FamilyShape& shape, std::int64_t count) {
  if (count <= 0 || shape.w.empty()) {
    return;
  }
  shift_ += count * shape.offset;
  const auto found = index_.find(shape.w);
  if (found != index_.end()) {
    shapes_[found->second].count += count;
    return;
  }
  index_.emplace(shape.w, shapes_.size());
  shapes_.push_back(Shape{shape.w, nullptr, count});
}

void StudySum::addGrouped(const std::vector<double>& w, std::int64_t count) {
  if (count > 0 && !w.empty()) {
    shapes_.push_back(Shape{{}, &w, count});
  }
}

void equallyLikely(const std::vector<int>& values, FamilyDist& family) {
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  family.lo = *low;
  family.exp2 = 0;
  family.w.assign(static_cast<std::size_t>(*high - *low + 1), 0.0);
  for (int v : values) {
    family.w[static_cast<std::size_t>(v - *low)] += 1.0;
  }
}

void shapeMoments(const std::vector<double>& w, DDouble& mean, DDouble& variance) {
  // Totals of w, w v and w v^2, each product exact, each sum to about 32
  // digits (exact for integer weights of a family).
  DDouble A;
  DDouble B;
  DDouble C;
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (w[i] == 0.0) {
      continue;
    }
    const double v = static_cast<double>(i);
    A = dd::add(A, DDouble{w[i], 0.0});
    B = dd::add(B, dd::twoProd(w[i], v));
    C = dd::add(C, dd::mul(dd::twoProd(w[i], v), DDouble{v, 0.0}));
  }
  mean = dd::div(B, A);
  variance = dd::sub(dd::div(C, A), dd::mul(mean, mean));
}

namespace {

// log2 of the number of configurations of a shape counted in its smallest
// unit: the weights are dyadic (integers scaled by a power of two), so they
// are integer multiples of some 2^e; the total in units of 2^e.
double log2Configurations(const std::vector<double>& w) {
  int unit = 0;
  for (double x : w) {
    if (x > 0.0) {
      int e = 0;
      double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
      int bits = 0;
      while (m != std::floor(m) && bits < 64) {
        m *= 2.0;
        ++bits;
      }
      unit = std::min(unit, e - bits);
    }
  }
  double total = 0.0;
  for (double x : w) {
    total += std::ldexp(x, -unit);
  }
  return std::log2(total);
}

}  // namespace

StudyResult StudySum::finish(double observed) const {
  StudyResult r;
  DDouble mean = dd::fromInt(shift_);
  DDouble variance;
  std::vector<LatticeGroup> groups;
  groups.reserve(shapes_.size());
  double bits = 0.0;  // log2 of the number of joint configurations
  for (const Shape& s : shapes_) {
    DDouble m;
    DDouble v;
    shapeMoments(s.w(), m, v);
    const DDouble n = dd::fromInt(s.count);
    mean = dd::add(mean, dd::mul(m, n));
    variance = dd::add(variance, dd::mul(v, n));
    groups.push_back(LatticeGroup{fromWeights(0, s.w(), 0), s.count});
    bits += static_cast<double>(s.count) * log2Configurations(s.w());
  }
  if (bits < 52.0) {
    // A small study: fewer than 2^52 joint configurations, so every weight of
    // every partial convolution is an integer that a double holds exactly,
    // and p comes out as the exact rational rounded once (a p such as
    // 37/128 = 0.2890625 must print as that value does, not as a value a
    // rounding away).
    r.distribution = pointMass(0);
    for (const LatticeGroup& g : groups) {
      for (std::int64_t i = 0; i < g.count; ++i) {
        r.distribution = convolve(r.distribution, g.shape);
      }
    }
  } else {
    r.distribution = combine(groups);
  }
  r.distribution.lo += shift_;
  r.expected = mean.hi;
  r.variance = variance.hi;
  r.p = twoSidedP(r.distribution, r.expected, r.variance, observed);
  return r;
}
