// What one analysis (one marker, one allele, one setting) finds: the numbers,
// the families that entered S and the warnings, as data. Only the program
// driver turns it into log lines, console text and informative.txt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A nuclear family as the pedigree names it. The ids are the table's 32-bit
// values: a run holds one of these per informative family and analysis.
struct FamilyId {
  FamilyId() = default;
  FamilyId(long pedId, long fatherId, long motherId)
      : ped(static_cast<std::int32_t>(pedId)),
        father(static_cast<std::int32_t>(fatherId)),
        mother(static_cast<std::int32_t>(motherId)) {}
  std::int32_t ped = 0;
  std::int32_t father = 0;
  std::int32_t mother = 0;
};

struct AnalysisResult {
  int informative = 0;      // informative nuclear families
  double S = 0.0;           // observed statistic over the informative families
  double expected = 0.0;    // E(S) under the null
  double variance = 0.0;    // Var(S) under the null
  double p = 1.0;           // exact two-sided p-value
  bool noFamilies = false;  // the pedigree table holds no nuclear family at all
  std::vector<long> incompatiblePeds;     // pedigrees warned of, in family order (one entry per family)
  std::vector<FamilyId> informativeFamilies;  // in family order
};

// The numbers of a finished analysis: informative families, observed S and
// the null distribution's E(S), Var(S) and p.
inline void setNumbers(AnalysisResult& r, int informative, double S, double expected, double variance, double p) {
  r.informative = informative;
  r.S = S;
  r.expected = expected;
  r.variance = variance;
  r.p = p;
}
