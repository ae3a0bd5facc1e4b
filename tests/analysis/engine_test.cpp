// The analysis engine: the generator's skip-ahead, and results that are the
// same for any number of threads, draws of the pair search included.
#include "analysis/engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "driver/analysis.h"
#include "linkage/stat2.h"

namespace {

TEST(PairDrawSkip, SkippingEqualsStepping) {
  for (const std::uint32_t start : {1u, 0u, 0xFFFFFFFFu, 123456789u}) {
    setPairDrawState(start);
    std::uint64_t stepped = 0;
    for (const std::uint64_t n : {0ull, 1ull, 2ull, 3ull, 100ull, 65537ull}) {
      while (stepped < n) {
        pairDraw();
        ++stepped;
      }
      EXPECT_EQ(skipPairDraws(start, n), pairDrawState()) << "start " << start << " n " << n;
    }
  }
  // The generator's period is 2^32: skipping it comes back to the start.
  EXPECT_EQ(skipPairDraws(42u, 1ull << 32), 42u);
}

PedigreeData load(const std::string& name) {
  PedigreeData data;
  std::string error;
  EXPECT_TRUE(loadPedigree(std::string(KINTEX_SOURCE_DIR) + "/" + name, data, error)) << name;
  return data;
}

// Every allele of every marker under all twelve settings, one list.
std::vector<AnalysisJob> everyJob(const PedigreeData& data) {
  std::vector<AnalysisJob> jobs;
  for (int xlinked = 0; xlinked <= 1; ++xlinked) {
    for (int null = 0; null <= 1; ++null) {
      for (int model = 1; model <= 3; ++model) {
        for (int m = 1; m <= data.markerCount(); ++m) {
          const std::vector<int> L = markerAlleles(data, m);
          for (int k = 0; k < static_cast<int>(L.size()); ++k) {
            jobs.push_back(AnalysisJob{m, k, L, xlinked, null, model, std::nullopt});
          }
        }
      }
    }
  }
  return jobs;
}

void expectSame(const AnalysisResult& a, const AnalysisResult& b, const std::string& where) {
  EXPECT_EQ(a.informative, b.informative) << where;
  EXPECT_EQ(a.S, b.S) << where;
  EXPECT_EQ(a.expected, b.expected) << where;
  EXPECT_EQ(a.variance, b.variance) << where;
  EXPECT_EQ(a.p, b.p) << where;
  EXPECT_EQ(a.incompatiblePeds, b.incompatiblePeds) << where;
  ASSERT_EQ(a.informativeFamilies.size(), b.informativeFamilies.size()) << where;
  for (std::size_t i = 0; i < a.informativeFamilies.size(); ++i) {
    EXPECT_EQ(a.informativeFamilies[i].ped, b.informativeFamilies[i].ped) << where;
  }
}

TEST(RunJobs, AnyNumberOfThreadsGivesTheSequentialResults) {
  // The pair-search file makes draws in many analyses; the example data has
  // every kind of family.
  for (const std::string name : {"tools/crosscheck/cases/pairsearch.ped", "examples/families.ped"}) {
    const PedigreeData data = load(name);
    const std::vector<AnalysisJob> jobs = everyJob(data);
    setPairDrawState(1);
    std::vector<AnalysisResult> sequential;
    for (const AnalysisJob& job : jobs) {
      sequential.push_back(runJob(data.table, data.families, job));
    }
    const std::uint32_t end = pairDrawState();
    EXPECT_NE(end, 1u) << name << ": no analysis drew a pair";
    for (const int threads : {1, 2, 7}) {
      setPairDrawState(1);
      // What the caller is shown as each marker finishes: every job once, in
      // runs of one marker, with its final result.
      std::vector<std::atomic<int>> shown(jobs.size());
      std::vector<AnalysisResult> seen(jobs.size());
      const std::vector<AnalysisResult> r = runJobs(
          data.table, data.families, jobs, threads,
          [&](std::size_t first, std::size_t last, std::vector<AnalysisResult>& results) {
            for (std::size_t i = first; i < last; ++i) {
              EXPECT_EQ(jobs[i].marker, jobs[first].marker) << "jobs " << first << " to " << last;
              ++shown[i];
              seen[i] = results[i];
            }
          });
      ASSERT_EQ(r.size(), jobs.size());
      for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::string where = name + " job " + std::to_string(i) + " threads " + std::to_string(threads);
        expectSame(r[i], sequential[i], where);
        EXPECT_EQ(shown[i], 1) << where;
        expectSame(seen[i], sequential[i], where + " as shown");
      }
      EXPECT_EQ(pairDrawState(), end) << "threads " << threads;
    }
  }
}

TEST(RunJobs, AJobWithItsOwnStateLeavesTheStreamAlone) {
  const PedigreeData data = load("tools/crosscheck/cases/pairsearch.ped");
  std::vector<AnalysisJob> jobs = everyJob(data);
  std::vector<AnalysisJob> own;
  for (AnalysisJob job : jobs) {
    if (job.null == 1 && job.xlinked == 0) {
      job.drawState = 777u + static_cast<std::uint32_t>(own.size());
      own.push_back(job);
    }
  }
  for (const int threads : {1, 2}) {
    setPairDrawState(5u);
    const std::vector<AnalysisResult> r = runJobs(data.table, data.families, own, threads);
    EXPECT_EQ(pairDrawState(), 5u);
    for (std::size_t i = 0; i < own.size(); ++i) {
      setPairDrawState(*own[i].drawState);
      expectSame(r[i], runJob(data.table, data.families, own[i]), "job " + std::to_string(i));
    }
  }
}

// A run that writes only its last analysis's families asks the others not
// to keep theirs: the numbers stay the same.
TEST(RunJobs, AJobNeedNotKeepItsInformativeFamilies) {
  const PedigreeData data = load("examples/families.ped");
  std::vector<AnalysisJob> jobs = everyJob(data);
  std::vector<AnalysisJob> unlisted = jobs;
  for (AnalysisJob& job : unlisted) {
    job.listInformative = false;
  }
  for (const int threads : {1, 2}) {
    setPairDrawState(1);
    const std::vector<AnalysisResult> listed = runJobs(data.table, data.families, jobs, threads);
    setPairDrawState(1);
    const std::vector<AnalysisResult> bare = runJobs(data.table, data.families, unlisted, threads);
    std::size_t families = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      EXPECT_TRUE(bare[i].informativeFamilies.empty()) << i;
      EXPECT_EQ(bare[i].S, listed[i].S) << i;
      EXPECT_EQ(bare[i].p, listed[i].p) << i;
      families += listed[i].informativeFamilies.size();
    }
    EXPECT_GT(families, 0u);
  }
}

}  // namespace
