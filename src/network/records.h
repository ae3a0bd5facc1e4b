// Node store: network nodes, singly linked (value, log weight) records and
// the one sorted insertion that every forward pass and convolution uses.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "network/logspace.h"

constexpr long NR_END = 1;  // spare elements below the first index of a node vector

// One attainable value of the statistic with the natural log of its
// unnormalised weight. Lists are kept in strictly ascending order of value.
struct Rec {
  double value;
  double logProb;
  Rec* next;
};

// One network node: range, mean, variance and log weight of the rest of the
// statistic from this node on, and the records that reach it.
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

// Records are made and released once per partial value of S, the hottest
// work of every pass, so released records are kept on a free list and reused
// instead of going back to the general allocator. Under the address
// sanitizer every record is a plain new/delete, so that a record leaked or
// used after release is still reported.
// gcc says so with __SANITIZE_ADDRESS__, clang only through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define KINTEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KINTEX_ADDRESS_SANITIZER 1
#endif
#endif

template <class R>
class RecordPool {
 public:
  static R* make() {
#if defined(KINTEX_ADDRESS_SANITIZER)
    return new R();
#else
    if (free_ == nullptr) {
      refill();
    }
    R* r = free_;
    free_ = free_->next;
    return r;
#endif
  }
  static void release(R* r) {
#if defined(KINTEX_ADDRESS_SANITIZER)
    delete r;
#else
    r->next = free_;
    free_ = r;
#endif
  }

 private:
  static void refill() {
    constexpr std::size_t kChunk = 4096;
    chunks_.emplace_back(new R[kChunk]());
    R* chunk = chunks_.back().get();
    for (std::size_t i = 0; i < kChunk; ++i) {
      chunk[i].next = free_;
      free_ = &chunk[i];
    }
  }
  // Per thread: analyses running on several threads each keep their own.
  static inline thread_local R* free_ = nullptr;
  static inline thread_local std::vector<std::unique_ptr<R[]>> chunks_;
};

// Releases r and every record after it, iteratively (lists can be long).
template <class R>
void freeList(R* r) {
  while (r != nullptr) {
    R* next = r->next;
    RecordPool<R>::release(r);
    r = next;
  }
}

// Node vector with usable indices lo..hi (callers use lo = 1). Every node
// starts as all zeros with no records.
Node* NDvector(long lo, long hi);
// Releases the vector made by NDvector(lo, ...); the nodes' lists are the
// caller's to release first.
void free_NDvector(Node* v, long lo);

// A fresh record (value, logProb) with no successor.
Rec* crerec(double value, double logProb);
// Releases r and every record after it (iteratively; lists can be long).
// Must not be given a null pointer.
void freerec(Rec* r);

// A record list being built by a forward pass or a convolution, with a finger
// at the last insertion point: values usually arrive in ascending runs, so the
// walk starts at the finger and goes back to the head only when the new value
// lies below the finger's value. Where the record ends up, and which addlog
// merges it takes part in, are exactly those of a walk from the head.
//
//   SortedList<Rec> out{node.recs, nullptr};  // empty or an existing sorted list
//   addToSorted(out, v, lp);  // merges into an equal value, or links a new record
//   node.recs = out.head;
template <class R>
struct SortedList {
  R* head = nullptr;
  R* finger = nullptr;
};

// Adds the weight logProb to the value v of the list: a record of an equal
// value (exact comparison: values are sums of integers) takes it by addlog;
// otherwise make() supplies a record for (v, logProb), linked in so that the
// list stays strictly ascending. Records are made only when they are kept.
template <class R, class Make>
void addToSorted(SortedList<R>& list, double v, double logProb, Make make) {
  if (list.head == nullptr || list.head->value > v) {
    R* rec = make();
    rec->next = list.head;
    list.head = list.finger = rec;
    return;
  }
  R* p = (list.finger != nullptr && list.finger->value <= v) ? list.finger : list.head;
  while (p->next != nullptr && p->value != v && !(p->next->value > v)) {
    p = p->next;
  }
  if (p->value == v) {
    p->logProb = addlog(p->logProb, logProb);
  } else {
    R* rec = make();
    rec->next = p->next;
    p->next = rec;
    p = rec;
  }
  list.finger = p;
}

// Releases a single record (its successors untouched).
void releaseRec(Rec* r);

// Adds (value, logProb) to a list of Rec, making a record only when it is kept.
inline void addToSorted(SortedList<Rec>& list, double value, double logProb) {
  addToSorted(list, value, logProb, [&] { return crerec(value, logProb); });
}
