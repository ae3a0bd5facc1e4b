// Node store: allocation and release of node vectors.
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
