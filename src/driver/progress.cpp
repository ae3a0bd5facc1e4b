// Progress bar or sparse progress lines on standard error.
#include "driver/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

Progress::Progress(std::size_t total)
    : total_(total), terminal_(isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()) {}

void Progress::update(std::size_t done) {
  if (total_ == 0) {
    return;
  }
  const int percent = static_cast<int>(100 * done / total_);
  if (terminal_) {
    if (percent == lastShown_) {
      return;
    }
    lastShown_ = percent;
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%% (%zu/%zu markers)", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), percent, done, total_);
    std::fflush(stderr);
    return;
  }
  const int tenth = percent / 10;
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  if (tenth > lastShown_ && tenth > 0 && elapsed > std::chrono::seconds(5)) {
    lastShown_ = tenth;
    std::fprintf(stderr, "kintex: %d%% of the markers done (%zu/%zu)\n", tenth * 10, done, total_);
  }
}

void Progress::finish() {
  if (terminal_ && lastShown_ >= 0) {
    std::fputc('\n', stderr);
  }
}
