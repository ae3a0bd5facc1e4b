// Fuzz target: kintex's own layout (marker-name header, integer lines). The
// same file read in parts side by side (tiny parts, several threads) must
// give what one reading gives: the same table, or the same first bad line.
#include <cstdlib>

#include "driver/pedfile.h"
#include "fuzzinput.h"
#include "io/readers.h"

namespace {

void readInPartsAsInOne(const std::string& path) {
  PedigreeFile whole;
  PedigreeFile parts;
  std::string wholeError;
  std::string partsError;
  const int wholeStatus = readPedigreeFile(path, whole, wholeError);
  const int partsStatus = readPedigreeFile(path, parts, partsError, 3, 16);
  const bool sameTable = whole.rows == parts.rows && whole.columns == parts.columns && whole.names == parts.names &&
                         whole.table == parts.table;
  if (wholeStatus != partsStatus || wholeError != partsError || !sameTable) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto paths = fuzz::writeParts(data, size, {".ped"});
  fuzz::readAll([&] { return io::openKintex(paths[0]); });
  readInPartsAsInOne(paths[0]);
  return 0;
}
