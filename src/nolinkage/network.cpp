// The "no linkage, no association" test driver: walks the nuclear families,
// works out each pattern of family once (its network gives its own
// distribution of its statistic) and combines the families.
#include "nolinkage/network.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "family/codings.h"
#include "network/lattice.h"
#include "network/records.h"
#include "network/studysum.h"
#include "nolinkage/abounds.h"
#include "nolinkage/apasses.h"
#include "nolinkage/mendel.h"
#include "nolinkage/statistic.h"
#include "nolinkage/xbounds.h"
#include "nolinkage/xpasses.h"

namespace {

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

// What a family's network gives: whether its statistic can vary at all (the
// root's least and greatest rest differ) and, when it can, its distribution.
struct FamilyOutcome {
  bool informative = false;
  bool incompatible = false;  // X-linked only: no parents can explain the children
  FamilyDist dist;
};

// One family's network of N nodes: the backward pass and the informativeness
// test on the root's range; for an informative family the forward pass from a
// single record gives its distribution.
template <class Backward, class Forward>
FamilyOutcome passFamily(int N, Backward backward, Forward forward) {
  FamilyOutcome out;
  Node* V = NDvector(1, N);
  V[N].setNode(0, 0, 0, 0, 0, nullptr);
  backward(V);
  out.informative = V[1].maxRest != V[1].minRest;
  free_NDvector(V, 1);
  if (out.informative) {
    out.dist = forward();
  }
  return out;
}

std::vector<int> childWeightsOf(const FamilyMembers& fam) {
  std::vector<int> weights;
  for (int c : fam.children) {
    weights.push_back(fam.affection[c]);
  }
  weights.push_back(0);
  return weights;
}

FamilyOutcome autosomalFamily(const FamilyMembers& fam, const AllelePairs& pairs, int distinctAlleles, int model) {
  GenotypeMatrix matrix{};
  std::vector<int> minCopies;
  std::vector<int> maxCopies;
  std::vector<int> homClasses;
  minmaxA(pairs, minCopies, maxCopies, fam.parents, fam.children, matrix, homClasses);
  std::vector<int> low;
  std::vector<int> high;
  minmaxm(minCopies, maxCopies, low, high, pairs, fam.children, fam.parents, distinctAlleles, homClasses,
          matrix);

  const int nkids = static_cast<int>(fam.children.size());
  NodeLists nodes{{0}, {0}, {0}, {0}, {0}};
  buildG(low, high, nkids, nodes, minCopies, maxCopies, homClasses, matrix, fam.parents);
  const int N = static_cast<int>(nodes.stage.size());
  std::vector<int> firstNode;
  std::vector<int> lastNode;
  stageBounds(nodes.stage, nkids, firstNode, lastNode);
  const std::vector<double> table = faclog(2 * nkids + 1);
  const std::vector<int> childWeights = childWeightsOf(fam);
  const GNetwork net{nodes,      firstNode, lastNode, childWeights, minCopies, maxCopies,
                     homClasses, table,     model,    fam.parents};
  const int a = nkids + 1;
  const StepTable steps = stepsOfG(net, a);
  return passFamily(
      N, [&](Node* V) { backwardG(a, N, V, net, steps); }, [&] { return forwardG(a, net, steps); });
}

FamilyOutcome xlinkedFamily(const FamilyMembers& fam, const AllelePairs& pairs, int model) {
  int childMin[2] = {0, 0};
  int childMax[2] = {0, 0};
  int sumMin[3] = {0, 0, 0};
  int sumMax[3] = {0, 0, 0};
  int sonKinds[2] = {0, 0};
  int daughterKinds[2][2] = {{0, 0}, {0, 0}};
  int impliedFatherKind = -1;
  if (minmaxX(pairs, childMin, childMax, fam.fatherPos, fam.motherPos, fam.sons, fam.daughters, sonKinds,
              daughterKinds, impliedFatherKind, sumMin, sumMax) == 0) {
    FamilyOutcome out;
    out.incompatible = true;
    return out;
  }
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
      N, [&](Node* V) { backwardX(a, N, V, net, fam.sons, fam.daughters, fam.affection, model); },
      [&] { return forwardX(a, net, fam.sons, fam.daughters, fam.affection, model); });
}

