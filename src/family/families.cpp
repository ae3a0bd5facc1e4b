// Nuclear families: splits the pedigree table into parent pairs and their children.
#include "family/families.h"

#include <algorithm>
#include <numeric>
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
      const long sex = table[i][4];
      families.rosterSex.push_back(static_cast<std::int8_t>(sex == 1 || sex == 2 ? sex : 0));
      families.rosterAffected.push_back(static_cast<std::int8_t>(affectionCode(table[i][5])));
    }
  }
  families.rosterStart.push_back(families.rosterRows.size());
}

void clearRosters(FamilyList& families) {
  families.rosterStart.assign(1, 0);
  families.rosterRows.clear();
  families.rosterIsParent.clear();
  families.rosterSex.clear();
  families.rosterAffected.clear();
}

// Appends entries [first, last) of `from` to `to`.
template <class T>
void appendSlice(std::vector<T>& to, const std::vector<T>& from, std::size_t first, std::size_t last) {
  to.insert(to.end(), from.begin() + static_cast<std::ptrdiff_t>(first),
            from.begin() + static_cast<std::ptrdiff_t>(last));
}

}  // namespace

int affectionCode(long value) { return value == 2 ? 1 : 0; }

namespace {

// The rows grouped by their (pedigree, mother, father): rows of
// one group have equal triples; groups are numbered in sorted order.
struct TripleGroups {
  std::vector<int> group;       // per row
  std::vector<int> groupSize;   // per group
};

TripleGroups groupByTriple(const PedTable& table, int rows) {
  TripleGroups g;
  // (pedigree, mother, father, row), sorted directly: rows of one group end up together.
  std::vector<std::pair<Triple, int>> sorted;
  sorted.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    const PedRow row = table[i];
    sorted.emplace_back(Triple(row[PED], row[MOTHER], row[FATHER]), i);
  }
  std::sort(sorted.begin(), sorted.end());
  g.group.assign(static_cast<std::size_t>(rows), 0);
  for (std::size_t k = 0; k < sorted.size(); ++k) {
    if (k == 0 || sorted[k].first != sorted[k - 1].first) {
      g.groupSize.push_back(0);
    }
    g.group[static_cast<std::size_t>(sorted[k].second)] = static_cast<int>(g.groupSize.size()) - 1;
    ++g.groupSize.back();
  }
  return g;
}

// The rows of each triple group, ascending: group g's are
// rows[start[g] .. start[g + 1]).
struct RowsByGroup {
  std::vector<int> rows;
  std::vector<std::size_t> start;
};

RowsByGroup rowsByGroup(const TripleGroups& g) {
  RowsByGroup by;
  by.start.assign(g.groupSize.size() + 1, 0);
  for (std::size_t k = 0; k < g.groupSize.size(); ++k) {
    by.start[k + 1] = by.start[k] + static_cast<std::size_t>(g.groupSize[k]);
  }
  std::vector<std::size_t> next(by.start.begin(), by.start.end() - 1);
  by.rows.resize(g.group.size());
  for (std::size_t i = 0; i < g.group.size(); ++i) {
    by.rows[next[static_cast<std::size_t>(g.group[i])]++] = static_cast<int>(i);
  }
  return by;
}

// The rows by (pedigree, id): a family's parent rows are the rows of its
// pedigree carrying either parent's id (any number of them, in a table that
// repeats an id).
class RowsById {
 public:
  RowsById(std::vector<std::tuple<long, long, int>> keyed) : keyed_(std::move(keyed)) {
    std::sort(keyed_.begin(), keyed_.end());
  }
  // Appends the rows of pedigree `ped` with id `id` to `to`.
  void append(long ped, long id, std::vector<int>& to) const {
    for (auto it = std::lower_bound(keyed_.begin(), keyed_.end(), std::make_tuple(ped, id, -1));
         it != keyed_.end() && std::get<0>(*it) == ped && std::get<1>(*it) == id; ++it) {
      to.push_back(std::get<2>(*it));
    }
  }

 private:
  std::vector<std::tuple<long, long, int>> keyed_;  // (pedigree, id, row), sorted
};

RowsById rowsById(const PedTable& table, int rows) {
  std::vector<std::tuple<long, long, int>> keyed;
  keyed.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    keyed.emplace_back(table[i][PED], table[i][ID], i);
  }
  return RowsById(std::move(keyed));
}

}  // namespace

void pedigrees(const PedTable& table, int rows, FamilyList& families) {
  // A pair is a family unless its child is the only row that names it: an
  // only child whose parents have no row anywhere (in any pedigree).
  const TripleGroups groups = groupByTriple(table, rows);
  std::vector<long> ids;
  ids.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    ids.push_back(table[i][ID]);
  }
  std::sort(ids.begin(), ids.end());
  auto idCount = [&](long id) {
    const auto range = std::equal_range(ids.begin(), ids.end(), id);
    return static_cast<int>(range.second - range.first);
  };
  // Per triple group: its family, or -1.
  std::vector<long> familyOfGroup(groups.groupSize.size(), -1);
  std::vector<std::size_t> groupOfFamily;
  for (int i = 0; i < rows; ++i) {
    const PedRow row = table[i];
    const long ped = row[PED];
    const long father = row[FATHER];
    const long mother = row[MOTHER];
    if (father == 0 || mother == 0) {
      continue;
    }
    const int group = groups.group[static_cast<std::size_t>(i)];
    if (familyOfGroup[static_cast<std::size_t>(group)] != -1) {
      continue;  // listed at the pair's first child
    }
    // Rows that name the pair: its children, and rows carrying either parent's id.
    int parentRows = idCount(mother) + (father != mother ? idCount(father) : 0);
    if (row[ID] == mother || row[ID] == father) {
      --parentRows;  // row i is counted once, as a child of the pair
    }
    if (groups.groupSize[static_cast<std::size_t>(group)] == 1 && parentRows == 0) {
      continue;
    }
    familyOfGroup[static_cast<std::size_t>(group)] = static_cast<long>(families.pedIds.size());
    groupOfFamily.push_back(static_cast<std::size_t>(group));
    families.fatherIds.push_back(father);
    families.motherIds.push_back(mother);
    families.pedIds.push_back(ped);
  }
  // Each family's roster: its children (the rows of its triple group) and the
  // rows of its pedigree with either parent's id, ascending.
  const RowsByGroup children = rowsByGroup(groups);
  const RowsById parentRows = rowsById(table, rows);
  clearRosters(families);
  std::vector<int> members;
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    const std::size_t g = groupOfFamily[f];
    members.assign(children.rows.begin() + static_cast<std::ptrdiff_t>(children.start[g]),
                   children.rows.begin() + static_cast<std::ptrdiff_t>(children.start[g + 1]));
    parentRows.append(families.pedIds[f], families.fatherIds[f], members);
    if (families.motherIds[f] != families.fatherIds[f]) {
      parentRows.append(families.pedIds[f], families.motherIds[f], members);
    }
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    addRoster(table, members, families, f);
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
  appendSlice(to.rosterRows, from.rosterRows, first, last);
  appendSlice(to.rosterIsParent, from.rosterIsParent, first, last);
  appendSlice(to.rosterSex, from.rosterSex, first, last);
  appendSlice(to.rosterAffected, from.rosterAffected, first, last);
  to.rosterStart.push_back(to.rosterRows.size());
}

void rosters(const PedTable& table, int rows, FamilyList& families) {
  std::vector<int> everyRow(static_cast<std::size_t>(rows));
  std::iota(everyRow.begin(), everyRow.end(), 0);
  clearRosters(families);
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
