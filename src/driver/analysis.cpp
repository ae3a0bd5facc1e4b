// The test call: one marker, one allele, one of the three test drivers.
#include "driver/analysis.h"

#include <numeric>
#include <utility>

#include "driver/report.h"
#include "family/codings.h"
#include "linkage/network2.h"
#include "linkage/networkx2.h"
#include "nolinkage/network.h"

bool loadPedigree(const std::string& fileName, PedigreeData& data, std::string& error) {
  const int status = readPedigreeFile(fileName, data, error);
  if (status != 1) {
    return false;
  }
  pedigrees(data.table, data.rows, data.families);
  return true;
}

std::vector<int> markerAlleles(const PedigreeData& data, int m) {
  std::vector<int> allRows(data.rows);
  std::iota(allRows.begin(), allRows.end(), 0);
  std::vector<int> list;
  countAlleles(data.table, list, allRows, markerColumn(m));
  return list;
}

AnalysisResult testCall(const Settings& s, const PedigreeData& data, int m, int k, const std::vector<int>& L) {
  if (s.null == 1 && s.xlinked == 0) {
    return network2(data.table, data.families, m, s.model, L[k]);
  }
  if (s.null == 1 && s.xlinked == 1) {
    return networkX2(data.table, data.families, m, s.model, k, L);
  }
  return network(s.xlinked, data.table, data.families, m, s.model, k, L);
}

void testAndReport(const Settings& s, const PedigreeData& data, int m, int k, const std::vector<int>& L) {
  const int log = s.batch == 1 ? 1 : s.logSetting;
  if (data.families.pedIds.empty()) {
    reportNoFamilies();
  }
  AnalysisResult r = testCall(s, data, m, k, L);
  for (long ped : r.incompatiblePeds) {
    reportIncompatible(ped, s.batch, log);
  }
  reportResult(data.names[m - 1], L[k], r.informative, s.model, r.S, r.expected, r.variance, r.p, s.batch, log);
  keepInformativeList(std::move(r.informativeFamilies));
}
