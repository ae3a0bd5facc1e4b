// The "no linkage, no association" driver: worked examples, the families it
// must pass over, its warnings, and a comparison with a direct enumeration of
// every Mendelian configuration of the children.
#include "nolinkage/network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

#include "driver/report.h"
#include "nolinkage/pedigree_builder.h"
#include "testutil.h"

namespace {

std::vector<int> allelesOf(const PedTable& table) {
  std::vector<int> list;
  for (const auto& row : table) {
    for (int c = 6; c <= 7; ++c) {
      if (row[c] > 0 && std::find(list.begin(), list.end(), row[c]) == list.end()) {
        list.push_back(static_cast<int>(row[c]));
      }
    }
  }
  std::sort(list.begin(), list.end());
  return list;
}

// The analysis of marker 1 for the allele `code`.
NetworkResult run(int xlinked, const PedTable& table, int model, int code) {
  const std::vector<int> L = allelesOf(table);
  const int k = static_cast<int>(std::find(L.begin(), L.end(), code) - L.begin());
  return network(xlinked, table, familiesOf(table), 1, model, k, L);
}

// Probability of the i-th value of the distribution.
double probabilityOf(const NetworkResult& r, std::size_t i) {
  return std::exp(r.distribution[i].logProb - r.logTotal);
}

// Two X-linked families, each: mother 1/2, father 1 (written 1 1), an
// affected daughter and an affected son; allele 1 is tested.
PedTable twoXFamilies(long daughter1b, long son1, long daughter2b, long son2) {
  return tableOf({{1, 1, 0, 0, 1, 1, 1, 1},
                  {1, 2, 0, 0, 2, 1, 1, 2},
                  {1, 3, 1, 2, 2, 2, 1, daughter1b},
                  {1, 4, 1, 2, 1, 2, son1, son1},
                  {2, 1, 0, 0, 1, 1, 1, 1},
                  {2, 2, 0, 0, 2, 1, 2, 1},
                  {2, 3, 1, 2, 2, 2, daughter2b, 1},
                  {2, 4, 1, 2, 1, 2, son2, son2}});
}

TEST(Network, TwoXLinkedFamiliesConvolve) {
  // Daughter 1/1 and son 1 in the first family (3), daughter 1/2 and son 1 in
  // the second (2): S = 5. Each family alone: 1, 2, 3 with weights 1, 2, 1.
  const NetworkResult r = run(1, twoXFamilies(1, 1, 2, 1), 1, 1);
  EXPECT_EQ(r.informative, 2);
  EXPECT_EQ(r.S, 5.0);
  const double weights[] = {1, 4, 6, 4, 1};
  ASSERT_EQ(r.distribution.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r.distribution[i].value, 2.0 + i);
    EXPECT_NEAR(probabilityOf(r, i), weights[i] / 16.0, 1e-12) << "value " << 2 + i;
  }
  EXPECT_NEAR(r.expected, 4.0, 1e-12);
  EXPECT_NEAR(r.variance, 1.0, 1e-12);
  EXPECT_NEAR(r.p, 0.625, 1e-12);
}

TEST(Network, RecessiveXLinkedFamilyScoresOnlyHomozygousDaughters) {
  // One family of the example: the daughter scores 1 only with two copies.
  PedTable t = twoXFamilies(1, 1, 2, 1);
  t.resize(4);
  const NetworkResult r = run(1, t, 3, 1);
  ASSERT_EQ(r.distribution.size(), 3u);
  // (daughter copies, son copies): (1,0) 0, (1,1) 1, (2,0) 1, (2,1) 2.
  EXPECT_NEAR(probabilityOf(r, 0), 0.25, 1e-12);
  EXPECT_NEAR(probabilityOf(r, 1), 0.5, 1e-12);
  EXPECT_NEAR(probabilityOf(r, 2), 0.25, 1e-12);
  EXPECT_EQ(r.S, 2.0);
}

