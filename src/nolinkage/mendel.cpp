// Mendelian checks on real allele codes, for the autosomal and X-linked routes.
#include "nolinkage/mendel.h"

#include <algorithm>
#include <array>
#include <set>
#include <vector>

namespace {

using Genotype = std::array<long, 2>;

Genotype genotypeOf(const PedTable& table, const FamilyMembers& fam, int position, int column) {
  const PedRow row = table[fam.members[position]];
  return {row[column], row[column + 1]};
}

bool carries(const Genotype& g, long allele) { return g[0] == allele || g[1] == allele; }

// The alleles a child may have received from its mother, given that it got
// its father's allele `father` (a daughter), or every allele for a son.
std::vector<long> maternalOptions(const Genotype& child, long father, bool daughter) {
  std::vector<long> options;
  if (!daughter) {
    options.push_back(child[0]);
    return options;
  }
  if (child[0] == father) {
    options.push_back(child[1]);
  }
  if (child[1] == father && child[1] != child[0]) {
    options.push_back(child[0]);
  }
  return options;
}

bool hitsAll(const std::vector<std::vector<long>>& options, long a, long b) {
  for (const auto& opt : options) {
    if (std::find(opt.begin(), opt.end(), a) == opt.end() &&
        std::find(opt.begin(), opt.end(), b) == opt.end()) {
      return false;
    }
  }
  return true;
}

// Whether some mother (her own genotype when typed, else any two alleles)
// holds one allele of every child's list of maternal options.
bool motherExplains(const std::vector<std::vector<long>>& options, const Genotype* mother) {
  if (mother != nullptr) {
    return hitsAll(options, (*mother)[0], (*mother)[1]);
  }
  if (options.empty()) {
    return true;
  }
  for (long a : options.front()) {
    // The children without a need a second allele they all share.
    const auto missing = std::find_if(options.begin(), options.end(), [a](const std::vector<long>& opt) {
      return std::find(opt.begin(), opt.end(), a) == opt.end();
    });
    if (missing == options.end()) {
      return true;
    }
    for (long b : *missing) {
      if (hitsAll(options, a, b)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool autosomalConsistent(const PedTable& table, const FamilyMembers& fam, int column) {
  // At most four distinct codes (negative ones count too); a fifth ends the count.
  long shown[5];
  std::size_t distinct = 0;
  for (std::size_t i = 0; i < fam.members.size() && distinct <= 4; ++i) {
    const Genotype g = genotypeOf(table, fam, static_cast<int>(i), column);
    for (long code : g) {
      if (distinct <= 4 && std::find(shown, shown + distinct, code) == shown + distinct) {
        shown[distinct++] = code;
      }
    }
  }
  if (distinct > 4) {
    return false;
  }
  for (int c : fam.children) {
    const Genotype child = genotypeOf(table, fam, c, column);
    if (fam.parents.size() == 2) {
      const Genotype p = genotypeOf(table, fam, fam.parents[0], column);
      const Genotype q = genotypeOf(table, fam, fam.parents[1], column);
      const bool oneEach =
          (carries(p, child[0]) && carries(q, child[1])) || (carries(p, child[1]) && carries(q, child[0]));
      if (!oneEach) {
        return false;
      }
    } else if (fam.parents.size() == 1) {
      const Genotype p = genotypeOf(table, fam, fam.parents[0], column);
      if (!carries(p, child[0]) && !carries(p, child[1])) {
        return false;
      }
    }
  }
  return true;
}

bool xlinkedConsistent(const PedTable& table, const FamilyMembers& fam, int column) {
  // A son has one X chromosome, written as two equal alleles; so has a father.
  for (int s : fam.sons) {
    const Genotype g = genotypeOf(table, fam, s, column);
    if (g[0] != g[1]) {
      return false;
    }
  }
  std::vector<long> fatherAlleles;
  if (fam.fatherPos != -1) {
    const Genotype f = genotypeOf(table, fam, fam.fatherPos, column);
    if (f[0] != f[1]) {
      return false;
    }
    fatherAlleles.push_back(f[0]);
  } else if (!fam.daughters.empty()) {
    // An untyped father gave every daughter the same allele: one of the first daughter's.
    const Genotype d = genotypeOf(table, fam, fam.daughters.front(), column);
    fatherAlleles = {d[0], d[1]};
  } else {
    fatherAlleles.push_back(0);  // without daughters his allele explains nothing
  }
  Genotype mother{0, 0};
  const Genotype* typedMother = nullptr;
  if (fam.motherPos != -1) {
    mother = genotypeOf(table, fam, fam.motherPos, column);
    typedMother = &mother;
  }
  for (long father : fatherAlleles) {
    std::vector<std::vector<long>> options;
    bool possible = true;
    for (int d : fam.daughters) {
      options.push_back(maternalOptions(genotypeOf(table, fam, d, column), father, true));
      possible = possible && !options.back().empty();
    }
    for (int s : fam.sons) {
      options.push_back(maternalOptions(genotypeOf(table, fam, s, column), father, false));
    }
    if (possible && motherExplains(options, typedMother)) {
      return true;
    }
  }
  return false;
}
