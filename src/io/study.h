// The study as every input format delivers it: samples with their pedigree,
// and genotypes read one marker at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace io {

// One individual of the pedigree. Ids are strings as the file writes them;
// a parent who is not in the data (a founder's parents) is "0" whatever the
// format's own missing code.
struct Sample {
  std::string family;
  std::string id;
  std::string father;  // "0": not in the data
  std::string mother;  // "0": not in the data
  int sex = 0;         // 1 male, 2 female, 0 unknown
  int affection = 0;   // 2 affected, 1 unaffected, 0 unknown
};

// One marker. Allele code c (1-based) stands for alleles[c - 1]; code 0 is a
// missing allele. Each reader documents the order in which it lists alleles.
// pos <= 0 means the position is unknown (PLINK writes 0, kintex's own layout
// has no positions and gives -1).
struct MarkerInfo {
  std::string chrom;
  long long pos = -1;
  std::string name;
  std::vector<std::string> alleles;
};

// Every problem with the input files: a file that cannot be opened, a
// malformed line, files that disagree. The message names the file and, for a
// line, its physical (1-based) line number and field number, e.g.
//   study.fam line 3, field 5: 'x' is not a valid sex (1 male, 2 female, 0 unknown)
// It carries no "Error:" prefix: the caller decides how to show it.
class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

// markerCount() of a source that cannot know its length up front.
constexpr std::size_t kUnknownMarkerCount = std::numeric_limits<std::size_t>::max();

// Genotypes read marker by marker, in file order: the memory a source holds
// does not grow with the number of markers (the PLINK text reader is the
// exception, its .ped being sample-major; it holds 4 bytes per allele call).
//
//   std::unique_ptr<GenotypeSource> src = openPlinkBinary("s.bed", "s.bim", "s.fam");
//   MarkerInfo info; std::vector<std::int32_t> codes;
//   while (src->next(info, codes)) { /* codes[2 * i], codes[2 * i + 1]: sample i */ }
class GenotypeSource {
 public:
  virtual ~GenotypeSource() = default;
  // Every individual of the pedigree, in the pedigree file's order.
  virtual const std::vector<Sample>& samples() const = 0;
  // The number of markers next() will deliver.
  virtual std::size_t markerCount() const = 0;
  // Reads the next marker: `info` is overwritten, `codes` resized to
  // 2 x samples().size() and filled with the two allele codes of each sample
  // in samples() order (0 = missing; an individual with no genotype data,
  // such as a pedigree member absent from a VCF, has 0 0 everywhere).
  // Returns false after the last marker. Throws InputError on a bad line.
  virtual bool next(MarkerInfo& info, std::vector<std::int32_t>& codes) = 0;
};

}  // namespace io