TEST(Network, AutosomalTrioOfHeterozygousParents) {
  // Parents 1/2 x 1/2, one affected child 1/1: copies 0, 1, 2 weigh 1, 2, 1.
  const PedTable t = tableOf({{7, 1, 0, 0, 1, 1, 1, 2}, {7, 2, 0, 0, 2, 1, 2, 1}, {7, 3, 1, 2, 2, 2, 1, 1}});
  const NetworkResult r = run(0, t, 1, 1);
  EXPECT_EQ(r.informative, 1);
  EXPECT_EQ(r.S, 2.0);
  ASSERT_EQ(r.distribution.size(), 3u);
  EXPECT_NEAR(probabilityOf(r, 1), 0.5, 1e-12);
  EXPECT_NEAR(r.expected, 1.0, 1e-12);
  EXPECT_NEAR(r.variance, 0.5, 1e-12);
  EXPECT_NEAR(r.p, 0.5, 1e-12);
  // Dominant: 1 and 2 copies score alike, so the values are 0 (1/4) and 1 (3/4).
  const NetworkResult d = run(0, t, 2, 1);
  ASSERT_EQ(d.distribution.size(), 2u);
  EXPECT_NEAR(std::exp(d.distribution[1].logProb - d.logTotal), 0.75, 1e-12);
}

TEST(Network, LargeSibshipOfHeterozygousParentsIsBinomial) {
  // Thirty affected children of 1/2 x 1/2 parents: each child's copies of
  // allele 1 are two fair draws, so S counts 60 fair draws and the weights of
  // 0..60 are the binomial coefficients C(60, k). Every stage of this network
  // holds hundreds of nodes.
  const int n = 30;
  std::vector<Person> people{{8, 1, 0, 0, 1, 1, 1, 2}, {8, 2, 0, 0, 2, 1, 2, 1}};
  for (int i = 0; i < n; ++i) {
    const long a = 1 + (i % 2), b = 1 + (i / 2) % 2;
    people.push_back({8, 3 + i, 1, 2, 1 + (i % 3 == 0 ? 1 : 0), 2, a, b});
  }
  const NetworkResult r = run(0, tableOf(people), 1, 1);
  ASSERT_EQ(r.distribution.size(), static_cast<std::size_t>(2 * n + 1));
  for (int k = 0; k <= 2 * n; ++k) {
    const double logChoose = std::lgamma(2.0 * n + 1) - std::lgamma(k + 1.0) - std::lgamma(2.0 * n - k + 1);
    EXPECT_EQ(r.distribution[k].value, k);
    EXPECT_NEAR(r.distribution[k].logProb - r.distribution[0].logProb, logChoose, 1e-9) << "value " << k;
  }
  EXPECT_NEAR(r.expected, n, 1e-9);
  EXPECT_NEAR(r.variance, n / 2.0, 1e-9);
}

TEST(Network, FamiliesThatCannotVaryAreSkipped) {
  const PedTable t = tableOf({
      // one typed parent and one typed child: no network at all
      {1, 1, 0, 0, 1, 1, 1, 2},
      {1, 2, 0, 0, 2, 1, 0, 0},
      {1, 3, 1, 2, 1, 2, 1, 2},
      // every member carries the same single allele
      {2, 1, 0, 0, 1, 1, 1, 1},
      {2, 2, 0, 0, 2, 1, 1, 1},
      {2, 3, 1, 2, 1, 2, 1, 1},
      // no affected child: the statistic is fixed at 0 although it has a network
      {3, 1, 0, 0, 1, 1, 1, 2},
      {3, 2, 0, 0, 2, 1, 1, 2},
      {3, 3, 1, 2, 1, 1, 1, 1},
      {3, 4, 1, 2, 2, 1, 2, 2},
      // the tested allele 1 does not occur in the family
      {4, 1, 0, 0, 1, 1, 2, 3},
      {4, 2, 0, 0, 2, 1, 3, 2},
      {4, 3, 1, 2, 2, 2, 2, 2},
      {4, 4, 1, 2, 1, 2, 3, 3},
  });
  for (int xlinked = 0; xlinked <= 1; ++xlinked) {
    const NetworkResult r = run(xlinked, t, 1, 1);
    EXPECT_EQ(r.informative, 0) << "xlinked " << xlinked;
    EXPECT_EQ(r.S, 0.0);
    ASSERT_EQ(r.distribution.size(), 1u);
    EXPECT_EQ(r.distribution[0].value, 0.0);
  }
}

