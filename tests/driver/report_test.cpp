// Result report: exact texts and targets of the result block, warnings and informative.txt.
#include "driver/report.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {
struct ReportRun : ReportCapture {
  template <class F>
  explicit ReportRun(F body) : ReportCapture("report", body) {}
};
}  // namespace

TEST(ReportResult, BlockTextsAndNumberFormat) {
  const struct {
    int model;
    double S, E, V, p;
    std::string expected;
  } cases[] = {
      {1, 3.0, 2.5, 0.03125, 1.2345678,
       "\n\nMarker: D1, Allele 12, Inf fams: 2, additive inheritance.\nS: 3, E(S): 2.5, Var(S): 0.03125, p: 1.23457\n"},
      {2, 0.0, -1.0, 1e-7, 1e20,
       "\n\nMarker: D1, Allele 12, Inf fams: 2, dominant inheritance.\nS: 0, E(S): -1, Var(S): 1e-07, p: 1e+20\n"},
      {3, 5, 4, 1, 0.625, "\n\nMarker: D1, Allele 12, Inf fams: 2, recessive inheritance.\nS: 5, E(S): 4, Var(S): 1, p: 0.625\n"},
      {9, 5, 4, 1, 0.625, "\n\nMarker: D1, Allele 12, Inf fams: 2\nS: 5, E(S): 4, Var(S): 1, p: 0.625\n"},
  };
  for (const auto& c : cases) {
    ReportRun run([&] { reportResult("D1", 12, 2, c.model, c.S, c.E, c.V, c.p, 0, 1); });
    EXPECT_EQ(run.console, c.expected);
    EXPECT_EQ(run.log, c.expected);
  }
}

TEST(ReportResult, NoInformativeFamilyPrintsStars) {
  ReportRun run([] { reportResult("", 4, 0, 1, 7, 7, 7, 7, 0, 0); });
  EXPECT_EQ(run.console,
            "\n\nMarker: , Allele 4, Inf fams: 0, additive inheritance.\nS: ****, E(S): ****, Var(S): ****, p: ****\n");
  EXPECT_EQ(run.log, "");
}

TEST(ReportResult, BatchWritesOnlyTheLog) {
  ReportRun run([] {
    reportResult("M", 1, 1, 1, 1, 1, 1, 1, 1, 1);
    reportIncompatible(42, 1, 1);
  });
  EXPECT_EQ(run.console, "");
  EXPECT_EQ(run.log,
            "\n\nMarker: M, Allele 1, Inf fams: 1, additive inheritance.\nS: 1, E(S): 1, Var(S): 1, p: 1\n"
            "\nWarning: Ped 42 contains incompatible genotypes.");
}

TEST(InformativeList, LinesOfOneAnalysisOnly) {
  ReportRun run([] {
    keepInformativeList({{99, 1, 2}});
    keepInformativeList({{12, 1, 2}, {-3, 10, 20}});  // a later analysis replaces the list
    writeInformativeList();
  });
  EXPECT_EQ(run.informative, "\nInformative: 12, (1, 2)\nInformative: -3, (10, 20)\n");
  ReportRun empty([] {
    keepInformativeList({});
    writeInformativeList();
  });
  EXPECT_EQ(empty.informative, "\n");
}
