// Autosomal network passes: node values, weights, merging, dead ends.
#include "nolinkage/apasses.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// One family's network built from its pairs, with the node vector.
struct GFixture {
  GenotypeMatrix matrix{};
  std::vector<int> minCopies, maxCopies, homClasses, low, high;
  NodeLists nodes{{0}, {0}, {0}, {0}, {0}};
  std::vector<int> firstNode, lastNode, weights;
  std::vector<double> table;
  std::vector<int> parents;
  FamilyDist dist;
  Node* V = nullptr;
  int N = 0;
  int nkids = 0;

  GFixture(const AllelePairs& P, const std::vector<int>& parents, const std::vector<int>& children,
           std::vector<int> childWeights, int distinct)
      : parents(parents) {
    minmaxA(P, minCopies, maxCopies, parents, children, matrix, homClasses);
    minmaxm(minCopies, maxCopies, low, high, P, children, parents, distinct, homClasses, matrix);
    nkids = static_cast<int>(children.size());
    buildG(low, high, nkids, nodes, minCopies, maxCopies, homClasses, matrix, parents);
    init(std::move(childWeights));
  }
  // A hand-made network over the given node lists.
  GFixture(NodeLists lists, int kids, std::vector<int> minC, std::vector<int> maxC, std::vector<int> homs,
           std::vector<int> childWeights)
      : minCopies(std::move(minC)),
        maxCopies(std::move(maxC)),
        homClasses(std::move(homs)),
        nodes(std::move(lists)),
        nkids(kids) {
    init(std::move(childWeights));
  }
  void init(std::vector<int> childWeights) {
    weights = std::move(childWeights);
    weights.push_back(0);
    N = static_cast<int>(nodes.stage.size());
    firstNode.assign(nkids + 2, 0);
    lastNode.assign(nkids + 2, 0);
    for (int s = 0; s <= nkids + 1; ++s) {
      firstNode[s] =
          static_cast<int>(std::find(nodes.stage.begin(), nodes.stage.end(), s) - nodes.stage.begin());
      lastNode[s] =
          static_cast<int>(nodes.stage.rend() - std::find(nodes.stage.rbegin(), nodes.stage.rend(), s)) - 1;
      if (lastNode[s] < 0) {
        lastNode[s] = firstNode[s] - 1;
      }
    }
    table = faclog(2 * nkids + 1);
    V = NDvector(1, N);
  }
  ~GFixture() { free_NDvector(V, 1); }
  GNetwork net(int model) const {
    return GNetwork{nodes, firstNode, lastNode, weights, minCopies, maxCopies, homClasses, table, model, parents};
  }
  // Backward pass, then the family's distribution from the one record (0, 1).
  void run(int model, double accMean = 0, double accMass = 0) {
    V[N].setNode(0, 0, accMean, 0, accMass, nullptr);
    backwardG(nkids + 1, N, V, net(model), stepsOfG(net(model), nkids + 1));
    dist = forwardG(nkids + 1, net(model), stepsOfG(net(model), nkids + 1));
  }
};

// (value, weight) of every value the family can take.
std::vector<std::pair<double, double>> listOf(const FamilyDist& d) {
  std::vector<std::pair<double, double>> out;
  for (std::size_t i = 0; i < d.w.size(); ++i) {
    if (d.w[i] > 0.0) {
      out.push_back({static_cast<double>(d.lo) + static_cast<double>(i), std::ldexp(d.w[i], d.exp2)});
    }
  }
  return out;
}

TEST(APasses, OneChildOfTwoHeterozygousParents) {
  GFixture f({{1, 1}, {1, 1}, {1, 1}}, {0, 1}, {2}, {1}, 2);
  f.run(1);
  EXPECT_EQ(f.V[1].minRest, 0.0);
  EXPECT_EQ(f.V[1].maxRest, 2.0);
  EXPECT_NEAR(f.V[1].meanRest, 1.0, 1e-12);
  EXPECT_NEAR(f.V[1].varRest, 0.5, 1e-12);
  EXPECT_NEAR(f.V[1].logMass, std::log(4.0), 1e-12);
  const auto end = listOf(f.dist);
  ASSERT_EQ(end.size(), 3u);
  EXPECT_EQ(end[0], std::make_pair(0.0, 1.0));
  EXPECT_EQ(end[1], std::make_pair(1.0, 2.0));  // exact counts
  EXPECT_EQ(end[2], std::make_pair(2.0, 1.0));
}

