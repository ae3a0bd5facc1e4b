// The analysis engine: runs many analyses (marker, allele, setting) of one
// study on a pool of worker threads and returns their results in order,
// the same for any number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/result.h"
#include "family/families.h"

// One analysis. marker: 1-based marker of the table; k: 0-based position of
// the tested allele in `alleles` (the marker's allele list); xlinked 0/1;
// null 0 "no linkage, no association", 1 "linkage, no association"; model 1
// additive, 2 dominant, 3 recessive. Only the autosomal "linkage, no
// association" test draws from the pair generator: with drawState it starts
// the generator at that state; without it, it takes the draws it would get
// in a sequential run of the jobs without drawState, in job order,
// continuing the calling thread's generator.
struct AnalysisJob {
  int marker = 1;
  int k = 0;
  std::vector<int> alleles;
  int xlinked = 0;
  int null = 0;
  int model = 1;
  std::optional<std::uint32_t> drawState;
  // Whether the result keeps its list of informative families (a run that
  // writes only the last analysis's list need not hold every one).
  bool listInformative = true;
};

// One analysis on the calling thread, with its generator as it stands.
AnalysisResult runJob(const PedTable& table, const FamilyList& families, const AnalysisJob& job);

// Called as soon as jobs [first, last) (consecutive jobs of one marker) are
// done, on the thread that ran them, with the results so far: it may read or
// change results[first, last) and nothing else, and calls for different
// markers may run at the same time.
using JobsDone = std::function<void(std::size_t first, std::size_t last, std::vector<AnalysisResult>& results)>;

// Runs the jobs on `threads` worker threads (0 = every usable core) and returns their
// results in job order, identical for any thread count. Afterwards the calling
// thread's generator stands where a sequential run of the jobs without
// drawState would have left it. `done`, when given, sees each marker's
// results while the other markers are still being analysed (a caller can
// turn them into text on the workers).
//   std::vector<AnalysisResult> r = runJobs(table, families, jobs, 0);
std::vector<AnalysisResult> runJobs(const PedTable& table, const FamilyList& families,
                                    const std::vector<AnalysisJob>& jobs, int threads,
                                    const JobsDone& done = nullptr);

// The number of worker threads `threads` stands for (0 = every core the process may use), at least 1.
int workerCount(int threads);

