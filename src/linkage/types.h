// Family types under "linkage, no association": the genotypes a nuclear
// family's children could have, numbered as allele-count columns.
#pragma once

#include <vector>

#include "family/codings.h"

// A nuclear family without genotyping errors shows at most four alleles, and
// four alleles form ten genotypes (four homozygous, six heterozygous).
constexpr int MaxFamilyAlleles = 4;
constexpr int MaxFamilyGenotypes = 10;

// The type of one nuclear family. Allele positions are 0-based places in the
// family's own allele list (ascending codes); a genotype is an unordered pair
// of positions (a, b), homozygous when a = b.
struct FamilyType2 {
  // [a][b] = 1 when genotype (a, b) is possible for a child, else 0; symmetric.
  int possible[MaxFamilyAlleles][MaxFamilyAlleles] = {};
  // Number of distinct genotypes among the genotyped children.
  short distinctChildGenotypes = 0;
  // Number of possible genotypes, i.e. of columns in use.
  int possibleCount = 0;
  // [allele position][genotype index]: copies of that allele in the genotype.
  int columns[MaxFamilyAlleles][MaxFamilyGenotypes] = {};
  // Per member position: the index of a child's genotype, -1 for a parent. A
  // child whose genotype is not possible gets no entry, so the list is then
  // shorter than the member list.
  std::vector<int> genotypeIndex;
  // Number of homozygous genotypes among the possible ones.
  int homozygousCount = 0;
  // Number of genotyped parents who are homozygous.
  int homozygousParents = 0;
};

// Decides which genotypes the family's children could have and stores them in
// type.possible (cleared first); sets type.distinctChildGenotypes.
// counts: the allele-count matrix of the members over familyAlleles (at most
// MaxFamilyAlleles entries). parents, children: member positions.
// childAlleles: the allele list of the genotyped children.
// With both parents genotyped the set is what their mating can produce;
// otherwise it is inferred from the children and the one typed parent, if any.
// A child with no listed allele is left out of the inference. A family of more
// than MaxFamilyAlleles alleles (a genotyping error) gets no possible genotype.
void type2(const AlleleMatrix& counts, const std::vector<int>& familyAlleles, const std::vector<int>& parents,
           const std::vector<int>& children, const std::vector<int>& childAlleles, FamilyType2& type);

// Numbers the genotypes marked in type.possible, in the order (0,0), (0,1),
// (1,1), (0,2), (1,2), (2,2), (0,3), ... and fills the rest of `type`
// (columns cleared and genotypeIndex emptied first). alleleCount <=
// MaxFamilyAlleles. Call after type2.
//   type2(counts, familyAlleles, parents, children, childAlleles, type);
//   params(type, counts, familyAlleles.size(), children, parents);
void params(FamilyType2& type, const AlleleMatrix& counts, int alleleCount, const std::vector<int>& children,
            const std::vector<int>& parents);
