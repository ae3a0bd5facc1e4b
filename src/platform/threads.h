// Starting the threads that share a run's work.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

// Starts `work` on a new thread that begins on a core of its own: the
// index-th core after the caller's among those the process may use (worker
// 1 on the next core, and so on round). The new thread may then move as the
// system sees fit, as any thread may.
//
// Left to itself, the kernel often queues a new thread on the core of the
// thread that made it, where it waits for milliseconds until the other core
// takes it over; two threads of one process then run on one core for that
// time, where two processes started side by side do not (a loop of 70 ms on
// each of two threads took up to 82 ms so). Where the cores cannot be named
// (not Linux, one core allowed), this is a plain std::thread.
std::thread startWorker(std::size_t index, std::function<void()> work);

// Calls work(i) for every i in [0, n), each once, on up to `workers` threads
// (the caller's among them): each thread takes the next index as it comes
// free. A new thread first calls onStart, when given.
template <class Work>
void parallelFor(std::size_t n, int workers, Work work, void (*onStart)() = nullptr) {
  const std::size_t count = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(workers, 1)));
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
    pool.push_back(startWorker(t, [&] {
      if (onStart != nullptr) {
        onStart();
      }
      loop();
    }));
  }
  loop();
  for (std::thread& t : pool) {
    t.join();
  }
}
