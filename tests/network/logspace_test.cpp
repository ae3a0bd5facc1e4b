// Log-space arithmetic: addlog's floor, the log-factorial table and log binomials.
#include "network/logspace.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Addlog, SumsExponentialsInLogSpace) {
  const struct {
    double a, b, expected;
  } cases[] = {
      {0.0, 0.0, std::log(2.0)},
      {std::log(3.0), std::log(5.0), std::log(8.0)},
      {std::log(5.0), std::log(3.0), std::log(8.0)},
      {-2.0, -2.0, -2.0 + std::log(2.0)},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(addlog(c.a, c.b), c.expected, 1e-15) << "a=" << c.a << " b=" << c.b;
  }
}

TEST(Addlog, FarSmallerTermIsFlooredNotLost) {
  // The difference is floored at -80, so the smaller term adds e^-80 of the
  // larger: in double arithmetic 1 + e^-80 rounds to 1.
  EXPECT_EQ(addlog(-1000.0, 0.0), 0.0);
  EXPECT_EQ(addlog(0.0, -1000.0), 0.0);
  EXPECT_EQ(addlog(50.0, -1e300), 50.0);
  // Near the floor the result is never below the larger operand.
  for (double gap : {10.0, 40.0, 79.0, 80.0, 81.0, 500.0}) {
    EXPECT_GE(addlog(3.0, 3.0 - gap), 3.0) << gap;
  }
  // Just inside the floor the smaller term still counts.
  EXPECT_GT(addlog(0.0, -30.0), 0.0);
}

TEST(Faclog, TableOfLogFactorials) {
  EXPECT_EQ(faclog(0), std::vector<double>{0.0});
  EXPECT_EQ(faclog(-3), std::vector<double>{0.0});
  const std::vector<double> t = faclog(5);
  ASSERT_EQ(t.size(), 6u);
  const double factorials[] = {1, 1, 2, 6, 24, 120};
  for (int k = 0; k <= 5; ++k) {
    EXPECT_NEAR(t[k], std::log(factorials[k]), 1e-14) << k;
  }
}

TEST(Prbar0, LogBinomialFromTable) {
  const std::vector<double> t = faclog(6);
  EXPECT_EQ(prbar0(0, t, 2), 0.0);
  EXPECT_EQ(prbar0(2, t, 2), 0.0);
  EXPECT_NEAR(prbar0(1, t, 2), std::log(2.0), 1e-15);
  EXPECT_NEAR(prbar0(2, t, 6), std::log(15.0), 1e-14);
  // The end cases never read the table, which may then be empty.
  EXPECT_EQ(prbar0(0, {}, 7), 0.0);
  EXPECT_EQ(prbar0(7, {}, 7), 0.0);
}
