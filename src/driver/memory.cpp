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

}  // namespace

void tuneProcessMemory() {
#if defined(__linux__) && defined(__GLIBC__)
  if (kSanitized) {
    return;  // the sanitizer's allocator is not glibc's
  }
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  constexpr std::size_t kReserve = std::size_t{256} << 20;  // address space only: pages come as touched
  // Blocks up to glibc's ceiling come from the heap, not from a mapping of
  // their own that is returned (and faulted in afresh) at every free; freed
  // memory stays for reuse.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  // Grow the heap once by a large reserve and ask for huge pages on it. The
  // volatile pointer keeps the compiler from removing the pair.
  const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
  mallopt(M_TOP_PAD, static_cast<int>(kReserve));
  void* volatile grow = std::malloc(kHugePage);
  std::free(grow);
  mallopt(M_TOP_PAD, static_cast<int>(kReserve / 4));
  const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t first = (before + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = after & ~(kHugePage - 1);
  if (last > first) {
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint; refused, small pages
  }
#endif
}
