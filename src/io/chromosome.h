// Which markers lie on the X chromosome outside its pseudo-autosomal regions.
#pragma once

#include <string>

namespace io {

// Reference builds differ in where the pseudo-autosomal regions of X lie.
enum class GenomeBuild { GRCh37, GRCh38 };

// True when a marker is X-linked: its chromosome is X, 23 or chrX (letters in
// any case) and its position lies outside both pseudo-autosomal regions of
// `build`. In those regions X and Y pair and cross over like autosomes, so a
// man carries two copies there. A position that is unknown (pos <= 0) counts
// as X-linked. XY, 25 and PAR (PLINK's codes for the pseudo-autosomal part),
// Y, MT and all other chromosomes are not X-linked.
//   GRCh37: PAR1 60,001-2,699,520;  PAR2 154,931,044-155,260,560
//   GRCh38: PAR1 10,001-2,781,479;  PAR2 155,701,383-156,030,895
bool isXChromosome(const std::string& chrom, long long pos, GenomeBuild build = GenomeBuild::GRCh37);

}  // namespace io
