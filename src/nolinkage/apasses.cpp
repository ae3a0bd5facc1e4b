// Autosomal network passes. A child's genotype weighs the number of ways its
// parents can transmit it, relative to the least likely one (1, 2, 1 copies
// for two heterozygous parents), kept as a natural log.
#include "nolinkage/apasses.h"

#include <cstdlib>

#include "nolinkage/restsummary.h"

int modelScore(int d0, int model) {
  if (model == 2) {
    return d0 != 0 ? 1 : 0;
  }
  if (model == 3) {
    return d0 == 2 ? 1 : 0;
  }
  return d0;
}

bool admitsG(const GNetwork& net, int u, int v) {
  const NodeLists& n = net.nodes;
  const int d[2] = {n.key0[v] - n.key0[u], n.key1[v] - n.key1[u]};
  for (int k = 0; k <= 1; ++k) {
    if (d[k] < net.minCopies[k] || d[k] > net.maxCopies[k]) {
      return false;
    }
  }
  if (std::abs(d[0]) + std::abs(d[1]) > 2) {
    return false;
  }
  const std::vector<int>& hom = net.homClasses;
  const int add0 = (!hom.empty() && d[hom[0]] == 2) ? 1 : 0;
  const int add1 = (hom.size() == 2 && d[hom[1]] == 2) ? 1 : 0;
  return n.hom0[v] == n.hom0[u] + add0 && n.hom1[v] == n.hom1[u] + add1;
}

namespace {

// Contribution to S and log weight of the step placing child s with d0 copies.
int contribution(const GNetwork& net, int s, int d0) {
  return net.childWeights[s] * modelScore(d0, net.model);
}

double logWeight(const GNetwork& net, int d0) {
  return prbar0(d0 - net.minCopies[0], net.table, net.maxCopies[0] - net.minCopies[0]);
}

}  // namespace

void pathG(int u, int s, const Node* V, const GNetwork& net, double* minimum, double* maximum,
           double* logMass, double* mean, double* variance) {
  RestSummary rest;
  for (int v = net.firstNode[s + 1]; v <= net.lastNode[s + 1]; ++v) {
    if (admitsG(net, u, v)) {
      const int d0 = net.nodes.key0[v] - net.nodes.key0[u];
      rest.add(contribution(net, s, d0), logWeight(net, d0), V[v + 1]);
    }
  }
  *minimum = rest.minRest;
  *maximum = rest.maxRest;
  *logMass = rest.logMass;
  *mean = rest.mean;
  *variance = rest.variance();
}

void backwardG(int a, int N, Node* V, const GNetwork& net) {
  const double endMean = V[N].meanRest;
  const double endMass = V[N].logMass;
  for (int s = a - 1; s >= 0; --s) {
    for (int u = net.firstNode[s]; u <= net.lastNode[s]; ++u) {
      if (s == a - 1) {
        V[u + 1].setNode(0, 0, endMean, 0, endMass, nullptr);
        continue;
      }
      double minimum = 0.0;
      double maximum = 0.0;
      double logMass = 0.0;
      double mean = 0.0;
      double variance = 0.0;
      pathG(u, s, V, net, &minimum, &maximum, &logMass, &mean, &variance);
      V[u + 1].setNode(minimum, maximum, mean, variance, logMass, nullptr);
    }
  }
}

void forwardG(int a, Node* V, const GNetwork& net) {
  forwardPass(V, a, net.firstNode, net.lastNode,
              [&](int s, int u, int first, int last, std::vector<ForwardStep>& steps) {
                for (int v = first; v <= last; ++v) {
                  if (s == a - 1) {
                    steps.push_back({v, 0.0, 0.0});  // into the end node: no child is placed
                  } else if (admitsG(net, u, v)) {
                    const int d0 = net.nodes.key0[v] - net.nodes.key0[u];
                    steps.push_back({v, static_cast<double>(contribution(net, s, d0)), logWeight(net, d0)});
                  }
                }
              });
}
