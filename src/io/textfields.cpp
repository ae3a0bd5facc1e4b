// Shared pieces of the text readers: numbered lines, fields, error wording,
// the pedigree columns of .fam and .ped files.
#include "io/textfields.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace io {

namespace {

bool separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Whether the token is the one character c.
bool isChar(const std::string& token, char c) { return token.size() == 1 && token[0] == c; }

// PLINK's unknown codes for sex and phenotype.
bool unknownCode(const std::string& token) { return isChar(token, '0') || token == "-9"; }

}  // namespace

std::string shorten(const std::string& token) {
  const std::size_t limit = 40;
  std::string out = token.size() > limit ? token.substr(0, limit) : token;
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      c = '?';
    }
  }
  return token.size() > limit ? out + "..." : out;
}

std::string lineError(const std::string& file, long long line, const std::string& what) {
  return file + " line " + std::to_string(line) + ": " + what;
}

std::string fieldError(const std::string& file, long long line, std::size_t field, const std::string& token,
                       const std::string& what) {
  return file + " line " + std::to_string(line) + ", field " + std::to_string(field) + ": '" +
         shorten(token) + "' " + what;
}

LineReader::LineReader(const std::string& path) : path_(path), in_(path, std::ios::binary) {
  if (!in_) {
    throw InputError(path + ": cannot be opened");
  }
}

bool LineReader::next(std::string& line) {
  if (!std::getline(in_, line)) {
    return false;
  }
  ++lineNo_;
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return true;
}

std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> fields;
  fields.reserve(8);  // a .fam line has six, a .bim line six
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && separator(line[i])) {
      ++i;
    }
    const std::size_t start = i;
    while (i < line.size() && !separator(line[i])) {
      ++i;
    }
    if (i > start) {
      fields.emplace_back(line, start, i - start);
    }
  }
  return fields;
}

bool blankLine(const std::string& line) {
  for (char c : line) {
    if (!separator(c)) {
      return false;
    }
  }
  return true;
}

Sample pedigreeColumns(const std::vector<std::string>& fields, const std::string& file, long long line) {
  Sample s;
  s.family = fields[0];
  s.id = fields[1];
  s.father = fields[2];
  s.mother = fields[3];
  const std::string& sex = fields[4];
  if (isChar(sex, '1') || isChar(sex, '2')) {
    s.sex = sex[0] - '0';
  } else if (!unknownCode(sex)) {
    throw InputError(fieldError(file, line, 5, sex, "is not a valid sex (1 male, 2 female, 0 unknown)"));
  }
  const std::string& phenotype = fields[5];
  if (isChar(phenotype, '1') || isChar(phenotype, '2')) {
    s.affection = phenotype[0] - '0';
  } else if (!unknownCode(phenotype)) {
    throw InputError(fieldError(file, line, 6, phenotype,
                                "is not an affection status (2 affected, 1 unaffected, 0 or -9 unknown)"));
  }
  return s;
}

std::vector<Sample> readFam(const std::string& path) {
  LineReader reader(path);
  std::vector<Sample> samples;
  // A line takes at least 12 bytes ("f i 0 0 0 0" and its line feed): room
  // for every sample at once, never moved.
  std::error_code size_error;
  const auto bytes = std::filesystem::file_size(path, size_error);
  samples.reserve(size_error ? 1024 : static_cast<std::size_t>(bytes / 12 + 1));
  std::string line;
  while (reader.next(line)) {
    if (blankLine(line)) {
      continue;
    }
    const std::vector<std::string> fields = splitFields(line);
    if (fields.size() != 6) {
      throw InputError(lineError(path, reader.lineNo(),
                                 "expected 6 fields, found " + std::to_string(fields.size())));
    }
    samples.push_back(pedigreeColumns(fields, path, reader.lineNo()));
  }
  if (samples.empty()) {
    throw InputError(path + ": holds no individuals");
  }
  return samples;
}

long long parsePosition(const std::string& token, const std::string& file, long long line, std::size_t field) {
  std::size_t i = (token[0] == '-' || token[0] == '+') ? 1 : 0;
  bool digits = i < token.size();
  for (std::size_t k = i; k < token.size(); ++k) {
    digits = digits && token[k] >= '0' && token[k] <= '9';
  }
  if (!digits) {
    throw InputError(fieldError(file, line, field, token, "is not a valid position"));
  }
  errno = 0;
  const long long value = std::strtoll(token.c_str(), nullptr, 10);
  if (errno == ERANGE) {
    throw InputError(fieldError(file, line, field, token, "is out of range"));
  }
  return value;
}

void checkCentimorgans(const std::string& token, const std::string& file, long long line, std::size_t field) {
  char* end = nullptr;
  std::strtod(token.c_str(), &end);
  if (end != token.c_str() + token.size()) {
    throw InputError(fieldError(file, line, field, token, "is not a genetic distance (a number)"));
  }
}

bool missingAllele(const std::string& allele) { return allele == "0" || allele == "."; }

std::int32_t AlleleCoder::code(const std::string& allele) {
  if (missingAllele(allele)) {
    return 0;
  }
  for (std::size_t i = 0; i < alleles_.size(); ++i) {
    if (alleles_[i] == allele) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  alleles_.push_back(allele);
  return static_cast<std::int32_t>(alleles_.size());
}

}  // namespace io
