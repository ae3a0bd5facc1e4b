// The "no linkage, no association" test driver: walks the nuclear families,
// builds each informative family's network and chains the families through the
// running distribution of S.
#include "nolinkage/network.h"

#include <algorithm>

#include "family/codings.h"
#include "network/pvalue.h"
#include "network/records.h"
#include "nolinkage/abounds.h"
#include "nolinkage/apasses.h"
#include "nolinkage/mendel.h"
#include "nolinkage/statistic.h"
#include "nolinkage/xbounds.h"
#include "nolinkage/xpasses.h"

namespace {

// What carries over from one family to the next: the running list (the
// distribution of the partial sum of S, moved by pointer, never copied), the
// accumulator node (the running mean, variance and log total weight) and S.
struct Chain {
  Rec* running = nullptr;
  Node* acc = nullptr;
  double S = 0.0;
  std::vector<FamilyId>* informativeFamilies = nullptr;
};

using FamilyIds = FamilyId;

// Stage s of the network holds node numbers firstNode[s]..lastNode[s]; the
// nodes come grouped by stage in ascending order, the end node last.
void stageBounds(const std::vector<int>& stage, int nkids, std::vector<int>& firstNode,
                 std::vector<int>& lastNode) {
  std::vector<int> perStage(static_cast<std::size_t>(nkids + 2), 0);
  for (int s : stage) {
    ++perStage[s];
  }
  firstNode.assign(static_cast<std::size_t>(nkids + 2), 0);
  lastNode.assign(static_cast<std::size_t>(nkids + 2), 0);
  int c = 0;
  for (int s = 0; s <= nkids; ++s) {
    c += perStage[s];
    firstNode[s + 1] = c;
    lastNode[s] = c - 1;
  }
  lastNode[nkids + 1] = static_cast<int>(stage.size()) - 1;
}

// One family's network of N nodes: the backward pass, the informativeness test
// on the root's range and, for an informative family, the forward pass that
// carries the running list through it. Only the running list survives.
template <class Backward, class Forward>
bool passFamily(Chain& chain, int N, double familyStatistic, const FamilyIds& ids, Backward backward,
                Forward forward) {
  Node* V = NDvector(1, N);
  const Node& acc = chain.acc[1];
  // Through the end node every node's weight includes the earlier families'.
  V[N].setNode(0, 0, acc.meanRest, acc.varRest, acc.logMass, nullptr);
  backward(V);
  if (V[1].maxRest == V[1].minRest) {
    free_NDvector(V, 1);
    return false;
  }
  chain.S = chain.S + familyStatistic;
  chain.informativeFamilies->push_back(ids);
  V[1].recs = chain.running;
  forward(V);
  chain.acc[1].setNode(0, 0, V[1].meanRest, V[1].varRest, V[1].logMass, nullptr);
  chain.running = V[N].recs;
  for (int i = 1; i <= N - 1; ++i) {
    if (V[i].recs != nullptr) {
      freerec(V[i].recs);
    }
  }
  free_NDvector(V, 1);
  return true;
}

std::vector<int> childWeightsOf(const FamilyMembers& fam) {
  std::vector<int> weights;
  for (int c : fam.children) {
    weights.push_back(fam.affection[c]);
  }
  weights.push_back(0);
  return weights;
}

bool autosomalFamily(Chain& chain, const FamilyMembers& fam, const AllelePairs& pairs, int distinctAlleles,
                     int model, const FamilyIds& ids) {
  GenotypeMatrix matrix{};
  std::vector<int> minCopies;
  std::vector<int> maxCopies;
  std::vector<int> homClasses;
  minmaxA(pairs, minCopies, maxCopies, fam.parents, fam.children, matrix, homClasses);
  std::vector<int> low;
  std::vector<int> high;
  minmaxm(minCopies, maxCopies, low, high, pairs, fam.children, fam.parents, distinctAlleles, homClasses,
          matrix);
  const double familyStatistic = statistic(pairs, fam.affection, fam.children, model, fam.sexes, 0);

  const int nkids = static_cast<int>(fam.children.size());
  NodeLists nodes{{0}, {0}, {0}, {0}, {0}};
  buildG(low, high, nkids, nodes, minCopies, maxCopies, homClasses, matrix, fam.parents);
  const int N = static_cast<int>(nodes.stage.size());
  std::vector<int> firstNode;
  std::vector<int> lastNode;
  stageBounds(nodes.stage, nkids, firstNode, lastNode);
  const std::vector<double> table = faclog(2 * nkids + 1);
  const std::vector<int> childWeights = childWeightsOf(fam);
  const GNetwork net{nodes,     firstNode,  lastNode, childWeights, minCopies,
                     maxCopies, homClasses, table,    model};
  const int a = nkids + 1;
  const StepTable steps = stepsOfG(net, a);
  return passFamily(
      chain, N, familyStatistic, ids, [&](Node* V) { backwardG(a, N, V, net, steps); },
      [&](Node* V) { forwardG(a, V, net, steps); });
}

// False when the genotypes are incompatible with X-linked inheritance.
bool xlinkedFamily(Chain& chain, const FamilyMembers& fam, const AllelePairs& pairs, int model,
                   const FamilyIds& ids, bool& incompatible) {
  int childMin[2] = {0, 0};
  int childMax[2] = {0, 0};
  int sumMin[3] = {0, 0, 0};
  int sumMax[3] = {0, 0, 0};
  int sonKinds[2] = {0, 0};
  int daughterKinds[2][2] = {{0, 0}, {0, 0}};
  int impliedFatherKind = -1;
  if (minmaxX(pairs, childMin, childMax, fam.fatherPos, fam.motherPos, fam.sons, fam.daughters, sonKinds,
              daughterKinds, impliedFatherKind, sumMin, sumMax) == 0) {
    incompatible = true;
    return false;
  }
  const double familyStatistic = statistic(pairs, fam.affection, fam.children, model, fam.sexes, 1);

  // Children of unknown sex are not members, so sons and daughters are all the children.
  const int nkids = static_cast<int>(fam.sons.size() + fam.daughters.size());
  std::vector<int> stage{0};
  std::vector<int> key0{0};
  buildX(stage, key0, childMin, childMax, sumMin, sumMax, fam.sons, fam.daughters);
  const int N = static_cast<int>(stage.size());
  std::vector<int> firstNode;
  std::vector<int> lastNode;
  stageBounds(stage, nkids, firstNode, lastNode);
  const XNetwork net{key0, firstNode, lastNode, childMin, childMax};
  const int a = nkids + 1;
  return passFamily(
      chain, N, familyStatistic, ids,
      [&](Node* V) { backwardX(a, N, V, net, fam.sons, fam.daughters, fam.affection, model); },
      [&](Node* V) { forwardX(a, V, net, fam.sons, fam.daughters, fam.affection, model); });
}

}  // namespace

