// Autosomal test under "linkage, no association": every informative nuclear
// family contributes its observed statistic and its equally likely mirror
// values, convolved over the families into the exact null distribution.
#pragma once

#include <string>
#include <vector>

#include "family/families.h"

// One analysis for marker m (1-based) and the allele whose code is
// alleleCode; writes informative.txt and the result block (console when batch
// is 0, log when logSetting is 1). Sibships that go through the pair search
// draw from the run's pair generator (pairDraw).
void network2(const PedTable& table, int rows, const std::vector<std::string>& names, int m, int model,
              int logSetting, int alleleCode, int batch);
