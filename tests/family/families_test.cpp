// Nuclear families: which parent pairs form a family, and who its genotyped members are.
#include "family/families.h"
#include "family/markerfamilies.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <random>
#include <sstream>

#include "testutil.h"

namespace {
// Captures what the code under test prints to the console.
struct ConsoleCapture {
  std::ostringstream text;
  std::streambuf* old = std::cout.rdbuf(text.rdbuf());
  ~ConsoleCapture() { std::cout.rdbuf(old); }
};
}  // namespace

TEST(Pedigrees, TrioGivesOneFamily) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 1, 2}, {1, 2, 0, 0, 2, 1, 1, 1}, {1, 3, 1, 2, 1, 2, 1, 2}});
  const FamilyList f = familiesOf(t);
  ASSERT_EQ(f.pedIds.size(), 1u);
  EXPECT_EQ(f.pedIds[0], 1);
  EXPECT_EQ(f.fatherIds[0], 1);
  EXPECT_EQ(f.motherIds[0], 2);
}

TEST(Pedigrees, OnlyChildWithoutParentRows) {
  // Parents 8 and 9 have no rows: the child alone forms no family...
  PedTable t = makeTable({{1, 3, 8, 9, 1, 2, 1, 2}});
  EXPECT_TRUE(familiesOf(t).pedIds.empty());
  // ...unless some row anywhere, even in another pedigree, carries a parent's id.
  t.push_back({7, 9, 0, 0, 2, 1, 1, 1});
  EXPECT_EQ(familiesOf(t).pedIds.size(), 1u);
  // Two full siblings form a family without parent rows.
  PedTable sibs = makeTable({{1, 3, 8, 9, 1, 2, 1, 2}, {1, 4, 8, 9, 2, 2, 1, 1}});
  EXPECT_EQ(familiesOf(sibs).pedIds.size(), 1u);
}

TEST(Pedigrees, FamiliesInOrderOfFirstChildAndDistinct) {
  const PedTable t = makeTable({
      {2, 3, 1, 2, 1, 2, 1, 2},  // family (2, 1, 2) first
      {1, 1, 0, 0, 1, 1, 1, 2},
      {1, 2, 0, 0, 2, 1, 1, 1},
      {1, 3, 1, 2, 1, 2, 1, 2},  // family (1, 1, 2)
      {2, 1, 0, 0, 1, 1, 1, 1},
      {2, 2, 0, 0, 2, 1, 1, 1},
      {2, 4, 1, 2, 2, 2, 1, 2},  // sibling far apart: same family
      {1, 4, 3, 2, 1, 1, 1, 1},  // half sib: a third family (1, 3, 2)
  });
  const FamilyList f = familiesOf(t);
  ASSERT_EQ(f.pedIds.size(), 3u);
  EXPECT_EQ(f.pedIds, (std::vector<long>{2, 1, 1}));
  EXPECT_EQ(f.fatherIds, (std::vector<long>{1, 1, 3}));
  EXPECT_EQ(f.motherIds, (std::vector<long>{2, 2, 2}));
}

// Three generations: the middle father is a child of the first family and a
// parent of the second, so his row is in both rosters, with its role in
// each; sex and affection are read once per member.
TEST(Pedigrees, RostersGiveEachMemberItsRoleInEveryFamily) {
  const PedTable t = makeTable({{5, 1, 0, 0, 1, 1, 1, 2},
                                {5, 2, 0, 0, 2, 1, 1, 1},
                                {5, 3, 1, 2, 1, 2, 1, 2},
                                {5, 4, 0, 0, 2, 1, 1, 1},
                                {6, 3, 0, 0, 0, 2, 1, 1},  // same id, another pedigree: no member
                                {5, 7, 3, 4, 2, 2, 1, 2}});
  const FamilyList f = familiesOf(t);
  ASSERT_EQ(f.pedIds.size(), 2u);
  EXPECT_EQ(f.rosterStart, (std::vector<std::size_t>{0, 3, 6}));
  EXPECT_EQ(f.rosterRows, (std::vector<int>{0, 1, 2, 2, 3, 5}));
  EXPECT_EQ(f.rosterIsParent, (std::vector<char>{1, 1, 0, 1, 1, 0}));
  EXPECT_EQ(f.rosterSex, (std::vector<std::int8_t>{1, 2, 1, 1, 2, 2}));
  EXPECT_EQ(f.rosterAffected, (std::vector<std::int8_t>{0, 0, 1, 1, 0, 1}));
}

