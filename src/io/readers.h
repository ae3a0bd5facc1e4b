// One reader per input format, each delivering the same GenotypeSource.
// Every factory reads and checks the pedigree and the marker list before it
// returns, and throws InputError (see study.h) on the first problem.
#pragma once

#include <memory>
#include <string>

#include "io/study.h"

namespace io {

// PLINK binary fileset. The .fam gives the samples (see pedigreeColumns in
// textfields.h for the codes), the .bim the markers (6 fields: chromosome,
// name, centimorgans, position, allele A1, allele A2), the .bed the genotypes,
// SNP-major, read one marker at a time. Alleles are listed A1 then A2; an
// allele written "0" or "." in the .bim is not listed, and calls of it are
// missing. Checked up front: the magic number 0x6c 0x1b 0x01 and that the
// .bed holds exactly 3 + markers x ceil(samples / 4) bytes.
std::unique_ptr<GenotypeSource> openPlinkBinary(const std::string& bedPath, const std::string& bimPath,
                                                const std::string& famPath);

// PLINK text fileset. The .ped has no header: the six .fam columns, then two
// alleles per marker of the .map (any strings; "0" and "." are missing). The
// .map has exactly 4 fields per line: chromosome, name, centimorgans,
// position; a negative position marks a marker to leave out (as PLINK does),
// its columns in the .ped are skipped. Alleles are listed per marker in the
// order they first appear in the .ped. The whole .ped is loaded.
std::unique_ptr<GenotypeSource> openPlinkText(const std::string& pedPath, const std::string& mapPath);

// VCF or BCF (plain, gzip or bgzip; read through htslib) with the pedigree
// from a PLINK .fam. Genotypes come from GT: allele 0 (REF) gets code 1, ALT
// k gets code k + 1, so alleles are REF, ALT1, ALT2, ...; '.' is missing; a
// haploid call (a man's X) is written as two equal alleles; a call of more
// than two alleles is an error; a record without GT has every call missing.
// A VCF sample is the .fam individual with that individual id; when
// individual ids repeat across families, a sample named FAMILY_ID (PLINK's
// export form) is matched too. A VCF sample that is not in the .fam is an
// error; a .fam individual without a VCF column is an ungenotyped member of
// the pedigree (useful for untyped parents). A record with ID '.' is named
// CHROM:POS. The file is read through once on opening, to check every record
// and count them, so that a bad record is reported before anything is
// analysed. Lines of a VCF are counted as in the file (header included); a
// BCF's records as "record n". htslib's own messages are silenced (its log
// level is set to off): problems come back as InputError.
std::unique_ptr<GenotypeSource> openVcf(const std::string& vcfPath, const std::string& famPath);

// kintex's own layout: a header line of marker names, then one line of
// integers per individual, read and checked by the classic reader (with its
// messages, "value" for field). Ids and alleles become their decimal strings;
// each marker lists the distinct non-zero codes that occur, in ascending
// numeric order. Sex other than 1 or 2 and affection other than 1 or 2 are
// unknown (0), as the classic tests treat them. Chromosome "NA", position -1.
std::unique_ptr<GenotypeSource> openKintex(const std::string& path);

}  // namespace io
