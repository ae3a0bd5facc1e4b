// Autosomal test under "linkage, no association": every informative nuclear
// family contributes its observed statistic and its equally likely mirror
// values, convolved over the families into the exact null distribution.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/result.h"
#include "family/families.h"
#include "family/markerfamilies.h"

// One analysis for marker m (1-based) and the allele whose code is
// alleleCode, over the nuclear families of the table. Sibships that go
// through the pair search draw from this thread's pair generator (pairDraw).
AnalysisResult network2(const PedTable& table, const FamilyList& families, int m, int model, int alleleCode);

// The number of pair draws network2 makes for the same arguments, without
// drawing: which families go through the pair search depends on the data
// only, never on the generator's state.
std::uint64_t network2Draws(const PedTable& table, const FamilyList& families, int m, int model, int alleleCode);

// The same two on a marker prepared in the plain form (every analysis of a
// marker shares one preparation).
// With listFamilies false the informative families are counted, not listed.
AnalysisResult network2(const MarkerFamilies& marker, int model, int alleleCode, bool listFamilies = true);
std::uint64_t network2Draws(const MarkerFamilies& marker, int model, int alleleCode);