// Random pedigrees with the awkward cases mixed in (ids repeated within and
// across pedigrees, parents without rows, one parent given, a person listed
// as both parents, rows in any order): the rosters found by grouping rows
// are those found by checking every row against every family.
TEST(Pedigrees, RostersMatchARowByRowSearch) {
  std::mt19937 random(7);
  const auto pick = [&](int n) { return static_cast<long>(random() % static_cast<unsigned>(n)); };
  for (int trial = 0; trial < 200; ++trial) {
    PedTable t;
    const int rows = 1 + static_cast<int>(pick(40));
    for (int i = 0; i < rows; ++i) {
      const long ped = 1 + pick(3);
      const long id = 1 + pick(12);
      const long father = pick(4) == 0 ? 0 : 1 + pick(12);
      const long mother = pick(4) == 0 ? 0 : (pick(10) == 0 ? father : 1 + pick(12));
      t.push_back({ped, id, father, mother, pick(3), pick(3), 1, 2});
    }
    const FamilyList grouped = familiesOf(t);
    FamilyList searched = grouped;
    rosters(t, rows, searched);
    ASSERT_EQ(grouped.rosterStart, searched.rosterStart) << "trial " << trial;
    ASSERT_EQ(grouped.rosterRows, searched.rosterRows) << "trial " << trial;
    ASSERT_EQ(grouped.rosterIsParent, searched.rosterIsParent) << "trial " << trial;
    ASSERT_EQ(grouped.rosterSex, searched.rosterSex) << "trial " << trial;
    ASSERT_EQ(grouped.rosterAffected, searched.rosterAffected) << "trial " << trial;
  }
}

// A table read from a file is sized before it is filled, and a large one has
// memory of its own: rows added later must still start as zeros.
TEST(PedTable, RowsAddedByResizeAreZeros) {
  for (const std::size_t rows : {3u, 200000u}) {  // 200,000 rows of 8: over 6 MB
    PedValues values(rows * 8 + 16, 7);
    values.resize(rows * 8);  // the room after the table still holds sevens
    PedTable t(8, std::move(values));
    t.resize(rows + 2);
    EXPECT_EQ(t[rows - 1][7], 7);
    EXPECT_EQ(std::vector<long>(t[rows + 1].begin(), t[rows + 1].end()), std::vector<long>(8, 0)) << rows;
  }
}

TEST(Pedigrees, ParentWithoutPartnerMakesNoFamily) {
  const FamilyList f = familiesOf(makeTable({{1, 1, 0, 0, 1, 1, 1, 2}, {1, 2, 0, 1, 2, 1, 1, 1}}));
  EXPECT_TRUE(f.pedIds.empty());
}

TEST(Nuclear, SexAwareMembersRolesAndPositions) {
  PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 1, 2}, {1, 2, 0, 0, 2, 1, 1, 1}, {1, 3, 1, 2, 1, 2, 1, 2}});
  FamilyMembers fam;
  nuclear(t, 3, 1, 1, 2, 6, fam);
  EXPECT_EQ(fam.members, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(fam.parents, (std::vector<int>{0, 1}));
  EXPECT_EQ(fam.children, (std::vector<int>{2}));
  EXPECT_EQ(fam.sons, (std::vector<int>{2}));
  EXPECT_TRUE(fam.daughters.empty());
  EXPECT_EQ(fam.fatherPos, 0);
  EXPECT_EQ(fam.motherPos, 1);
  EXPECT_EQ(fam.affection, (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(fam.sexes, (std::vector<int>{1, 2, 1}));

  // The mother's genotype missing: positions close up, mother position -1.
  t.set(1, 7, 0);
  Clear(fam);
  nuclear(t, 3, 1, 1, 2, 6, fam);
  EXPECT_EQ(fam.members, (std::vector<int>{0, 2}));
  EXPECT_EQ(fam.parents, (std::vector<int>{0}));
  EXPECT_EQ(fam.children, (std::vector<int>{1}));
  EXPECT_EQ(fam.motherPos, -1);
}

TEST(Nuclear, UnknownSexOnlyInThePlainForm) {
  // Child of sex 0 and a parent of sex 9: not members of the sex-aware form.
  const PedTable t = makeTable({{1, 1, 0, 0, 9, 1, 1, 2}, {1, 2, 0, 0, 2, 1, 1, 1}, {1, 3, 1, 2, 0, 2, 1, 2}});
  FamilyMembers sexAware;
  nuclear(t, 3, 1, 1, 2, 6, sexAware);
  EXPECT_EQ(sexAware.members, (std::vector<int>{1}));
  EXPECT_EQ(sexAware.fatherPos, -1);
  EXPECT_EQ(sexAware.motherPos, 0);
  FamilyMembers plain;
  nuclearPlain(t, 3, 1, 1, 2, 6, plain);
  EXPECT_EQ(plain.members, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(plain.children, (std::vector<int>{2}));
  EXPECT_TRUE(plain.sexes.empty());
}

TEST(Nuclear, RoleFollowsSexAndAffectionCodes) {
  // The row with the father's id is female: she takes the mother position.
  const PedTable t = makeTable({{1, 1, 0, 0, 2, 0, 1, 2},
                                {1, 3, 1, 2, 2, 1, 1, 2},
                                {1, 4, 1, 2, 2, -9, 1, 2},
                                {1, 5, 1, 2, 1, 2, 1, 2}});
  FamilyMembers fam;
  nuclear(t, 4, 1, 1, 2, 6, fam);
  EXPECT_EQ(fam.motherPos, 0);
  EXPECT_EQ(fam.fatherPos, -1);
  EXPECT_EQ(fam.affection, (std::vector<int>{0, 0, 0, 1}));  // 0, 1 and -9 are not affected
  EXPECT_EQ(fam.daughters, (std::vector<int>{1, 2}));
}

TEST(ForEachFamily, VisitsInOrderAndCountsUninformative) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 1, 2},
                                {1, 2, 0, 0, 2, 1, 1, 1},
                                {1, 3, 1, 2, 1, 2, 1, 2},
                                {2, 5, 0, 0, 1, 1, 1, 2},
                                {2, 6, 0, 0, 2, 1, 3, 3},
                                {2, 7, 5, 6, 2, 2, 1, 3},
                                {2, 8, 5, 6, 1, 2, 1, 3}});
  const FamilyList f = familiesOf(t);
  MarkerFamilies marker;
  prepareMarker(t, f, 6, FamilyForm::SexAware, marker);
  std::vector<std::size_t> memberCounts;
  const int uninformative = forEachFamily(marker, [&](std::size_t i, const FamilyAtMarker& at) {
    memberCounts.push_back(at.size);
    return i == 1;
  });
  EXPECT_EQ(memberCounts, (std::vector<std::size_t>{3, 4}));
  EXPECT_EQ(uninformative, 1);
}

