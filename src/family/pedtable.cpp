// Memory of the pedigree table.
#include "family/pedtable.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Below this a table lives on the ordinary heap.
constexpr std::size_t kOwnMapping = kHugePage;

}  // namespace

void* allocateTableMemory(std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kOwnMapping) {
    // A whole number of huge pages, aligned to one: map one more and trim.
    const std::size_t size = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
      throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) {
      ::munmap(mapped, aligned - start);
    }
    const std::uintptr_t end = aligned + size;
    const std::uintptr_t mappedEnd = start + size + kHugePage;
    if (mappedEnd > end) {
      ::munmap(reinterpret_cast<void*>(end), mappedEnd - end);
    }
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // a hint: without it, small pages
    return reinterpret_cast<void*>(aligned);
  }
#endif
  return ::operator new(bytes);
}

void releaseTableMemory(void* memory, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kOwnMapping) {
    ::munmap(memory, (bytes + kHugePage - 1) / kHugePage * kHugePage);
    return;
  }
#endif
  ::operator delete(memory);
}
