// Moments and exact p-value of the distribution held by the accumulator node.
#include "network/pvalue.h"

void moment(const Rec* list, const Node* acc, double& m1, double& m2) {
  momentOf(list, acc[1].logMass, m1, m2);
}

double pvalue(double expected, double variance, const Node* acc, const Rec* list, double observed) {
  return pvalueOf(expected, variance, acc[1].logMass, list, observed);
}
