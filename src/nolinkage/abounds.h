// Autosomal configuration bounds: the genotypes a family's children can carry
// (class 0 the tested allele, class 1 every other allele), the range of the
// children's total copies per class, and the node lists of the family's network.
#pragma once

#include <array>
#include <vector>

#include "family/codings.h"

// Entry [i][j] = 1 when a child can carry one allele of class i and one of
// class j (symmetric). Only classes 0 and 1 are ever set; the caller clears it.
using GenotypeMatrix = std::array<std::array<int, 4>, 4>;

// The five node lists, one entry per node in creation order: the node's stage
// (0 the root, j after the first j children are placed, nkids + 1 the end
// node), its key (copies of class 0 and of class 1 placed so far) and whether
// a child so far is homozygous for the first and the second homozygous class
// (see countHomozygote).
// The X-linked network fills only `stage` and `key0`.
struct NodeLists {
  std::vector<int> stage;
  std::vector<int> key0;
  std::vector<int> key1;
  std::vector<int> hom0;
  std::vector<int> hom1;
};

// Fills the matrix: with both parents genotyped, the genotypes their alleles
// can combine to; otherwise the genotypes the children show, plus a
// heterozygote carrying each class of homClasses (classes some child is
// homozygous for).
void TypeG(const AllelePairs& pairs, GenotypeMatrix& matrix, const std::vector<int>& parents,
           const std::vector<int>& children, const std::vector<int>& homClasses);

// homClasses (empty on entry): class 0 and/or 1 when some child is homozygous
// for it, ascending. Then the matrix, and per class 0..3 the fewest
// (minCopies, 1 exactly when every possible genotype contains the class) and
// most (maxCopies) copies of the class in a possible genotype.
void minmaxA(const AllelePairs& pairs, std::vector<int>& minCopies, std::vector<int>& maxCopies,
             const std::vector<int>& parents, const std::vector<int>& children, GenotypeMatrix& matrix,
             std::vector<int>& homClasses);

// Range of the children's total copies per class (low and high totals, 4
// entries, only 0 and 1 meaningful): with both parents genotyped what n
// children can carry; otherwise narrowed by what the children show.
// distinctAlleles is the number of distinct alleles among the family's members.
void minmaxm(const std::vector<int>& minCopies, const std::vector<int>& maxCopies, std::vector<int>& low,
             std::vector<int>& high, const AllelePairs& pairs, const std::vector<int>& children,
             const std::vector<int>& parents, int distinctAlleles, const std::vector<int>& homClasses,
             const GenotypeMatrix& matrix);

// Whether a node of stage j with key c and counters (h0, h1), reached from a
// node with key w, is admissible: the child's genotype c - w must be possible
// and, with a parent untyped, the configuration must still be able to show the
// homozygotes and totals the children show. transitions is nkids + 1, so the
// last child's stage is transitions - 1. Returns 1 or 0.
int OK(const std::array<int, 2>& w, const std::array<int, 2>& c, const GenotypeMatrix& matrix, int h0, int h1,
       const std::vector<int>& homClasses, int j, int transitions, const std::vector<int>& high,
       const std::vector<int>& low, const std::vector<int>& maxCopies, const std::vector<int>& parents);

// A child's step adds d[c] copies of class c. With a parent untyped the network
// must know whether some child so far is homozygous for the first (h0) and the
// second (h1) homozygous class; it needs no more than that (1 means "at least
// one"), so the counters stay at 0 or 1 and a large sibship keeps few nodes
// per stage. With both parents typed no step depends on them: they stay 0.
void countHomozygote(const std::vector<int>& homClasses, const int* d, const std::vector<int>& parents, int& h0,
                     int& h1);

// Appends the network's nodes to `nodes` (seeded by the caller with the root:
// stage 0, key (0, 0), counters (0, 0)), stage by stage, each child adding
// two allele copies; the last node is the end node (stage nkids + 1, key
// (high[0], high[1])).
void buildG(const std::vector<int>& low, const std::vector<int>& high, int nkids, NodeLists& nodes,
            const std::vector<int>& minCopies, const std::vector<int>& maxCopies,
            const std::vector<int>& homClasses, const GenotypeMatrix& matrix,
            const std::vector<int>& parents);
