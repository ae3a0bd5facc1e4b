// The "no linkage, no association" test: the exact null distribution of S.
// Each informative family's network of the possible genotype configurations
// of its genotyped children gives that family's own distribution; families
// of one pattern share it, and the study's distribution combines them.
#pragma once

#include <string>
#include <vector>

#include "analysis/result.h"
#include "family/families.h"
#include "family/markerfamilies.h"
#include "network/studysum.h"

// One attainable value of S with the natural log of its unnormalised weight.
struct WeightedValue {
  double value;
  double logProb;
};

// What one analysis found, with the whole null distribution of S.
struct NetworkResult : AnalysisResult {
  double logTotal = 0.0;                    // log of the total weight (the normaliser of `distribution`)
  std::vector<WeightedValue> distribution;  // ascending by value; weights relative (only exp(logProb - logTotal) means anything)
};

// The analysis for marker m (1-based) and the allele at 0-based position k of
// the marker's allele list L (xlinked 1: X-linked routes), over the nuclear
// families of the table. Families whose genotypes no parents can explain are
// listed in incompatiblePeds and are not informative.
NetworkResult network(int xlinked, const PedTable& table, const FamilyList& families, int m, int model, int k,
                      const std::vector<int>& L);

// The same analysis, numbers only, on a marker prepared in the sex-aware form
// (every analysis of a marker shares one preparation). With listFamilies
// false the informative families are counted but not listed: a run that
// reports the list of its last analysis alone need not copy the others'.
AnalysisResult network(int xlinked, const MarkerFamilies& marker, int model, int k, const std::vector<int>& L,
                       bool listFamilies = true);

// One family's own outcome at a marker, worked out from its network: whether
// its statistic can vary at all (informative), whether no parents can explain
// its children (X-linked), its distribution (when informative) and its
// observed statistic. An analysis works this out once per pattern of family
// and looks it up for every other family of the pattern: family f of
// `marker`, tested allele at position k of L.
struct FamilyNetworkOutcome {
  bool informative = false;
  bool incompatible = false;
  FamilyDist dist;
  double statistic = 0.0;
};
FamilyNetworkOutcome familyOutcome(int xlinked, const MarkerFamilies& marker, std::size_t f, int model, int k,
                                   const std::vector<int>& L);
