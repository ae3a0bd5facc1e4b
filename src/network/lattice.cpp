// Distributions on a lattice of integers: scaling, trimming, convolution, closed-form powers and the p-value.
#include "network/lattice.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <numeric>
#include <queue>
#include <utility>

namespace {
// The largest stored weight lies in [2^kTop, 2^(kTop + 1)); weights below
// 2^(kTop - kDepth) are dropped. A product of two largest weights is below
// 2^964, so a sum of up to 2^59 of them still fits a double.
constexpr int kTop = 480;
constexpr int kDepth = 1100;
const double kFloor = std::ldexp(1.0, kTop - kDepth);
const double kLn2 = std::log(2.0);

// Puts a into canonical form: largest weight into [2^kTop, 2^(kTop + 1)) by
// an exact power of two, light weights to zero, zero ends trimmed and the
// step widened to the common divisor of the remaining offsets.
void normalise(Lattice& a) {
  const auto top = std::max_element(a.w.begin(), a.w.end());
  if (top == a.w.end() || !(*top > 0.0)) {
    a.w.clear();
    return;
  }
  int e = 0;
  std::frexp(*top, &e);  // *top = f * 2^e with f in [0.5, 1)
  const int shift = kTop + 1 - e;
  // Multiplying by a power of two is exact (a result that would be subnormal
  // is below the floor anyway); ldexp covers factors beyond the double range.
  const bool inRange = shift > -1000 && shift < 1000;
  const double factor = inRange ? std::ldexp(1.0, shift) : 0.0;
  for (double& x : a.w) {
    x = inRange ? x * factor : std::ldexp(x, shift);
    if (x < kFloor) {
      x = 0.0;
    }
  }
  a.exp2 -= shift;

  std::size_t first = 0;
  while (a.w[first] == 0.0) {
    ++first;
  }
  std::size_t last = a.w.size() - 1;
  while (a.w[last] == 0.0) {
    --last;
  }
  std::int64_t gap = 0;  // common divisor of the nonzero offsets from `first`
  for (std::size_t i = first + 1; i <= last && gap != 1; ++i) {
    if (a.w[i] != 0.0) {
      gap = std::gcd(gap, static_cast<std::int64_t>(i - first));
    }
  }
  if (gap == 0) {
    gap = 1;
  }
  a.lo += static_cast<std::int64_t>(first) * a.step;
  // The kept weights move down in place (each lands at or before where it was).
  std::size_t kept = 0;
  for (std::size_t i = first; i <= last; i += gap) {
    a.w[kept++] = a.w[i];
  }
  a.w.resize(kept);
  a.step = a.w.size() == 1 ? 1 : a.step * gap;
}

// dst[j] += x * src[j] for j in [0, n). Four lanes at a time through the
// compiler's vector types where it has them (each lane does exactly the
// scalar multiply and add, so the results are the same bit for bit). On x86
// the processor's widest of SSE2 and AVX2 is picked when the program starts;
// neither fuses the multiply into the add. (Not under a sanitizer: the choice
// is made while the program is being loaded, before a sanitizer's runtime is
// ready.)
#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
void addScaled(double* dst, const double* src, std::size_t n, double x) {
  std::size_t j = 0;
#if defined(__GNUC__)
  typedef double Quad __attribute__((vector_size(32)));
  const Quad xx = {x, x, x, x};
  for (; j + 4 <= n; j += 4) {
    Quad d;
    Quad s;
    std::memcpy(&d, dst + j, sizeof d);
    std::memcpy(&s, src + j, sizeof s);
    d += xx * s;
    std::memcpy(dst + j, &d, sizeof d);
  }
#endif
  for (; j < n; ++j) {
    dst[j] += x * src[j];
  }
}

// Step between the values of a, 0 for a single value (which sits on any lattice).
std::int64_t spacing(const Lattice& a) { return a.w.size() == 1 ? 0 : a.step; }

// e^d * 2^kTop for d <= 0 without passing through the subnormal range.
double scaledExp(double d) {
  if (d >= -700.0) {
    return std::ldexp(std::exp(d), kTop);
  }
  const double half = std::ldexp(std::exp(0.5 * d), kTop / 2);
  return half * half;
}

// Plain sum of the stored weights, lightest end first for each side of the
// largest; the result is a sum of stored weights (same scale as a.w).
double storedTotal(const Lattice& a) {
  const std::size_t top = static_cast<std::size_t>(std::max_element(a.w.begin(), a.w.end()) - a.w.begin());
  double left = 0.0;
  for (std::size_t i = 0; i < top; ++i) {
    left += a.w[i];
  }
  double right = 0.0;
  for (std::size_t i = a.w.size(); i-- > top;) {
    right += a.w[i];
  }
  return left + right;
}

// Shape weights proportional to C(m, k) r^k on consecutive lattice points:
// returns r, or 0 when a is not such a shape (or is a single value).
double binomialRatio(const Lattice& a) {
  if (a.w.size() < 2) {
    return 0.0;
  }
  const std::size_t m = a.w.size() - 1;
  for (double x : a.w) {
    if (!(x > 0.0)) {
      return 0.0;
    }
  }
  // r^m = w[m] / w[0]; r is then checked against every neighbour ratio.
  const double r = m == 1 ? a.w[1] / a.w[0] : std::exp(std::log(a.w[m] / a.w[0]) / static_cast<double>(m));
  for (std::size_t k = 0; k < m; ++k) {
    const double ratio = a.w[k + 1] * static_cast<double>(k + 1) / (a.w[k] * static_cast<double>(m - k));
    if (std::fabs(ratio / r - 1.0) > 1e-12) {
      return 0.0;
    }
  }
  return r;
}

// The weights C(n, k) r^k, k = 0..n, of a binomial with n trials, from the
// mode outward while they stay above the floor; returns the first k kept.
std::int64_t binomialWeights(std::int64_t n, double r, std::vector<double>& w) {
  const double nd = static_cast<double>(n);
  std::int64_t mode = static_cast<std::int64_t>(std::floor((nd + 1.0) * (r / (1.0 + r))));
  mode = std::clamp<std::int64_t>(mode, 0, n);

  // Weights reach the floor about 40 standard deviations from the mode:
  // room for that many is taken at once.
  const double sd = std::sqrt(nd * r) / (1.0 + r);
  w.clear();
  w.reserve(static_cast<std::size_t>(std::min(nd + 1.0, 80.0 * sd + 16.0)));
  // k = mode - 1, mode - 2, ... first, then turned around.
  double t = std::ldexp(1.0, kTop);
  for (std::int64_t k = mode; k > 0; --k) {
    // C(n, k - 1) r^(k - 1) = C(n, k) r^k * k / ((n - k + 1) r)
    t = t * static_cast<double>(k) / static_cast<double>(n - k + 1) / r;
    if (t < kFloor) {
      break;
    }
    w.push_back(t);
  }
  const std::size_t below = w.size();
  std::reverse(w.begin(), w.end());
  t = std::ldexp(1.0, kTop);
  w.push_back(t);
  for (std::int64_t k = mode; k < n; ++k) {
    // C(n, k + 1) r^(k + 1) = C(n, k) r^k * (n - k) r / (k + 1)
    t = t * static_cast<double>(n - k) / static_cast<double>(k + 1) * r;
    if (t < kFloor) {
      break;
    }
    w.push_back(t);
  }
  return mode - static_cast<std::int64_t>(below);
}

// A sum of binomial shapes that share their step and ratio r: a binomial
// with all their trials, on the sum of their first values. Its total weight
// is the product of the shapes' totals, which fixes the scale without summing
// log binomial coefficients; with totals written f * 2^e (f in [0.5, 1)) the
// binary exponents add as integers, so no large logarithms cancel.
struct BinomialSum {
  double r = 0.0;
  std::int64_t step = 1;
  std::int64_t trials = 0;
  std::int64_t lo = 0;
  std::int64_t totalExp2 = 0;  // total weight 2^totalExp2 * e^totalLog
  double totalLog = 0.0;

