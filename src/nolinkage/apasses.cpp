// Autosomal network passes. A child's genotype weighs the number of ways its
// parents can transmit it, relative to the least likely one (1, 2, 1 copies
// for two heterozygous parents), kept as a natural log.
#include "nolinkage/apasses.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <utility>

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

namespace {

// A node's key and counters, the identity of a node within its stage.
using NodeKey = std::array<int, 4>;

NodeKey keyOf(const NodeLists& n, int v) { return {n.key0[v], n.key1[v], n.hom0[v], n.hom1[v]}; }

// The nodes of one stage by key, for lookup.
std::vector<std::pair<NodeKey, int>> stageIndex(const NodeLists& n, int first, int last) {
  std::vector<std::pair<NodeKey, int>> index;
  for (int v = first; v <= last; ++v) {
    index.emplace_back(keyOf(n, v), v);
  }
  std::sort(index.begin(), index.end());
  return index;
}

// Node u's steps into the stage indexed by `next`, appended in ascending order.
void appendSteps(const GNetwork& net, int u, const std::vector<std::pair<NodeKey, int>>& next,
                 std::vector<int>& to) {
  const NodeLists& n = net.nodes;
  const std::vector<int>& hom = net.homClasses;
  const std::size_t from = to.size();
  for (int d0 = net.minCopies[0]; d0 <= net.maxCopies[0]; ++d0) {
    for (int d1 = net.minCopies[1]; d1 <= net.maxCopies[1]; ++d1) {
      if (std::abs(d0) + std::abs(d1) > 2) {
        continue;
      }
      const int d[2] = {d0, d1};
      int h0 = n.hom0[u];
      int h1 = n.hom1[u];
      countHomozygote(hom, d, net.parents, h0, h1);
      const NodeKey key{n.key0[u] + d0, n.key1[u] + d1, h0, h1};
      const auto found = std::lower_bound(next.begin(), next.end(), std::make_pair(key, 0));
      if (found != next.end() && found->first == key) {
        to.push_back(found->second);
      }
    }
  }
  std::sort(to.begin() + static_cast<std::ptrdiff_t>(from), to.end());
}

}  // namespace

StepTable stepsOfG(const GNetwork& net, int a) {
  StepTable steps;
  steps.begin.assign(static_cast<std::size_t>(net.nodes.stage.size()) + 1, 0);
  for (int s = 0; s <= a - 2; ++s) {
    const auto next = stageIndex(net.nodes, net.firstNode[s + 1], net.lastNode[s + 1]);
    for (int u = net.firstNode[s]; u <= net.lastNode[s]; ++u) {
      steps.begin[static_cast<std::size_t>(u)] = static_cast<int>(steps.to.size());
      appendSteps(net, u, next, steps.to);
      steps.begin[static_cast<std::size_t>(u) + 1] = static_cast<int>(steps.to.size());
    }
  }
  return steps;
}

namespace {

// Contribution to S and log weight of the step placing child s with d0 copies.
int contribution(const GNetwork& net, int s, int d0) {
  return net.childWeights[s] * modelScore(d0, net.model);
}

double logWeight(const GNetwork& net, int d0) {
  return prbar0(d0 - net.minCopies[0], net.table, net.maxCopies[0] - net.minCopies[0]);
}

// The same weight as a count: C(range, d0 - fewest) with a range of at most 2.
double ways(const GNetwork& net, int d0) {
  const int range = net.maxCopies[0] - net.minCopies[0];
  const int k = d0 - net.minCopies[0];
  return (range == 2 && k == 1) ? 2.0 : 1.0;
}

}  // namespace

void pathG(int u, int s, const Node* V, const GNetwork& net, const StepTable& steps, double* minimum,
           double* maximum, double* logMass, double* mean, double* variance) {
  RestSummary rest;
  for (int k = steps.begin[static_cast<std::size_t>(u)]; k < steps.begin[static_cast<std::size_t>(u) + 1]; ++k) {
    const int v = steps.to[static_cast<std::size_t>(k)];
    const int d0 = net.nodes.key0[v] - net.nodes.key0[u];
    rest.add(contribution(net, s, d0), logWeight(net, d0), V[v + 1]);
  }
  *minimum = rest.minRest;
  *maximum = rest.maxRest;
  *logMass = rest.logMass;
  *mean = rest.mean;
  *variance = rest.variance();
}

void backwardG(int a, int N, Node* V, const GNetwork& net, const StepTable& steps) {
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
      pathG(u, s, V, net, steps, &minimum, &maximum, &logMass, &mean, &variance);
      V[u + 1].setNode(minimum, maximum, mean, variance, logMass, nullptr);
    }
  }
}

FamilyDist forwardG(int a, const GNetwork& net, const StepTable& table) {
  return forwardPass(a, net.firstNode, net.lastNode,
                     [&](int s, int u, int first, int last, std::vector<ForwardStep>& steps) {
                       if (s == a - 1) {
                         for (int v = first; v <= last; ++v) {
                           steps.push_back({v, 0, 1.0});  // into the end node: no child is placed
                         }
                         return;
                       }
                       for (int k = table.begin[static_cast<std::size_t>(u)];
                            k < table.begin[static_cast<std::size_t>(u) + 1]; ++k) {
                         const int v = table.to[static_cast<std::size_t>(k)];
                         const int d0 = net.nodes.key0[v] - net.nodes.key0[u];
                         steps.push_back({v, contribution(net, s, d0), ways(net, d0)});
                       }
                     });
}
