// Null distribution of S under "linkage, no association": the convolution of
// the families' equally likely value lists, with its moments and p-value.
#pragma once

#include <vector>

#include "network/records.h"

// Width of a record's per-allele sums (one per allele position of a list).
constexpr int NumAll = 20;

// One attainable partial sum of S with the natural log of the number of
// equally likely joint configurations that give it. Lists are in strictly
// ascending order of value.
struct Rec2 {
  double value;
  // Running sums of the increments passed to dist, per allele position; they
  // ride along with the record and play no part in any merge or result.
  double alleleSums[NumAll];
  double logProb;
  Rec2* next;
};

// A node of the two-node chain that carries the distribution through one
// family: node 1 before it, node 2 after it.
struct Node2 {
  double logMass;  // log of the configurations so far; set by the caller, not read by dist
  Rec2* recs;

  void setNode2(double logM, Rec2* r);
};

// Node vector with usable indices lo..hi (network2 uses 1..2); every node
// starts as all zeros with no records.
Node2* NDvector2(long lo, long hi);
// Releases the vector made by NDvector2(lo, ...); the nodes' lists are the
// caller's to release.
void free_NDvector2(Node2* v, long lo);

// A fresh record with the given value, the NumAll doubles sums[0..NumAll-1]
// and logProb, and no successor.
Rec2* crerec2(double value, const double* sums, double logProb);
// Releases r and every record after it (iteratively). Must not be given null.
void freerec2(Rec2* r);
// Releases a single record (its successors untouched).
void releaseRec2(Rec2* r);

// One convolution step: every record of nodes[1]'s list plus every entry of
// `values` (at most 4, each one configuration), merged by value into
// nodes[2]'s list (empty on entry). A record's allele sums grow by
// increments[j][q] for allele positions j < alleleCount and value index q.
// nodes[1]'s list is only read.
void dist(Node2* nodes, const std::vector<int>& values, const double (*increments)[4], int alleleCount);

// One family's step on the running distribution: hangs it on node 1 (with
// logMass) of a fresh two-node chain, runs dist, releases the old list and
// the chain, and returns node 2's list, the new running distribution.
//   Rec2* running = crerec2(0.0, zeroSums, 0.0);
//   running = convolve2(running, values, increments, alleleCount, W);  // per family
//   freerec2(running);                                                 // at the end
Rec2* convolve2(Rec2* running, const std::vector<int>& values, const double (*increments)[4], int alleleCount,
                double logMass);

// Adds the mean of the distribution to m1 and its mean square to m2; a
// record weighs exp(logProb - logTotal).
void moment2(const Rec2* list, double logTotal, double& m1, double& m2);

// Exact two-sided p-value of `observed`: the weight of every value whose
// squared standardised distance from `expected` is at least that of
// `observed` (allowance 1e-10) or whose distance from `expected` is within
// 1e-9 x (1 + |expected|) of the observed one or beyond, normalised by
// logTotal and clamped to 1 (the rule of pvalueOf in network/pvalue.h).
double pvalue2(double expected, double variance, double logTotal, const Rec2* list, double observed);
