// X-linked network passes. Every admissible step weighs 1: a mother passes
// either of her X chromosomes with the same chance, and a father's X is fixed.
#include "nolinkage/xpasses.h"

#include "nolinkage/restsummary.h"
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
  RestSummary rest;
  for (int e = net.firstNode[s + 1]; e <= net.lastNode[s + 1]; ++e) {
    const int u = net.key0[e] - v;
    if (admissible(net, stages, s, u)) {
      rest.add(xStepContribution(stages, s, u, model), 0.0, V[e + 1]);
    }
  }
  *minRest = rest.minRest;
  *maxRest = rest.maxRest;
  *meanRest = rest.mean;
  *varRest = rest.variance();
  *logMass = rest.logMass;
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

FamilyDist forwardX(int a, const XNetwork& net, const std::vector<int>& sons, const std::vector<int>& daughters,
                    const std::vector<int>& affection, int model) {
  const XStages stages = xStages(sons, daughters, affection);
  const int n = a - 1;
  // Every admissible step happens one way.
  return forwardPass(a, net.firstNode, net.lastNode,
                     [&](int s, int i, int first, int last, std::vector<ForwardStep>& steps) {
                       for (int e = first; e <= last; ++e) {
                         const int u = net.key0[e] - net.key0[i];
                         if (s == n) {
                           steps.push_back({e, 0, 1.0});  // into the end node: no child is placed
                         } else if (admissible(net, stages, s, u)) {
                           steps.push_back({e, xStepContribution(stages, s, u, model), 1.0});
                         }
                       }
                     });
}
