// STAND-IN for the `engine` branch's runJobs: sequential, one job after
// another on this thread. Replaced when that branch is merged.
#include "analysis/engine.h"

#include "linkage/network2.h"
#include "linkage/networkx2.h"
#include "linkage/stat2.h"
#include "nolinkage/network.h"

namespace {

AnalysisResult runJob(const PedTable& table, const FamilyList& families, const AnalysisJob& job) {
  if (job.drawState) {
    setPairDrawState(*job.drawState);
  }
  if (job.null == 1 && job.xlinked == 0) {
    return network2(table, families, job.marker, job.model, job.alleles[job.k]);
  }
  if (job.null == 1) {
    return networkX2(table, families, job.marker, job.model, job.k, job.alleles);
  }
  return network(job.xlinked, table, families, job.marker, job.model, job.k, job.alleles);
}

}  // namespace

std::vector<AnalysisResult> runJobs(const PedTable& table, const FamilyList& families,
                                    const std::vector<AnalysisJob>& jobs, int /*threads*/) {
  std::vector<AnalysisResult> results;
  results.reserve(jobs.size());
  for (const AnalysisJob& job : jobs) {
    results.push_back(runJob(table, families, job));
  }
  return results;
}
