// What both network passes share: the running summary of the rest of the
// statistic over a node's steps (backward), and one stage's sorted record
// lists (forward).
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

// The record lists of the nodes first..last of one stage while a forward pass
// fills them: each insertion goes through the one sorted insertion (with its
// finger), and store() writes the heads back to the nodes.
class StageLists {
 public:
  StageLists(Node* V, int first, int last) : V_(V), first_(first) {
    for (int e = first; e <= last; ++e) {
      lists_.push_back(SortedList<Rec>{V[e + 1].recs, nullptr});
    }
  }
  // A new record (value, logProb) for node number e.
  void insert(int e, double value, double logProb) {
    insertSorted(lists_[static_cast<std::size_t>(e - first_)], crerec(value, logProb));
  }
  void store() {
    for (std::size_t i = 0; i < lists_.size(); ++i) {
      V_[first_ + static_cast<int>(i) + 1].recs = lists_[i].head;
    }
  }

 private:
  Node* V_;
  int first_;
  std::vector<SortedList<Rec>> lists_;
};
