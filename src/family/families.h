// Nuclear families: splits the pedigree table into parent pairs and their
// children, and collects one family's genotyped members at one marker.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "family/pedtable.h"


// One entry per nuclear family: the children of (fatherIds[f], motherIds[f])
// within pedigree pedIds[f], in the table order of each pair's first child.
struct FamilyList {
  std::vector<long> pedIds;
  std::vector<long> motherIds;
  std::vector<long> fatherIds;
  // Per family, the table rows that may be its members (its parents' rows and
  // its children's, ascending), found once with the families; a list made
  // without them (empty) makes every walk look them up in the table.
  std::vector<std::vector<int>> candidateRows;
};

// The genotyped members of one family at one marker. Positions are 0-based
// places in `members`; fatherPos and motherPos are -1 when that parent is not
// genotyped. sons, daughters and sexes are filled by the sex-aware form only.
struct FamilyMembers {
  std::vector<int> members;    // table rows, in table order
  std::vector<int> parents;    // positions of the genotyped parents
  std::vector<int> children;   // positions of the genotyped children
  std::vector<int> affection;  // per member: 1 affected, else 0
  std::vector<int> sons;
  std::vector<int> daughters;
  std::vector<int> sexes;  // per member, as stored
  int fatherPos = -1;
  int motherPos = -1;
};

// Fills `families` from the first `rows` rows. A child whose parents have no
// row of their own and who has no full sibling forms no family. The families
// do not depend on the marker: a run finds them once.
void pedigrees(const PedTable& table, int rows, FamilyList& families);

// Sex-aware form: a member must be genotyped at the marker whose first allele
// column is `column` and have sex 1 or 2. A parent's role follows its sex.
void nuclear(const PedTable& table, int rows, long ped, long father, long mother, int column,
             FamilyMembers& family);

// Plain form: members, parents, children and affection only; sex is ignored.
void nuclearPlain(const PedTable& table, int rows, long ped, long father, long mother, int column,
                  FamilyMembers& family);

// Empties every list of the family and resets both parent positions.
void Clear(FamilyMembers& family);

// Affection code of an affection value: 2 (affected) gives 1, anything else 0.
int affectionCode(long value);

// The one walk over the nuclear families that every test uses. For each
// family in list order it collects the members (sex-aware or plain form),
// calls visit(f, members) and empties the lists again. visit returns whether
// the family was informative; the result is the number of families that were
// not.
enum class FamilyForm { SexAware, Plain };
int forEachFamily(const PedTable& table, int rows, const FamilyList& families, int column,
                  FamilyForm form, const std::function<bool(std::size_t, FamilyMembers&)>& visit);
