// A worker is placed on a core of its own when it starts; afterwards it must
// be as free as any thread to use every core its creator may use, unless it
// is to stay on that core.
#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {

// Starts five workers (more than most machines' cores, so the placement
// wraps round) from the calling thread; each records that it ran. Checks,
// while they are still running, that each may use exactly the caller's cores.
void startAndCheckWorkers() {
  std::atomic<int> ran{0};
  std::atomic<bool> release{false};
  std::vector<std::thread> workers;
  for (std::size_t i = 1; i <= 5; ++i) {
    workers.push_back(startWorker(i, [&] {
      ++ran;
      while (!release) {
        std::this_thread::yield();
      }
    }));
  }
#if defined(__linux__)
  // No early return here: the workers must be released and joined.
  cpu_set_t mine;
  EXPECT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
  for (std::thread& worker : workers) {
    cpu_set_t theirs;
    EXPECT_EQ(pthread_getaffinity_np(worker.native_handle(), sizeof theirs, &theirs), 0);
    EXPECT_TRUE(CPU_EQUAL(&mine, &theirs));
  }
#endif
  release = true;
  for (std::thread& worker : workers) {
    worker.join();
  }
  EXPECT_EQ(ran, 5);
}

}  // namespace

TEST(Threads, WorkersRunAndKeepEveryCoreOfTheirCreator) {
  startAndCheckWorkers();
#if defined(__linux__)
  // A creator held to its one core (as under a scheduler's allocation) gives
  // its workers that core alone.
  std::thread held([] {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    startAndCheckWorkers();
  });
  held.join();
#endif
}

// A worker that is to stay keeps to the one core it was placed on, one of
// its creator's.
TEST(Threads, AWorkerThatStaysKeepsToOneOfItsCreatorsCores) {
#if defined(__linux__)
  cpu_set_t mine;
  ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
  if (CPU_COUNT(&mine) < 2) {
    GTEST_SKIP() << "one core: there is no next core to place a worker on";
  }
  std::atomic<bool> release{false};
  std::thread worker = startWorker(1, [&] {
    while (!release) {
      std::this_thread::yield();
    }
  }, true);
  cpu_set_t theirs;
  EXPECT_EQ(pthread_getaffinity_np(worker.native_handle(), sizeof theirs, &theirs), 0);
  release = true;
  worker.join();
  EXPECT_EQ(CPU_COUNT(&theirs), 1);
  for (int core = 0; core < CPU_SETSIZE; ++core) {
    if (CPU_ISSET(core, &theirs)) {
      EXPECT_TRUE(CPU_ISSET(core, &mine)) << "core " << core << " is not the creator's";
    }
  }
#endif
}

// Steps of the worker pool, growing it as they ask for more workers (a new
// worker must take part in the step that started it), each index run once.
TEST(ParallelFor, RunsEveryIndexOnceForAnyNumberOfWorkers) {
  for (int workers : {1, 2, 3, 8, 2, 16}) {
    for (std::size_t n : {0u, 1u, 5u, 1000u}) {
      std::vector<std::atomic<int>> hits(n);
      parallelFor(n, workers, [&](std::size_t i) { ++hits[i]; });
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(hits[i], 1) << "index " << i << " of " << n << ", " << workers << " workers";
      }
    }
  }
}

// A step started from within a step (the pool is busy) runs on its caller.
TEST(ParallelFor, AStepWithinAStepRunsOnItsCaller) {
  std::vector<std::atomic<int>> hits(4 * 50);
  parallelFor(4, 3, [&](std::size_t i) { parallelFor(50, 3, [&](std::size_t j) { ++hits[i * 50 + j]; }); });
  for (std::size_t k = 0; k < hits.size(); ++k) {
    ASSERT_EQ(hits[k], 1) << k;
  }
}

#if defined(__linux__)
// "Every core" is every core the process may use: a thread held to one core
// (as a cluster job given one core) counts one.
TEST(Threads, UsableCoresAreThoseTheProcessMayUse) {
  std::thread held([] {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(usableCores(), 1u);
  });
  held.join();
  cpu_set_t mine;
  ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
  EXPECT_EQ(usableCores(), static_cast<std::size_t>(CPU_COUNT(&mine)));
}
#endif

// A failure on any thread reaches the caller, after which the pool still works.
TEST(ParallelFor, AFailureOnAnyThreadReachesTheCaller) {
  for (int workers : {1, 2, 4}) {
    EXPECT_THROW(parallelFor(400, workers,
                             [](std::size_t i) {
                               if (i == 377) {
                                 throw std::runtime_error("no memory");
                               }
                             }),
                 std::runtime_error);
  }
  std::atomic<int> ran{0};
  parallelFor(100, 4, [&](std::size_t) { ++ran; });
  EXPECT_EQ(ran, 100);
}