TEST(PrepareMarker, MembersAndAllelesFollowTheMarkerRostersSurviveKeeping) {
  // Marker 1: everyone typed, codes 5, 2 and a negative code; marker 2: the
  // mother untyped. An unrelated row of pedigree 2 is in no roster.
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 5, 2, 1, 1},
                                {1, 2, 0, 0, 2, 1, -4, 2, 0, 0},
                                {2, 9, 0, 0, 1, 2, 7, 7, 7, 7},
                                {1, 3, 1, 2, 2, 2, 5, 2, 1, 2}});
  const FamilyList all = familiesOf(t);
  FamilyList kept;
  keepFamily(kept, all, 0);
  for (const FamilyList* list : {&all, static_cast<const FamilyList*>(&kept)}) {
    MarkerFamilies marker;
    prepareMarker(t, *list, 6, FamilyForm::SexAware, marker);
    const FamilyAtMarker& at = marker.families[0];
    EXPECT_EQ(at.size, 3u);
    EXPECT_EQ(at.parents, 2u);
    EXPECT_EQ(at.fatherPos, 0);
    EXPECT_EQ(at.motherPos, 1);
    EXPECT_TRUE(at.negativeCodes);
    EXPECT_EQ(std::vector<int>(marker.alleles.begin() + at.allelesFirst,
                               marker.alleles.begin() + at.allelesFirst + at.alleleCount),
              (std::vector<int>{2, 5}));
    EXPECT_TRUE(marker.carries(at, 5));
    EXPECT_FALSE(marker.carries(at, -4));
    prepareMarker(t, *list, 8, FamilyForm::Plain, marker);
    EXPECT_EQ(marker.families[0].size, 2u);
    EXPECT_EQ(marker.families[0].parents, 1u);
    EXPECT_EQ(marker.families[0].alleleCount, 2u);
    EXPECT_FALSE(marker.families[0].negativeCodes);
  }
}

// Codes 1 to 63 are gathered as bits; any other code takes the general way.
// Both ways give the family's distinct positive codes, ascending.
TEST(PrepareMarker, AllelesOfAnySizeAreListedAscending) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 63, 64},
                                {1, 2, 0, 0, 2, 1, 200, 1},
                                {1, 3, 1, 2, 2, 2, 63, 1},
                                {2, 4, 0, 0, 1, 1, 63, 1},
                                {2, 5, 0, 0, 2, 1, 1, 1},
                                {2, 6, 4, 5, 2, 2, 63, 1}});
  const FamilyList list = familiesOf(t);
  MarkerFamilies marker;
  prepareMarker(t, list, 6, FamilyForm::SexAware, marker);
  const auto allelesOf = [&](std::size_t f) {
    const FamilyAtMarker& at = marker.families[f];
    return std::vector<int>(marker.alleles.begin() + at.allelesFirst,
                            marker.alleles.begin() + at.allelesFirst + at.alleleCount);
  };
  EXPECT_EQ(allelesOf(0), (std::vector<int>{1, 63, 64, 200}));
  EXPECT_EQ(allelesOf(1), (std::vector<int>{1, 63}));
  EXPECT_FALSE(marker.families[0].negativeCodes);
}

