// Moments and exact two-sided p-value of a finished distribution of S.
#pragma once

#include <cmath>

#include "network/records.h"

// Adds the mean of S to m1 and the mean of S squared to m2, with weights
// exp(logProb - L) where L is acc[1].logMass (the accumulator node).
//   double m1 = 0.0, m2 = 0.0;
//   moment(list, acc, m1, m2);  // E(S) = m1, Var(S) = m2 - m1 * m1
void moment(const Rec* list, const Node* acc, double& m1, double& m2);

// Weight of all values of S whose squared standardised distance from
// `expected` is at least that of `observed` (allowance 1e-10), or whose distance
// |S - E| is at least |observed - E| - 1e-9 x (1 + |E|), normalised by
// acc[1].logMass and clamped to 1. The record at `observed` always counts.
double pvalue(double expected, double variance, const Node* acc, const Rec* list, double observed);

// The moments over any record list with the normaliser given directly; both
// distribution kinds (Rec and the linkage test's records) share it.
template <class R>
void momentOf(const R* list, double logTotal, double& m1, double& m2) {
  for (const R* r = list; r != nullptr; r = r->next) {
    const double w = std::exp(r->logProb - logTotal);
    m1 = w * r->value + m1;
    m2 = (r->value * r->value) * w + m2;
  }
}

// The same p-value over any record list with the normaliser given directly;
// both distribution kinds share it.
template <class R>
double pvalueOf(double expected, double variance, double logTotal, const R* list, double observed) {
  const double d = observed - expected;
  const double t = d * d / variance;
  // E(S) comes out of long sums whose rounding outgrows 1e-10 here; this keeps the mirror value.
  const double mirrorAllowance = std::fabs(d) - 1e-9 * (1 + std::fabs(expected));
  double acc = 0.0;
  bool first = true;
  for (const R* r = list; r != nullptr; r = r->next) {
    const double e = r->value - expected;
    const double x = e * e / variance;
    if (x >= t - 1e-10 || std::fabs(e) >= mirrorAllowance) {
      if (first) {
        acc = r->logProb;
        first = false;
      } else {
        acc = addlog(acc, r->logProb);
      }
    }
  }
  double p = std::exp(acc - logTotal);
  if (p > 1) {
    p = 1;
  }
  return p;
}
