// Temporary output files renamed into place at the end of a run.
#include "driver/outputs.h"

#include <cstdio>

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

bool OutputFiles::commit(std::string& error) {
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    streams_[i].close();
    if (!streams_[i]) {
      error = paths_[i] + ".tmp: write failed";
      return false;
    }
  }
  for (const std::string& path : paths_) {
    if (std::rename((path + ".tmp").c_str(), path.c_str()) != 0) {
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
