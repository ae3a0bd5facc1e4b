#include "platform/threads.h"

#include <algorithm>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {

#if defined(__linux__)
// Moves `thread` to the index-th allowed core after `callerCore`, then gives
// it back every core it was allowed: the move places it, the second call
// leaves it free.
void placeAfter(pthread_t thread, int callerCore, std::size_t index) {
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
  if (pthread_setaffinity_np(thread, sizeof one, &one) == 0) {
    pthread_setaffinity_np(thread, sizeof allowed, &allowed);
  }
}
#endif

}  // namespace

std::thread startWorker(std::size_t index, std::function<void()> work) {
#if defined(__linux__)
  const int callerCore = sched_getcpu();
  std::thread thread(std::move(work));
  placeAfter(thread.native_handle(), callerCore, index);
  return thread;
#else
  (void)index;
  return std::thread(std::move(work));
#endif
}