  void add(const Lattice& shape, std::int64_t count) {
    int e = 0;
    const double f = std::frexp(storedTotal(shape), &e);
    trials += static_cast<std::int64_t>(shape.w.size() - 1) * count;
    lo += shape.lo * count;
    totalExp2 += (shape.exp2 + e) * count;
    totalLog += static_cast<double>(count) * (shape.logScale + std::log(f));
  }

  Lattice lattice() const {
    Lattice out;
    const std::int64_t first = binomialWeights(trials, r, out.w);
    out.step = step;
    out.lo = lo + first * step;
    int e = 0;
    const double f = std::frexp(storedTotal(out), &e);
    out.exp2 = totalExp2 - e;
    out.logScale = totalLog - std::log(f);
    normalise(out);
    return out;
  }
};

// convolve(a, a) with each pair of distinct weights multiplied once: the sum
// of a[i] a[j] and a[j] a[i] is the exact double 2 a[i] a[j], so only the
// order of the additions differs from the plain convolution.
Lattice squared(const Lattice& a) {
  Lattice out;
  if (a.w.empty()) {
    return out;
  }
  const std::size_t n = a.w.size();
  out.lo = 2 * a.lo;
  out.step = a.step;
  out.exp2 = 2 * a.exp2;
  out.logScale = 2.0 * a.logScale;
  out.w.assign(2 * n - 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = a.w[i];
    if (x == 0.0) {
      continue;
    }
    out.w[2 * i] += x * x;
    addScaled(out.w.data() + 2 * i + 1, a.w.data() + i + 1, n - i - 1, 2.0 * x);
  }
  normalise(out);
  return out;
}

// Repeated squaring: the binary digits of count pick the squares to convolve.
Lattice powerBySquaring(const Lattice& a, std::int64_t count) {
  Lattice result = pointMass(0);
  Lattice square = a;
  bool started = false;
  while (true) {
    if (count & 1) {
      result = started ? convolve(result, square) : square;
      started = true;
    }
    count >>= 1;
    if (count == 0) {
      return result;
    }
    square = squared(square);
  }
}
}  // namespace

