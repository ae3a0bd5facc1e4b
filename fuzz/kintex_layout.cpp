// Fuzz target: kintex's own layout (marker-name header, integer lines).
#include "fuzzinput.h"
#include "io/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto paths = fuzz::writeParts(data, size, {".ped"});
  fuzz::readAll([&] { return io::openKintex(paths[0]); });
  return 0;
}
