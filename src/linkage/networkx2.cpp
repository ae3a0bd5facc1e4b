// X-linked test under "linkage, no association": observed versus switched
// maternal transmissions, combined over the informative families.
#include "linkage/networkx2.h"

#include <algorithm>
#include <cmath>

#include "network/studysum.h"
#include "nolinkage/statistic.h"

namespace {

bool anyDiffersFromFirst(const AllelePairs& P, const std::vector<int>& group, std::size_t from) {
  for (std::size_t i = from; i < group.size(); ++i) {
    if (P[group[i]][0] != P[group.front()][0]) {
      return true;
    }
  }
  return false;
}

struct SwitchFlags {
  int daughters = 0;
  int sons = 0;
};

// Which transmissions can be switched, given the genotyped parents. hom is the
// kind of the last homozygous daughter, or -1.
SwitchFlags switchFlags(const AllelePairs& P, const FamilyMembers& fam, int fatherKind, int hom) {
  SwitchFlags flags;
  const bool fatherKnown = fam.fatherPos != -1;
  const bool motherKnown = fam.motherPos != -1;
  if (fatherKnown && motherKnown) {
    flags.daughters = flags.sons = 1;
  } else if (fatherKnown) {
    bool both = anyDiffersFromFirst(P, fam.daughters, 1) || anyDiffersFromFirst(P, fam.sons, 1);
    int seen0 = 0;
    int seen1 = 0;
    for (int s : fam.sons) {
      seen0 |= P[s][0] == 2 ? 1 : 0;
      seen1 |= P[s][1] == 2 ? 1 : 0;
    }
    // A father coded heterozygous (kind -2) has no kind to compare the sons with.
    const int opposite = fatherKind == 0 ? seen1 : (fatherKind == 1 ? seen0 : 0);
    const int own = fatherKind == 0 ? seen0 : (fatherKind == 1 ? seen1 : 0);
    if ((hom != -1 && opposite == 1) || (hom == -1 && own == 1)) {
      both = true;
    }
    if (both) {
      flags.daughters = flags.sons = 1;
    }
  } else if (motherKnown) {
    flags.sons = 1;
    flags.daughters = (fam.daughters.size() >= 2 && anyDiffersFromFirst(P, fam.daughters, 1)) ? 1 : 0;
  } else {
    flags.daughters = anyDiffersFromFirst(P, fam.daughters, 1) ? 1 : 0;
    flags.sons = anyDiffersFromFirst(P, fam.sons, 1) ? 1 : 0;
  }
  return flags;
}

}  // namespace

void switchGens(const AllelePairs& P, const FamilyMembers& fam, std::vector<int>& values, int model) {
  int motherKinds[2] = {-1, -1};
  int fatherKind = -1;
  mapa(fam.motherPos, fam.fatherPos, motherKinds, fatherKind, P);
  const int S0 = static_cast<int>(statistic(P, fam.affection, fam.children, model, fam.sexes, 1));
  values.push_back(S0);

  int hom = -1;
  for (int d : fam.daughters) {
    if (P[d][0] == 2) {
      hom = 0;
    } else if (P[d][1] == 2) {
      hom = 1;
    }
  }
  const SwitchFlags flags = switchFlags(P, fam, fatherKind, hom);
  AllelePairs Q = P;  // parents' and unswitched children's rows as observed
  if (flags.daughters == 1) {
    const int target = fam.fatherPos != -1 ? fatherKind : hom;
    for (int d : fam.daughters) {
      if (P[d][0] == 2 || P[d][1] == 2) {
        Q[d] = {1, 1};
      } else if (target == 0 || target == 1) {
        Q[d] = {target == 0 ? 2 : 0, target == 1 ? 2 : 0};
      } else {
        // A heterozygous daughter whose father's X is neither kind: the switch
        // is undefined, so the family keeps its single observed value.
        return;
      }
    }
  }
  if (flags.sons == 1) {
    for (int s : fam.sons) {
      if (P[s][0] == 2 && P[s][1] == 0) {
        Q[s] = {0, 2};
      } else if (P[s][0] == 0 && P[s][1] == 2) {
        Q[s] = {2, 0};
      }
    }
  }
  const int S1 = static_cast<int>(statistic(Q, fam.affection, fam.children, model, fam.sexes, 1));
  if (S1 != values.front()) {
    values.push_back(S1);
  }
}

AnalysisResult networkX2(const MarkerFamilies& marker, int model, int k, const std::vector<int>& L,
                         bool listFamilies) {
  const FamilyList& families = *marker.list;
  const int tested = L[static_cast<std::size_t>(k)];
  AnalysisResult result;
  StudySum sum;
  FamilyDist dist;
  double S = 0.0;

  FamilyMembers fam;
  AllelePairs pairs;
  std::vector<int> values;
  const int uninformative = forEachFamily(marker, [&](std::size_t f, const FamilyAtMarker& at) {
    // Only a mother with one copy of the tested allele has one to switch (2/3 has none to give).
    const bool motherNotOneOne = at.motherPos != -1 && marker.membersOf(at)[at.motherPos].copies(tested) != 1;
    // A family without the tested allele cannot be given copies of it.
    if (at.size == 0 || at.alleleCount < 2 || at.children() == 0 || (at.children() <= 1 && at.parents <= 1) ||
        motherNotOneOne || !marker.carries(at, tested)) {
      return false;
    }
    fillMembers(marker, f, fam);
    alleles(pairs, fam.members, L, *marker.table, marker.column, k);
    values.clear();
    switchGens(pairs, fam, values, model);
    if (values.size() < 2) {
      return false;
    }
    S = S + statistic(pairs, fam.affection, fam.children, model, fam.sexes, 1);
    if (listFamilies) {
      result.informativeFamilies.push_back(
          {families.pedIds[f], families.fatherIds[f], families.motherIds[f]});
    }
    equallyLikely(values, dist);
    sum.add(dist, 1);
    return true;
  });

  const StudyResult study = sum.finish(S);
  setNumbers(result, static_cast<int>(families.pedIds.size()) - uninformative, S, study.expected, study.variance,
             study.p);
  return result;
}

AnalysisResult networkX2(const PedTable& table, const FamilyList& families, int m, int model, int k,
                         const std::vector<int>& L) {
  MarkerFamilies marker;
  prepareMarker(table, families, 2 * m + 4, FamilyForm::SexAware, marker);
  return networkX2(marker, model, k, L);
}
