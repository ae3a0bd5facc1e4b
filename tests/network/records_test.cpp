// Node vectors of the backward passes.
#include "network/records.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NodeVector, OneBasedIndicesAreUsableAndZeroed) {
  Node* v = NDvector(1, 4);
  for (long i = 1; i <= 4; ++i) {
    EXPECT_EQ(v[i].logMass, 0.0);
    EXPECT_EQ(v[i].recs, nullptr);
    v[i].setNode(i, i + 1, 0.5, 0.25, std::log(2.0), nullptr);
  }
  EXPECT_EQ(v[4].minRest, 4.0);
  EXPECT_EQ(v[4].maxRest, 5.0);
  free_NDvector(v, 1);
}
