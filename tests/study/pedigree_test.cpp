// Study pedigree: string ids to codes, and the checks, one small pedigree per problem.
#include "study/pedigree.h"

#include <gtest/gtest.h>

#include "study/genotypes.h"

namespace {

io::Sample person(const std::string& fam, const std::string& id, const std::string& father,
                  const std::string& mother, int sex, int affection = 2) {
  return io::Sample{fam, id, father, mother, sex, affection};
}

bool anyWarning(const StudyPedigree& p, const std::string& text) {
  for (const std::string& w : p.qc.warnings) {
    if (w == text) {
      return true;
    }
  }
  ADD_FAILURE() << "no warning '" << text << "'; first is '"
                << (p.qc.warnings.empty() ? "" : p.qc.warnings[0]) << "'";
  return false;
}

// A trio in family "T": father D, mother M, child C.
std::vector<io::Sample> trio(const std::string& fam) {
  return {person(fam, "D", "0", "0", 1), person(fam, "M", "0", "0", 2), person(fam, "C", "D", "M", 1)};
}

}  // namespace

TEST(StudyPedigree, StringIdsBecomeCodesAndBack) {
  std::vector<io::Sample> samples = trio("FAM001");
  const StudyPedigree p = buildPedigree(samples);
  ASSERT_EQ(p.families.pedIds.size(), 1u);
  const FamilyId f{p.families.pedIds[0], p.families.fatherIds[0], p.families.motherIds[0]};
  EXPECT_EQ(describeFamily(p, f), "family FAM001, father D, mother M");
  EXPECT_TRUE(p.qc.warnings.empty());
  const PedTable table = pedigreeTable(p, 2);
  EXPECT_EQ(table.width(), 10u);
  EXPECT_EQ(p.individualName(table[2][2]), "D");
}

TEST(StudyPedigree, DuplicateIndividualInAFamilyIsAnErrorNamingBothRecords) {
  std::vector<io::Sample> samples = trio("F1");
  samples.push_back(person("F2", "D", "0", "0", 1));  // the same id in another family is fine
  samples.push_back(person("F1", "M", "0", "0", 2));
  try {
    buildPedigree(samples);
    FAIL() << "no error";
  } catch (const io::InputError& e) {
    EXPECT_STREQ(e.what(), "family F1: individual M appears twice (records 2 and 5)");
  }
  // Several repeats: the first record that repeats an earlier one is named,
  // with the record it repeats.
  samples.push_back(person("F1", "M", "0", "0", 2));
  samples.insert(samples.begin() + 4, person("F1", "C", "D", "M", 1));  // record 5, repeating record 3
  try {
    buildPedigree(samples);
    FAIL() << "no error";
  } catch (const io::InputError& e) {
    EXPECT_STREQ(e.what(), "family F1: individual C appears twice (records 3 and 5)");
  }
}

TEST(StudyPedigree, ParentsWithoutARecordAreUntypedParentsAndReported) {
  const StudyPedigree p = buildPedigree({person("S", "C1", "D", "M", 1), person("S", "C2", "D", "M", 2)});
  EXPECT_EQ(p.families.pedIds.size(), 1u);  // the sibship is still a family
  EXPECT_EQ(p.qc.missingParents, 2);
  anyWarning(p, "family S, individual C1: father D has no record; taken as an untyped parent");
  anyWarning(p, "family S, individual C1: mother M has no record; taken as an untyped parent");
}

TEST(StudyPedigree, OneParentGivenIsAFounder) {
  std::vector<io::Sample> samples = trio("F");
  samples.push_back(person("F", "X", "D", "0", 2));
  const StudyPedigree p = buildPedigree(samples);
  EXPECT_EQ(p.qc.singleParent, 1);
  anyWarning(p, "family F, individual X: only one parent is given; taken as a founder");
}

TEST(StudyPedigree, ParentOfTheWrongSexLeavesTheFamilyOut) {
  std::vector<io::Sample> samples = trio("OK");
  for (auto [fam, fatherSex, motherSex] : {std::tuple{"F", 2, 2}, std::tuple{"G", 1, 1}}) {
    samples.push_back(person(fam, "D", "0", "0", fatherSex));
    samples.push_back(person(fam, "M", "0", "0", motherSex));
    samples.push_back(person(fam, "C", "D", "M", 1));
  }
  const StudyPedigree p = buildPedigree(samples);
  ASSERT_EQ(p.families.pedIds.size(), 1u);
  EXPECT_EQ(p.familyName(p.families.pedIds[0]), "OK");
  EXPECT_EQ(p.qc.wrongSexParents, 2);
  anyWarning(
      p, "family F, father D, mother M: the father is recorded as female; this nuclear family is left out");
  anyWarning(p,
             "family G, father D, mother M: the mother is recorded as male; this nuclear family is left out");
}

