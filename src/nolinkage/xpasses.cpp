// X-linked network passes. Every admissible step weighs 1: a mother passes
// either of her X chromosomes with the same chance, and a father's X is fixed.
#include "nolinkage/xpasses.h"

#include <cmath>

#include "nolinkage/statistic.h"

XStages xStages(const std::vector<int>& sons, const std::vector<int>& daughters,
                const std::vector<int>& affection) {
  XStages st;
  st.daughters = static_cast<int>(daughters.size());
  for (int d : daughters) {
    st.kind.push_back(2);
    st.weight.push_back(affection[d]);
  }
  for (int s : sons) {
    st.kind.push_back(1);
    st.weight.push_back(affection[s]);
  }
  st.kind.push_back(2);
  st.weight.push_back(0);
  return st;
}

int xStepContribution(const XStages& stages, int s, int u, int model) {
  const int score = stages.kind[s] == 2 ? genotypeScore(u, model) : u;
  return stages.weight[s] * score;
}

namespace {

// Whether a step of stage s may give its child u copies: within the child's
// bounds, and at most two for a daughter, one for a son. (Every key of the next
// stage already lies between that stage's least and greatest key, so those
// bounds admit nothing more.)
bool admissible(const XNetwork& net, const XStages& stages, int s, int u) {
  const int t = stages.kind[s] == 2 ? 0 : 1;
  const int cap = s < stages.daughters ? 2 : 1;
  return net.childMin[t] <= u && u <= net.childMax[t] && u <= cap;
}

}  // namespace

void pathX(const Node* V, int i, int s, const XNetwork& net, const XStages& stages, int model,
           double* minRest, double* maxRest, double* meanRest, double* varRest, double* logMass) {
  const int v = net.key0[i];
  int found = 0;
  double L = 0.0;
  double mean = 0.0;
  double second = 0.0;
  double cmin = 0.0;
  double cmax = 0.0;
  double A = 0.0;
  double B = 0.0;
  for (int e = net.firstNode[s + 1]; e <= net.lastNode[s + 1]; ++e) {
    const int u = net.key0[e] - v;
    if (!admissible(net, stages, s, u)) {
      continue;
    }
    const Node& E = V[e + 1];
    found = found + 1;
    const double w = xStepContribution(stages, s, u, model);
    double stepMin = w + E.minRest;
    double stepMax = w + E.maxRest;
    const double lw = E.logMass + 0.0;
    const double m = w + E.meanRest;
    double stepA = std::log(m) + lw;
    double stepB = std::log(m * m + E.varRest) + lw;
    if (found == 1) {
      L = lw;
    } else {
      stepMin = std::min(stepMin, cmin);
      stepMax = std::max(stepMax, cmax);
      stepA = addlog(stepA, A);
      stepB = addlog(stepB, B);
      L = addlog(L, lw);
    }
    mean = std::exp(stepA - L);
    second = std::exp(stepB - L);
    cmin = stepMin;
    cmax = stepMax;
    A = stepA;
    B = stepB;
  }
  // A node with no way on (found = 0) keeps zeros throughout.
  *minRest = cmin;
  *maxRest = cmax;
  *meanRest = mean;
  *varRest = second - mean * mean;
  *logMass = L;
}

void backwardX(int a, int N, Node* V, const XNetwork& net, const std::vector<int>& sons,
               const std::vector<int>& daughters, const std::vector<int>& affection, int model) {
  const XStages stages = xStages(sons, daughters, affection);
  const double M0 = V[N].meanRest;
  const double L0 = V[N].logMass;
  const int n = a - 1;
  for (int i = net.firstNode[n]; i <= net.lastNode[n]; ++i) {
    V[i + 1].setNode(0, 0, M0, 0, L0, nullptr);
  }
  for (int s = n - 1; s >= 0; --s) {
    for (int i = net.firstNode[s]; i <= net.lastNode[s]; ++i) {
      double minR = 0.0;
      double maxR = 0.0;
      double meanR = 0.0;
      double varR = 0.0;
      double logM = 0.0;
      pathX(V, i, s, net, stages, model, &minR, &maxR, &meanR, &varR, &logM);
      V[i + 1].setNode(minR, maxR, meanR, varR, logM, nullptr);
    }
  }
}

void forwardX(int a, Node* V, const XNetwork& net, const std::vector<int>& sons,
              const std::vector<int>& daughters, const std::vector<int>& affection, int model) {
  const XStages stages = xStages(sons, daughters, affection);
  const int n = a - 1;
  for (int s = 0; s <= n; ++s) {
    const int first = net.firstNode[s + 1];
    const int last = net.lastNode[s + 1];
    if (last < first) {
      continue;
    }
    std::vector<SortedList<Rec>> targets(static_cast<std::size_t>(last - first + 1));
    for (int e = first; e <= last; ++e) {
      targets[e - first].head = V[e + 1].recs;
    }
    for (int i = net.firstNode[s]; i <= net.lastNode[s]; ++i) {
      const int v = net.key0[i];
      for (const Rec* r = V[i + 1].recs; r != nullptr; r = r->next) {
        const double lp = r->logProb < 1e-7 ? 0.0 : r->logProb + 0.0;
        for (int e = first; e <= last; ++e) {
          const int u = net.key0[e] - v;
          if (s == n) {
            // Into the end node: every step, and no child is placed.
            insertSorted(targets[e - first], crerec(r->value, lp));
          } else if (admissible(net, stages, s, u)) {
            const double w = xStepContribution(stages, s, u, model);
            insertSorted(targets[e - first], crerec(r->value + w, lp));
          }
        }
      }
    }
    for (int e = first; e <= last; ++e) {
      V[e + 1].recs = targets[e - first].head;
    }
  }
}