TEST(APasses, ModelsScoreTheCopies) {
  // Dominant: two copies score like one; recessive: only two copies score.
  GFixture dom({{1, 1}, {1, 1}, {2, 0}}, {0, 1}, {2}, {1}, 2);
  dom.run(2);
  EXPECT_EQ(dom.V[1].maxRest, 1.0);
  EXPECT_NEAR(dom.V[1].meanRest, 0.75, 1e-12);
  const auto d = listOf(dom.dist);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1].second, 3.0);  // 1 and 2 copies merged
  GFixture rec({{1, 1}, {1, 1}, {2, 0}}, {0, 1}, {2}, {1}, 2);
  rec.run(3);
  EXPECT_NEAR(rec.V[1].meanRest, 0.25, 1e-12);
}

TEST(APasses, UnaffectedChildrenFixTheStatistic) {
  GFixture f({{1, 1}, {1, 1}, {1, 1}, {2, 0}}, {0, 1}, {2, 3}, {0, 0}, 2);
  f.V[f.N].setNode(0, 0, 0, 0, 0, nullptr);
  backwardG(f.nkids + 1, f.N, f.V, f.net(1), stepsOfG(f.net(1), f.nkids + 1));
  EXPECT_EQ(f.V[1].minRest, f.V[1].maxRest);
  EXPECT_NEAR(f.V[1].logMass, std::log(16.0), 1e-12);
}

TEST(APasses, TwoChildrenConvolveWhileTheBackwardPassCarriesTheAccumulator) {
  // Parents (1,1) x (1,1), two affected children: S = copies, binomial(4, 1/2).
  GFixture f({{1, 1}, {1, 1}, {1, 1}, {0, 2}}, {0, 1}, {2, 3}, {1, 1}, 2);
  f.run(1, 10.0, std::log(3.0));
  EXPECT_NEAR(f.V[1].meanRest, 12.0, 1e-12);
  EXPECT_NEAR(f.V[1].varRest, 1.0, 1e-12);
  EXPECT_NEAR(f.V[1].logMass, std::log(48.0), 1e-12);
  const auto end = listOf(f.dist);
  const double counts[] = {1, 4, 6, 4, 1};
  ASSERT_EQ(end.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(end[i].first, i);
    EXPECT_EQ(end[i].second, counts[i]);
  }
}

TEST(APasses, DeadEndNodesGetZeros) {
  // Two children of a parent homozygous for the tested allele (every child
  // carries it: minCopies[0] = 1); stage 1 holds keys (1, 1) and (2, 0), stage
  // 2 only (2, 2): from (2, 0) the one step would give a child no copy.
  NodeLists lists{{0, 1, 1, 2, 3}, {0, 1, 2, 2, 2}, {0, 1, 0, 2, 2}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}};
  GFixture f(lists, 2, {1, 0, 0, 0}, {2, 1, 0, 0}, {}, {1, 1});
  f.V[f.N].setNode(0, 0, 7.0, 0, 2.0, nullptr);
  backwardG(3, f.N, f.V, f.net(1), stepsOfG(f.net(1), 3));
  EXPECT_EQ(f.V[3].minRest, 0.0);
  EXPECT_EQ(f.V[3].maxRest, 0.0);
  EXPECT_EQ(f.V[3].meanRest, 0.0);
  EXPECT_EQ(f.V[3].varRest, 0.0);
  EXPECT_EQ(f.V[3].logMass, 0.0);
  EXPECT_NEAR(f.V[2].meanRest, 8.0, 1e-12);  // (1, 1) -> (2, 2): one more copy
  EXPECT_NEAR(f.V[2].logMass, 2.0, 1e-12);
}

}  // namespace
