// Node vectors, record lists and the sorted finger insertion.
#include "network/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "testutil.h"

namespace {
std::vector<std::pair<double, double>> contents(const Rec* r) {
  std::vector<std::pair<double, double>> out;
  for (; r != nullptr; r = r->next) {
    out.emplace_back(r->value, r->logProb);
  }
  return out;
}

}  // namespace

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

TEST(RecordList, FreeingALongListDoesNotRecurse) {
  Rec* head = nullptr;
  for (int i = 0; i < 2000000; ++i) {
    Rec* r = crerec(i, 0.0);
    r->next = head;
    head = r;
  }
  freerec(head);  // a recursive release would exhaust the stack here
  Rec* one = crerec(3.0, 1.5);
  EXPECT_EQ(one->next, nullptr);
  freerec(one);
}

#if defined(KINTEX_SANITIZER_BUILD)
// In a sanitizer build, of either compiler, records bypass the pool, so a
// record read after its release is reported.
TEST(RecordListDeathTest, ReadAfterReleaseIsReportedUnderTheSanitizer) {
  EXPECT_DEATH(
      {
        Rec* r = crerec(1.0, 0.0);
        freerec(r);
        volatile double v = r->value;
        (void)v;
      },
      "use-after-free");
}
#endif

TEST(SortedInsertion, KeepsAscendingOrderAndMergesEqualValues) {
  SortedList<Rec> list;
  for (double v : {3.0, 2.0, 0.0, 1.0, 2.0, 5.0, 0.0}) {
    addToSorted(list, v, 0.0);
  }
  const auto got = contents(list.head);
  ASSERT_EQ(got.size(), 5u);
  const double values[] = {0, 1, 2, 3, 5};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(got[i].first, values[i]);
  }
  EXPECT_NEAR(got[0].second, std::log(2.0), 1e-15);  // 0 twice
  EXPECT_NEAR(got[2].second, std::log(2.0), 1e-15);  // 2 twice
  EXPECT_EQ(got[1].second, 0.0);
  freerec(list.head);
}

TEST(SortedInsertion, FingerGivesTheSameBitsAsAWalkFromTheHead) {
  // Random runs of values, as a forward pass produces them: the list built
  // with the finger must equal the one built by walking from the head, bit
  // for bit, including the order of every addlog merge.
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> value(0, 60);
  std::uniform_real_distribution<double> weight(0.0, 5.0);
  for (int trial = 0; trial < 50; ++trial) {
    SortedList<Rec> fast;
    Rec* slow = nullptr;
    for (int i = 0; i < 400; ++i) {
      const double v = value(gen);
      const double lp = weight(gen);
      addToSorted(fast, v, lp);
      insertFromHead(slow, crerec(v, lp), releaseRec);
    }
    const auto a = contents(fast.head);
    const auto b = contents(slow);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].first, b[i].first);
      EXPECT_EQ(a[i].second, b[i].second) << "value " << a[i].first;
      if (i > 0) {
        EXPECT_LT(a[i - 1].first, a[i].first);
      }
    }
    freerec(fast.head);
    freerec(slow);
  }
}

TEST(SortedInsertion, ContinuesAnExistingList) {
  Rec* head = crerec(1.0, 0.0);
  head->next = crerec(4.0, 0.0);
  SortedList<Rec> list{head, nullptr};
  addToSorted(list, 2.0, 0.0);
  addToSorted(list, 0.0, 0.0);
  addToSorted(list, 4.0, 0.0);
  const auto got = contents(list.head);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].first, 0.0);
  EXPECT_EQ(got[1].first, 1.0);
  EXPECT_EQ(got[2].first, 2.0);
  EXPECT_EQ(got[3].first, 4.0);
  EXPECT_NEAR(got[3].second, std::log(2.0), 1e-15);
  freerec(list.head);
}
