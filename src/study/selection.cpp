// Marker selection by name, index and chromosome, and deterministic chunks.
#include "study/selection.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

std::vector<std::string> splitList(const std::string& list, const std::string& option) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    const std::string item =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item.empty()) {
      throw SelectionError(option + ": empty item in '" + list + "'");
    }
    items.push_back(item);
    if (comma == std::string::npos) {
      return items;
    }
    start = comma + 1;
  }
}

bool allDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::size_t toIndex(const std::string& digits, const std::string& option) {
  if (digits.size() > 18) {
    throw SelectionError(option + ": '" + digits + "' is too large");
  }
  return static_cast<std::size_t>(std::stoull(digits));
}

// "a-b" with a and b all digits gives (a, b); a lone number n gives (n, n);
// anything else returns false.
bool numberRange(const std::string& item, const std::string& option,
                 std::pair<std::size_t, std::size_t>& range) {
  const std::size_t dash = item.find('-');
  const std::string first = item.substr(0, dash);
  const std::string last = dash == std::string::npos ? first : item.substr(dash + 1);
  if (!allDigits(first) || !allDigits(last)) {
    return false;
  }
  range = {toIndex(first, option), toIndex(last, option)};
  if (range.first == 0 || range.first > range.second) {
    throw SelectionError(option + ": '" + item + "' is not a range from 1 upwards");
  }
  return true;
}

}  // namespace

std::string chromosomeKey(const std::string& chrom) {
  std::string key;
  for (unsigned char c : chrom) {
    key.push_back(static_cast<char>(std::toupper(c)));
  }
  if (key.compare(0, 3, "CHR") == 0) {
    key.erase(0, 3);
  }
  key.erase(0, std::min(key.find_first_not_of('0'), key.size() - (key.empty() ? 0 : 1)));
  if (key == "23") return "X";
  if (key == "24") return "Y";
  if (key == "25") return "XY";
  if (key == "26" || key == "M") return "MT";
  return key;
}

void MarkerSelection::addMarkers(const std::string& list) {
  for (const std::string& item : splitList(list, "--markers")) {
    std::pair<std::size_t, std::size_t> range;
    if (numberRange(item, "--markers", range)) {
      indexRanges.push_back(range);
    } else {
      names.insert(item);
    }
  }
}

void MarkerSelection::addChromosomes(const std::string& list) {
  for (const std::string& item : splitList(list, "--chr")) {
    std::pair<std::size_t, std::size_t> range;
    if (!numberRange(item, "--chr", range)) {
      chromosomes.insert(chromosomeKey(item));
      continue;
    }
    if (range.second > 99) {
      throw SelectionError("--chr: '" + item + "' is not a chromosome range");
    }
    for (std::size_t c = range.first; c <= range.second; ++c) {
      chromosomes.insert(chromosomeKey(std::to_string(c)));
    }
  }
}

bool MarkerSelection::selects(std::size_t index, const io::MarkerInfo& marker) const {
  if (!chromosomes.empty() && chromosomes.count(chromosomeKey(marker.chrom)) == 0) {
    return false;
  }
  if (indexRanges.empty() && names.empty()) {
    return true;
  }
  const bool inRange = std::any_of(indexRanges.begin(), indexRanges.end(),
                                   [&](const auto& r) { return index >= r.first && index <= r.second; });
  return inRange || names.count(marker.name) != 0;
}

std::size_t MarkerSelection::largestIndex() const {
  std::size_t largest = 0;
  for (const auto& r : indexRanges) {
    largest = std::max(largest, r.second);
  }
  return largest;
}

Chunk parseChunk(const std::string& text) {
  const std::size_t slash = text.find('/');
  const std::string i = text.substr(0, slash);
  const std::string n = slash == std::string::npos ? "" : text.substr(slash + 1);
  if (!allDigits(i) || !allDigits(n)) {
    throw SelectionError("--chunk: '" + text + "' is not of the form I/N");
  }
  Chunk chunk{toIndex(i, "--chunk"), toIndex(n, "--chunk")};
  if (chunk.index < 1 || chunk.index > chunk.count) {
    throw SelectionError("--chunk: '" + text + "' needs 1 <= I <= N");
  }
  return chunk;
}

std::pair<std::size_t, std::size_t> chunkRange(std::size_t total, const Chunk& chunk) {
  // 128-bit products: total x N cannot overflow.
  const auto bound = [&](std::size_t i) {
    return static_cast<std::size_t>(static_cast<unsigned __int128>(total) * i / chunk.count);
  };
  return {bound(chunk.index - 1), bound(chunk.index)};
}
