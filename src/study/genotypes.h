// Genotypes of one marker into the pedigree table, and the checks made on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "family/pedtable.h"
#include "study/pedigree.h"

// Writes a marker's allele codes (two per sample, io's order) into marker
// slot m (1-based) of the table. On an X-linked marker a man has one X
// chromosome, so two different alleles are a genotyping error: his genotype
// is set missing, as the usual tools do, and his sample index is returned
// (in sample order) for the report.
std::vector<std::size_t> fillMarker(PedTable& table, int m, const std::vector<std::int32_t>& codes,
                                    const StudyPedigree& pedigree, bool xlinked);

// fillMarker in two steps, for many markers at a time: the men's
// heterozygous X genotypes set missing in `codes` (their sample indices
// returned), then the codes of markers first, first + 1, ... (slots,
// 1-based) written row by row: a row's cache lines are written once for all
// the markers, not once for each.
std::vector<std::size_t> clearHeterozygousMen(std::vector<std::int32_t>& codes, const StudyPedigree& pedigree,
                                              bool xlinked);
void fillMarkers(PedTable& table, int first, const std::vector<std::vector<std::int32_t>>& codes);

// The individuals of one nuclear family whose genotype at marker slot m no
// parents can explain, checked against the genotyped parents only: for an
// autosome a child needs one allele of each genotyped parent; on X a son
// needs one of his mother's, a daughter her father's allele and one of her
// mother's. Used to name the individuals of a family an analysis reported
// as incompatible; empty when the conflict shows only among siblings.
std::vector<std::string> mendelianConflicts(const PedTable& table, const StudyPedigree& pedigree,
                                            const FamilyId& family, int m, bool xlinked);