TEST(Network, FamilyWithoutTheTestedAlleleDoesNotShiftTheResult) {
  // An informative trio for allele 1, then a family without allele 1: parents
  // untyped, children 2/3 (affected) and 3/4. Lumping 2, 3 and 4 together
  // as "other", its totals would demand one copy of allele 1 among them.
  const std::vector<Person> trio{
      {1, 1, 0, 0, 1, 1, 1, 2}, {1, 2, 0, 0, 2, 1, 2, 3}, {1, 3, 1, 2, 2, 2, 1, 2}};
  std::vector<Person> both = trio;
  for (const Person& p : std::vector<Person>{{2, 1, 0, 0, 1, 1, 0, 0},
                                             {2, 2, 0, 0, 2, 1, 0, 0},
                                             {2, 3, 1, 2, 1, 2, 2, 3},
                                             {2, 4, 1, 2, 2, 1, 3, 4}}) {
    both.push_back(p);
  }
  const NetworkResult alone = run(0, tableOf(trio), 1, 1);
  const NetworkResult r = run(0, tableOf(both), 1, 1);
  EXPECT_EQ(r.informative, 1);
  EXPECT_EQ(r.S, alone.S);
  EXPECT_EQ(r.p, alone.p);
  EXPECT_EQ(r.expected, alone.expected);
  EXPECT_EQ(r.variance, alone.variance);
}

// What one analysis writes to the console and to the log before its result
// block: (console, log).
std::pair<std::string, std::string> warningsOf(int xlinked, const PedTable& t, int batch, int logSetting) {
  const std::vector<int> L = allelesOf(t);
  const ReportCapture out("network_test", [&] {
    analyseAndReport(t, {"M1"}, xlinked, 0, 1, 0, L, batch, logSetting);
  });
  const auto beforeBlock = [](const std::string& text) { return text.substr(0, text.find("\n\nMarker:")); };
  return {beforeBlock(out.console), beforeBlock(out.log)};
}

TEST(Network, IncompatibleGenotypesWarnOncePerFamily) {
  const std::string warning5 = "\nWarning: Ped 5 contains incompatible genotypes.";
  // A son coded heterozygous: both the pair check and the real codes fail, one warning.
  const PedTable son = tableOf({{5, 1, 0, 0, 1, 1, 1, 1},
                                {5, 2, 0, 0, 2, 1, 1, 2},
                                {5, 3, 1, 2, 1, 2, 1, 2},
                                {5, 4, 1, 2, 2, 2, 1, 1}});
  EXPECT_EQ(warningsOf(1, son, 0, 0), std::make_pair(warning5, std::string()));
  EXPECT_EQ(warningsOf(1, son, 1, 1), std::make_pair(std::string(), warning5));
  EXPECT_EQ(warningsOf(1, son, 0, 1), std::make_pair(warning5, warning5));

  // Father untyped, daughters 1/1 and 2/2: they would need two fathers, which
  // the pair coding cannot see.
  const PedTable daughters = tableOf({{5, 1, 0, 0, 1, 1, 0, 0},
                                      {5, 2, 0, 0, 2, 1, 1, 2},
                                      {5, 3, 1, 2, 2, 2, 1, 1},
                                      {5, 4, 1, 2, 2, 2, 2, 2}});
  EXPECT_EQ(warningsOf(1, daughters, 0, 0).first, warning5);

  // Autosomal: child 3/3 of parents 1/2 and 1/3 (allele 1 tested: the pairs
  // alone look fine).
  const PedTable autosomal = tableOf({{5, 1, 0, 0, 1, 1, 1, 2},
                                      {5, 2, 0, 0, 2, 1, 1, 3},
                                      {5, 3, 1, 2, 2, 2, 3, 3},
                                      {5, 4, 1, 2, 2, 2, 1, 1}});
  EXPECT_EQ(warningsOf(0, autosomal, 0, 0).first, warning5);
  EXPECT_EQ(run(0, autosomal, 1, 1).informative, 0);
  // Read as X-linked, the father 1/2 is written heterozygous: incompatible too.
  EXPECT_EQ(warningsOf(1, autosomal, 0, 0).first, warning5);
}

