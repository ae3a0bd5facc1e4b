// Mendelian checks on real allele codes, for the autosomal and X-linked routes.
#include "nolinkage/mendel.h"

#include <algorithm>
#include <array>
#include <set>
#include <vector>

namespace {

using Genotype = std::array<long, 2>;

Genotype genotypeOf(const GenotypedMember& member) { return {member.a, member.b}; }

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

bool autosomalConsistent(const MarkerFamilies& marker, const FamilyAtMarker& fam) {
  const GenotypedMember* members = marker.membersOf(fam);
  // At most four distinct codes (negative ones count too); a fifth ends the count.
  long shown[5];
  std::size_t distinct = fam.negativeCodes ? 0 : fam.alleleCount;
  for (std::uint32_t i = 0; i < fam.size && fam.negativeCodes && distinct <= 4; ++i) {
    for (long code : genotypeOf(members[i])) {
      if (distinct <= 4 && std::find(shown, shown + distinct, code) == shown + distinct) {
        shown[distinct++] = code;
      }
    }
  }
  if (distinct > 4) {
    return false;
  }
  // The genotyped parents, in member order.
  const GenotypedMember* parents[2] = {nullptr, nullptr};
  for (std::uint32_t i = 0, found = 0; i < fam.size && found < 2; ++i) {
    if (members[i].parent) {
      parents[found++] = &members[i];
    }
  }
  for (std::uint32_t c = 0; c < fam.size; ++c) {
    if (members[c].parent) {
      continue;
    }
    const Genotype child = genotypeOf(members[c]);
    if (fam.parents == 2) {
      const Genotype p = genotypeOf(*parents[0]);
      const Genotype q = genotypeOf(*parents[1]);
      const bool oneEach =
          (carries(p, child[0]) && carries(q, child[1])) || (carries(p, child[1]) && carries(q, child[0]));
      if (!oneEach) {
        return false;
      }
    } else if (fam.parents == 1) {
      const Genotype p = genotypeOf(*parents[0]);
      if (!carries(p, child[0]) && !carries(p, child[1])) {
        return false;
      }
    }
  }
  return true;
}

bool xlinkedConsistent(const MarkerFamilies& marker, const FamilyAtMarker& fam) {
  const GenotypedMember* members = marker.membersOf(fam);
  auto isSon = [&](std::uint32_t i) { return !members[i].parent && members[i].sex != 2; };
  auto isDaughter = [&](std::uint32_t i) { return !members[i].parent && members[i].sex == 2; };
  // A son has one X chromosome, written as two equal alleles; so has a father.
  for (std::uint32_t s = 0; s < fam.size; ++s) {
    if (isSon(s) && members[s].a != members[s].b) {
      return false;
    }
  }
  std::uint32_t firstDaughter = 0;
  while (firstDaughter < fam.size && !isDaughter(firstDaughter)) {
    ++firstDaughter;
  }
  std::vector<long> fatherAlleles;
  if (fam.fatherPos != -1) {
    const Genotype f = genotypeOf(members[fam.fatherPos]);
    if (f[0] != f[1]) {
      return false;
    }
    fatherAlleles.push_back(f[0]);
  } else if (firstDaughter < fam.size) {
    // An untyped father gave every daughter the same allele: one of the first daughter's.
    const Genotype d = genotypeOf(members[firstDaughter]);
    fatherAlleles = {d[0], d[1]};
  } else {
    fatherAlleles.push_back(0);  // without daughters his allele explains nothing
  }
  Genotype mother{0, 0};
  const Genotype* typedMother = nullptr;
  if (fam.motherPos != -1) {
    mother = genotypeOf(members[fam.motherPos]);
    typedMother = &mother;
  }
  for (long father : fatherAlleles) {
    std::vector<std::vector<long>> options;
    bool possible = true;
    for (std::uint32_t d = 0; d < fam.size; ++d) {
      if (isDaughter(d)) {
        options.push_back(maternalOptions(genotypeOf(members[d]), father, true));
        possible = possible && !options.back().empty();
      }
    }
    for (std::uint32_t s = 0; s < fam.size; ++s) {
      if (isSon(s)) {
        options.push_back(maternalOptions(genotypeOf(members[s]), father, false));
      }
    }
    if (possible && motherExplains(options, typedMother)) {
      return true;
    }
  }
  return false;
}
