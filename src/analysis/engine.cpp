// The analysis engine: one test call per job, a pool of worker threads, and the pair generator's
// draws handed out so that every job sees what a sequential run would give it.
#include "analysis/engine.h"

#include <algorithm>
#include <atomic>
#include <functional>

#include "linkage/network2.h"
#include "linkage/networkx2.h"
#include "linkage/stat2.h"
#include "nolinkage/network.h"
#include "platform/threads.h"

namespace {

bool drawsPairs(const AnalysisJob& job) { return job.null == 1 && job.xlinked == 0; }

// The families of one marker in the forms its jobs need, each prepared at
// its first use and then shared by the marker's remaining jobs.
class PreparedMarker {
 public:
  // `run` names the table and families for the thread's block of roster-ordered genotypes.
  PreparedMarker(const PedTable& table, const FamilyList& families, int marker, std::uint64_t run)
      : table_(table), families_(families), column_(2 * marker + 4), run_(run) {}

  const MarkerFamilies& get(FamilyForm form) {
    const std::size_t i = form == FamilyForm::SexAware ? 0 : 1;
    if (!ready_[i]) {
      genotypes_.prepare(table_, families_, column_, form, run_, forms_[i]);
      ready_[i] = true;
    }
    return forms_[i];
  }

 private:
  const PedTable& table_;
  const FamilyList& families_;
  int column_;
  std::uint64_t run_;
  bool ready_[2] = {false, false};
  // Reused from marker to marker: a thread's buffers grow once.
  static thread_local MarkerFamilies forms_[2];
  static thread_local RosterGenotypes genotypes_;
};

thread_local MarkerFamilies PreparedMarker::forms_[2];
thread_local RosterGenotypes PreparedMarker::genotypes_;

// A number of its own for every call of the engine: the table and families
// stay as they are during a call, but a later call may bring others (or the
// same table refilled).
std::uint64_t newRun() {
  static std::atomic<std::uint64_t> runs{0};
  return ++runs;
}

// A job that does not keep its list of informative families has none made.
AnalysisResult runPrepared(PreparedMarker& marker, const AnalysisJob& job) {
  const bool list = job.listInformative;
  if (job.null == 1 && job.xlinked == 0) {
    return network2(marker.get(FamilyForm::Plain), job.model, job.alleles[static_cast<std::size_t>(job.k)],
                    list);
  }
  if (job.null == 1) {
    return networkX2(marker.get(FamilyForm::SexAware), job.model, job.k, job.alleles, list);
  }
  return network(job.xlinked, marker.get(FamilyForm::SexAware), job.model, job.k, job.alleles, list);
}

// Jobs [first, last) of one marker, run in order on one thread with one
// preparation of the marker.
struct JobGroup {
  std::size_t first;
  std::size_t last;
};

// Runs of consecutive jobs of one marker; one group per job when there are
// fewer such runs than workers (a run of a single marker keeps every worker busy).
std::vector<JobGroup> groupsOf(const std::vector<AnalysisJob>& jobs, int workers) {
  std::vector<JobGroup> groups;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (groups.empty() || jobs[i].marker != jobs[groups.back().first].marker) {
      groups.push_back({i, i + 1});
    } else {
      groups.back().last = i + 1;
    }
  }
  if (groups.size() < static_cast<std::size_t>(workers)) {
    groups.clear();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      groups.push_back({i, i + 1});
    }
  }
  return groups;
}

// Where each share of the groups handed to a thread at once begins (and, last,
// where the groups end). A thread copies the genotypes of a block of markers
// from the first one it is given, so it is given the block's markers together
// rather than every other one; the last groups go one at a time, so that the
// threads finish together.
std::vector<std::size_t> sharesOf(std::size_t groups, int workers) {
  const std::size_t block = RosterGenotypes::kBlockMarkers;
  const std::size_t tail = std::min(groups, block * 2 * static_cast<std::size_t>(workers));
  std::vector<std::size_t> starts;
  for (std::size_t g = 0; g < groups - tail; g += block) {
    starts.push_back(g);
  }
  for (std::size_t g = groups - tail; g <= groups; ++g) {
    starts.push_back(g);
  }
  return starts;
}

