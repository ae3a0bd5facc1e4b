#include "platform/threads.h"

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
  std::size_t callerAt = 0;
  bool callerAllowed = false;
  for (int core = 0; core < CPU_SETSIZE; ++core) {
    if (CPU_ISSET(core, &allowed)) {
      callerAllowed = callerAllowed || core == callerCore;
      callerAt = core == callerCore ? cores.size() : callerAt;
      cores.push_back(core);
    }
  }
  if (!callerAllowed || cores.size() < 2) {
    return;
  }
  const int target = cores[(callerAt + index) % cores.size()];
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
