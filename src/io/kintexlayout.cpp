// kintex's own layout (marker-name header, integer lines) as a study: the
// classic reader loads and checks the file, this adapter names what it holds.
#include <algorithm>
#include <utility>

#include "driver/pedfile.h"
#include "io/readers.h"
#include "io/textfields.h"

namespace io {

namespace {

// The classic reader's message without its console framing ("\nError: " and
// ".\n"), its quoted value shortened like every other reader's.
std::string classicMessage(const std::string& error) {
  std::string text = error;
  const std::string prefix = "\nError: ";
  if (text.compare(0, prefix.size(), prefix) == 0) {
    text.erase(0, prefix.size());
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '.')) {
    text.pop_back();
  }
  const std::size_t open = text.find('\'');
  const std::size_t close = text.rfind('\'');
  if (open != std::string::npos && close > open) {
    text = text.substr(0, open + 1) + shorten(text.substr(open + 1, close - open - 1)) + text.substr(close);
  }
  return text;
}

// Classic codes: 1 and 2 are kept, everything else is unknown.
int oneOrTwo(long value) { return value == 1 || value == 2 ? static_cast<int>(value) : 0; }

class KintexSource : public GenotypeSource {
 public:
  explicit KintexSource(const std::string& path) {
    PedigreeFile file;
    std::string error;
    const int status = readPedigreeFile(path, file, error);
    if (status == 0) {
      throw InputError(path + ": cannot be opened, is empty, or its first line holds no marker names");
    }
    if (status < 0) {
      throw InputError(classicMessage(error));
    }
    names_ = std::move(file.names);
    table_ = std::move(file.table);
    if (table_.empty()) {
      throw InputError(path + ": holds no individuals");
    }
    for (const PedRow row : table_) {
      Sample s;
      s.family = std::to_string(row[0]);
      s.id = std::to_string(row[1]);
      s.father = std::to_string(row[2]);
      s.mother = std::to_string(row[3]);
      s.sex = oneOrTwo(row[4]);
      s.affection = oneOrTwo(row[5]);
      samples_.push_back(s);
    }
  }

  const std::vector<Sample>& samples() const override { return samples_; }
  std::size_t markerCount() const override { return names_.size(); }

  bool next(MarkerInfo& info, std::vector<std::int32_t>& codes) override {
    if (next_ == names_.size()) {
      return false;
    }
    const std::size_t column = 6 + 2 * next_;
    // The distinct non-zero codes in ascending order; code k is the k-th.
    std::vector<long> found;
    for (const PedRow row : table_) {
      for (std::size_t c = column; c < column + 2; ++c) {
        if (row[c] != 0) {
          found.push_back(row[c]);
        }
      }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    codes.resize(2 * table_.size());
    for (std::size_t i = 0; i < table_.size(); ++i) {
      for (std::size_t k = 0; k < 2; ++k) {
        const long value = table_[i][column + k];
        codes[2 * i + k] =
            value == 0 ? 0
                       : static_cast<std::int32_t>(std::lower_bound(found.begin(), found.end(), value) -
                                                   found.begin() + 1);
      }
    }
    info.chrom = "NA";
    info.pos = -1;
    info.name = names_[next_];
    info.alleles.clear();
    for (long value : found) {
      info.alleles.push_back(std::to_string(value));
    }
    ++next_;
    return true;
  }

 private:
  std::vector<std::string> names_;
  PedTable table_;
  std::vector<Sample> samples_;
  std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<GenotypeSource> openKintex(const std::string& path) {
  return std::make_unique<KintexSource>(path);
}

}  // namespace io
