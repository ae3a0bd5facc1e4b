// Family statistic: over the genotyped children, affection code times the
// genotype score of the child's copies of the tested allele.
#pragma once

#include <vector>

#include "family/codings.h"

// Score of x copies of the tested allele: additive x, dominant 1 if x >= 1,
// recessive 1 if x = 2 (any model code other than 2 and 3 scores additively).
int genotypeScore(int copies, int model);

// X-linked score of a child of sex `sex`: a son (one X, written as two equal
// alleles) scores 1 exactly when he carries the tested allele, under every
// model; a daughter scores like an autosomal child; any other sex scores 0.
int xlinkedScore(int copies, int sex, int model);

// The family statistic of the observed pairs (xlinked 0 autosomal, 1 X-linked).
double statistic(const AllelePairs& pairs, const std::vector<int>& affection,
                 const std::vector<int>& children, int model, const std::vector<int>& sexes,
                 int xlinked);
