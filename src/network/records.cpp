// Node store: allocation and release of node vectors and record lists.
#include "network/records.h"

void Node::setNode(double minR, double maxR, double meanR, double varR, double logM, Rec* r) {
  minRest = minR;
  maxRest = maxR;
  meanRest = meanR;
  varRest = varR;
  logMass = logM;
  recs = r;
}

Node* NDvector(long lo, long hi) {
  Node* block = new Node[static_cast<std::size_t>(hi - lo + 1 + NR_END)]();
  return block - lo + NR_END;
}

void free_NDvector(Node* v, long lo) { delete[] (v + lo - NR_END); }

Rec* crerec(double value, double logProb) { return new Rec{value, logProb, nullptr}; }

void releaseRec(Rec* r) { delete r; }

void freerec(Rec* r) {
  while (r != nullptr) {
    Rec* next = r->next;
    delete r;
    r = next;
  }
}
