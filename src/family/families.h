// Nuclear families: splits the pedigree table into parent pairs and their
// children, and collects one family's genotyped members at one marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "family/pedtable.h"


// One entry per nuclear family: the children of (fatherIds[f], motherIds[f])
// within pedigree pedIds[f], in the table order of each pair's first child.
struct FamilyList {
  std::vector<long> pedIds;
  std::vector<long> motherIds;
  std::vector<long> fatherIds;
  // The family's members when genotyped, found once per run (who they are
  // does not depend on the marker): rows rosterRows[rosterStart[f] ..
  // rosterStart[f + 1]), ascending, each a parent's row (a row with either
  // parent's id) or a child's (rosterIsParent 0).
  std::vector<std::size_t> rosterStart;
  std::vector<int> rosterRows;
  std::vector<char> rosterIsParent;
  // Per roster entry, read once from the table: the sex when it is 1 or 2
  // (else 0) and the affection code.
  std::vector<std::int8_t> rosterSex;
  std::vector<std::int8_t> rosterAffected;
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

// Fills `families` from the first `rows` rows, rosters included. A child
// whose parents have no row of their own and who has no full sibling forms no
// family. The families do not depend on the marker: a run finds them once.
void pedigrees(const PedTable& table, int rows, FamilyList& families);

// Appends family f of `from` (ids and roster) to `to`.
void keepFamily(FamilyList& to, const FamilyList& from, std::size_t f);

// Finds the rosters of the listed families among the first `rows` rows, row
// by row for each family (for a few families; pedigrees does it for all).
void rosters(const PedTable& table, int rows, FamilyList& families);

// Empties every list of the family and resets both parent positions.
void Clear(FamilyMembers& family);

// Affection code of an affection value: 2 (affected) gives 1, anything else 0.
int affectionCode(long value);
