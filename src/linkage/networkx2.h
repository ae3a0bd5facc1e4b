// X-linked test under "linkage, no association": every informative family
// contributes its observed statistic and the one obtained by switching its
// maternal transmissions, each equally likely.
#pragma once

#include <string>
#include <vector>

#include "analysis/result.h"
#include "family/codings.h"
#include "family/families.h"
#include "family/markerfamilies.h"

// One analysis for marker m (1-based) and the allele at 0-based position k of
// the marker's allele list L, over the nuclear families of the table.
AnalysisResult networkX2(const PedTable& table, const FamilyList& families, int m, int model, int k,
                         const std::vector<int>& L);

// The same analysis on a marker prepared in the sex-aware form (every
// analysis of a marker shares one preparation).
// With listFamilies false the informative families are counted, not listed.
AnalysisResult networkX2(const MarkerFamilies& marker, int model, int k, const std::vector<int>& L,
                         bool listFamilies = true);

// Appends the family's observed statistic S0 to `values`, then the switched
// statistic S1 when it differs. One value means the family cannot vary.
void switchGens(const AllelePairs& pairs, const FamilyMembers& family, std::vector<int>& values, int model);
