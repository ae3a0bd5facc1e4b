// The test call: one marker, one allele, one of the three test drivers.
#include "driver/analysis.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "driver/report.h"
#include "family/codings.h"

bool loadPedigree(const std::string& fileName, PedigreeData& data, std::string& error, int threads) {
  const int status = readPedigreeFile(fileName, data, error, workerCount(threads));
  if (status != 1) {
    return false;
  }
  pedigrees(data.table, data.rows, data.families);
  return true;
}

std::vector<int> markerAlleles(const PedigreeData& data, int m) {
  return std::move(markerAlleleLists(data.table, m, m).front());
}

AnalysisJob jobOf(const Settings& s, int m, int k, const std::vector<int>& L) {
  AnalysisJob job;
  job.marker = m;
  job.k = k;
  job.alleles = L;
  job.xlinked = s.xlinked;
  job.null = s.null;
  job.model = s.model;
  return job;
}

namespace {

void report(const Settings& s, const PedigreeData& data, const AnalysisJob& job, AnalysisResult& r) {
  const int log = s.batch == 1 ? 1 : s.logSetting;
  if (data.families.pedIds.empty()) {
    reportNoFamilies();
  }
  for (long ped : r.incompatiblePeds) {
    reportIncompatible(ped, s.batch, log);
  }
  reportResult(data.names[job.marker - 1], job.alleles[static_cast<std::size_t>(job.k)], r.informative, s.model,
               r.S, r.expected, r.variance, r.p, s.batch, log);
  keepInformativeList(std::move(r.informativeFamilies));
}

}  // namespace

void runSteps(const Settings& s, const PedigreeData& data, const std::vector<Step>& steps) {
  // informative.txt lists the last analysis's families: only its job keeps them.
  std::size_t lastJob = steps.size();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].note.empty()) {
      lastJob = i;
    }
  }
  // A window of steps at a time: the results held at once stay few however
  // many markers a run has, and every worker still has work.
  const std::size_t window = 512 * static_cast<std::size_t>(workerCount(s.threads));
  for (std::size_t from = 0; from < steps.size(); from += window) {
    const std::size_t to = std::min(steps.size(), from + window);
    std::vector<AnalysisJob> jobs;
    for (std::size_t i = from; i < to; ++i) {
      if (steps[i].note.empty()) {
        jobs.push_back(steps[i].job);
        jobs.back().listInformative = i == lastJob;
      }
    }
    std::vector<AnalysisResult> results = runJobs(data.table, data.families, jobs, s.threads);
    std::size_t next = 0;
    for (std::size_t i = from; i < to; ++i) {
      if (!steps[i].note.empty()) {
        reportText(steps[i].note, s.batch, s.logSetting);
        continue;
      }
      report(s, data, steps[i].job, results[next]);
      ++next;
    }
  }
}

void testAndReport(const Settings& s, const PedigreeData& data, int m, int k, const std::vector<int>& L) {
  const AnalysisJob job = jobOf(s, m, k, L);
  AnalysisResult r = runJob(data.table, data.families, job);
  report(s, data, job, r);
}
