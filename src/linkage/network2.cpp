// Autosomal test under "linkage, no association": family types, mirror
// values, and the study's distribution of the families' equally likely values.
#include "linkage/network2.h"

#include <algorithm>
#include <cmath>

#include "family/codings.h"
#include "network/studysum.h"
#include "linkage/stat2.h"
#include "linkage/types.h"

namespace {

// The lists of one family, kept between families so that their storage is
// reused; every entry is rewritten for each family.
struct FamilyScratch {
  std::vector<int> familyAlleles;
  std::vector<int> childRows;
  std::vector<int> childAlleles;
  AlleleMatrix counts;
  FamilyType2 type;
  std::vector<int> values;
};

// Running totals of one analysis.
struct Totals {
  double S = 0.0;                // observed statistic, as printed
  double pvalueStatistic = 0.0;  // what the p-value compares with the distribution
};

// Codes the family and decides its type. Returns the position of the tested
// allele in the family's allele list, or -1 when the family cannot be
// informative: it does not carry the tested allele, shows a single allele,
// has one genotyped child and at most one genotyped parent, or shows a
// genotyping error (more than four alleles, or a child whose genotype the
// family cannot produce). All of these are decided before any random draw.
int typeFamily(const MarkerFamilies& marker, const FamilyAtMarker& at, int alleleCode, const FamilyMembers& fam,
               FamilyScratch& x) {
  const PedTable& table = *marker.table;
  const int column = marker.column;
  const int* familyAlleles = marker.alleles.data() + at.allelesFirst;
  x.familyAlleles.assign(familyAlleles, familyAlleles + at.alleleCount);
  if (x.familyAlleles.size() == 1) {
    return -1;
  }
  x.childRows.clear();
  for (int c : fam.children) {
    x.childRows.push_back(fam.members[c]);
  }
  x.childAlleles.clear();
  countAlleles(table, x.childAlleles, x.childRows, column);
  alleles(x.counts, fam.members, x.familyAlleles, table, column);

  const int alleleCount = static_cast<int>(x.familyAlleles.size());
  const bool fitsTables = alleleCount <= MaxFamilyAlleles;
  if (fitsTables) {
    type2(x.counts, x.familyAlleles, fam.parents, fam.children, x.childAlleles, x.type);
    params(x.type, x.counts, alleleCount, fam.children, fam.parents);
  }
  const auto found = std::find(x.familyAlleles.begin(), x.familyAlleles.end(), alleleCode);
  const int k = found == x.familyAlleles.end() ? -1 : static_cast<int>(found - x.familyAlleles.begin());
  const bool everyChildPossible = fitsTables && x.type.genotypeIndex.size() == fam.members.size();
  if (k == -1 || !everyChildPossible || (fam.children.size() == 1 && fam.parents.size() <= 1)) {
    return -1;
  }
  return k;
}

// Fills x.values with the family's equally likely statistics (empty or a
// single entry when it is not informative) and adds its share to the totals.
// A sibship without variation as a whole, at most one typed parent who is not
// homozygous and two possible genotypes is reduced to one informative pair of
// children drawn at random: S takes that pair's statistic, the p-value
// statistic the mean over all informative pairs.
// Whether a family whose stat2 found no variation goes on to the pair search.
bool searchesPairs(const FamilyMembers& fam, const FamilyScratch& x) {
  return x.values.size() <= 1 && fam.children.size() > 2 && fam.parents.size() <= 1 &&
         x.type.homozygousParents == 0 && x.type.possibleCount == 2;
}

void familyValues(FamilyMembers& fam, FamilyScratch& x, int model, int k, Totals& totals) {
  const int alleleCount = static_cast<int>(x.familyAlleles.size());
  x.values.clear();
  const double T =
      stat2(fam.affection, x.counts, fam.children, model, alleleCount, k, x.values, x.type, fam.parents);
  totals.S = totals.S + T;
  totals.pvalueStatistic = totals.pvalueStatistic + T;
  if (searchesPairs(fam, x)) {
    x.values.clear();
    double pairAverage = 0.0;
    const short chosen = moreinf(fam.affection, x.counts, fam.children, model, alleleCount, k, x.values,
                                 x.type, fam.parents, pairAverage);
    x.values.clear();
    if (chosen == 1) {
      totals.S = totals.S + stat2(fam.affection, x.counts, fam.children, model, alleleCount, k, x.values,
                                  x.type, fam.parents);
      totals.pvalueStatistic = totals.pvalueStatistic + pairAverage;
    }
  }
}

// Walks the families of the marker with their members in the plain form;
// visit(f, k) gets each family that may be informative, typed, with the
// position k of the tested allele in its allele list.
template <class Visit>
int walkTyped(const MarkerFamilies& marker, int alleleCode, FamilyMembers& fam, FamilyScratch& x, Visit visit) {
  return forEachFamily(marker, [&](std::size_t f, const FamilyAtMarker& at) {
    fillMembers(marker, f, fam);
    const int k = typeFamily(marker, at, alleleCode, fam, x);
    return k != -1 && visit(f, k);
  });
}

}  // namespace

std::uint64_t network2Draws(const MarkerFamilies& marker, int model, int alleleCode) {
  std::uint64_t draws = 0;
  FamilyScratch x;
  FamilyMembers fam;
  walkTyped(marker, alleleCode, fam, x, [&](std::size_t, int k) {
    const int alleleCount = static_cast<int>(x.familyAlleles.size());
    x.values.clear();
    stat2(fam.affection, x.counts, fam.children, model, alleleCount, k, x.values, x.type, fam.parents);
    if (searchesPairs(fam, x)) {
      x.values.clear();
      if (drawsForPair(fam.affection, x.counts, fam.children, model, alleleCount, k, x.values, x.type,
                       fam.parents)) {
        ++draws;
      }
    }
    return false;
  });
  return draws;
}

AnalysisResult network2(const MarkerFamilies& marker, int model, int alleleCode, bool listFamilies) {
  Totals totals;
  AnalysisResult result;
  const FamilyList& families = *marker.list;
  StudySum sum;
  FamilyDist dist;
  FamilyScratch x;
  FamilyMembers fam;
  const int uninformative = walkTyped(marker, alleleCode, fam, x, [&](std::size_t f, int k) {
    familyValues(fam, x, model, k, totals);
    if (x.values.size() <= 1) {
      return false;
    }
    if (listFamilies) {
      result.informativeFamilies.push_back(
          {families.pedIds[f], families.fatherIds[f], families.motherIds[f]});
    }
    equallyLikely(x.values, dist);
    sum.add(dist, 1);
    return true;
  });

  const StudyResult study = sum.finish(totals.pvalueStatistic);
  setNumbers(result, static_cast<int>(families.pedIds.size()) - uninformative, totals.S, study.expected,
             study.variance, study.p);
  return result;
}

AnalysisResult network2(const PedTable& table, const FamilyList& families, int m, int model, int alleleCode) {
  MarkerFamilies marker;
  prepareMarker(table, families, 2 * m + 4, FamilyForm::Plain, marker);
  return network2(marker, model, alleleCode);
}

std::uint64_t network2Draws(const PedTable& table, const FamilyList& families, int m, int model, int alleleCode) {
  MarkerFamilies marker;
  prepareMarker(table, families, 2 * m + 4, FamilyForm::Plain, marker);
  return network2Draws(marker, model, alleleCode);
}
