// STAND-IN for the analysis engine of the `engine` branch (parallel runJobs):
// same declarations, run one job after another. Replace this file and
// engine.cpp by the engine branch's when it is merged.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/result.h"
#include "family/families.h"

// One analysis: marker `marker` (1-based column pair of the table), the allele
// at 0-based position k of the marker's allele list `alleles`, X-linked (1) or
// autosomal (0), null 0 or 1, model 1 additive, 2 dominant, 3 recessive.
// drawState, when given, is the pair generator's state at the job's start.
struct AnalysisJob {
  int marker;
  int k;
  std::vector<int> alleles;
  int xlinked;
  int null;
  int model;
  std::optional<std::uint32_t> drawState;
};

// The results of the jobs, in job order (the same for any thread count).
std::vector<AnalysisResult> runJobs(const PedTable& table, const FamilyList& families,
                                    const std::vector<AnalysisJob>& jobs, int threads);