TEST(Network, ReportsAndListsInformativeFamilies) {
  const PedTable t = twoXFamilies(1, 1, 2, 1);
  const std::vector<std::string> names{"DXS1"};
  const ReportCapture both("network", [&] { analyseAndReport(t, names, 1, 0, 1, 0, {1, 2}, 0, 0); });
  EXPECT_EQ(
      both.console,
      "\n\nMarker: DXS1, Allele 1, Inf fams: 2, additive inheritance.\nS: 5, E(S): 4, Var(S): 1, p: 0.625\n");
  EXPECT_EQ(both.informative, "\nInformative: 1, (1, 2)\nInformative: 2, (1, 2)\n");

  // Allele 2 (index 1): the allele code is printed, not the index.
  const ReportCapture second("network", [&] { analyseAndReport(t, names, 1, 0, 3, 1, {1, 2}, 0, 0); });
  EXPECT_NE(second.console.find("Allele 2,"), std::string::npos);

  // No informative family: the starred line and an informative.txt of one line feed.
  const PedTable none =
      tableOf({{1, 1, 0, 0, 1, 1, 1, 1}, {1, 2, 0, 0, 2, 1, 1, 1}, {1, 3, 1, 2, 1, 2, 1, 1}});
  const ReportCapture empty("network", [&] { analyseAndReport(none, names, 0, 0, 2, 0, {1}, 0, 0); });
  EXPECT_EQ(empty.console,
            "\n\nMarker: DXS1, Allele 1, Inf fams: 0, dominant inheritance.\nS: ****, E(S): ****, Var(S): ****, "
            "p: ****\n");
  EXPECT_EQ(empty.informative, "\n");
}

// ---- Direct enumeration of every Mendelian configuration --------------------

struct RandomFamily {
  std::vector<Person> people;  // father, mother, then the children
};

// Both parents genotyped with alleles 1..nAlleles; every child draws one
// allele from each parent (X-linked: a son one of his mother's, written as
// two equal alleles, a daughter her father's and one of her mother's).
RandomFamily randomFamily(std::mt19937& gen, long ped, bool xlinked, int nAlleles, int maxKids = 4) {
  std::uniform_int_distribution<int> allele(1, nAlleles);
  std::uniform_int_distribution<int> coin(0, 1);
  std::uniform_int_distribution<int> kids(1, maxKids);
  RandomFamily f;
  const long fa = allele(gen);
  const long fb = xlinked ? fa : allele(gen);
  const long ma = allele(gen);
  const long mb = allele(gen);
  f.people.push_back({ped, 1, 0, 0, 1, 1, fa, fb});
  f.people.push_back({ped, 2, 0, 0, 2, 1, ma, mb});
  const int n = kids(gen);
  for (int c = 0; c < n; ++c) {
    const long sex = 1 + coin(gen);
    const long affection = 1 + coin(gen);
    const long fromMother = coin(gen) ? ma : mb;
    const long fromFather = coin(gen) ? fa : fb;
    long a1 = fromFather;
    long a2 = fromMother;
    if (xlinked && sex == 1) {
      a1 = fromMother;
    }
    if (coin(gen)) {
      std::swap(a1, a2);
    }
    f.people.push_back({ped, 3 + c, 1, 2, sex, affection, a1, a2});
  }
  return f;
}

int scoreOf(int copies, int model) {
  if (model == 2) {
    return copies >= 1 ? 1 : 0;
  }
  if (model == 3) {
    return copies == 2 ? 1 : 0;
  }
  return copies;
}

// Score of one child with alleles (a1, a2) for the tested allele t.
int childScore(const Person& child, long a1, long a2, long t, bool xlinked, int model) {
  const int copies = (a1 == t) + (a2 == t);
  const int affected = child.affection == 2 ? 1 : 0;
  if (xlinked && child.sex == 1) {
    return affected * (copies > 0 ? 1 : 0);
  }
  return affected * scoreOf(copies, model);
}

