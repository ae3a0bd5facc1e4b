// Temporary output files renamed into place at the end of a run.
#include "driver/outputs.h"

#include <cstdio>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/stat.h>
#endif

bool OutputFiles::open(const std::vector<std::string>& paths, std::string& error) {
  paths_ = paths;
  streams_.resize(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    streams_[i].open(paths[i] + ".tmp", std::ios::out | std::ios::trunc | std::ios::binary);
    if (!streams_[i]) {
      error = paths[i] + ".tmp: cannot be created";
      return false;
    }
  }
  return true;
}

namespace {

// Puts the finished file `from` in place of `to`. Where a file of that name
// exists (a regular file), the two are swapped in one step and the old one removed after:
// renaming over an existing file makes some filesystems (ext4) write the new
// file's blocks out at once, a pause of milliseconds per megabyte. Either way
// `to` is at every moment the whole old file or the whole new one.
bool replaceFile(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
    std::remove(from.c_str());  // the old results, under the temporary name
    return true;
  }
#endif
  return std::rename(from.c_str(), to.c_str()) == 0;  // no file yet, or no swapping here
}

}  // namespace

bool OutputFiles::commit(std::string& error) {
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    streams_[i].close();
    if (!streams_[i]) {
      error = paths_[i] + ".tmp: write failed";
      return false;
    }
  }
  for (const std::string& path : paths_) {
    if (!replaceFile(path + ".tmp", path)) {
      error = path + ": cannot be written";
      return false;
    }
  }
  committed_ = true;
  return true;
}

OutputFiles::~OutputFiles() {
  if (committed_) {
    return;
  }
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    if (i < streams_.size() && streams_[i].is_open()) {
      streams_[i].close();
    }
    std::remove((paths_[i] + ".tmp").c_str());
  }
}

std::string formatNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}