namespace {

// Everything a preparation gives, as one comparable list of numbers.
std::vector<long> preparedValues(const MarkerFamilies& marker) {
  std::vector<long> v;
  for (const FamilyAtMarker& at : marker.families) {
    v.insert(v.end(), {at.size, at.parents, at.fatherPos, at.motherPos, at.alleleCount, at.negativeCodes,
                       static_cast<long>(at.signature & 0x7fffffffffffffff)});
    for (std::uint32_t i = 0; i < at.size; ++i) {
      const GenotypedMember& m = marker.membersOf(at)[i];
      v.insert(v.end(), {m.row, m.a, m.b, m.sex, m.affected, m.parent});
    }
    v.insert(v.end(), marker.alleles.begin() + at.allelesFirst,
             marker.alleles.begin() + at.allelesFirst + at.alleleCount);
  }
  return v;
}

}  // namespace

// A block of markers copied in roster order must prepare every marker as the
// table does, for markers across blocks and a table refilled under a new run.
TEST(PrepareMarker, RosterBlocksGiveWhatTheTableGives) {
  std::mt19937 rng(7);
  const int codes[] = {0, 1, 1, 2, 2, 3, 31, 32, 33, 64, -1, INT32_MIN};
  const int markers = 19;
  PedTable t;
  for (int fam = 0; fam < 12; ++fam) {
    const int kids = 1 + fam % 4;
    for (int i = 0; i < 2 + kids; ++i) {
      const long sex = i == 0 ? 1 : (i == 1 ? 2 : static_cast<long>(rng() % 3));  // a child's may be unknown
      std::vector<long> row = {fam, i + 1, i < 2 ? 0 : 1, i < 2 ? 0 : 2, sex, 1 + static_cast<long>(rng() % 2)};
      for (int c = 0; c < 2 * markers; ++c) {
        row.push_back(codes[rng() % (sizeof codes / sizeof codes[0])]);
      }
      t.push_back(row);
    }
  }
  const FamilyList list = familiesOf(t);
  RosterGenotypes block;
  for (std::uint64_t run : {1, 2}) {
    if (run == 2) {
      // Refilled in place while the block holds the marker: a new run must not reuse it.
      MarkerFamilies held;
      block.prepare(t, list, 6, FamilyForm::SexAware, 1, held);
      t.set(2, 6, t[2][6] == 2 ? 3 : 2);
      t.set(2, 7, 2);
    }
    for (int m = 0; m < markers; ++m) {
      for (FamilyForm form : {FamilyForm::SexAware, FamilyForm::Plain}) {
        MarkerFamilies fromTable;
        MarkerFamilies fromBlock;
        prepareMarker(t, list, 2 * m + 6, form, fromTable);
        block.prepare(t, list, 2 * m + 6, form, run, fromBlock);
        EXPECT_EQ(preparedValues(fromTable), preparedValues(fromBlock)) << "marker " << m;
      }
    }
  }
}

// Families alike in every member's codes, role, sex and affection share a
// signature; any difference, a code above 32 or a fifth member gives another
// (or none).
TEST(PrepareMarker, SignaturesTellFamiliesApart) {
  const PedTable t = makeTable({{1, 1, 0, 0, 1, 1, 1, 2}, {1, 2, 0, 0, 2, 1, 2, 2}, {1, 3, 1, 2, 1, 2, 1, 2},
                                {2, 1, 0, 0, 1, 1, 1, 2}, {2, 2, 0, 0, 2, 1, 2, 2}, {2, 3, 1, 2, 1, 2, 1, 2},
                                {3, 1, 0, 0, 1, 1, 1, 2}, {3, 2, 0, 0, 2, 1, 2, 2}, {3, 3, 1, 2, 1, 1, 1, 2},
                                {4, 1, 0, 0, 1, 1, 1, 33}, {4, 2, 0, 0, 2, 1, 2, 2}, {4, 3, 1, 2, 1, 2, 1, 2},
                                {5, 1, 0, 0, 1, 1, 1, 2}, {5, 2, 0, 0, 2, 1, 2, 2}, {5, 3, 1, 2, 1, 2, 1, 2},
                                {5, 4, 1, 2, 1, 2, 1, 2}, {5, 5, 1, 2, 1, 2, 1, 2}});
  MarkerFamilies marker;
  prepareMarker(t, familiesOf(t), 6, FamilyForm::SexAware, marker);
  const auto signature = [&](std::size_t f) { return marker.families[f].signature; };
  EXPECT_NE(signature(0), 0u);
  EXPECT_EQ(signature(0), signature(1));
  EXPECT_NE(signature(0), signature(2));  // the child unaffected
  EXPECT_EQ(signature(3), 0u);            // code 33
  EXPECT_EQ(signature(4), 0u);            // five members
}
