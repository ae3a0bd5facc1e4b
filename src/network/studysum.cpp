// The null distribution of a study's statistic: shapes counted, combined on the lattice, exact moments.
#include "network/studysum.h"

#include <algorithm>
#include <cmath>
#include <limits>

void StudySum::add(const FamilyDist& family, std::int64_t count) {
  if (count <= 0) {
    return;
  }
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
    return;
  }
  std::vector<double> w(family.w.begin() + static_cast<std::ptrdiff_t>(first),
                        family.w.begin() + static_cast<std::ptrdiff_t>(last));
  // Scaling by a power of two is exact: shapes proportional by such a factor
  // are the same shape.
  int e = 0;
  std::frexp(*std::max_element(w.begin(), w.end()), &e);
  for (double& x : w) {
    x = std::ldexp(x, 1 - e);
  }
  shift_ += count * (family.lo + static_cast<std::int64_t>(first));
  const auto found = index_.find(w);
  if (found != index_.end()) {
    shapes_[found->second].count += count;
    return;
  }
  index_.emplace(w, shapes_.size());
  shapes_.push_back(Shape{std::move(w), count});
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

StudyResult StudySum::finish(double observed) const {
  StudyResult r;
  DDouble mean = dd::fromInt(shift_);
  DDouble variance;
  std::vector<LatticeGroup> groups;
  for (const Shape& s : shapes_) {
    DDouble m;
    DDouble v;
    shapeMoments(s.w, m, v);
    const DDouble n = dd::fromInt(s.count);
    mean = dd::add(mean, dd::mul(m, n));
    variance = dd::add(variance, dd::mul(v, n));
    std::vector<std::int64_t> values;
    std::vector<double> logWeights;
    for (std::size_t i = 0; i < s.w.size(); ++i) {
      values.push_back(static_cast<std::int64_t>(i));
      logWeights.push_back(s.w[i] > 0.0 ? std::log(s.w[i]) : -std::numeric_limits<double>::infinity());
    }
    groups.push_back(LatticeGroup{fromLogWeights(values, logWeights), s.count});
  }
  r.distribution = combine(groups);
  r.distribution.lo += shift_;
  r.expected = mean.hi;
  r.variance = variance.hi;
  r.p = twoSidedP(r.distribution, r.expected, r.variance, observed);
  return r;
}