TEST(StudyPedigree, OwnAncestorLeavesThatFamilyOut) {
  std::vector<io::Sample> samples = trio("OK");
  // A is B's father and B is A's father.
  samples.push_back(person("L", "A", "B", "W", 1));
  samples.push_back(person("L", "B", "A", "W", 1));
  samples.push_back(person("L", "W", "0", "0", 2));
  samples.push_back(person("L", "K", "A", "W", 2));
  samples.push_back(person("S", "Z", "Z", "Y", 1));  // one's own father
  samples.push_back(person("S", "Y", "0", "0", 2));
  const StudyPedigree p = buildPedigree(samples);
  EXPECT_EQ(p.qc.cyclePedigrees, 2);
  ASSERT_EQ(p.families.pedIds.size(), 1u);
  EXPECT_EQ(p.familyName(p.families.pedIds[0]), "OK");
  anyWarning(p, "family S, individual Z is their own ancestor; the whole family is left out");
  EXPECT_NE(p.qc.warnings[0].find("family L, individual "), std::string::npos) << p.qc.warnings[0];
}

TEST(StudyGenotypes, HeterozygousMenOnXAreSetMissing) {
  const StudyPedigree p = buildPedigree(trio("F"));
  PedTable table = pedigreeTable(p, 1);
  const std::vector<std::int32_t> codes = {1, 2, 1, 2, 2, 1};  // father, mother, son: all heterozygous
  EXPECT_EQ(fillMarker(table, 1, codes, p, true), (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(table[0][6] + table[0][7] + table[2][6] + table[2][7], 0);
  EXPECT_EQ(table[1][7], 2);  // a woman keeps both alleles
  EXPECT_TRUE(fillMarker(table, 1, codes, p, false).empty());
  EXPECT_EQ(table[2][6], 2);
}

// Markers written together land in their own slots, each row's genotypes in
// marker order, the pedigree columns untouched.
TEST(StudyGenotypes, MarkersWrittenTogetherTakeTheirSlots) {
  const StudyPedigree p = buildPedigree(trio("F"));
  PedTable table = pedigreeTable(p, 3);
  const std::vector<std::vector<std::int32_t>> codes = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 1, 2, 3}};
  fillMarkers(table, 2, codes);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(std::vector<long>(table[i].begin() + 6, table[i].end()),
              (std::vector<long>{0, 0, codes[0][2 * i], codes[0][2 * i + 1], codes[1][2 * i], codes[1][2 * i + 1]}));
    EXPECT_EQ(table[i][0], p.columns[i][0]);
  }
}

TEST(StudyGenotypes, MendelianConflictsNameTheChild) {
  std::vector<io::Sample> samples = trio("F");
  samples.push_back(person("F", "E", "D", "M", 2));
  const StudyPedigree p = buildPedigree(samples);
  const FamilyId family{p.families.pedIds[0], p.families.fatherIds[0], p.families.motherIds[0]};
  const struct {
    std::vector<std::int32_t> codes;  // D, M, C (son), E (daughter)
    bool xlinked;
    std::vector<std::string> named;
  } cases[] = {
      {{1, 1, 2, 2, 1, 2, 1, 2}, false, {}},
      {{1, 1, 2, 2, 1, 1, 1, 2}, false, {"C"}},       // a son without his mother's allele
      {{1, 1, 2, 2, 2, 2, 2, 2}, false, {"C", "E"}},  // no allele of the father
      {{0, 0, 2, 2, 1, 1, 1, 2}, false, {"C"}},       // untyped father: the mother still shows it
      {{1, 1, 1, 2, 2, 2, 2, 2}, true, {"E"}},        // a daughter carries her father's X
      {{1, 1, 2, 2, 1, 1, 1, 2}, true, {"C"}},        // a son's X is his mother's
      {{0, 0, 0, 0, 1, 1, 2, 2}, true, {}},           // conflicts among siblings only: none named
  };
  for (const auto& c : cases) {
    PedTable table = pedigreeTable(p, 1);
    fillMarker(table, 1, c.codes, p, false);
    EXPECT_EQ(mendelianConflicts(table, p, family, 1, c.xlinked), c.named) << "case " << (&c - cases);
  }
}
