// Shared by the reader fuzz targets: the fuzz input split into files, and the
// reading loop that checks what a reader delivers.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "io/study.h"

namespace fuzz {

// Multi-file formats take one input cut at each "@@@@" into their files in
// order; missing parts are empty files, a surplus stays in the last file.
inline std::vector<std::string> writeParts(const std::uint8_t* data, std::size_t size,
                                           const std::vector<std::string>& suffixes) {
  // One directory per process, removed at exit; memory-backed when the
  // machine has /dev/shm, since every run writes its files.
  struct TempDir {
    std::string path;
    TempDir() {
      char name[] = "/dev/shm/kintex-fuzz-XXXXXX";
      if (access("/dev/shm", W_OK) != 0) {
        std::snprintf(name, sizeof name, "%s", "/tmp/kintex-fuzz-XXXXXX");
      }
      if (mkdtemp(name) == nullptr) {
        std::abort();
      }
      path = name;
    }
    ~TempDir() { std::filesystem::remove_all(path); }
  };
  static const TempDir temp;
  const std::string& dir = temp.path;
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> paths;
  std::size_t start = 0;
  for (std::size_t k = 0; k < suffixes.size(); ++k) {
    std::size_t end = k + 1 < suffixes.size() ? input.find("@@@@", start) : std::string::npos;
    const std::string part = start <= input.size() ? input.substr(start, end == std::string::npos ? end : end - start) : "";
    start = end == std::string::npos ? input.size() + 1 : end + 4;
    paths.push_back(dir + "/input" + suffixes[k]);
    std::ofstream(paths.back(), std::ios::binary | std::ios::trunc) << part;
  }
  return paths;
}

// Reads every marker; a reader may reject the input with InputError, but
// whatever it delivers must hold together.
template <class Open>
void readAll(Open open) {
  try {
    std::unique_ptr<io::GenotypeSource> source = open();
    const std::size_t samples = source->samples().size();
    io::MarkerInfo info;
    std::vector<std::int32_t> codes;
    std::size_t markers = 0;
    while (source->next(info, codes)) {
      ++markers;
      if (codes.size() != 2 * samples) {
        std::abort();
      }
      for (std::int32_t c : codes) {
        if (c < 0 || static_cast<std::size_t>(c) > info.alleles.size()) {
          std::abort();
        }
      }
    }
    if (markers != source->markerCount()) {
      std::abort();
    }
  } catch (const io::InputError&) {
  }
}

}  // namespace fuzz
