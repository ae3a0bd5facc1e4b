// Autosomal network passes. A child's genotype weighs the number of ways its
// parents can transmit it, relative to the least likely one (1, 2, 1 copies
// for two heterozygous parents), kept as a natural log.
#include "nolinkage/apasses.h"

#include <cmath>
#include <cstdlib>

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
  int count = 0;
  double mass = 0.0;
  double m = 0.0;
  double second = 0.0;
  double prevLo = 0.0;
  double prevHi = 0.0;
  double prevL1 = 0.0;
  double prevL2 = 0.0;
  for (int v = net.firstNode[s + 1]; v <= net.lastNode[s + 1]; ++v) {
    if (!admitsG(net, u, v)) {
      continue;
    }
    const Node& next = V[v + 1];
    count = count + 1;
    const int d0 = net.nodes.key0[v] - net.nodes.key0[u];
    const double c = contribution(net, s, d0);
    const double w = logWeight(net, d0);
    double lo = next.minRest + c;
    double hi = next.maxRest + c;
    const double lw = next.logMass + w;
    const double shifted = next.meanRest + c;
    double L1 = std::log(shifted) + lw;
    double L2 = std::log(shifted * shifted + next.varRest) + lw;
    if (count >= 2) {
      lo = lo > prevLo ? prevLo : lo;
      hi = prevHi > hi ? prevHi : hi;
      L1 = addlog(L1, prevL1);
      L2 = addlog(L2, prevL2);
      mass = addlog(mass, lw);
    } else {
      mass = lw;
    }
    m = std::exp(L1 - mass);
    second = std::exp(L2 - mass);
    prevLo = lo;
    prevHi = hi;
    prevL1 = L1;
    prevL2 = L2;
  }
  // A node with no way on (count = 0) keeps zeros throughout.
  *minimum = prevLo;
  *maximum = prevHi;
  *logMass = mass;
  *mean = m;
  *variance = second - m * m;
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
  for (int s = 0; s <= a - 1; ++s) {
    const int first = net.firstNode[s + 1];
    const int last = net.lastNode[s + 1];
    if (last < first) {
      continue;
    }
    const bool intoEnd = s == a - 1;
    std::vector<SortedList<Rec>> targets(static_cast<std::size_t>(last - first + 1));
    for (int v = first; v <= last; ++v) {
      targets[v - first].head = V[v + 1].recs;
    }
    for (int u = net.firstNode[s]; u <= net.lastNode[s]; ++u) {
      for (const Rec* r = V[u + 1].recs; r != nullptr; r = r->next) {
        for (int v = first; v <= last; ++v) {
          if (intoEnd) {
            // No child is placed: the record moves on as it is.
            const double lp = r->logProb < 1e-7 ? 0.0 : r->logProb + 0.0;
            insertSorted(targets[v - first], crerec(r->value + 0.0, lp));
            continue;
          }
          if (!admitsG(net, u, v)) {
            continue;
          }
          const int d0 = net.nodes.key0[v] - net.nodes.key0[u];
          const double c = contribution(net, s, d0);
          const double w = logWeight(net, d0);
          const double lp = r->logProb < 1e-7 ? w : r->logProb + w;
          insertSorted(targets[v - first], crerec(r->value + c, lp));
        }
      }
    }
    for (int v = first; v <= last; ++v) {
      V[v + 1].recs = targets[v - first].head;
    }
  }
}
