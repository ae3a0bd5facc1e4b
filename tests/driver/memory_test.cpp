// The process's memory tuning drops pages of the heap's reserve, holds the
// heap's small-page head and folds a worker's arena into huge pages: none of
// it may touch a block in use.
#include "driver/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>

#include <unistd.h>
#include <vector>

namespace {

const std::vector<std::size_t> kSmall = {3, 100, 5000};
const std::vector<std::size_t> kMixed = {3, 100, 5000, 300000, 1000000};  // past huge-page boundaries too

// Blocks of the given numbers of words, each filled with its own pattern.
std::vector<std::vector<std::uint32_t>> patternedBlocks(std::uint32_t seed, const std::vector<std::size_t>& sizes) {
  std::vector<std::vector<std::uint32_t>> blocks;
  for (std::size_t words : sizes) {
    std::vector<std::uint32_t> block(words);
    for (std::size_t i = 0; i < words; ++i) {
      block[i] = seed * 2654435761u + static_cast<std::uint32_t>(i);
    }
    blocks.push_back(std::move(block));
    ++seed;
  }
  return blocks;
}

bool intact(const std::vector<std::vector<std::uint32_t>>& blocks, std::uint32_t seed) {
  for (const auto& block : blocks) {
    for (std::size_t i = 0; i < block.size(); ++i) {
      if (block[i] != seed * 2654435761u + static_cast<std::uint32_t>(i)) {
        return false;
      }
    }
    ++seed;
  }
  return true;
}

}  // namespace

// Tuning twice in one process proves nothing about the first time: one
// test tunes, and checks too that the run's first large block does not land
// in the small pages between the heap's start and its first huge-page
// boundary. (A stretch under 64 KiB is not worth skipping: the heap is then
// left as it is, and the block may even reuse freed memory below its start.)
TEST(Memory, TuningKeepsEveryBlockInUse) {
  const auto before = patternedBlocks(1, kMixed);
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto heapTop = reinterpret_cast<std::uintptr_t>(sbrk(0));
  tuneProcessMemory();
  if (memoryTuningApplies()) {
    const std::vector<char> first(std::size_t{1} << 20);
    const std::uintptr_t boundary = (heapTop + kHugePage - 1) & ~(kHugePage - 1);
    if (boundary - heapTop >= (std::uintptr_t{64} << 10)) {
      EXPECT_GE(reinterpret_cast<std::uintptr_t>(first.data()) + (std::uintptr_t{64} << 10), boundary);
    }
  }
  const auto after = patternedBlocks(100, kMixed);
  bool workerIntact = false;
  std::thread worker([&] {
    // The thread's first blocks sit in its fresh arena, in the range folded into a huge page.
    const auto early = patternedBlocks(200, kSmall);
    tuneWorkerMemory();
    const auto late = patternedBlocks(300, kMixed);
    workerIntact = intact(early, 200) && intact(late, 300);
  });
  worker.join();
  EXPECT_TRUE(intact(before, 1));
  EXPECT_TRUE(intact(after, 100));
  EXPECT_TRUE(workerIntact);
}

