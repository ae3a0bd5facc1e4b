// Test helper: builds pedigree tables of nuclear families with one marker.
#pragma once

#include <array>
#include <vector>

#include "family/families.h"

// One individual: ids, sex (1 male, 2 female), affection (2 affected) and the
// two alleles of marker 1 (0 = missing, so 0 0 is an untyped individual).
struct Person {
  long ped;
  long id;
  long father;
  long mother;
  long sex;
  long affection;
  long a1;
  long a2;
};

inline PedTable tableOf(const std::vector<Person>& people) {
  PedTable table;
  for (const Person& p : people) {
    table.push_back({p.ped, p.id, p.father, p.mother, p.sex, p.affection, p.a1, p.a2});
  }
  return table;
}