// Number of equally likely transmissions giving each family statistic.
std::map<int, double> familyDistribution(const RandomFamily& f, long t, bool xlinked, int model) {
  const Person& father = f.people[0];
  const Person& mother = f.people[1];
  const std::size_t nKids = f.people.size() - 2;
  const int perChild = xlinked ? 2 : 4;
  long combos = 1;
  for (std::size_t c = 0; c < nKids; ++c) {
    combos *= perChild;
  }
  std::map<int, double> counts;
  for (long code = 0; code < combos; ++code) {
    long rest = code;
    int S = 0;
    for (std::size_t c = 0; c < nKids; ++c) {
      const int draw = static_cast<int>(rest % perChild);
      rest /= perChild;
      const Person& child = f.people[2 + c];
      const long fromMother = (draw & 1) ? mother.a2 : mother.a1;
      const long fromFather = (draw & 2) ? father.a2 : father.a1;
      if (xlinked) {
        S += child.sex == 1 ? childScore(child, fromMother, fromMother, t, true, model)
                            : childScore(child, father.a1, fromMother, t, true, model);
      } else {
        S += childScore(child, fromFather, fromMother, t, false, model);
      }
    }
    counts[S] += 1.0;
  }
  return counts;
}

int observedStatistic(const RandomFamily& f, long t, bool xlinked, int model) {
  int S = 0;
  for (std::size_t c = 2; c < f.people.size(); ++c) {
    const Person& child = f.people[c];
    S += childScore(child, child.a1, child.a2, t, xlinked, model);
  }
  return S;
}

std::map<int, double> convolve(const std::map<int, double>& a, const std::map<int, double>& b) {
  std::map<int, double> out;
  for (const auto& [va, wa] : a) {
    for (const auto& [vb, wb] : b) {
      out[va + vb] += wa * wb;
    }
  }
  return out;
}

TEST(NetworkProperty, AgreesWithDirectEnumerationOfTransmissions) {
  std::mt19937 gen(20240607);
  std::uniform_int_distribution<int> familyCount(1, 3);
  std::uniform_int_distribution<int> alleleCount(2, 4);
  int informativeRuns = 0;
  for (int trial = 0; trial < 600; ++trial) {
    const bool xlinked = trial % 2 == 1;
    const int model = 1 + (trial / 2) % 3;
    const int nAlleles = alleleCount(gen);
    std::vector<RandomFamily> families;
    std::vector<Person> people;
    const int nFamilies = familyCount(gen);
    for (int f = 0; f < nFamilies; ++f) {
      families.push_back(randomFamily(gen, 10 + f, xlinked, nAlleles));
      people.insert(people.end(), families.back().people.begin(), families.back().people.end());
    }
    const PedTable table = tableOf(people);
    const std::vector<int> L = allelesOf(table);
    const int k = std::uniform_int_distribution<int>(0, static_cast<int>(L.size()) - 1)(gen);
    const long t = L[k];

    std::map<int, double> expected{{0, 1.0}};
    int S = 0;
    int informative = 0;
    for (const RandomFamily& f : families) {
      const std::map<int, double> d = familyDistribution(f, t, xlinked, model);
      if (d.size() > 1) {
        expected = convolve(expected, d);
        S += observedStatistic(f, t, xlinked, model);
        ++informative;
      }
    }
    const NetworkResult r =
        network(xlinked ? 1 : 0, table, familiesOf(table), 1, model, k, L);
    std::ostringstream where;
    where << "trial " << trial << " xlinked " << xlinked << " model " << model << " allele " << t << "\n";
    for (const Person& p : people) {
      where << p.ped << " " << p.id << " " << p.sex << " " << p.affection << " " << p.a1 << "/" << p.a2
            << "\n";
    }
    ASSERT_EQ(r.informative, informative) << where.str();
    if (informative == 0) {
      continue;
    }
    ++informativeRuns;
    EXPECT_EQ(r.S, S) << where.str();
    double total = 0.0;
    double mean = 0.0;
    for (const auto& [v, w] : expected) {
      total += w;
      mean += v * w;
    }
    mean /= total;
    double variance = 0.0;
    for (const auto& [v, w] : expected) {
      variance += (v - mean) * (v - mean) * w / total;
    }
    const double cut = (S - mean) * (S - mean) / variance;
    double p = 0.0;
    ASSERT_EQ(r.distribution.size(), expected.size()) << where.str();
    std::size_t i = 0;
    for (const auto& [v, w] : expected) {
      EXPECT_EQ(r.distribution[i].value, v) << where.str();
      EXPECT_NEAR(std::exp(r.distribution[i].logProb - r.logTotal), w / total, 1e-10) << where.str();
      if ((v - mean) * (v - mean) / variance >= cut - 1e-10) {
        p += w / total;
      }
      ++i;
    }
    EXPECT_NEAR(r.expected, mean, 1e-10) << where.str();
    EXPECT_NEAR(r.variance, variance, 1e-10) << where.str();
    EXPECT_NEAR(r.p, std::min(p, 1.0), 1e-10) << where.str();
  }
  EXPECT_GT(informativeRuns, 300);  // the comparison really ran
}

