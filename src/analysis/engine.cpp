// The analysis engine: one test call per job, a pool of worker threads, and the pair generator's
// draws handed out so that every job sees what a sequential run would give it.
#include "analysis/engine.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "linkage/network2.h"
#include "linkage/networkx2.h"
#include "linkage/stat2.h"
#include "nolinkage/network.h"

namespace {

bool drawsPairs(const AnalysisJob& job) { return job.null == 1 && job.xlinked == 0; }

// Calls work(i) for i in [0, n) on up to `workers` threads; each index once.
template <class Work>
void parallelFor(std::size_t n, int workers, Work work) {
  const std::size_t count = std::min<std::size_t>(n, static_cast<std::size_t>(workers));
  if (count <= 1) {
    for (std::size_t i = 0; i < n; ++i) {
      work(i);
    }
    return;
  }
  std::atomic<std::size_t> next{0};
  auto loop = [&] {
    for (std::size_t i = next++; i < n; i = next++) {
      work(i);
    }
  };
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < count; ++t) {
    pool.emplace_back(loop);
  }
  loop();
  for (std::thread& t : pool) {
    t.join();
  }
}

}  // namespace

int workerCount(int threads) {
  if (threads > 0) {
    return threads;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

AnalysisResult runJob(const PedTable& table, const FamilyList& families, const AnalysisJob& job) {
  if (job.null == 1 && job.xlinked == 0) {
    return network2(table, families, job.marker, job.model, job.alleles[static_cast<std::size_t>(job.k)]);
  }
  if (job.null == 1) {
    return networkX2(table, families, job.marker, job.model, job.k, job.alleles);
  }
  return network(job.xlinked, table, families, job.marker, job.model, job.k, job.alleles);
}

std::vector<AnalysisResult> runJobs(const PedTable& table, const FamilyList& families,
                                    const std::vector<AnalysisJob>& jobs, int threads) {
  const int workers = workerCount(threads);
  std::vector<AnalysisResult> results(jobs.size());
  if (workers == 1 || jobs.size() <= 1) {
    // In order on this thread: the sequential stream simply runs on; a job
    // with a state of its own leaves the stream where it was.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const std::uint32_t stream = pairDrawState();
      if (jobs[i].drawState) {
        setPairDrawState(*jobs[i].drawState);
      }
      results[i] = runJob(table, families, jobs[i]);
      if (jobs[i].drawState) {
        setPairDrawState(stream);
      }
    }
    return results;
  }
  // Draws per job of the sequential stream, counted first (they depend on the
  // data only), so that each job can start the generator where the jobs
  // before it would have left it.
  std::vector<std::uint64_t> draws(jobs.size(), 0);
  parallelFor(jobs.size(), workers, [&](std::size_t i) {
    const AnalysisJob& job = jobs[i];
    if (drawsPairs(job) && !job.drawState) {
      draws[i] = network2Draws(table, families, job.marker, job.model, job.alleles[static_cast<std::size_t>(job.k)]);
    }
  });
  std::vector<std::uint32_t> start(jobs.size(), 0);
  std::uint32_t state = pairDrawState();
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    start[i] = jobs[i].drawState ? *jobs[i].drawState : state;
    state = skipPairDraws(state, draws[i]);
  }

  parallelFor(jobs.size(), workers, [&](std::size_t i) {
    if (drawsPairs(jobs[i])) {
      setPairDrawState(start[i]);
    }
    results[i] = runJob(table, families, jobs[i]);
  });
  setPairDrawState(state);
  return results;
}
