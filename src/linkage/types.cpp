// Family types under "linkage, no association": possible child genotypes and
// their numbering.
#include "linkage/types.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Genotype = std::array<int, 2>;  // allele positions, first <= second

void mark(FamilyType2& type, int a, int b) {
  type.possible[a][b] = 1;
  type.possible[b][a] = 1;
}

bool contains(const std::vector<int>& list, int entry) {
  return std::find(list.begin(), list.end(), entry) != list.end();
}

// A child's genotype read from its allele counts, scanning the positions
// upwards. False for a child who carries none of the listed alleles.
bool childGenotype(const std::vector<int>& row, int alleleCount, Genotype& g) {
  bool found = false;
  for (int j = 0; j < alleleCount; ++j) {
    if (row[j] == 2) {
      g = {j, j};
      found = true;
    } else if (row[j] == 1) {
      g = found ? Genotype{g[0], j} : Genotype{j, j};
      found = true;
    }
  }
  return found;
}

// Two typed parents: a child genotype (a, b) is possible when one parent
// carries a and the other b.
void matingOfTwoParents(FamilyType2& type, const AlleleMatrix& counts, const std::vector<int>& parents,
                        int alleleCount) {
  const std::vector<int>& P0 = counts[parents[0]];
  const std::vector<int>& P1 = counts[parents[1]];
  for (int a = 0; a < alleleCount; ++a) {
    for (int b = 0; b < alleleCount; ++b) {
      type.possible[a][b] = std::min(1, P0[a] * P1[b] + P1[a] * P0[b]);
    }
  }
}

// Both parents carry an allele seen homozygous in a child; their other two
// alleles may be any of the family's others.
void addHomozygousMatings(FamilyType2& type, const bool* homozygous, int alleleCount) {
  for (int h = 0; h < alleleCount; ++h) {
    if (!homozygous[h]) {
      continue;
    }
    for (int k = 0; k < alleleCount; ++k) {
      if (k == h) {
        continue;
      }
      mark(type, h, k);
      for (int i = 0; i < alleleCount; ++i) {
        if (i != h && i != k) {
          type.possible[k][i] = 1;
        }
      }
    }
  }
}

// Four alleles and no typed parent: genotypes sharing an allele with a
// possible pair imply the matings that produce them. The loops read the table
// as it is being updated.
void closeOverFourAlleles(FamilyType2& type) {
  auto& P = type.possible;
  for (int q = 0; q < 4; ++q) {
    for (int k = 0; k < 4; ++k) {
      if (P[q][k] != 1) {
        continue;
      }
      for (int i = k + 1; i < 4; ++i) {
        if (P[q][i] != 1) {
          continue;
        }
        for (int m = q + 1; m < 4; ++m) {
          if (P[m][k] == 1 || P[m][i] == 1) {
            mark(type, m, k);
            mark(type, m, i);
          }
        }
      }
    }
  }
}

}  // namespace

void type2(const AlleleMatrix& counts, const std::vector<int>& familyAlleles, const std::vector<int>& parents,
           const std::vector<int>& children, const std::vector<int>& childAlleles, FamilyType2& type) {
  std::memset(type.possible, 0, sizeof type.possible);
  type.distinctChildGenotypes = 0;
  const int alleleCount = static_cast<int>(familyAlleles.size());
  if (alleleCount > MaxFamilyAlleles) {
    return;  // a genotyping error: no genotype is marked, so no child fits
  }

  // Alleles seen homozygous in a child, and the children's distinct genotypes.
  bool homozygous[MaxFamilyAlleles] = {};
  int homozygousAlleles = 0;
  bool seen[MaxFamilyAlleles][MaxFamilyAlleles] = {};
  for (int c : children) {
    Genotype g{};
    if (!childGenotype(counts[c], alleleCount, g)) {
      continue;
    }
    if (counts[c][g[0]] == 2 && !homozygous[g[0]]) {
      homozygous[g[0]] = true;
      ++homozygousAlleles;
    }
    if (!seen[g[0]][g[1]]) {
      seen[g[0]][g[1]] = true;
      ++type.distinctChildGenotypes;
    }
  }

  if (parents.size() == 2) {
    matingOfTwoParents(type, counts, parents, alleleCount);
    return;
  }
  for (int a = 0; a < alleleCount; ++a) {
    for (int b = a; b < alleleCount; ++b) {
      if (seen[a][b]) {
        mark(type, a, b);
      }
    }
  }
  // One homozygote and one other genotype over three alleles (AA and BC): the
  // children's own genotypes are the type.
  if (alleleCount == 3 && homozygousAlleles == 1 && type.distinctChildGenotypes == 2) {
    return;
  }
  if (childAlleles.size() <= 1) {
    return;
  }
  if (parents.size() == 1) {
    // The typed parent passes one of its alleles, the other parent any allele
    // that the typed one lacks.
    const std::vector<int>& P = counts[parents[0]];
    for (int k = 0; k < alleleCount; ++k) {
      for (int q = 0; q < alleleCount; ++q) {
        if (P[k] == 0 && P[q] == 1) {
          mark(type, q, k);
        }
      }
    }
  }
  addHomozygousMatings(type, homozygous, alleleCount);
  if (alleleCount == 4 && parents.empty()) {
    closeOverFourAlleles(type);
  }
}

void params(FamilyType2& type, const AlleleMatrix& counts, int alleleCount, const std::vector<int>& children,
            const std::vector<int>& parents) {
  std::memset(type.columns, 0, sizeof type.columns);
  type.genotypeIndex.clear();

  int ones = 0;
  for (int a = 0; a < MaxFamilyAlleles; ++a) {
    for (int b = 0; b < MaxFamilyAlleles; ++b) {
      ones += (type.possible[a][b] == 1 ? 1 : 0) + (a == b && type.possible[a][b] == 1 ? 1 : 0);
    }
  }
  type.possibleCount = ones / 2;

  int g = 0;
  for (int a = 0; a < MaxFamilyAlleles; ++a) {
    for (int b = 0; b <= a; ++b) {
      if (type.possible[a][b] != 1) {
        continue;
      }
      if (a == b) {
        type.columns[a][g] = 2;
      } else {
        type.columns[a][g] = 1;
        type.columns[b][g] = 1;
      }
      ++g;
    }
  }

  const int memberCount = static_cast<int>(children.size() + parents.size());
  for (int t = 0; t < memberCount; ++t) {
    if (!contains(children, t)) {
      type.genotypeIndex.push_back(-1);
      continue;
    }
    for (int column = 0; column < type.possibleCount; ++column) {
      bool same = true;
      for (int j = 0; j < alleleCount; ++j) {
        same = same && counts[t][j] == type.columns[j][column];
      }
      if (same) {
        type.genotypeIndex.push_back(column);
      }
    }
  }

  type.homozygousCount = 0;
  for (const auto& row : type.columns) {
    type.homozygousCount += static_cast<int>(std::count(std::begin(row), std::end(row), 2));
  }
  type.homozygousParents = 0;
  for (int p : parents) {
    const auto& row = counts[p];
    type.homozygousParents += static_cast<int>(std::count(row.begin(), row.begin() + alleleCount, 2));
  }
}
