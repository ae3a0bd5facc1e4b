// X chromosome and its pseudo-autosomal regions by reference build.
#include "io/chromosome.h"

#include <cctype>

namespace io {

namespace {

std::string lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

struct Region {
  long long first;
  long long last;
};

bool inside(long long pos, const Region& r) { return pos >= r.first && pos <= r.last; }

}  // namespace

bool isXChromosome(const std::string& chrom, long long pos, GenomeBuild build) {
  std::string name = lower(chrom);
  if (name.compare(0, 3, "chr") == 0) {
    name.erase(0, 3);
  }
  if (name != "x" && name != "23") {
    return false;
  }
  if (pos <= 0) {
    return true;
  }
  const Region par1 = build == GenomeBuild::GRCh37 ? Region{60001, 2699520} : Region{10001, 2781479};
  const Region par2 =
      build == GenomeBuild::GRCh37 ? Region{154931044, 155260560} : Region{155701383, 156030895};
  return !inside(pos, par1) && !inside(pos, par2);
}

}  // namespace io
