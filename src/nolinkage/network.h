// The "no linkage, no association" test: the exact null distribution of S,
// built family by family through each family's network of possible genotype
// configurations of its genotyped children.
#pragma once

#include <string>
#include <vector>

#include "family/families.h"

// One attainable value of S with the natural log of its unnormalised weight.
struct WeightedValue {
  double value;
  double logProb;
};

// What one analysis found.
struct NetworkResult {
  double S = 0.0;                           // observed statistic over the informative families
  double expected = 0.0;                    // E(S)
  double variance = 0.0;                    // Var(S)
  double p = 0.0;                           // exact two-sided p-value
  int informative = 0;                      // families in the family list that were informative
  double logTotal = 0.0;                    // log of the total weight (the normaliser of `distribution`)
  std::vector<WeightedValue> distribution;  // ascending by value
};

// The analysis itself, for marker m (1-based) and the allele at 0-based
// position k of the marker's allele list L (xlinked 1: X-linked routes). Writes
// a line to informative.txt for every informative family and the
// incompatible-genotype warning for every family whose genotypes no parents
// can explain (console when batch is 0, log when logSetting is 1); the caller
// opens and closes informative.txt.
NetworkResult runNetwork(int xlinked, const PedTable& table, int rows, int m, int model, int logSetting,
                         int k, const std::vector<int>& L, int batch);

// One analysis with its report: empties informative.txt, runs runNetwork and
// writes the result block (console when batch is 0, log when logSetting is 1).
void network(int xlinked, const PedTable& table, int rows, const std::vector<std::string>& names, int m,
             int model, int logSetting, int k, const std::vector<int>& L, int batch);
