// Mendelian checks on a family's real allele codes. The two-class pair coding
// lumps every allele other than the tested one, so it cannot see a child who
// carries an allele that neither parent has.
#pragma once

#include "family/markerfamilies.h"

// Autosomal: with two genotyped parents every genotyped child carries one
// allele of each; with one, every child carries one of that parent's alleles;
// and the members show at most four distinct alleles.
bool autosomalConsistent(const MarkerFamilies& marker, const FamilyAtMarker& family);

// X-linked: some father allele and some mother genotype explain every child (a
// daughter carries the father's single allele and one of the mother's two; a
// son, written as two equal alleles, carries one of the mother's). A genotyped
// father must be written as two equal alleles; an untyped parent may carry any
// allele, seen in the family or not.
// The marker must be prepared in the sex-aware form (sons and daughters known).
bool xlinkedConsistent(const MarkerFamilies& marker, const FamilyAtMarker& family);
