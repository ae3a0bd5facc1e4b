// Fuzz target: PLINK binary fileset, input cut into .fam @@@@ .bim @@@@ .bed.
#include "fuzzinput.h"
#include "io/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto paths = fuzz::writeParts(data, size, {".fam", ".bim", ".bed"});
  fuzz::readAll([&] { return io::openPlinkBinary(paths[2], paths[1], paths[0]); });
  return 0;
}
