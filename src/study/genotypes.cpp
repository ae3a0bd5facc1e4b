// Genotype filling, heterozygous men on X, and naming Mendelian conflicts.
#include "study/genotypes.h"

#include <optional>

namespace {

enum Col { PED = 0, ID = 1, FATHER = 2, MOTHER = 3, SEX = 4 };

bool carries(const PedRow& row, int column, long allele) {
  return row[column] == allele || row[column + 1] == allele;
}

bool typed(const PedRow& row, int column) { return row[column] != 0 && row[column + 1] != 0; }

// Whether a child's two alleles can come one from each parent; a parent
// that is not typed (or absent) can give any allele.
bool explained(const PedRow& child, const PedRow* father, const PedRow* mother, int column, bool son,
               bool xlinked) {
  const long a = child[column];
  const long b = child[column + 1];
  auto gives = [&](const PedRow* parent, long allele) {
    return parent == nullptr || carries(*parent, column, allele);
  };
  if (xlinked && son) {
    return gives(mother, a);
  }
  return (gives(father, a) && gives(mother, b)) || (gives(father, b) && gives(mother, a));
}

}  // namespace

std::vector<std::size_t> clearHeterozygousMen(std::vector<std::int32_t>& codes, const StudyPedigree& pedigree,
                                              bool xlinked) {
  std::vector<std::size_t> cleared;
  for (std::size_t i = 0; xlinked && i < pedigree.size(); ++i) {
    std::int32_t& a = codes[2 * i];
    std::int32_t& b = codes[2 * i + 1];
    if (pedigree.columns[i][SEX] == 1 && a != 0 && b != 0 && a != b) {
      cleared.push_back(i);
      a = 0;
      b = 0;
    }
  }
  return cleared;
}

void fillMarkers(PedTable& table, int first, const std::vector<std::vector<std::int32_t>>& codes) {
  const auto column = static_cast<std::size_t>(2 * first + 4);
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::int32_t* genotypes = table.rowData(i) + column;
    for (std::size_t k = 0; k < codes.size(); ++k) {
      genotypes[2 * k] = codes[k][2 * i];
      genotypes[2 * k + 1] = codes[k][2 * i + 1];
    }
  }
}

std::vector<std::size_t> fillMarker(PedTable& table, int m, const std::vector<std::int32_t>& codes,
                                    const StudyPedigree& pedigree, bool xlinked) {
  std::vector<std::vector<std::int32_t>> one{codes};
  std::vector<std::size_t> cleared = clearHeterozygousMen(one[0], pedigree, xlinked);
  fillMarkers(table, m, one);
  return cleared;
}

std::vector<std::string> mendelianConflicts(const PedTable& table, const StudyPedigree& pedigree,
                                            const FamilyId& family, int m, bool xlinked) {
  const int column = 2 * m + 4;
  std::optional<PedRow> father;
  std::optional<PedRow> mother;
  std::vector<PedRow> children;
  for (const PedRow row : table) {
    if (row[PED] != family.ped || !typed(row, column)) {
      continue;
    }
    if (row[ID] == family.father) {
      father = row;
    } else if (row[ID] == family.mother) {
      mother = row;
    } else if (row[FATHER] == family.father && row[MOTHER] == family.mother) {
      children.push_back(row);
    }
  }
  std::vector<std::string> names;
  for (const PedRow& child : children) {
    if (!explained(child, father ? &*father : nullptr, mother ? &*mother : nullptr, column, child[SEX] == 1,
                   xlinked)) {
      names.push_back(pedigree.individualName(child[ID]));
    }
  }
  return names;
}
