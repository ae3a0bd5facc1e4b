// Node store: the network nodes of the backward passes and their vectors.
#pragma once

#include <cstddef>
#include <vector>

#include "network/logspace.h"

constexpr long NR_END = 1;  // spare elements below the first index of a node vector

struct Rec;  // a node's records: no pass keeps any (the field stays null)

// One network node: range, mean, variance and log weight of the rest of the
// statistic from this node on.
struct Node {
  double minRest;
  double maxRest;
  double meanRest;
  double varRest;
  double logMass;
  Rec* recs;

  void setNode(double minR, double maxR, double meanR, double varR, double logM, Rec* r);
};

// A vector of nodes of type N with usable indices lo..hi (callers use lo = 1):
// NR_END spare element lies below lo. Every node starts as all zeros.
template <class N>
N* nodeVector(long lo, long hi) {
  N* block = new N[static_cast<std::size_t>(hi - lo + 1 + NR_END)]();
  return block - lo + NR_END;
}

// Releases a vector made by nodeVector<N>(lo, ...).
template <class N>
void freeNodeVector(N* v, long lo) {
  delete[] (v + lo - NR_END);
}

// Node vector with usable indices lo..hi (callers use lo = 1). Every node
// starts as all zeros with no records.
Node* NDvector(long lo, long hi);
// Releases the vector made by NDvector(lo, ...); the nodes' lists are the
// caller's to release first.
void free_NDvector(Node* v, long lo);
