// Fuzz target: PLINK text fileset, input cut into .map @@@@ .ped.
#include "fuzzinput.h"
#include "io/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto paths = fuzz::writeParts(data, size, {".map", ".ped"});
  fuzz::readAll([&] { return io::openPlinkText(paths[1], paths[0]); });
  return 0;
}
