// Marker selection by name, index and chromosome; chunks.
#include "study/selection.h"

#include <gtest/gtest.h>

namespace {
io::MarkerInfo marker(const std::string& chrom, const std::string& name) {
  return io::MarkerInfo{chrom, 1, name, {}};
}
}  // namespace

TEST(Selection, MarkersByNameAndIndexRange) {
  MarkerSelection s;
  s.addMarkers("rs1,7,10-20");
  EXPECT_EQ(s.largestIndex(), 20u);
  const struct {
    std::size_t index;
    std::string name;
    bool selected;
  } cases[] = {{7, "a", true},  {8, "a", false},  {10, "a", true},
               {20, "a", true}, {21, "a", false}, {99, "rs1", true}};
  for (const auto& c : cases) {
    EXPECT_EQ(s.selects(c.index, marker("1", c.name)), c.selected) << c.index << " " << c.name;
  }
  for (const char* bad : {"", "rs1,,rs2", "3-1", "0", "0-4", "rs1,"}) {
    EXPECT_THROW(MarkerSelection().addMarkers(bad), SelectionError) << bad;
  }
}

TEST(Selection, ChromosomesInAnySpelling) {
  MarkerSelection s;
  s.addChromosomes("1-3,X,chrMT");
  for (const char* chrom : {"1", "chr2", "03", "X", "23", "chrX", "x", "M", "26"}) {
    EXPECT_TRUE(s.selects(1, marker(chrom, "m"))) << chrom;
  }
  for (const char* chrom : {"4", "XY", "25", "Y", "NA"}) {
    EXPECT_FALSE(s.selects(1, marker(chrom, "m"))) << chrom;
  }
  s.addMarkers("m2");  // both must hold
  EXPECT_FALSE(s.selects(1, marker("1", "m")));
  EXPECT_TRUE(s.selects(1, marker("1", "m2")));
}

TEST(Selection, ChunksAreContiguousCoverEverythingAndDifferByAtMostOne) {
  for (std::size_t total = 0; total <= 23; ++total) {
    for (std::size_t n = 1; n <= 8; ++n) {
      std::size_t next = 0, smallest = total, largest = 0;
      for (std::size_t i = 1; i <= n; ++i) {
        const auto [first, last] = chunkRange(total, Chunk{i, n});
        EXPECT_EQ(first, next) << total << " " << i << "/" << n;
        next = last;
        smallest = std::min(smallest, last - first);
        largest = std::max(largest, last - first);
      }
      EXPECT_EQ(next, total);
      EXPECT_LE(largest - smallest, 1u) << total << " in " << n;
    }
  }
  EXPECT_EQ(parseChunk("2/5").index, 2u);
  for (const char* bad : {"0/3", "4/3", "3", "a/b", "1/", "/2", "-1/2"}) {
    EXPECT_THROW(parseChunk(bad), SelectionError) << bad;
  }
}
