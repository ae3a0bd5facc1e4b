// Per-analysis random streams for the "linkage, no association" pair search.
#pragma once

#include <cstdint>
#include <string>

// The pair generator's starting state for one analysis: the 32-bit FNV-1a
// hash (offset basis 2166136261, prime 16777619) of the text
// "<seed>\t<marker name>\t<allele string>", seed in decimal. It depends on
// nothing else, so an analysis draws the same pairs whichever other markers,
// chunks or threads share the run.
inline std::uint32_t drawStreamState(std::uint64_t seed, const std::string& marker,
                                     const std::string& allele) {
  const std::string text = std::to_string(seed) + "\t" + marker + "\t" + allele;
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}
