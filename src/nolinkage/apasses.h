// Autosomal network passes: the backward pass gives every node the range,
// mean, variance and log weight of the rest of the statistic; the forward pass
// gives the family's own distribution of its statistic.
#pragma once

#include <vector>

#include "network/records.h"
#include "network/studysum.h"
#include "nolinkage/abounds.h"

// What both passes read of one family's network. Stage s holds node numbers
// firstNode[s]..lastNode[s] (0-based; node i is element i + 1 of the node
// vector). childWeights[s] is the affection code of child s (children in
// child-position order), then 0 for the step into the end node. table is
// faclog(2 * nkids + 1).
struct GNetwork {
  const NodeLists& nodes;
  const std::vector<int>& firstNode;
  const std::vector<int>& lastNode;
  const std::vector<int>& childWeights;
  const std::vector<int>& minCopies;
  const std::vector<int>& maxCopies;
  const std::vector<int>& homClasses;
  const std::vector<double>& table;
  int model;
  const std::vector<int>& parents;
};

// The admissible steps of every node below the last child's stage. A step
// from node u to node v of the next stage places a possible child: the copies
// of each class it adds lie within the class's bounds, at most two copies in
// all, and the homozygote counters move with it. Node u's steps are
// to[begin[u]] .. to[begin[u + 1] - 1], in ascending node order. They are
// found by key rather than by scanning the next stage: a large sibship has
// thousands of nodes per stage but each node only a handful of steps.
struct StepTable {
  std::vector<int> begin;
  std::vector<int> to;
};

// The step table of a network with a = nkids + 1 stages below the end node.
StepTable stepsOfG(const GNetwork& net, int a);

// Score of a child receiving d0 copies of the tested allele: additive d0,
// dominant 1 if d0 is not 0, recessive 1 if d0 = 2.
int modelScore(int d0, int model);

// Backward pass over stages a - 1 (= nkids) .. 0; a = nkids + 1. The end node
// (element N) must already hold the accumulator's meanRest and logMass; it is
// not rewritten. A node without any admissible step onward gets all zeros.
// `steps` is the network's stepsOfG(net, a), made once for both passes.
void backwardG(int a, int N, Node* V, const GNetwork& net, const StepTable& steps);

// One node u of stage s (below the last child's stage): over its admissible
// steps, the least and greatest rest of the statistic, its mean and variance,
// and the log of the weight of all completions (each child's genotype weighs
// C(maxCopies[0] - minCopies[0], copies above the fewest)).
void pathG(int u, int s, const Node* V, const GNetwork& net, const StepTable& steps, double* minimum,
           double* maximum, double* logMass, double* mean, double* variance);

// Forward pass from a single record (value 0, weight 1) at the root: every
// admissible step adds its contribution and multiplies by its number of ways;
// the end node's distribution is the family's distribution of its statistic.
FamilyDist forwardG(int a, const GNetwork& net, const StepTable& steps);
