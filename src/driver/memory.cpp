#include "driver/memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

#if defined(__linux__) && defined(__GLIBC__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#ifdef MADV_COLLAPSE
constexpr int kCollapse = MADV_COLLAPSE;
#else
constexpr int kCollapse = 25;  // Linux 6.1 and later; older kernels refuse it
#endif

// Where the main heap began: memory at or above it, below the break, is the main arena's.
std::uintptr_t mainHeapStart = 0;

// Held for the life of the process and never touched: see skipSmallPageHead.
// (Volatile: a block nothing reads would otherwise not be taken at all.)
void* volatile smallPageHead = nullptr;

// The heap begins wherever the system put its break, rarely on a huge-page
// boundary, and the stretch up to the first boundary can only have small
// pages. The run's first large blocks (the families, the allele lists) would
// land there and fault page by page: about a hundred faults of some ten
// microseconds each on a virtual machine, all before any thread has work.
// A block spanning the stretch, kept and never written, makes the blocks
// that follow begin in huge pages. It costs address space, and the blocks
// it moves take a huge page whole: about 2 MB more resident at the peak.
void skipSmallPageHead(std::uintptr_t heapTop, std::uintptr_t firstHugePage) {
  constexpr std::uintptr_t kWorthSkipping = std::uintptr_t{64} << 10;
  if (firstHugePage - heapTop < kWorthSkipping) {
    return;
  }
  // A block this large comes from the top of the heap (no freed block is
  // as large yet), so its address is where the next blocks would begin.
  // (Volatile, as above: the pair must really happen.)
  void* volatile probe = std::malloc(firstHugePage - heapTop);
  const auto next = reinterpret_cast<std::uintptr_t>(probe);
  std::free(probe);  // back into the top of the heap
  // A probe found anywhere but near the top (a freed block after all) says
  // nothing of where the next blocks begin: the heap is then left as it is.
  if (next + kHugePage / 2 > heapTop && next < firstHugePage) {
    smallPageHead = std::malloc(firstHugePage - next);
  }
}
#endif

}  // namespace

bool memoryTuningApplies() {
#if defined(__linux__) && defined(__GLIBC__)
  return !kSanitized;
#else
  return false;
#endif
}

void tuneProcessMemory() {
#if defined(__linux__) && defined(__GLIBC__)
  if (kSanitized) {
    return;  // the sanitizer's allocator is not glibc's
  }
  constexpr std::size_t kReserve = std::size_t{256} << 20;  // address space only: pages come as touched
  // Blocks up to glibc's ceiling come from the heap, not from a mapping of
  // their own that is returned (and faulted in afresh) at every free; freed
  // memory stays for reuse.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  // Grow the heap once by a large reserve and ask for huge pages on it. The
  // volatile pointer keeps the compiler from removing the pair.
  const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
  mainHeapStart = before;
  mallopt(M_TOP_PAD, static_cast<int>(kReserve));
  void* volatile grow = std::malloc(kHugePage);
  std::free(grow);
  mallopt(M_TOP_PAD, static_cast<int>(kReserve / 4));
  const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t first = (before + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = after & ~(kHugePage - 1);
  if (last > first) {
    void* const reserve = reinterpret_cast<void*>(first);
    madvise(reserve, last - first, MADV_HUGEPAGE);  // a hint; refused, small pages
    // Growing wrote the heap's bookkeeping into a page of the reserve before
    // the advice, and a range with one small page stays in small pages. The
    // whole reserve is free (the heap's live blocks all lie below `before`),
    // so its pages are simply dropped.
    madvise(reserve, last - first, MADV_DONTNEED);
    skipSmallPageHead(before, first);
  }
#endif
}

void tuneWorkerMemory() {
#if defined(__linux__) && defined(__GLIBC__)
  if (kSanitized || mainHeapStart == 0) {
    return;
  }
  // A thread's first allocation gives it an arena of its own: a mapping
  // aligned to glibc's largest arena heap (64 MiB), headed by the arena's
  // bookkeeping, with the thread's first blocks right after it. A fresh
  // arena is recognised by the probe lying just past its head; the main
  // arena (too many threads) or a reused one are left as they are.
  constexpr std::uintptr_t kArenaHeap = std::uintptr_t{64} << 20;
  constexpr std::uintptr_t kArenaHead = std::uintptr_t{64} << 10;
  void* const probe = std::malloc(64);
  const auto at = reinterpret_cast<std::uintptr_t>(probe);
  std::free(probe);
  const auto heapEnd = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t heap = at & ~(kArenaHeap - 1);
  if ((at >= mainHeapStart && at < heapEnd) || at - heap >= kArenaHead) {
    return;
  }
  // The head already sits in small pages: the first 2 MiB, where the
  // thread's busiest blocks go, are made one huge page now, and the rest
  // is advised before it is touched.
  madvise(reinterpret_cast<void*>(heap), kArenaHeap, MADV_HUGEPAGE);
  madvise(reinterpret_cast<void*>(heap), kHugePage, kCollapse);
#endif
}
