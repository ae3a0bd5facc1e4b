// PLINK binary fileset reader: .fam samples, .bim markers, .bed genotypes
// read one SNP-major block at a time.
#include <cstring>
#include <fstream>
#include <utility>

#include "io/readers.h"
#include "io/textfields.h"

namespace io {

namespace {

const unsigned char kMagic[3] = {0x6c, 0x1b, 0x01};

// A .bim marker and the codes of its A1 and A2 (0 for an allele written as missing).
struct BimMarker {
  MarkerInfo info;
  std::int32_t a1 = 0;
  std::int32_t a2 = 0;
};

// One .bim line: chromosome, name, centimorgans, position, A1, A2.
BimMarker bimMarker(const std::string& line, const std::string& file, long long lineNo) {
  const std::vector<std::string> fields = splitFields(line);
  if (fields.size() != 6) {
    throw InputError(lineError(file, lineNo, "expected 6 fields, found " + std::to_string(fields.size())));
  }
  BimMarker marker;
  MarkerInfo& info = marker.info;
  info.chrom = fields[0];
  info.name = fields[1];
  checkCentimorgans(fields[2], file, lineNo, 3);
  info.pos = parsePosition(fields[3], file, lineNo, 4);
  if (info.pos < 0) {
    throw InputError(fieldError(file, lineNo, 4, fields[3], "is not a valid position (negative)"));
  }
  if (fields[4] == fields[5] && !missingAllele(fields[4])) {
    throw InputError(fieldError(file, lineNo, 6, fields[5], "is the same allele as A1"));
  }
  AlleleCoder coder;
  marker.a1 = coder.code(fields[4]);
  marker.a2 = coder.code(fields[5]);
  info.alleles = coder.alleles();
  return marker;
}

// The next marker line of a .bim, skipping blank lines; false at the end.
bool nextBimMarker(LineReader& bim, BimMarker& marker) {
  std::string line;
  while (bim.next(line)) {
    if (!blankLine(line)) {
      marker = bimMarker(line, bim.path(), bim.lineNo());
      return true;
    }
  }
  return false;
}

class PlinkBinarySource : public GenotypeSource {
 public:
  PlinkBinarySource(const std::string& bedPath, const std::string& bimPath, const std::string& famPath)
      : samples_(readFam(famPath)), bim_(bimPath), bedPath_(bedPath) {
    markers_ = countMarkers(bimPath);
    bytesPerMarker_ = (samples_.size() + 3) / 4;
    openBed();
    block_.resize(bytesPerMarker_);
  }

  const std::vector<Sample>& samples() const override { return samples_; }
  std::size_t markerCount() const override { return markers_; }

  bool next(MarkerInfo& info, std::vector<std::int32_t>& codes) override {
    BimMarker marker;
    if (read_ == markers_ || !nextBimMarker(bim_, marker)) {
      return false;
    }
    if (!bed_.read(reinterpret_cast<char*>(block_.data()), static_cast<std::streamsize>(bytesPerMarker_))) {
      throw InputError(bedPath_ + ": ends early, at marker " + std::to_string(read_ + 1));
    }
    ++read_;
    decode(marker, codes);
    info = std::move(marker.info);
    return true;
  }

 private:
  // The whole .bim is checked before any genotype is read.
  static std::size_t countMarkers(const std::string& bimPath) {
    LineReader bim(bimPath);
    BimMarker marker;
    std::size_t count = 0;
    while (nextBimMarker(bim, marker)) {
      ++count;
    }
    if (count == 0) {
      throw InputError(bimPath + ": holds no markers");
    }
    return count;
  }

  void openBed() {
    bed_.open(bedPath_, std::ios::binary);
    if (!bed_) {
      throw InputError(bedPath_ + ": cannot be opened");
    }
    bed_.seekg(0, std::ios::end);
    const unsigned long long size = static_cast<unsigned long long>(bed_.tellg());
    bed_.seekg(0, std::ios::beg);
    unsigned char magic[3] = {0, 0, 0};
    bed_.read(reinterpret_cast<char*>(magic), 3);
    if (!bed_ || magic[0] != kMagic[0] || magic[1] != kMagic[1]) {
      throw InputError(bedPath_ + ": is not a PLINK .bed file (it does not start with bytes 6c 1b)");
    }
    if (magic[2] != kMagic[2]) {
      throw InputError(bedPath_ + ": is not in SNP-major order (third byte is not 01); only SNP-major .bed files are read");
    }
    const unsigned long long expected = 3ULL + static_cast<unsigned long long>(markers_) * bytesPerMarker_;
    if (size != expected) {
      throw InputError(bedPath_ + ": holds " + std::to_string(size) + " bytes where " +
                       std::to_string(markers_) + " markers of " + std::to_string(samples_.size()) +
                       " individuals need " + std::to_string(expected) +
                       " (do the .bim and .fam belong to this .bed?)");
    }
  }

  // Two bits per sample, the first sample in the lowest bits of each byte:
  // 00 homozygous A1, 01 missing, 10 heterozygous, 11 homozygous A2.
  // An allele the .bim writes as missing has code 0, so its calls are missing.
  void decode(const BimMarker& marker, std::vector<std::int32_t>& codes) const {
    const std::int32_t a1 = marker.a1;
    const std::int32_t a2 = marker.a2;
    const std::int32_t pairs[4][2] = {{a1, a1}, {0, 0}, {a1, a2}, {a2, a2}};
    const std::size_t n = samples_.size();
    codes.resize(2 * n);
    std::int32_t* out = codes.data();
    // A whole byte (four samples) at a time, then the last byte's samples.
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
      const unsigned byte = block_[i / 4];
      for (unsigned j = 0; j < 4; ++j) {
        std::memcpy(out + 2 * (i + j), pairs[(byte >> (2 * j)) & 3], sizeof pairs[0]);
      }
    }
    for (; i < n; ++i) {
      std::memcpy(out + 2 * i, pairs[(block_[i / 4] >> (2 * (i % 4))) & 3], sizeof pairs[0]);
    }
  }

  std::vector<Sample> samples_;
  LineReader bim_;
  std::string bedPath_;
  std::ifstream bed_;
  std::size_t markers_ = 0;
  std::size_t bytesPerMarker_ = 0;
  std::size_t read_ = 0;
  std::vector<unsigned char> block_;
};

}  // namespace

std::unique_ptr<GenotypeSource> openPlinkBinary(const std::string& bedPath, const std::string& bimPath,
                                                const std::string& famPath) {
  return std::make_unique<PlinkBinarySource>(bedPath, bimPath, famPath);
}

}  // namespace io
