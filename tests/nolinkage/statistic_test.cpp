// Family statistic: affected children's scores under the three models.
#include "nolinkage/statistic.h"

#include <gtest/gtest.h>

TEST(Statistic, AutosomalScoresUnderEachModel) {
  // Positions 0 and 1 are parents; children 2, 3, 4 affected, 5 unaffected.
  const AllelePairs p{{2, 0}, {2, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 0}};
  const std::vector<int> affection{1, 1, 1, 1, 1, 0};
  const std::vector<int> children{2, 3, 4, 5};
  const std::vector<int> sexes(6, 1);
  EXPECT_EQ(statistic(p, affection, children, 1, sexes, 0), 3.0);
  EXPECT_EQ(statistic(p, affection, children, 2, sexes, 0), 2.0);
  EXPECT_EQ(statistic(p, affection, children, 3, sexes, 0), 1.0);
  EXPECT_EQ(statistic(p, affection, {5}, 1, sexes, 0), 0.0);  // parents never count
}

TEST(Statistic, XLinkedSonsDaughtersAndUnknownSex) {
  const AllelePairs p{{2, 0}, {0, 2}, {2, 0}, {1, 1}};
  const std::vector<int> affection{1, 1, 1, 1};
  const std::vector<int> sexes{1, 1, 2, 0};
  for (int model = 1; model <= 3; ++model) {
    EXPECT_EQ(statistic(p, affection, {0}, model, sexes, 1), 1.0) << model;  // son carries it
    EXPECT_EQ(statistic(p, affection, {1}, model, sexes, 1), 0.0) << model;
    EXPECT_EQ(statistic(p, affection, {3}, model, sexes, 1), 0.0) << model;  // sex unknown
  }
  EXPECT_EQ(statistic(p, affection, {2}, 1, sexes, 1), 2.0);  // daughter as autosomal
  EXPECT_EQ(statistic(p, affection, {2}, 2, sexes, 1), 1.0);
}
