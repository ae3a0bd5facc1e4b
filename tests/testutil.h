// Helpers shared by the unit tests: small pedigree tables written inline.
#pragma once

#include <initializer_list>
#include <vector>

#include "family/families.h"

// One individual: ped, id, father, mother, sex, affection, then allele pairs.
inline PedTable makeTable(std::initializer_list<std::vector<long>> rows) { return PedTable(rows); }

inline std::vector<int> allRows(const PedTable& t) {
  std::vector<int> rows;
  for (int i = 0; i < static_cast<int>(t.size()); ++i) {
    rows.push_back(i);
  }
  return rows;
}
