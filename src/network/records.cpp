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

Node* NDvector(long lo, long hi) { return nodeVector<Node>(lo, hi); }

void free_NDvector(Node* v, long lo) { freeNodeVector(v, lo); }

Rec* crerec(double value, double logProb) {
  Rec* r = RecordPool<Rec>::make();
  r->value = value;
  r->logProb = logProb;
  r->next = nullptr;
  return r;
}

void releaseRec(Rec* r) { RecordPool<Rec>::release(r); }

void freerec(Rec* r) { freeList(r); }
