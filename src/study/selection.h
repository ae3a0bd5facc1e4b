// Which markers a run analyses: by name or index (--markers), by chromosome
// (--chr), and the I-th of N contiguous slices of those (--chunk).
#pragma once

#include <cstddef>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "io/study.h"

// A malformed --markers, --chr or --chunk value; the message says which.
class SelectionError : public std::runtime_error {
 public:
  explicit SelectionError(const std::string& message) : std::runtime_error(message) {}
};

// A chromosome name in one spelling: "chr" dropped, letters upper case,
// PLINK's numbers 23 X, 24 Y, 25 XY, 26 MT, and M as MT.
std::string chromosomeKey(const std::string& chrom);

struct MarkerSelection {
  std::vector<std::pair<std::size_t, std::size_t>> indexRanges;  // 1-based, inclusive
  std::set<std::string> names;
  std::set<std::string> chromosomes;  // chromosomeKey form

  // Adds "rs1,rs7,10-20": a token of digits (or two joined by '-') is a
  // 1-based index (range), anything else a marker name.
  void addMarkers(const std::string& list);
  // Adds "1-22,X": numbers (or ranges of them) and chromosome names.
  void addChromosomes(const std::string& list);

  bool filtersByName() const { return !names.empty(); }
  bool filters() const { return !indexRanges.empty() || !names.empty() || !chromosomes.empty(); }
  // Whether marker `index` (1-based, file order) is selected: it must match
  // --markers (a name or an index) when given, and --chr when given.
  bool selects(std::size_t index, const io::MarkerInfo& marker) const;
  // The largest index named, 0 without index ranges.
  std::size_t largestIndex() const;
};

// --chunk I/N: 1 <= I <= N.
struct Chunk {
  std::size_t index = 1;
  std::size_t count = 1;
};
Chunk parseChunk(const std::string& text);

// Chunk I of N over `total` items: the half-open range [first, last) of
// 0-based positions, floor((I-1) x total / N) to floor(I x total / N), so
// that the chunks are contiguous, cover every item once and differ in size
// by at most one.
std::pair<std::size_t, std::size_t> chunkRange(std::size_t total, const Chunk& chunk);