// With a parent untyped the network conditions on what the children show, so
// there is no simple enumeration to compare with; but no weight may be lost on
// the way (the distribution sums to 1) and the observed S must be attainable.
TEST(NetworkProperty, UntypedParentsKeepTheWholeWeightAndTheObservedValue) {
  std::mt19937 gen(977);
  std::uniform_int_distribution<int> coin(0, 1);
  int informativeRuns = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const bool xlinked = trial % 2 == 1;
    const int model = 1 + (trial / 2) % 3;
    RandomFamily f = randomFamily(gen, 1, xlinked, 2 + trial % 3);
    const int untyped = trial % 3;  // the father, the mother, or both
    for (int parent = 0; parent <= 1; ++parent) {
      if (untyped == parent || untyped == 2) {
        f.people[parent].a1 = f.people[parent].a2 = 0;
      }
    }
    // Now and then a child's genotype is replaced by any genotype at all.
    if (coin(gen) == 1) {
      Person& child = f.people[2 + gen() % (f.people.size() - 2)];
      child.a1 = 1 + gen() % 4;
      child.a2 = (xlinked && child.sex == 1) ? child.a1 : 1 + gen() % 4;
    }
    const PedTable table = tableOf(f.people);
    const std::vector<int> L = allelesOf(table);
    const int k = static_cast<int>(gen() % L.size());
    const NetworkResult r =
        network(xlinked ? 1 : 0, table, familiesOf(table), 1, model, k, L);
    if (r.informative == 0) {
      continue;
    }
    ++informativeRuns;
    double total = 0.0;
    bool attained = false;
    for (const WeightedValue& d : r.distribution) {
      total += std::exp(d.logProb - r.logTotal);
      attained = attained || d.value == r.S;
    }
    EXPECT_NEAR(total, 1.0, 1e-10) << "trial " << trial;
    EXPECT_TRUE(attained) << "trial " << trial;
    EXPECT_GT(r.p, 0.0);
    EXPECT_LE(r.p, 1.0);
  }
  EXPECT_GT(informativeRuns, 500);
}

