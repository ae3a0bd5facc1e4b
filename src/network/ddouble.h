// Double-double numbers: a value held as an unevaluated sum hi + lo of two
// doubles (about 32 significant digits), for sums of many family moments that
// must come out as the exact value rounded once.
#pragma once

#include <cstdint>

struct DDouble {
  double hi = 0.0;
  double lo = 0.0;
};

namespace dd {

// a + b exactly, as hi + lo (Knuth's two-sum; no condition on the operands).
inline DDouble twoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double err = (a - (s - bb)) + (b - bb);
  return {s, err};
}

// a * b exactly, as hi + lo (Dekker's product: each operand split into two
// halves of 26 bits; no fused multiply-add, so every build gives the same bits).
inline DDouble twoProd(double a, double b) {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  const double p = a * b;
  const double ta = kSplit * a;
  const double ah = ta - (ta - a);
  const double al = a - ah;
  const double tb = kSplit * b;
  const double bh = tb - (tb - b);
  const double bl = b - bh;
  const double err = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
  return {p, err};
}

inline DDouble normalised(double hi, double lo) { return twoSum(hi, lo); }

inline DDouble add(DDouble a, DDouble b) {
  const DDouble s = twoSum(a.hi, b.hi);
  const DDouble t = twoSum(a.lo, b.lo);
  DDouble r = normalised(s.hi, s.lo + t.hi);
  return normalised(r.hi, r.lo + t.lo);
}

inline DDouble neg(DDouble a) { return {-a.hi, -a.lo}; }
inline DDouble sub(DDouble a, DDouble b) { return add(a, neg(b)); }

inline DDouble mul(DDouble a, DDouble b) {
  const DDouble p = twoProd(a.hi, b.hi);
  return normalised(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DDouble div(DDouble a, DDouble b) {
  const double q1 = a.hi / b.hi;
  DDouble r = sub(a, mul(b, DDouble{q1, 0.0}));
  const double q2 = r.hi / b.hi;
  r = sub(r, mul(b, DDouble{q2, 0.0}));
  const double q3 = r.hi / b.hi;
  return add(normalised(q1, q2), DDouble{q3, 0.0});
}

// An integer of up to 106 bits, exactly.
inline DDouble fromInt(std::int64_t n) {
  const double hi = static_cast<double>(n);
  const double lo = static_cast<double>(n - static_cast<std::int64_t>(hi));
  return normalised(hi, lo);
}

}  // namespace dd
