// Family types: which child genotypes a nuclear family can produce, and their numbering.
#include "linkage/types.h"

#include <gtest/gtest.h>

#include "linkage/family2.h"

namespace {
using Strings = std::vector<std::string>;
}  // namespace

TEST(Type2, FamilyTypesAndCounts) {
  const struct {
    const char* what;
    Family2 family;
    Strings genotypes;  // in index order
    int homozygous;
    int homozygousParents;
  } cases[] = {
      {"both parents AB x AC", Family2({"AB", "AC"}, {{"AA", 1}, {"BC", 0}}), {"AA", "AB", "AC", "BC"}, 1, 0},
      {"both parents AB x AB", Family2({"AB", "AB"}, {{"AB", 1}, {"AB", 0}}), {"AA", "AB", "BB"}, 2, 0},
      {"both parents AA x AB", Family2({"AA", "AB"}, {{"AB", 1}, {"AA", 0}}), {"AA", "AB"}, 1, 1},
      {"both parents AB x CD", Family2({"AB", "CD"}, {{"AC", 1}}), {"AC", "BC", "AD", "BD"}, 0, 0},
      // The typed parent lacks no family allele; B adds no third genotype.
      {"one parent AB, children AB BB", Family2({"AB"}, {{"AB", 1}, {"BB", 0}}), {"AB", "BB"}, 1, 0},
      // The other parent carries C, so BC is possible too.
      {"one parent AB, children AB AC", Family2({"AB"}, {{"AB", 1}, {"AC", 0}}), {"AB", "AC", "BC"}, 0, 0},
      {"one parent AB, children all AA", Family2({"AB"}, {{"AA", 1}, {"AA", 0}}), {"AA"}, 1, 0},
      {"one parent BB, children AB BC", Family2({"BB"}, {{"AB", 1}, {"BC", 0}}), {"AB", "BC"}, 0, 1},
      {"no parent, children AB AC", Family2({}, {{"AB", 1}, {"AC", 0}}), {"AB", "AC"}, 0, 0},
      {"no parent, children AA AB", Family2({}, {{"AA", 1}, {"AB", 0}}), {"AA", "AB"}, 1, 0},
      // A homozygous child: both parents carry A, their other alleles are B or C.
      {"no parent, children AA AB AC",
       Family2({}, {{"AA", 1}, {"AB", 0}, {"AC", 0}}),
       {"AA", "AB", "AC", "BC"},
       1,
       0},
      // One homozygote and one other genotype over three alleles: the children's own.
      {"no parent, children AA BC", Family2({}, {{"AA", 1}, {"BC", 0}}), {"AA", "BC"}, 1, 0},
      // Four alleles: AC, AD and BD imply parents AB x CD, hence BC.
      {"no parent, children AC BD AD",
       Family2({}, {{"AC", 1}, {"BD", 0}, {"AD", 0}}),
       {"AC", "BC", "AD", "BD"},
       0,
       0},
      {"no parent, children AC BD", Family2({}, {{"AC", 1}, {"BD", 0}}), {"AC", "BD"}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const FamilyType2& t = c.family.type;
    EXPECT_EQ(c.family.possibleGenotypes(), c.genotypes);
    EXPECT_EQ(t.possibleCount, static_cast<int>(c.genotypes.size()));
    EXPECT_EQ(t.homozygousCount, c.homozygous);
    EXPECT_EQ(t.homozygousParents, c.homozygousParents);
    for (int a = 0; a < MaxFamilyAlleles; ++a) {
      for (int b = 0; b < MaxFamilyAlleles; ++b) {
        EXPECT_EQ(t.possible[a][b], t.possible[b][a]) << a << "," << b;
      }
    }
  }
}

TEST(Params, GenotypeIndexFollowsMembers) {
  // Parents -1; each child the index of its own genotype (AA 0, AB 1, AC 2, BC 3).
  const Family2 f({"AB", "AC"}, {{"BC", 1}, {"AA", 0}, {"CA", 0}});
  EXPECT_EQ(f.type.genotypeIndex, (std::vector<int>{-1, -1, 3, 0, 2}));
}

TEST(Params, ImpossibleChildGetsNoIndex) {
  // A child the parents cannot produce, and one with no listed allele: the
  // index list is then shorter than the member list.
  const Family2 mendelError({"AA", "BB"}, {{"AB", 1}, {"AA", 0}});
  EXPECT_EQ(mendelError.type.genotypeIndex, (std::vector<int>{-1, -1, 0}));
  const Family2 noAllele({"AB"}, {{"AB", 1}, {"--", 0}});
  EXPECT_EQ(noAllele.type.genotypeIndex, (std::vector<int>{-1, 0}));
}

TEST(Type2, MoreThanFourAllelesMarkNothing) {
  const Family2 f({"AB", "CD"}, {{"AE", 1}, {"BC", 0}});
  EXPECT_EQ(f.alleleCount(), 5);
  EXPECT_EQ(f.type.possibleCount, 0);
  EXPECT_EQ(f.type.genotypeIndex, (std::vector<int>{-1, -1}));
}

TEST(Type2, ReusedTypeStartsAfresh) {
  Family2 f({"AB", "CD"}, {{"AC", 1}});
  const Family2 small({"AA", "AB"}, {{"AB", 1}});
  type2(small.counts, small.familyAlleles, small.parents, small.children, small.childAlleles, f.type);
  params(f.type, small.counts, small.alleleCount(), small.children, small.parents);
  EXPECT_EQ(f.type.possibleCount, 2);
  EXPECT_EQ(f.type.homozygousCount, 1);
  EXPECT_EQ(f.type.genotypeIndex, (std::vector<int>{-1, -1, 1}));
  for (int g = 2; g < MaxFamilyGenotypes; ++g) {
    for (int a = 0; a < MaxFamilyAlleles; ++a) {
      EXPECT_EQ(f.type.columns[a][g], 0);
    }
  }
}
