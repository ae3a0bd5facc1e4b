// Fuzz target: VCF (plain text or compressed, or BCF) with its pedigree,
// input cut into .fam @@@@ .vcf.
#include "fuzzinput.h"
#include "io/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto paths = fuzz::writeParts(data, size, {".fam", ".vcf"});
  fuzz::readAll([&] { return io::openVcf(paths[1], paths[0]); });
  return 0;
}
