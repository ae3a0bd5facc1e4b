// X-linked linkage-null test: the switch of maternal transmissions and its convolution.
#include "linkage/networkx2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "testutil.h"

namespace {
// A family of mother (position 0), father (1) and children 2.. with the given
// sexes; absent parents are not genotyped.
struct XFamily {
  FamilyMembers fam;
  AllelePairs pairs;
  XFamily(bool mother, bool father, const std::vector<std::array<int, 2>>& parentPairs,
          const std::vector<std::tuple<int, int, std::array<int, 2>>>& kids) {
    int pos = 0;
    auto add = [&](int sex, int affected, std::array<int, 2> pair) {
      fam.members.push_back(pos);
      fam.affection.push_back(affected);
      fam.sexes.push_back(sex);
      pairs.push_back(pair);
      return pos++;
    };
    if (mother) {
      fam.motherPos = add(2, 0, parentPairs[0]);
      fam.parents.push_back(fam.motherPos);
    }
    if (father) {
      fam.fatherPos = add(1, 0, parentPairs[1]);
      fam.parents.push_back(fam.fatherPos);
    }
    for (auto [sex, affected, pair] : kids) {
      const int p = add(sex, affected, pair);
      fam.children.push_back(p);
      (sex == 2 ? fam.daughters : fam.sons).push_back(p);
    }
  }
  std::vector<int> values(int model = 1) const {
    std::vector<int> v;
    switchGens(pairs, fam, v, model);
    return v;
  }
};

constexpr std::array<int, 2> A{2, 0}, H{1, 1}, O{0, 2};  // tested allele twice, once, never
constexpr int SON = 1, DAUGHTER = 2;

}  // namespace

TEST(SwitchGens, BothParentsSwitchSonsAndDaughters) {
  // Affected son carrying the allele, unaffected daughter: 1 and, switched, 0.
  XFamily f(true, true, {H, A}, {{SON, 1, A}, {DAUGHTER, 0, H}});
  EXPECT_EQ(f.values(), (std::vector<int>{1, 0}));
  // Affected heterozygous daughter takes two copies of her father's kind.
  XFamily g(true, true, {H, A}, {{DAUGHTER, 1, H}});
  EXPECT_EQ(g.values(), (std::vector<int>{1, 2}));
  EXPECT_EQ(g.values(3), (std::vector<int>{0, 1}));
}

TEST(SwitchGens, MotherOnlySwitchesEverySon) {
  XFamily f(true, false, {H, {}}, {{SON, 1, O}, {SON, 1, O}, {SON, 0, O}});
  EXPECT_EQ(f.values(), (std::vector<int>{0, 2}));
}

TEST(SwitchGens, UnaffectedChildrenCannotVary) {
  XFamily f(true, true, {H, A}, {{SON, 0, A}, {DAUGHTER, 0, H}});
  EXPECT_EQ(f.values(), (std::vector<int>{0}));
}

TEST(SwitchGens, FatherOnlyDependsOnWhatTheChildrenReveal) {
  // Sons of the kind opposite to the father's, no daughter: nothing to switch.
  XFamily opposite(false, true, {{}, A}, {{SON, 1, O}, {SON, 1, O}});
  EXPECT_EQ(opposite.values(), (std::vector<int>{0}));
  // Without a homozygous daughter, sons of the father's own kind switch.
  XFamily own(false, true, {{}, A}, {{SON, 1, A}, {SON, 1, A}});
  EXPECT_EQ(own.values(), (std::vector<int>{2, 0}));
  // Sons that differ: both switch; with both affected the sum is unchanged.
  XFamily bothAffected(false, true, {{}, A}, {{SON, 1, A}, {SON, 1, O}});
  EXPECT_EQ(bothAffected.values(), (std::vector<int>{1}));
  XFamily oneAffected(false, true, {{}, A}, {{SON, 1, A}, {SON, 0, O}});
  EXPECT_EQ(oneAffected.values(), (std::vector<int>{1, 0}));
  // A homozygous daughter with a son of the opposite kind: the mother carries
  // both kinds, so the children switch.
  XFamily daughterAndSon(false, true, {{}, A}, {{DAUGHTER, 0, A}, {SON, 1, O}});
  EXPECT_EQ(daughterAndSon.values(), (std::vector<int>{0, 1}));
}

TEST(SwitchGens, HeterozygousFatherKeepsTheObservedValue) {
  // A father coded heterozygous has no kind for a switched heterozygous
  // daughter: the family keeps its single value instead of reading garbage.
  XFamily f(true, true, {H, H}, {{DAUGHTER, 1, H}, {SON, 1, A}});
  EXPECT_EQ(f.values(), (std::vector<int>{2}));
  // Father only, kind -2: the sons' clause sets nothing, only differing children do.
  XFamily g(false, true, {{}, H}, {{SON, 1, A}, {SON, 1, A}});
  EXPECT_EQ(g.values(), (std::vector<int>{2}));
}

namespace {
// Father 1, mother 2 and one affected daughter of pedigree 1 at one X-linked
// marker; one batch-mode analysis of the allele at position k of `alleles`.
struct TrioX : ReportCapture {
  TrioX(std::array<long, 2> mother, std::array<long, 2> daughter, const std::vector<int>& alleles, int k)
      : ReportCapture("networkx2", [&] {
          const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 1, 1},
                                        {1, 2, 0, 0, 2, 1, mother[0], mother[1]},
                                        {1, 3, 1, 2, 2, 2, daughter[0], daughter[1]}});
          analyseAndReport(t, {"M1"}, 1, 1, 1, k, alleles, 1, 1);
        }) {}
};
}  // namespace

TEST(NetworkX2, GenotypedMotherMustCarryTheTestedAlleleOnce) {
  // Mother 2/3, allele 1 from the father: switching her transmission to the
  // daughter would give the daughter a second 1 the mother does not have.
  const TrioX withoutIt({2, 3}, {1, 2}, {1, 2, 3}, 0);
  EXPECT_EQ(withoutIt.log, resultBlock(1, 0, noResult));
  EXPECT_EQ(withoutIt.informative, "\n");
  // The same family for allele 2, which the mother carries once, varies.
  const TrioX withIt({2, 3}, {1, 2}, {1, 2, 3}, 1);
  EXPECT_EQ(withIt.log, resultBlock(2, 1, "S: 1, E(S): 0.5, Var(S): 0.25, p: 1"));
  // Two alleles: a 1/2 mother is informative as before (the daughter's 2
  // could have been her 1), a 2/2 mother is not.
  const TrioX twoAlleles({1, 2}, {1, 2}, {1, 2}, 0);
  EXPECT_EQ(twoAlleles.log, resultBlock(1, 1, "S: 1, E(S): 1.5, Var(S): 0.25, p: 1"));
  EXPECT_EQ(twoAlleles.informative, "\nInformative: 1, (1, 2)\n");
  const TrioX homozygous({2, 2}, {1, 2}, {1, 2}, 0);
  EXPECT_EQ(homozygous.log, resultBlock(1, 0, noResult));
}
