// The test call: one marker, one allele, one of the three test drivers.
#include "driver/analysis.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <numeric>
#include <utility>

#include "driver/report.h"
#include "family/codings.h"

bool readPedigree(const std::string& fileName, PedigreeData& data, std::string& error, int threads) {
  return readPedigreeFile(fileName, data, error, workerCount(threads)) == 1;
}

bool readPedigree(const std::string& fileName, const PedigreeText& text, PedigreeData& data,
                  std::string& error, int threads) {
  return readPedigreeText(fileName, text, data, error, workerCount(threads)) == 1;
}

bool loadPedigree(const std::string& fileName, PedigreeData& data, std::string& error, int threads) {
  if (!readPedigree(fileName, data, error, threads)) {
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

// Reports the steps [from, to) of a run in their order while the analyses are
// still running: the thread that finishes the job of the next step to report
// writes it and every later step that is ready, including those finished
// meanwhile by other threads. A thread that finds another writing only marks
// its jobs finished and goes on: it never waits for the writing.
class StepReporter {
 public:
  StepReporter(const Settings& s, const PedigreeData& data, const std::vector<Step>& steps, std::size_t from,
               std::size_t to)
      : s_(s), data_(data), steps_(steps), from_(from), next_(from), to_(to) {
    for (std::size_t i = from; i < to; ++i) {
      jobOfStep_.push_back(steps[i].note.empty() ? finished_.size() : kNoJob);
      if (steps[i].note.empty()) {
        finished_.push_back(0);
      }
    }
  }

  // Jobs [first, last) have their results.
  void finished(std::size_t first, std::size_t last, std::vector<AnalysisResult>& results) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      std::fill(finished_.begin() + static_cast<std::ptrdiff_t>(first),
                finished_.begin() + static_cast<std::ptrdiff_t>(last), 1);
      if (writing_) {
        return;
      }
      writing_ = true;
    }
    // Only the writer touches the results of the steps it writes.
    std::size_t begin = 0;
    std::size_t end = 0;
    while (takeReady(begin, end)) {
      for (std::size_t step = begin; step < end; ++step) {
        write(step, results);
      }
    }
  }

 private:
  // Takes the steps from next_ on that can be written now, [begin, end); when
  // there are none, the writing ends (in the same locked moment, so no
  // finished job is missed).
  bool takeReady(std::size_t& begin, std::size_t& end) {
    std::lock_guard<std::mutex> lock(mutex_);
    begin = next_;
    end = next_;
    while (end < to_ && (jobOfStep_[end - from_] == kNoJob || finished_[jobOfStep_[end - from_]] != 0)) {
      ++end;
    }
    next_ = end;
    writing_ = end > begin;
    return writing_;
  }

  void write(std::size_t step, std::vector<AnalysisResult>& results) {
    const std::size_t job = jobOfStep_[step - from_];
    if (job == kNoJob) {
      reportText(steps_[step].note, s_.batch, s_.logSetting);
      return;
    }
    report(s_, data_, steps_[step].job, results[job]);
    results[job] = AnalysisResult();  // its lists are written: their memory goes back
  }

  static constexpr std::size_t kNoJob = static_cast<std::size_t>(-1);
  const Settings& s_;
  const PedigreeData& data_;
  const std::vector<Step>& steps_;
  std::vector<std::size_t> jobOfStep_;  // per step of [from, to): its job, or kNoJob for a note
  std::vector<char> finished_;          // per job
  std::size_t from_;
  std::size_t next_;
  std::size_t to_;
  bool writing_ = false;  // a thread is writing steps
  std::mutex mutex_;
};

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
  std::atomic<bool> informativeOpened{false};
  for (std::size_t from = 0; from < steps.size(); from += window) {
    const std::size_t to = std::min(steps.size(), from + window);
    std::vector<AnalysisJob> jobs;
    for (std::size_t i = from; i < to; ++i) {
      if (steps[i].note.empty()) {
        jobs.push_back(steps[i].job);
        jobs.back().listInformative = i == lastJob;
      }
    }
    // On one thread nothing runs beside the report, so it waits for the
    // window's end: writing between the analyses only evicts their data.
    StepReporter reporter(s, data, steps, from, to);
    JobsDone reportDone;
    if (workerCount(s.threads) > 1) {
      reportDone = [&](std::size_t first, std::size_t last, std::vector<AnalysisResult>& done) {
        // Analyses have run, so informative.txt will be written: the first
        // thread to finish some empties it now, beside the others' work.
        if (!informativeOpened.exchange(true)) {
          openInformativeList();
        }
        reporter.finished(first, last, done);
      };
    }
    std::vector<AnalysisResult> results = runJobs(data.table, data.families, jobs, s.threads, reportDone);
    reporter.finished(0, jobs.size(), results);
  }
}

void testAndReport(const Settings& s, const PedigreeData& data, int m, int k, const std::vector<int>& L) {
  const AnalysisJob job = jobOf(s, m, k, L);
  AnalysisResult r = runJob(data.table, data.families, job);
  report(s, data, job, r);
}