// work(g) for every group, the groups handed out in shares (sharesOf).
void forEachGroup(const std::vector<JobGroup>& groups, int workers, const std::function<void(std::size_t)>& work) {
  const std::vector<std::size_t> starts = sharesOf(groups.size(), workers);
  parallelFor(starts.size() - 1, workers, [&](std::size_t share) {
    for (std::size_t g = starts[share]; g < starts[share + 1]; ++g) {
      work(g);
    }
  });
}

}  // namespace

int workerCount(int threads) { return threads > 0 ? threads : static_cast<int>(usableCores()); }

AnalysisResult runJob(const PedTable& table, const FamilyList& families, const AnalysisJob& job) {
  PreparedMarker marker(table, families, job.marker, newRun());
  return runPrepared(marker, job);
}

std::vector<AnalysisResult> runJobs(const PedTable& table, const FamilyList& families,
                                    const std::vector<AnalysisJob>& jobs, int threads, const JobsDone& done) {
  const int workers = workerCount(threads);
  const std::uint64_t run = newRun();
  std::vector<AnalysisResult> results(jobs.size());
  const std::vector<JobGroup> groups = groupsOf(jobs, workers);
  if (workers == 1 || jobs.size() <= 1) {
    // In order on this thread: the sequential stream simply runs on; a job
    // with a state of its own leaves the stream where it was.
    for (const JobGroup& g : groups) {
      PreparedMarker marker(table, families, jobs[g.first].marker, run);
      for (std::size_t i = g.first; i < g.last; ++i) {
        const std::uint32_t stream = pairDrawState();
        if (jobs[i].drawState) {
          setPairDrawState(*jobs[i].drawState);
        }
        results[i] = runPrepared(marker, jobs[i]);
        if (jobs[i].drawState) {
          setPairDrawState(stream);
        }
      }
      if (done) {
        done(g.first, g.last, results);
      }
    }
    return results;
  }
  // Draws per job of the sequential stream, counted first (they depend on the
  // data only), so that each job can start the generator where the jobs
  // before it would have left it.
  std::vector<std::uint64_t> draws(jobs.size(), 0);
  const bool anyDraws = std::any_of(jobs.begin(), jobs.end(), [](const AnalysisJob& job) {
    return drawsPairs(job) && !job.drawState;
  });
  if (anyDraws) {
    forEachGroup(groups, workers, [&](std::size_t g) {
      PreparedMarker marker(table, families, jobs[groups[g].first].marker, run);
      for (std::size_t i = groups[g].first; i < groups[g].last; ++i) {
        const AnalysisJob& job = jobs[i];
        if (drawsPairs(job) && !job.drawState) {
          draws[i] =
              network2Draws(marker.get(FamilyForm::Plain), job.model, job.alleles[static_cast<std::size_t>(job.k)]);
        }
      }
    });
  }
  std::vector<std::uint32_t> start(jobs.size(), 0);
  std::uint32_t state = pairDrawState();
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    start[i] = jobs[i].drawState ? *jobs[i].drawState : state;
    state = skipPairDraws(state, draws[i]);
  }

  forEachGroup(groups, workers, [&](std::size_t g) {
    PreparedMarker marker(table, families, jobs[groups[g].first].marker, run);
    for (std::size_t i = groups[g].first; i < groups[g].last; ++i) {
      if (drawsPairs(jobs[i])) {
        setPairDrawState(start[i]);
      }
      results[i] = runPrepared(marker, jobs[i]);
    }
    if (done) {
      done(groups[g].first, groups[g].last, results);
    }
  });
  setPairDrawState(state);
  return results;
}
