#include "platform/threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {

#if defined(__linux__)
// Moves `thread` to the index-th allowed core after `callerCore`, then, unless
// it is to stay there, gives it back every core it was allowed: the move
// places it, the second call leaves it free.
void placeAfter(pthread_t thread, int callerCore, std::size_t index, bool stay) {
  cpu_set_t allowed;
  if (callerCore < 0 || pthread_getaffinity_np(thread, sizeof allowed, &allowed) != 0) {
    return;  // more cores than a cpu_set_t holds: leave it to the system
  }
  std::vector<int> cores;
  for (int core = 0; core < CPU_SETSIZE; ++core) {
    if (CPU_ISSET(core, &allowed)) {
      cores.push_back(core);
    }
  }
  const auto caller = std::find(cores.begin(), cores.end(), callerCore);
  if (caller == cores.end() || cores.size() < 2) {
    return;
  }
  const int target = cores[(static_cast<std::size_t>(caller - cores.begin()) + index) % cores.size()];
  if (target == callerCore) {
    return;
  }
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(target, &one);
  if (pthread_setaffinity_np(thread, sizeof one, &one) == 0 && !stay) {
    pthread_setaffinity_np(thread, sizeof allowed, &allowed);
  }
}
#endif

}  // namespace

std::thread startWorker(std::size_t index, std::function<void()> work, bool stay) {
#if defined(__linux__)
  const int callerCore = sched_getcpu();
  std::thread thread(std::move(work));
  placeAfter(thread.native_handle(), callerCore, index, stay);
  return thread;
#else
  (void)index;
  (void)stay;
  return std::thread(std::move(work));
#endif
}

namespace {

void (*workerStart)() = nullptr;

// The workers and the step they are on. A step is numbered; its task and
// the number of workers taking part are read under the mutex together with
// its number, so a worker never mixes two steps.
class WorkerPool {
 public:
  // Starts workers up to `count`. With the caller, workers that take every
  // core the process may use stay each on its own core: nothing of the
  // system's is to be made room for, and left free they were seen to be
  // queued on the caller's core for much of a run while another core idled.
  void grow(std::size_t count) {
    std::lock_guard<std::mutex> lock(growMutex_);
    const bool stay = count + 1 >= usableCores();
    while (started_.load() < count) {
      const std::size_t index = started_++;
      // A worker takes part from the next step on: the step that grows the
      // pool is numbered after this, and counts on every worker it names.
      const std::uint64_t before = step_.load();
      startWorker(index + 1, [this, index, before] { serve(index, before); }, stay).detach();
    }
  }

  // task() on `helpers` workers and on the caller; false when another step runs.
  bool run(std::size_t helpers, const std::function<void()>& task) {
    bool idle = false;
    if (!busy_.compare_exchange_strong(idle, true)) {
      return false;
    }
    grow(helpers);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      task_ = &task;
      helpers_ = helpers;
      pending_ = helpers;
      ++step_;
    }
    wake_.notify_all();
    task();
    waitUntil(finished_, [this] { return pending_.load(std::memory_order_acquire) == 0; });
    busy_ = false;
    return true;
  }

 private:
  // Waits for `ready` actively for a while when the machine has a core for
  // every worker, then on `signal`.
  template <class Ready>
  void waitUntil(std::condition_variable& signal, Ready ready) {
    const bool coreEach = started_.load() < usableCores();
    const auto until = std::chrono::steady_clock::now() + kActiveWait;
    for (unsigned round = 0; coreEach && !ready(); ++round) {
      if (round % 64 == 63 && std::chrono::steady_clock::now() > until) {
        break;
      }
      std::this_thread::yield();
    }
    std::unique_lock<std::mutex> lock(mutex_);
    signal.wait(lock, ready);
  }

  void serve(std::size_t index, std::uint64_t seen) {
    if (workerStart != nullptr) {
      workerStart();
    }
    for (;;) {
      waitUntil(wake_, [&] { return step_.load(std::memory_order_acquire) != seen; });
      const std::function<void()>* task = nullptr;
      std::size_t helpers = 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen = step_;
        task = task_;
        helpers = helpers_;
      }
      if (index < helpers) {
        (*task)();
        if (pending_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
          std::lock_guard<std::mutex> lock(mutex_);
          finished_.notify_all();
        }
      }
    }
  }

  static constexpr std::chrono::milliseconds kActiveWait{20};
  std::mutex growMutex_;
  std::atomic<std::size_t> started_{0};
  std::atomic<bool> busy_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::atomic<std::uint64_t> step_{0};
  const std::function<void()>* task_ = nullptr;
  std::size_t helpers_ = 0;
  std::atomic<std::size_t> pending_{0};
};

// Never destroyed: its workers run until the process ends.
WorkerPool& pool = *new WorkerPool;

}  // namespace

std::size_t usableCores() {
#if defined(__linux__)
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) {
    return static_cast<std::size_t>(CPU_COUNT(&allowed));
  }
#endif
  return std::max(1u, std::thread::hardware_concurrency());
}

void setWorkerStart(void (*start)()) { workerStart = start; }

void startWorkers(std::size_t count) { pool.grow(count); }

void parallelFor(std::size_t n, int workers, const std::function<void(std::size_t)>& work) {
  const std::size_t count = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(workers, 1)));
  std::atomic<std::size_t> next{0};
  // The first exception of any thread ends the handing out of indices and
  // is thrown to the caller once every thread has stopped using this frame.
  std::exception_ptr failure;
  std::mutex failureMutex;
  const std::function<void()> loop = [&] {
    for (std::size_t i = next++; i < n; i = next++) {
      try {
        work(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureMutex);
        if (!failure) {
          failure = std::current_exception();
        }
        next = n;
      }
    }
  };
  if (count <= 1 || !pool.run(count - 1, loop)) {
    loop();
  }
  if (failure) {
    std::rethrow_exception(failure);
  }
}
