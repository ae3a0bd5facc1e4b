// X-linked network passes: node values, the family distribution, dead ends.
#include "nolinkage/xpasses.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A hand-made network: node lists and stage bounds, with a node vector whose
// end node carries the given accumulator values.
struct XFixture {
  std::vector<int> key0;
  std::vector<int> firstNode;
  std::vector<int> lastNode;
  int childMin[2];
  int childMax[2];
  Node* V = nullptr;
  int N = 0;

  XFixture(std::vector<int> keys, std::vector<int> first, std::vector<int> last, std::array<int, 2> lo,
           std::array<int, 2> hi, double accMean, double accMass)
      : key0(std::move(keys)),
        firstNode(std::move(first)),
        lastNode(std::move(last)),
        childMin{lo[0], lo[1]},
        childMax{hi[0], hi[1]} {
    N = static_cast<int>(key0.size());
    V = NDvector(1, N);
    V[N].setNode(0, 0, accMean, 0, accMass, nullptr);
  }
  ~XFixture() { free_NDvector(V, 1); }
  XNetwork net() const { return XNetwork{key0, firstNode, lastNode, childMin, childMax}; }
};

void expectNode(const Node& n, double minR, double maxR, double meanR, double varR, double logM) {
  EXPECT_DOUBLE_EQ(n.minRest, minR);
  EXPECT_DOUBLE_EQ(n.maxRest, maxR);
  EXPECT_NEAR(n.meanRest, meanR, 1e-12);
  EXPECT_NEAR(n.varRest, varR, 1e-12);
  EXPECT_NEAR(n.logMass, logM, 1e-12);
}

// Mother (1, 1), father (2, 0); one daughter (member 2) and one son (member 3),
// both affected. Nodes (stage, key): root (0,0); (1,1), (1,2); (2,1), (2,2),
// (2,3); end (3,3).
XFixture daughterAndSon(double accMean = 0, double accMass = 0) {
  return XFixture({0, 1, 2, 1, 2, 3, 3}, {0, 1, 3, 6}, {0, 2, 5, 6}, {1, 0}, {2, 1}, accMean, accMass);
}
const std::vector<int> kSons{3};
const std::vector<int> kDaughters{2};
const std::vector<int> kAffected{0, 0, 1, 1};

TEST(XPasses, BackwardGivesRangeMeanVarianceAndPathCount) {
  XFixture f = daughterAndSon();
  backwardX(3, f.N, f.V, f.net(), kSons, kDaughters, kAffected, 1);
  for (int e = 4; e <= 6; ++e) {
    expectNode(f.V[e], 0, 0, 0, 0, 0);
  }
  expectNode(f.V[2], 0, 1, 0.5, 0.25, std::log(2.0));
  expectNode(f.V[3], 0, 1, 0.5, 0.25, std::log(2.0));
  expectNode(f.V[1], 1, 3, 2, 0.5, std::log(4.0));

  // Forward: value 1 once, 2 twice, 3 once.
  const FamilyDist d = forwardX(3, f.net(), kSons, kDaughters, kAffected, 1);
  EXPECT_EQ(d.lo, 1);
  EXPECT_EQ(d.w, (std::vector<double>{1, 2, 1}));
  EXPECT_EQ(d.exp2, 0);
}

TEST(XPasses, RecessiveDaughterScoresOnlyWithTwoCopies) {
  XFixture f = daughterAndSon();
  backwardX(3, f.N, f.V, f.net(), kSons, kDaughters, kAffected, 3);
  EXPECT_EQ(f.V[1].minRest, 0.0);
  EXPECT_EQ(f.V[1].maxRest, 2.0);
}

TEST(XPasses, UnaffectedChildrenGiveAFixedStatistic) {
  XFixture f = daughterAndSon();
  backwardX(3, f.N, f.V, f.net(), kSons, kDaughters, {0, 0, 0, 0}, 1);
  EXPECT_EQ(f.V[1].minRest, f.V[1].maxRest);
}

TEST(XPasses, LaterFamilyCarriesTheAccumulatorThroughTheEndNode) {
  // Earlier families: mean 3, log weight ln 16. The root's variance is this
  // family's alone; its mean and weight include the earlier ones.
  XFixture f = daughterAndSon(3.0, std::log(16.0));
  backwardX(3, f.N, f.V, f.net(), kSons, kDaughters, kAffected, 1);
  expectNode(f.V[4], 0, 0, 3.0, 0, std::log(16.0));
  expectNode(f.V[1], 1, 3, 5.0, 0.5, std::log(64.0));
}

TEST(XPasses, DeadEndNodesGetZerosAndKeepTheirRecords) {
  // Daughter then son; a son must carry the tested allele (childMin[1] = 1).
  // Stage 1 keys 0 and 1, stage 2 key 1: node (1, 1) has no way on.
  XFixture f({0, 0, 1, 1, 1}, {0, 1, 3, 4}, {0, 2, 3, 4}, {0, 1}, {1, 1}, 5.0, 3.0);
  backwardX(3, f.N, f.V, f.net(), kSons, kDaughters, kAffected, 1);
  expectNode(f.V[3], 0, 0, 0, 0, 0);
  expectNode(f.V[2], 1, 1, 6.0, 0, 3.0);

  // Node (1, 1) is reached but nothing leaves it: only the daughter's one
  // copy and the son's one reach the end (value 1: the son's copy; the
  // daughter with no copy scores 0).
  const FamilyDist d = forwardX(3, f.net(), kSons, kDaughters, kAffected, 1);
  EXPECT_EQ(d.lo, 1);
  EXPECT_EQ(d.w, (std::vector<double>{1}));
}

TEST(XPasses, AnEmptyNextStageMakesDeadEnds) {
  // Two daughters; stage 2 has no node at all.
  XFixture f({0, 1, 2}, {0, 1, 2, 2}, {0, 1, 1, 2}, {1, 0}, {2, 0}, 4.0, 1.0);
  backwardX(3, f.N, f.V, f.net(), {}, {1, 2}, {0, 1, 1}, 1);
  expectNode(f.V[2], 0, 0, 0, 0, 0);
  EXPECT_TRUE(forwardX(3, f.net(), {}, {1, 2}, {0, 1, 1}, 1).w.empty());  // nothing reaches the end
}

}  // namespace
