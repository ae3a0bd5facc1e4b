// What both network passes share: the running summary of the rest of the
// statistic over a node's steps (backward), and the forward pass that
// carries the record lists through the stages.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "network/records.h"

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
// `contribution` to the statistic and `logWeight` to the record's weight.
struct ForwardStep {
  int target;
  double contribution;
  double logWeight;
};

// The forward pass shared by both networks: stage by stage, every record of
// every node (in node order, then list order) takes each of the node's
// steps into the next stage, and lands in the target's sorted list. A record
// whose weight is below 1e-7 counts as weight exactly 1. Every insertion goes
// through the one sorted insertion, with a finger per target list.
//   stepsOf(s, u, first, last, steps) lists node u's steps into the nodes
//   first..last of stage s + 1; a = number of children + 1.
template <class StepsOf>
void forwardPass(Node* V, int a, const std::vector<int>& firstNode, const std::vector<int>& lastNode,
                 StepsOf stepsOf) {
  std::vector<ForwardStep> steps;
  for (int s = 0; s <= a - 1; ++s) {
    const int first = firstNode[s + 1];
    const int last = lastNode[s + 1];
    std::vector<SortedList<Rec>> lists;
    for (int e = first; e <= last; ++e) {
      lists.push_back(SortedList<Rec>{V[e + 1].recs, nullptr});
    }
    for (int u = firstNode[s]; u <= lastNode[s]; ++u) {
      if (V[u + 1].recs == nullptr) {
        continue;
      }
      steps.clear();
      stepsOf(s, u, first, last, steps);
      // Each target receives the records in node order, then list order, as
      // when every record visits every target in turn.
      for (const ForwardStep& step : steps) {
        SortedList<Rec>& target = lists[static_cast<std::size_t>(step.target - first)];
        for (const Rec* r = V[u + 1].recs; r != nullptr; r = r->next) {
          const double lp = r->logProb < 1e-7 ? step.logWeight : r->logProb + step.logWeight;
          addToSorted(target, r->value + step.contribution, lp);
        }
      }
    }
    for (int e = first; e <= last; ++e) {
      V[e + 1].recs = lists[static_cast<std::size_t>(e - first)].head;
    }
  }
}
