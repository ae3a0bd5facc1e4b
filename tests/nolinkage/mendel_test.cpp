// Mendelian checks on real allele codes.
#include "nolinkage/mendel.h"

#include <gtest/gtest.h>

#include "family/markerfamilies.h"
#include "nolinkage/pedigree_builder.h"

namespace {

// Family 1 of the table in the sex-aware form, marker 1.
bool consistent(bool xlinked, const std::vector<Person>& people) {
  const PedTable t = tableOf(people);
  FamilyList list;
  list.pedIds = {1};
  list.fatherIds = {1};
  list.motherIds = {2};
  rosters(t, static_cast<int>(t.size()), list);
  MarkerFamilies marker;
  prepareMarker(t, list, 6, FamilyForm::SexAware, marker);
  const FamilyAtMarker& fam = marker.families[0];
  return xlinked ? xlinkedConsistent(marker, fam) : autosomalConsistent(marker, fam);
}

Person father(long a1, long a2) { return {1, 1, 0, 0, 1, 1, a1, a2}; }
Person mother(long a1, long a2) { return {1, 2, 0, 0, 2, 1, a1, a2}; }
Person son(long id, long a1, long a2) { return {1, id, 1, 2, 1, 2, a1, a2}; }
Person daughter(long id, long a1, long a2) { return {1, id, 1, 2, 2, 2, a1, a2}; }

TEST(Mendel, AutosomalChildrenCarryAnAlleleOfEachTypedParent) {
  const struct {
    std::vector<Person> people;
    bool expected;
    const char* what;
  } cases[] = {
      {{father(1, 2), mother(3, 4), son(3, 2, 3), daughter(4, 4, 1)}, true, "one allele of each"},
      {{father(1, 2), mother(1, 3), son(3, 3, 3)}, false, "3/3 from a single 3"},
      {{father(1, 2), mother(1, 3), son(3, 2, 2)}, false, "2/2 from a single 2"},
      {{father(1, 2), mother(0, 0), son(3, 2, 5), son(4, 1, 6)}, true, "one typed parent"},
      {{father(1, 2), mother(0, 0), son(3, 3, 5)}, false, "nothing of the typed parent"},
      {{father(0, 0), mother(0, 0), son(3, 1, 2), son(4, 3, 4), son(5, 1, 3)}, true, "four alleles"},
      {{father(0, 0), mother(0, 0), son(3, 1, 2), son(4, 3, 4), son(5, 1, 5)}, false, "five alleles"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(consistent(false, c.people), c.expected) << c.what;
  }
}

TEST(Mendel, XLinkedChildrenNeedOneFatherAlleleAndOneMotherGenotype) {
  const struct {
    std::vector<Person> people;
    bool expected;
    const char* what;
  } cases[] = {
      {{father(1, 1), mother(2, 3), daughter(3, 1, 3), son(4, 2, 2)}, true, "typed parents"},
      {{father(1, 1), mother(2, 3), daughter(3, 2, 3)}, false, "daughter without her father's allele"},
      {{father(1, 1), mother(2, 3), son(3, 1, 1), daughter(4, 1, 2)}, false, "son with his father's allele"},
      {{father(1, 2), mother(1, 2), daughter(3, 1, 2), daughter(4, 1, 2)}, false, "father written 1/2"},
      {{father(0, 0), mother(1, 2), son(3, 1, 3), daughter(4, 1, 2)}, false, "son written 1/3"},
      {{father(0, 0), mother(0, 0), daughter(3, 1, 1), daughter(4, 2, 2)}, false, "two fathers needed"},
      {{father(0, 0), mother(0, 0), daughter(3, 1, 2), daughter(4, 2, 3), son(5, 3, 3)},
       true,
       "father 2, mother 1/3"},
      {{father(0, 0), mother(0, 0), son(3, 1, 1), son(4, 2, 2), son(5, 3, 3)},
       false,
       "three maternal alleles"},
      {{father(0, 0), mother(4, 5), daughter(3, 1, 4), daughter(4, 5, 1)}, true, "untyped father 1"},
      {{father(7, 7), mother(0, 0), daughter(3, 7, 1), daughter(4, 7, 2), daughter(5, 7, 3)},
       false,
       "mother with three alleles"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(consistent(true, c.people), c.expected) << c.what;
  }
}

}  // namespace
