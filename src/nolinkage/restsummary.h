// What both network passes share: the running summary of the rest of the
// statistic over a node's steps (backward), and the forward pass that gives
// the family's own distribution of its statistic.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>
#include <algorithm>
#include <limits>

#include "network/records.h"
#include "network/studysum.h"

// Range, mean, variance and log weight of the rest of the statistic from one
// node, gathered over its admissible steps in node order. The mean and the
// second moment are summed in log space, weighted by each step's share of
// the node's weight. A node without any step keeps zeros throughout.
struct RestSummary {
  int count = 0;
  double minRest = 0.0;
  double maxRest = 0.0;
  double L1 = 0.0;  // log of the weighted sum of means
  double L2 = 0.0;  // log of the weighted sum of second moments
  double logMass = 0.0;
  double mean = 0.0;
  double second = 0.0;

  // One step of contribution c and log weight w into a node `next`.
  void add(double c, double w, const Node& next) {
    count = count + 1;
    double lo = next.minRest + c;
    double hi = next.maxRest + c;
    const double lw = next.logMass + w;
    const double shifted = next.meanRest + c;
    double A = std::log(shifted) + lw;
    double B = std::log(shifted * shifted + next.varRest) + lw;
    if (count >= 2) {
      lo = lo > minRest ? minRest : lo;
      hi = maxRest > hi ? maxRest : hi;
      A = addlog(A, L1);
      B = addlog(B, L2);
      logMass = addlog(logMass, lw);
    } else {
      logMass = lw;
    }
    mean = std::exp(A - logMass);
    second = std::exp(B - logMass);
    minRest = lo;
    maxRest = hi;
    L1 = A;
    L2 = B;
  }
  double variance() const { return second - mean * mean; }
};

// One step of a forward pass: into node number `target`, adding
// `contribution` to the statistic and multiplying the weight by `weight` (the
// number of ways the step can happen: 1 or 2).
struct ForwardStep {
  int target;
  int contribution;
  double weight;
};

// The forward pass shared by both networks, from a single record (value 0,
// weight 1) at the root: stage by stage, every node's distribution of the
// partial statistic (a dense array over its range) takes each of the node's
// steps into the next stage. Only two stages are held at a time. The end
// node's distribution is the family's distribution of its statistic; its
// weights are exact integers while they stay below 2^53, and are scaled by
// powers of two beyond 2^900 so that a sibship of hundreds keeps every weight.
//   stepsOf(s, u, first, last, steps) lists node u's steps into the nodes
//   first..last of stage s + 1; a = number of children + 1.
template <class StepsOf>
FamilyDist forwardPass(int a, const std::vector<int>& firstNode, const std::vector<int>& lastNode,
                       StepsOf stepsOf) {
  struct Partial {
    int lo = 0;
    int hi = -1;  // empty while hi < lo
    std::vector<double> w;
  };
  std::vector<Partial> current(1);
  current[0] = Partial{0, 0, {1.0}};
  int exp2 = 0;
  std::vector<ForwardStep> steps;
  std::vector<std::size_t> stepBegin;
  for (int s = 0; s <= a - 1; ++s) {
    const int first = firstNode[s + 1];
    const int from = firstNode[s];
    std::vector<Partial> next(static_cast<std::size_t>(lastNode[s + 1] - first + 1));
    for (Partial& t : next) {
      t.lo = std::numeric_limits<int>::max();
      t.hi = std::numeric_limits<int>::min();
    }
    steps.clear();
    stepBegin.assign(current.size() + 1, 0);
    for (std::size_t u = 0; u < current.size(); ++u) {
      stepBegin[u] = steps.size();
      if (current[u].w.empty()) {
        continue;
      }
      stepsOf(s, from + static_cast<int>(u), first, lastNode[s + 1], steps);
      for (std::size_t k = stepBegin[u]; k < steps.size(); ++k) {
        Partial& t = next[static_cast<std::size_t>(steps[k].target - first)];
        t.lo = std::min(t.lo, current[u].lo + steps[k].contribution);
        t.hi = std::max(t.hi, current[u].hi + steps[k].contribution);
      }
    }
    stepBegin[current.size()] = steps.size();
    for (Partial& t : next) {
      if (t.hi >= t.lo) {
        t.w.assign(static_cast<std::size_t>(t.hi - t.lo + 1), 0.0);
      }
    }
    double largest = 0.0;
    for (std::size_t u = 0; u < current.size(); ++u) {
      const Partial& src = current[u];
      for (std::size_t k = stepBegin[u]; k < stepBegin[u + 1]; ++k) {
        Partial& t = next[static_cast<std::size_t>(steps[k].target - first)];
        double* out = t.w.data() + (src.lo + steps[k].contribution - t.lo);
        const double f = steps[k].weight;
        for (std::size_t i = 0; i < src.w.size(); ++i) {
          out[i] += src.w[i] * f;
          largest = std::max(largest, out[i]);
        }
      }
    }
    if (largest > 0x1p900) {
      for (Partial& t : next) {
        for (double& x : t.w) {
          x = x * 0x1p-800;
        }
      }
      exp2 += 800;
    }
    current.swap(next);
  }
  FamilyDist d;
  if (!current.empty() && !current.back().w.empty()) {
    d.lo = current.back().lo;
    d.w = std::move(current.back().w);
  }
  d.exp2 = exp2;
  return d;
}