// A family's outcome does not depend on the order of its children, to the
// bit: analyses let families that differ only in that order share one pattern.
TEST(NetworkProperty, ChildrenInAnyOrderGiveTheSameOutcomeToTheBit) {
  std::mt19937 gen(5150);
  int compared = 0;
  for (int trial = 0; trial < 900; ++trial) {
    const bool xlinked = trial % 2 == 1;
    const int model = 1 + (trial / 2) % 3;
    RandomFamily f = randomFamily(gen, 1, xlinked, 2 + trial % 3, 6);
    if (trial % 3 != 0) {  // the father or the mother untyped
      f.people[static_cast<std::size_t>(trial % 3 - 1)].a1 =
          f.people[static_cast<std::size_t>(trial % 3 - 1)].a2 = 0;
    }
    const std::vector<int> L = allelesOf(tableOf(f.people));
    const int k = static_cast<int>(gen() % L.size());
    const auto outcome = [&](const std::vector<Person>& people, bool& workedOut) {
      const PedTable table = tableOf(people);
      MarkerFamilies marker;
      prepareMarker(table, familiesOf(table), 6, FamilyForm::SexAware, marker);
      const FamilyAtMarker& at = marker.families.front();
      // Only the families an analysis works a network out for.
      workedOut =
          at.alleleCount >= 2 && at.children() >= 2 && marker.carries(at, L[static_cast<std::size_t>(k)]);
      return workedOut ? familyOutcome(xlinked ? 1 : 0, marker, 0, model, k, L) : FamilyNetworkOutcome();
    };
    bool workedOut = false;
    const FamilyNetworkOutcome inOrder = outcome(f.people, workedOut);
    if (!workedOut) {
      continue;
    }
    std::shuffle(f.people.begin() + 2, f.people.end(), gen);
    const FamilyNetworkOutcome shuffled = outcome(f.people, workedOut);
    ++compared;
    EXPECT_EQ(inOrder.informative, shuffled.informative) << "trial " << trial;
    EXPECT_EQ(inOrder.incompatible, shuffled.incompatible) << "trial " << trial;
    EXPECT_EQ(inOrder.dist.lo, shuffled.dist.lo) << "trial " << trial;
    EXPECT_EQ(inOrder.dist.exp2, shuffled.dist.exp2) << "trial " << trial;
    EXPECT_EQ(inOrder.dist.w, shuffled.dist.w) << "trial " << trial;
    EXPECT_EQ(inOrder.statistic, shuffled.statistic) << "trial " << trial;
  }
  EXPECT_GT(compared, 400);
}

}  // namespace

namespace {

// Two-sided exact binomial p with success probability 1/2: the weight of
// every count at least as far from n/2 as b, summed in log space from the far
// tail inwards so that tiny tails keep their digits.
double exactBinomialP(int n, int b) {
  const int low = std::min(b, n - b);
  if (2 * low == n) {
    return 1.0;
  }
  auto logTerm = [n](int k) {
    return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) - n * std::log(2.0);
  };
  double logTail = logTerm(0);
  for (int k = 1; k <= low; ++k) {
    const double t = logTerm(k);
    const double hi = std::max(logTail, t);
    logTail = hi + std::log1p(std::exp(std::min(logTail, t) - hi));
  }
  return std::min(1.0, 2.0 * std::exp(logTail));
}

}  // namespace

TEST(Network, CompleteTriosGiveTheExactBinomialPForBothAlleles) {
  // With both parents typed, each heterozygous parent passes allele 1 to the
  // affected child with probability 1/2 and homozygous parents pass a fixed
  // allele, so S is a shifted binomial over the heterozygous transmissions.
  // Large studies with strong transmission bias put the mirror of S far out,
  // where the rounding of E(S) once dropped it.
  std::mt19937 gen(8);
  auto chance = [&](double q) { return static_cast<double>(gen()) / 4294967296.0 < q; };
  const int trios = 2000;
  for (double passOne : {0.5, 0.56, 0.62, 0.7}) {
    std::vector<Person> people;
    int heterozygous = 0;
    int passedOne = 0;
    for (long ped = 1; ped <= trios; ++ped) {
      std::array<long, 2> parent[2];
      long child[2];
      for (int i = 0; i < 2; ++i) {
        parent[i] = {chance(0.4) ? 1L : 2L, chance(0.4) ? 1L : 2L};
        if (parent[i][0] != parent[i][1]) {
          ++heterozygous;
          child[i] = chance(passOne) ? 1 : 2;
          passedOne += child[i] == 1 ? 1 : 0;
        } else {
          child[i] = parent[i][0];
        }
      }
      people.push_back({ped, 1, 0, 0, 1, 1, parent[0][0], parent[0][1]});
      people.push_back({ped, 2, 0, 0, 2, 1, parent[1][0], parent[1][1]});
      people.push_back({ped, 3, 1, 2, 1 + static_cast<long>(gen() % 2), 2, child[0], child[1]});
    }
    const PedTable table = tableOf(people);
    const double exact = exactBinomialP(heterozygous, passedOne);
    for (int allele : {1, 2}) {
      const NetworkResult r = run(0, table, 1, allele);
      EXPECT_NEAR(r.p, exact, 1e-9 * exact) << "allele " << allele << ", " << passedOne << " of " << heterozygous
                                            << " heterozygous parents passed allele 1";
    }
  }
}