Lattice pointMass(std::int64_t value) {
  Lattice a;
  a.lo = value;
  a.w = {1.0};
  normalise(a);
  return a;
}

Lattice fromLogWeights(const std::vector<std::int64_t>& values, const std::vector<double>& logWeights) {
  Lattice a;
  if (values.empty()) {
    return a;
  }
  const double top = *std::max_element(logWeights.begin(), logWeights.end());
  if (!(top > -std::numeric_limits<double>::infinity())) {
    return a;
  }
  const auto [least, most] = std::minmax_element(values.begin(), values.end());
  a.lo = *least;
  a.w.assign(static_cast<std::size_t>(*most - *least + 1), 0.0);
  for (std::size_t i = 0; i < values.size(); ++i) {
    a.w[static_cast<std::size_t>(values[i] - a.lo)] += scaledExp(logWeights[i] - top);
  }
  a.exp2 = -kTop;
  a.logScale = top;
  normalise(a);
  return a;
}

Lattice fromWeights(std::int64_t lo, const std::vector<double>& w, std::int64_t exp2) {
  Lattice a;
  a.lo = lo;
  a.w = w;
  a.exp2 = exp2;
  normalise(a);
  return a;
}

Lattice convolve(const Lattice& a, const Lattice& b) {
  if (a.w.empty() || b.w.empty()) {
    return Lattice{};
  }
  // The shorter operand drives the outer loop; the inner loop runs over the
  // longer one and adds into consecutive (or evenly spaced) results.
  const bool aShort = a.w.size() <= b.w.size();
  const Lattice& s = aShort ? a : b;
  const Lattice& l = aShort ? b : a;
  const std::int64_t step = std::gcd(spacing(s), spacing(l));
  const std::size_t sStride = step == 0 ? 0 : static_cast<std::size_t>(spacing(s) / step);
  const std::size_t lStride = step == 0 ? 0 : static_cast<std::size_t>(spacing(l) / step);

  Lattice out;
  out.lo = a.lo + b.lo;
  out.step = step == 0 ? 1 : step;
  out.exp2 = a.exp2 + b.exp2;
  out.logScale = a.logScale + b.logScale;
  out.w.assign((s.w.size() - 1) * sStride + (l.w.size() - 1) * lStride + 1, 0.0);
  const std::size_t n = l.w.size();
  for (std::size_t i = 0; i < s.w.size(); ++i) {
    const double x = s.w[i];
    if (x == 0.0) {
      continue;
    }
    double* dst = out.w.data() + i * sStride;
    const double* src = l.w.data();
    if (lStride == 1) {
      addScaled(dst, src, n, x);
    } else {
      for (std::size_t j = 0; j < n; ++j) {
        dst[j * lStride] += x * src[j];
      }
    }
  }
  normalise(out);
  return out;
}