NetworkResult network(int xlinked, const PedTable& table, const FamilyList& families, int m, int model, int k,
                      const std::vector<int>& L) {
  const int column = 2 * m + 4;
  const int rows = static_cast<int>(table.size());
  NetworkResult result;
  Chain chain;
  chain.informativeFamilies = &result.informativeFamilies;
  chain.acc = NDvector(1, 1);
  chain.acc[1].setNode(0, 0, 0, 0, 0, nullptr);
  chain.running = crerec(0.0, 0.0);

  AllelePairs pairs;
  std::vector<int> familyAlleles;
  const int uninformative = forEachFamily(
      table, rows, families, column, FamilyForm::SexAware, [&](std::size_t f, FamilyMembers& fam) {
        const FamilyIds ids{families.pedIds[f], families.fatherIds[f], families.motherIds[f]};
        familyAlleles.clear();
        countAlleles(table, familyAlleles, fam.members, column);
        // A family that does not carry the tested allele cannot be given copies of it.
        const bool carriesTested =
            std::find(familyAlleles.begin(), familyAlleles.end(), L[k]) != familyAlleles.end();
        if (fam.members.empty() || familyAlleles.size() < 2 || fam.children.empty() ||
            (fam.children.size() <= 1 && fam.parents.size() <= 1) || !carriesTested) {
          return false;
        }
        alleles(pairs, fam.members, L, table, column, k);
        if (xlinked == 1) {
          // The pair coding lumps the other alleles; the real codes are checked too.
          bool incompatible = !xlinkedConsistent(table, fam, column);
          const bool informative =
              !incompatible && xlinkedFamily(chain, fam, pairs, model, ids, incompatible);
          if (incompatible) {
            result.incompatiblePeds.push_back(ids.ped);  // one warning per family
          }
          return informative;
        }
        // The pair coding lumps the other alleles; check the real codes first.
        if (!autosomalConsistent(table, fam, column)) {
          result.incompatiblePeds.push_back(ids.ped);
          return false;
        }
        return autosomalFamily(chain, fam, pairs, static_cast<int>(familyAlleles.size()), model, ids);
      });

  double m1 = 0.0;
  double m2 = 0.0;
  moment(chain.running, chain.acc, m1, m2);
  result.expected = m1;
  result.variance = m2 - m1 * m1;
  result.p = pvalue(result.expected, result.variance, chain.acc, chain.running, chain.S);
  result.S = chain.S;
  result.informative = static_cast<int>(families.pedIds.size()) - uninformative;
  result.logTotal = chain.acc[1].logMass;
  for (const Rec* r = chain.running; r != nullptr; r = r->next) {
    result.distribution.push_back({r->value, r->logProb});
  }
  if (chain.running != nullptr) {
    freerec(chain.running);
  }
  free_NDvector(chain.acc, 1);
  return result;
}
