// The test call: one marker, one allele, one of the three test drivers.
#include "driver/analysis.h"

#include <numeric>

#include "family/codings.h"
#include "linkage/network2.h"
#include "linkage/networkx2.h"
#include "nolinkage/network.h"

std::vector<int> markerAlleles(const PedigreeData& data, int m) {
  std::vector<int> allRows(data.rows);
  std::iota(allRows.begin(), allRows.end(), 0);
  std::vector<int> list;
  countAlleles(data.table, list, allRows, markerColumn(m));
  return list;
}

void testCall(const Settings& s, const PedigreeData& data, int m, int k, const std::vector<int>& L) {
  const int log = s.batch == 1 ? 1 : s.logSetting;
  if (s.null == 1 && s.xlinked == 0) {
    network2(data.table, data.rows, data.names, m, s.model, log, L[k], s.batch);
  } else if (s.null == 1 && s.xlinked == 1) {
    networkX2(data.table, data.rows, data.names, m, s.model, log, k, L, s.batch);
  } else {
    network(s.xlinked, data.table, data.rows, data.names, m, s.model, log, k, L, s.batch);
  }
}
