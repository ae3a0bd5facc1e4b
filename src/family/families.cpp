// Nuclear families: splits the pedigree table into parent pairs and their children.
#include "family/families.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <unordered_map>

namespace {

enum Col { PED = 0, ID = 1, FATHER = 2, MOTHER = 3, SEX = 4, AFFECTION = 5 };

using Triple = std::tuple<long, long, long>;  // pedigree, mother, father

bool genotyped(const PedRow& row, int column) {
  return row[column] != 0 && row[column + 1] != 0;
}

bool isParentRow(const PedRow& row, long ped, long father, long mother) {
  return (row[ID] == father || row[ID] == mother) && row[PED] == ped;
}

bool isChildRow(const PedRow& row, long ped, long father, long mother) {
  return row[FATHER] == father && row[MOTHER] == mother && row[PED] == ped;
}

// Collects the family's members from the given rows (ascending table rows
// that include every row of the pedigree).
void collect(const PedTable& table, const std::vector<int>& rowList, long ped, long father, long mother,
             int column, bool sexAware, FamilyMembers& fam) {
  fam.fatherPos = -1;
  fam.motherPos = -1;
  int position = 0;
  for (int i : rowList) {
    const PedRow row = table[i];
    const long sex = row[SEX];
    // A member of unknown sex cannot be placed in an X-linked family.
    if (!genotyped(row, column) || (sexAware && sex != 1 && sex != 2)) {
      continue;
    }
    if (isParentRow(row, ped, father, mother)) {
      if (sexAware) {
        (sex == 1 ? fam.fatherPos : fam.motherPos) = position;
      }
      fam.parents.push_back(position);
    } else if (isChildRow(row, ped, father, mother)) {
      fam.children.push_back(position);
      if (sexAware) {
        (sex == 2 ? fam.daughters : fam.sons).push_back(position);
      }
    } else {
      continue;
    }
    fam.members.push_back(i);
    fam.affection.push_back(affectionCode(row[AFFECTION]));
    if (sexAware) {
      fam.sexes.push_back(static_cast<int>(sex));
    }
    ++position;
  }
}

std::vector<int> firstRows(int rows) {
  std::vector<int> list(rows);
  std::iota(list.begin(), list.end(), 0);
  return list;
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
  families.candidateRows.assign(families.pedIds.size(), {});
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
      families.candidateRows[f].push_back(i);
    }
  }
}

void nuclear(const PedTable& table, int rows, long ped, long father, long mother, int column,
             FamilyMembers& family) {
  collect(table, firstRows(rows), ped, father, mother, column, true, family);
}

void nuclearPlain(const PedTable& table, int rows, long ped, long father, long mother, int column,
                  FamilyMembers& family) {
  collect(table, firstRows(rows), ped, father, mother, column, false, family);
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

int forEachFamily(const PedTable& table, int rows, const FamilyList& families, int column,
                  FamilyForm form, const std::function<bool(std::size_t, FamilyMembers&)>& visit) {
  // Every member of a family belongs to its pedigree, so each family needs
  // only its pedigree's rows, not the whole table.
  const bool haveRows = families.candidateRows.size() == families.pedIds.size();
  std::unordered_map<long, std::vector<int>> rowsOfPedigree;
  for (int i = 0; i < rows && !haveRows; ++i) {
    rowsOfPedigree[table[i][PED]].push_back(i);
  }
  int uninformative = 0;
  FamilyMembers fam;
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    const long ped = families.pedIds[f];
    const long father = families.fatherIds[f];
    const long mother = families.motherIds[f];
    collect(table, haveRows ? families.candidateRows[f] : rowsOfPedigree[ped], ped, father, mother, column,
            form == FamilyForm::SexAware, fam);
    if (!visit(f, fam)) {
      ++uninformative;
    }
    Clear(fam);
  }
  return uninformative;
}