// Everything a family's network reads, as a list of small numbers: families
// with equal keys have equal networks and equal distributions. The trait type
// and the model first; then, autosomal: the
// number of distinct alleles (2 or "3 or more"), then the tested-allele copies
// of each typed parent, then per child its copies and affection. X-linked: the
// father's and the mother's copies (-1 untyped), then per child its sex,
// copies and affection.
void patternKey(int xlinked, int model, const FamilyMembers& fam, const AllelePairs& pairs, int distinctAlleles,
                std::vector<int>& key) {
  key.clear();
  key.push_back(xlinked);
  key.push_back(model);
  if (xlinked == 1) {
    key.push_back(fam.fatherPos == -1 ? -1 : pairs[fam.fatherPos][0]);
    key.push_back(fam.motherPos == -1 ? -1 : pairs[fam.motherPos][0]);
    for (int c : fam.children) {
      key.push_back(fam.sexes[c] * 8 + pairs[c][0] * 2 + fam.affection[c]);
    }
    return;
  }
  key.push_back(std::min(distinctAlleles, 3));
  key.push_back(static_cast<int>(fam.parents.size()));
  for (int p : fam.parents) {
    key.push_back(pairs[p][0]);
  }
  for (int c : fam.children) {
    key.push_back(pairs[c][0] * 2 + fam.affection[c]);
  }
}

struct KeyHash {
  std::size_t operator()(const std::vector<int>& key) const {
    std::size_t h = 1469598103934665603ull;
    for (int v : key) {
      h = (h ^ static_cast<std::size_t>(v + 1)) * 1099511628211ull;
    }
    return h;
  }
};

// The distributions of the families by pattern, each worked out once per
// thread: a pattern's distribution depends only on its key (with the trait
// type and the model in front), so later analyses, of other markers too, only
// look it up. Bounded: a thread that has seen very many patterns starts over.
struct PatternStore {
  std::unordered_map<std::vector<int>, std::size_t, KeyHash> index;
  std::vector<FamilyOutcome> outcomes;

  template <class Compute>
  std::size_t lookUp(const std::vector<int>& key, Compute compute) {
    const auto found = index.find(key);
    if (found != index.end()) {
      return found->second;
    }
    if (outcomes.size() >= kMaxPatterns) {
      index.clear();
      outcomes.clear();
    }
    outcomes.push_back(compute());
    index.emplace(key, outcomes.size() - 1);
    return outcomes.size() - 1;
  }
  static constexpr std::size_t kMaxPatterns = 200000;
};

thread_local PatternStore store;

// One analysis's informative families by pattern, in order of first appearance.
struct PatternCounts {
  std::unordered_map<std::size_t, std::size_t> position;  // store index -> place in `order`
  std::vector<std::pair<std::size_t, std::int64_t>> order;  // (store index, families)

  void count(std::size_t pattern) {
    const auto found = position.emplace(pattern, order.size());
    if (found.second) {
      order.emplace_back(pattern, 0);
    }
    ++order[found.first->second].second;
  }
};

}  // namespace

NetworkResult network(int xlinked, const PedTable& table, const FamilyList& families, int m, int model, int k,
                      const std::vector<int>& L) {
  const int column = 2 * m + 4;
  const int rows = static_cast<int>(table.size());
  NetworkResult result;
  PatternCounts counts;
  double S = 0.0;

  AllelePairs pairs;
  std::vector<int> familyAlleles;
  std::vector<int> key;
  const int uninformative = forEachFamily(
      table, rows, families, column, FamilyForm::SexAware, [&](std::size_t f, FamilyMembers& fam) {
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
        // The pair coding lumps the other alleles; the real codes are checked too.
        const bool consistent =
            xlinked == 1 ? xlinkedConsistent(table, fam, column) : autosomalConsistent(table, fam, column);
        if (!consistent) {
          result.incompatiblePeds.push_back(families.pedIds[f]);
          return false;
        }
        const int distinct = static_cast<int>(familyAlleles.size());
        patternKey(xlinked, model, fam, pairs, distinct, key);
        const std::size_t pattern = store.lookUp(key, [&] {
          return xlinked == 1 ? xlinkedFamily(fam, pairs, model) : autosomalFamily(fam, pairs, distinct, model);
        });
        const FamilyOutcome& outcome = store.outcomes[pattern];
        if (outcome.incompatible) {
          result.incompatiblePeds.push_back(families.pedIds[f]);  // one warning per family
        }
        if (!outcome.informative) {
          return false;
        }
        counts.count(pattern);
        S = S + statistic(pairs, fam.affection, fam.children, model, fam.sexes, xlinked);
        result.informativeFamilies.push_back({families.pedIds[f], families.fatherIds[f], families.motherIds[f]});
        return true;
      });

  StudySum sum;
  for (const auto& [pattern, families] : counts.order) {
    sum.add(store.outcomes[pattern].dist, families);
  }
  StudyResult study = sum.finish(S);
  result.expected = study.expected;
  result.variance = study.variance;
  result.p = study.p;
  result.S = S;
  result.informative = static_cast<int>(families.pedIds.size()) - uninformative;
  result.logTotal = logTotal(study.distribution);
  const Lattice& d = study.distribution;
  for (std::size_t i = 0; i < d.w.size(); ++i) {
    if (d.w[i] > 0.0) {
      result.distribution.push_back({static_cast<double>(d.value(i)),
                                     std::log(d.w[i]) + static_cast<double>(d.exp2) * std::log(2.0) + d.logScale});
    }
  }
  return result;
}