Lattice power(const Lattice& a, std::int64_t count) {
  if (count <= 0) {
    return pointMass(0);
  }
  if (a.w.empty() || count == 1) {
    return a;
  }
  const double r = binomialRatio(a);
  if (r > 0.0) {
    BinomialSum sum{r, a.step};
    sum.add(a, count);
    return sum.lattice();
  }
  return powerBySquaring(a, count);
}

Lattice combine(const std::vector<LatticeGroup>& groups) {
  // Binomial shapes of equal step and ratio (a trio with one heterozygous
  // parent, a sibship of two with one) add their trials into one closed form.
  std::vector<Lattice> parts;
  parts.reserve(2 * groups.size() + 1);  // the powered groups and every convolution of two parts
  std::vector<BinomialSum> binomials;
  for (const LatticeGroup& g : groups) {
    const double r = g.count > 0 ? binomialRatio(g.shape) : 0.0;
    if (r == 0.0) {
      parts.push_back(power(g.shape, g.count));
      continue;
    }
    auto same = std::find_if(binomials.begin(), binomials.end(),
                             [&](const BinomialSum& b) { return b.r == r && b.step == g.shape.step; });
    if (same == binomials.end()) {
      same = binomials.insert(binomials.end(), BinomialSum{r, g.shape.step});
    }
    same->add(g.shape, g.count);
  }
  for (const BinomialSum& b : binomials) {
    parts.push_back(b.lattice());
  }
  if (parts.empty()) {
    return pointMass(0);
  }
  // Shortest first; among equal lengths the earlier part.
  using Key = std::pair<std::size_t, std::size_t>;  // (length, index into parts)
  std::priority_queue<Key, std::vector<Key>, std::greater<Key>> queue;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    queue.push({parts[i].w.size(), i});
  }
  while (queue.size() > 1) {
    const std::size_t i = queue.top().second;
    queue.pop();
    const std::size_t j = queue.top().second;
    queue.pop();
    parts.push_back(convolve(parts[i], parts[j]));
    parts[i] = Lattice{};
    parts[j] = Lattice{};
    queue.push({parts.back().w.size(), parts.size() - 1});
  }
  return std::move(parts[queue.top().second]);
}

double logTotal(const Lattice& a) {
  if (a.w.empty()) {
    return -std::numeric_limits<double>::infinity();
  }
  int e = 0;
  const double f = std::frexp(storedTotal(a), &e);
  return a.logScale + static_cast<double>(a.exp2 + e) * kLn2 + std::log(f);
}

Moments moments(const Lattice& a) {
  Moments m;
  if (a.w.empty()) {
    m.mean = m.variance = std::numeric_limits<double>::quiet_NaN();
    return m;
  }
  // Offsets from lo in units of step keep the sums small and exact.
  const double total = storedTotal(a);
  double first = 0.0;
  for (std::size_t i = 0; i < a.w.size(); ++i) {
    first += a.w[i] * static_cast<double>(i);
  }
  const double meanOffset = first / total;
  double second = 0.0;
  for (std::size_t i = 0; i < a.w.size(); ++i) {
    const double d = static_cast<double>(i) - meanOffset;
    second += a.w[i] * (d * d);
  }
  const double step = static_cast<double>(a.step);
  m.mean = static_cast<double>(a.lo) + step * meanOffset;
  m.variance = second / total * (step * step);
  return m;
}

double twoSidedP(const Lattice& a, double expected, double variance, double observed) {
  if (a.w.empty()) {
    return 0.0;
  }
  const double d = observed - expected;
  const double t = d * d / variance;
  const double reach = std::fabs(d) - 1e-9 * (1.0 + std::fabs(expected));
  auto counts = [&](std::size_t i) {
    const double e = static_cast<double>(a.value(i)) - expected;
    if (variance > 0.0 && e * e / variance >= t - 1e-10) {
      return true;
    }
    return std::fabs(e) >= reach;
  };
  // Values below E from the lower end up, values from E on from the upper
  // end down: each tail is summed lightest first.
  std::size_t split = 0;
  while (split < a.w.size() && static_cast<double>(a.value(split)) < expected) {
    ++split;
  }
  double lower = 0.0;
  for (std::size_t i = 0; i < split; ++i) {
    if (counts(i)) {
      lower += a.w[i];
    }
  }
  double upper = 0.0;
  for (std::size_t i = a.w.size(); i-- > split;) {
    if (counts(i)) {
      upper += a.w[i];
    }
  }
  const double p = (lower + upper) / storedTotal(a);
  return p > 1.0 ? 1.0 : p;
}
