#include "driver/analysis.h"

#include <gtest/gtest.h>

#include "family/codings.h"

namespace {

// A table large enough to be listed in parts on several threads: 1,700 rows
// of 500 markers, with a code above 63 and a negative one in the last part
// only, so each part must take its own way and still give the whole-table lists.
PedigreeData wideStudy() {
  constexpr int kRows = 1700;
  constexpr int kMarkers = 500;
  PedigreeData data;
  data.columns = 2 * kMarkers + 6;
  data.names.assign(kMarkers, "m");
  data.table.reserve(kRows, static_cast<std::size_t>(data.columns));
  for (int r = 0; r < kRows; ++r) {
    std::vector<long> row = {1, r + 1, 0, 0, 1 + r % 2, 1};
    for (int m = 1; m <= kMarkers; ++m) {
      row.push_back((r * 7 + m) % (m % 5 + 2));  // 0 (missing) among them
      row.push_back((r + m) % 3 + 1);
    }
    data.table.push_back(row);
  }
  data.table.set(5, static_cast<std::size_t>(markerColumn(480)), 200);
  data.table.set(9, static_cast<std::size_t>(markerColumn(490)) + 1, -4);
  data.rows = kRows;
  return data;
}

TEST(MarkerAlleles, ListsInPartsAsInOnePassForAnyThreadCount) {
  const PedigreeData data = wideStudy();
  const std::vector<std::vector<int>> whole = markerAlleleLists(data.table, 1, 500);
  ASSERT_EQ(whole[479], (std::vector<int>{1, 2, 3, 200}));
  for (int threads : {1, 2, 3, 7}) {
    EXPECT_EQ(markerAlleles(data, 1, 500, threads), whole) << threads << " threads";
    EXPECT_EQ(markerAlleles(data, 480, 490, threads),
              std::vector<std::vector<int>>(whole.begin() + 479, whole.begin() + 490))
        << threads << " threads";
  }
}

}  // namespace
