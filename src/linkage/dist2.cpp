// Null distribution of S under "linkage, no association": records, the
// convolution step, moments and p-value.
#include "linkage/dist2.h"

#include <algorithm>
#include <cstring>

#include "network/pvalue.h"

void Node2::setNode2(double logM, Rec2* r) {
  logMass = logM;
  recs = r;
}

Node2* NDvector2(long lo, long hi) { return nodeVector<Node2>(lo, hi); }

void free_NDvector2(Node2* v, long lo) { freeNodeVector(v, lo); }

Rec2* crerec2(double value, const double* sums, double logProb) {
  Rec2* r = RecordPool<Rec2>::make();
  r->value = value;
  std::memcpy(r->alleleSums, sums, sizeof r->alleleSums);
  r->logProb = logProb;
  r->next = nullptr;
  return r;
}

void releaseRec2(Rec2* r) { RecordPool<Rec2>::release(r); }

void freerec2(Rec2* r) { freeList(r); }

void dist(Node2* nodes, const std::vector<int>& values, const double (*increments)[4], int alleleCount) {
  double sums[NumAll] = {};  // positions from alleleCount on stay 0
  const int used = std::min(alleleCount, NumAll);
  SortedList<Rec2> out{nodes[2].recs, nullptr};
  // The source list ascends, so the sums of one value index ascend too: each
  // index keeps its own finger (a record of the list at or below its next
  // sum), and a value list such as (2, 1) does not send every other
  // insertion back to the head. Where a record lands is the same from any
  // such finger.
  std::vector<Rec2*> fingers(values.size(), nullptr);
  for (const Rec2* s = nodes[1].recs; s != nullptr; s = s->next) {
    // Each configuration counts once; a weight below 1e-7 is exactly one.
    const double lp = s->logProb < 1e-7 ? 0.0 : s->logProb;
    for (std::size_t q = 0; q < values.size(); ++q) {
      const double v = values[q] + s->value;
      for (int j = 0; j < used; ++j) {
        sums[j] = s->alleleSums[j] + increments[j][q];
      }
      out.finger = fingers[q];
      addToSorted(out, v, lp, [&] { return crerec2(v, sums, lp); });
      fingers[q] = out.finger;
    }
  }
  nodes[2].recs = out.head;
}

Rec2* convolve2(Rec2* running, const std::vector<int>& values, const double (*increments)[4], int alleleCount,
                double logMass) {
  Node2* nodes = NDvector2(1, 2);
  nodes[1].setNode2(logMass, running);
  nodes[2].setNode2(0.0, nullptr);
  dist(nodes, values, increments, alleleCount);
  Rec2* next = nodes[2].recs;
  freerec2(nodes[1].recs);
  free_NDvector2(nodes, 1);
  return next;
}

void moment2(const Rec2* list, double logTotal, double& m1, double& m2) { momentOf(list, logTotal, m1, m2); }

double pvalue2(double expected, double variance, double logTotal, const Rec2* list, double observed) {
  return pvalueOf(expected, variance, logTotal, list, observed);
}
