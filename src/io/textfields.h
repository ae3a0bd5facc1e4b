// Shared pieces of the text readers: numbered lines, fields, the wording of
// errors, and the pedigree columns that .fam and .ped files have in common.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "io/study.h"

namespace io {

// A bad value as shown in a message: at most 40 bytes (then "..."), control
// bytes shown as '?', so that a binary or huge token cannot flood the screen.
std::string shorten(const std::string& token);

// "<file> line <n>, field <i>: '<token>' <what>"; field is 1-based.
std::string fieldError(const std::string& file, long long line, std::size_t field, const std::string& token,
                       const std::string& what);

// "<file> line <n>: <what>"
std::string lineError(const std::string& file, long long line, const std::string& what);

// Reads a text file line by line, counting physical lines from 1 (blank lines
// included) and dropping a final CR, so that CRLF files read as LF files.
// The constructor throws InputError "<file>: cannot be opened" when it fails.
class LineReader {
 public:
  explicit LineReader(const std::string& path);
  // The next line; false at the end of the file.
  bool next(std::string& line);
  long long lineNo() const { return lineNo_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::ifstream in_;
  long long lineNo_ = 0;
};

// Fields separated by runs of blanks and tabs (PLINK text files).
std::vector<std::string> splitFields(const std::string& line);

// True when the line holds only blanks and tabs: such lines are skipped.
bool blankLine(const std::string& line);

// The six pedigree columns of a .fam line or the start of a .ped line:
// family, individual, father, mother, sex, phenotype. Sex 1 male, 2 female,
// 0 or -9 unknown; phenotype 2 affected, 1 unaffected, 0 or -9 unknown. A
// quantitative phenotype (any other value) is an error: the tests need an
// affection status. `fields` holds at least six entries.
Sample pedigreeColumns(const std::vector<std::string>& fields, const std::string& file, long long line);

// Every line of a PLINK .fam file (exactly six fields per line); throws
// InputError when the file is unreadable, malformed or holds nobody.
std::vector<Sample> readFam(const std::string& path);

// A base-pair position: an optionally signed decimal integer that fits 64
// bits. Throws InputError naming the field otherwise.
long long parsePosition(const std::string& token, const std::string& file, long long line, std::size_t field);

// A genetic distance in centimorgans (any decimal number); only checked.
void checkCentimorgans(const std::string& token, const std::string& file, long long line, std::size_t field);

// Allele codes of one marker in the order the alleles first appear; "0" and
// "." are a missing allele, code 0.
class AlleleCoder {
 public:
  std::int32_t code(const std::string& allele);
  const std::vector<std::string>& alleles() const { return alleles_; }

 private:
  std::vector<std::string> alleles_;
};

// True for the missing-allele tokens of the text formats.
bool missingAllele(const std::string& allele);

}  // namespace io
