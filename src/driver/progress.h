// Progress of a long run on standard error: a bar when it is a terminal,
// otherwise a line at every tenth of the markers once the run has taken a
// few seconds (logs of batch jobs stay short, quick runs stay silent).
#pragma once

#include <chrono>
#include <cstddef>

class Progress {
 public:
  explicit Progress(std::size_t total);
  void update(std::size_t done);
  void finish();

 private:
  std::size_t total_;
  bool terminal_;
  int lastShown_ = -1;  // percent (bar) or tenth (lines) last shown
  std::chrono::steady_clock::time_point start_;
};
