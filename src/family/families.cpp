// Nuclear families: splits the pedigree table into parent pairs and their children.
#include "family/families.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

namespace {

enum Col { PED = 0, ID = 1, FATHER = 2, MOTHER = 3 };

using Triple = std::tuple<long, long, long>;  // pedigree, mother, father

enum class MemberRole { None, Parent, Child };

// A row's place in the family of (father, mother) within pedigree ped: a row
// with either parent's id is a parent (that comes first), a row naming the
// pair as its parents a child.
MemberRole memberRole(const PedRow& row, long ped, long father, long mother) {
  if (row[PED] != ped) {
    return MemberRole::None;
  }
  if (row[ID] == father || row[ID] == mother) {
    return MemberRole::Parent;
  }
  return row[FATHER] == father && row[MOTHER] == mother ? MemberRole::Child : MemberRole::None;
}

// Appends the rows of `rowList` (ascending) that are members of family f to its roster.
void addRoster(const PedTable& table, const std::vector<int>& rowList, FamilyList& families, std::size_t f) {
  for (int i : rowList) {
    const MemberRole role = memberRole(table[i], families.pedIds[f], families.fatherIds[f], families.motherIds[f]);
    if (role != MemberRole::None) {
      families.rosterRows.push_back(i);
      families.rosterIsParent.push_back(role == MemberRole::Parent ? 1 : 0);
    }
  }
  families.rosterStart.push_back(families.rosterRows.size());
}

}  // namespace

int affectionCode(long value) { return value == 2 ? 1 : 0; }

void pedigrees(const PedTable& table, int rows, FamilyList& families) {
  // A pair is a family unless its child is the only row that names it: an
  // only child whose parents have no row anywhere (in any pedigree).
  std::map<Triple, int> childrenOfTriple;
  std::map<long, int> rowsWithId;
  for (int i = 0; i < rows; ++i) {
    const PedRow row = table[i];
    ++childrenOfTriple[Triple{row[PED], row[MOTHER], row[FATHER]}];
    ++rowsWithId[row[ID]];
  }
  auto idCount = [&](long id) {
    auto it = rowsWithId.find(id);
    return it == rowsWithId.end() ? 0 : it->second;
  };
  std::set<Triple> listed;
  for (int i = 0; i < rows; ++i) {
    const PedRow row = table[i];
    const long ped = row[PED];
    const long father = row[FATHER];
    const long mother = row[MOTHER];
    if (father == 0 || mother == 0) {
      continue;
    }
    const Triple key{ped, mother, father};
    // Rows that name the pair: its children, and rows carrying either parent's id.
    int parentRows = idCount(mother) + (father != mother ? idCount(father) : 0);
    if (row[ID] == mother || row[ID] == father) {
      --parentRows;  // row i is counted once, as a child of the pair
    }
    if (childrenOfTriple[key] == 1 && parentRows == 0) {
      continue;
    }
    if (!listed.insert(key).second) {
      continue;
    }
    families.fatherIds.push_back(father);
    families.motherIds.push_back(mother);
    families.pedIds.push_back(ped);
  }
  // The rows each family's walk reads: those of its pedigree that name one of
  // its parents or are a child of the pair.
  std::map<Triple, std::size_t> familyOf;
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    familyOf[Triple{families.pedIds[f], families.motherIds[f], families.fatherIds[f]}] = f;
  }
  std::map<std::pair<long, long>, std::vector<std::size_t>> familiesOfParent;  // (pedigree, id) -> families
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    familiesOfParent[{families.pedIds[f], families.fatherIds[f]}].push_back(f);
    if (families.motherIds[f] != families.fatherIds[f]) {
      familiesOfParent[{families.pedIds[f], families.motherIds[f]}].push_back(f);
    }
  }
  std::vector<std::vector<int>> candidateRows(families.pedIds.size());
  for (int i = 0; i < rows; ++i) {
    const PedRow row = table[i];
    std::vector<std::size_t> of;
    const auto child = familyOf.find(Triple{row[PED], row[MOTHER], row[FATHER]});
    if (child != familyOf.end()) {
      of.push_back(child->second);
    }
    const auto parent = familiesOfParent.find({row[PED], row[ID]});
    if (parent != familiesOfParent.end()) {
      of.insert(of.end(), parent->second.begin(), parent->second.end());
    }
    std::sort(of.begin(), of.end());
    of.erase(std::unique(of.begin(), of.end()), of.end());
    for (std::size_t f : of) {
      candidateRows[f].push_back(i);
    }
  }
  families.rosterStart.assign(1, 0);
  families.rosterRows.clear();
  families.rosterIsParent.clear();
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    addRoster(table, candidateRows[f], families, f);
  }
}

void keepFamily(FamilyList& to, const FamilyList& from, std::size_t f) {
  to.pedIds.push_back(from.pedIds[f]);
  to.fatherIds.push_back(from.fatherIds[f]);
  to.motherIds.push_back(from.motherIds[f]);
  if (from.rosterStart.empty()) {
    return;
  }
  if (to.rosterStart.empty()) {
    to.rosterStart.push_back(0);
  }
  const std::size_t first = from.rosterStart[f];
  const std::size_t last = from.rosterStart[f + 1];
  to.rosterRows.insert(to.rosterRows.end(), from.rosterRows.begin() + first, from.rosterRows.begin() + last);
  to.rosterIsParent.insert(to.rosterIsParent.end(), from.rosterIsParent.begin() + first,
                           from.rosterIsParent.begin() + last);
  to.rosterStart.push_back(to.rosterRows.size());
}

void rosters(const PedTable& table, int rows, FamilyList& families) {
  std::vector<int> everyRow(static_cast<std::size_t>(rows));
  std::iota(everyRow.begin(), everyRow.end(), 0);
  families.rosterStart.assign(1, 0);
  families.rosterRows.clear();
  families.rosterIsParent.clear();
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    addRoster(table, everyRow, families, f);
  }
}

void Clear(FamilyMembers& family) {
  family.members.clear();
  family.parents.clear();
  family.children.clear();
  family.affection.clear();
  family.sons.clear();
  family.daughters.clear();
  family.sexes.clear();
  family.fatherPos = -1;
  family.motherPos = -1;
}
