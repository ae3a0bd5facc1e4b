// Pedigree file reader: header names, data line count, and the checked load.
#include "driver/pedfile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>

namespace {

// isalnum in the C locale, without the locale (bytes above 127 separate names).
bool nameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n'; }

// The tokens of a line: runs of characters between blanks.
std::vector<std::string_view> splitAtBlanks(const std::string& line) {
  std::vector<std::string_view> tokens;
  const std::string_view text(line);
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && blank(text[i])) {
      ++i;
    }
    const std::size_t start = i;
    while (i < text.size() && !blank(text[i])) {
      ++i;
    }
    if (i > start) {
      tokens.push_back(text.substr(start, i - start));
    }
  }
  return tokens;
}

bool onlyBlanks(const std::string& line) {
  for (char c : line) {
    if (!blank(c)) {
      return false;
    }
  }
  return true;
}

bool wellFormedInteger(std::string_view token) {
  std::size_t i = (token[0] == '+' || token[0] == '-') ? 1 : 0;
  if (i == token.size()) {
    return false;
  }
  for (; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') {
      return false;
    }
  }
  return true;
}

// The value of a well-formed integer, or false when it lies outside the
// signed 32-bit range (digits beyond that range stop the reading early).
bool fitsInt32(std::string_view token, long& value) {
  const bool negative = token[0] == '-';
  std::size_t i = (token[0] == '+' || token[0] == '-') ? 1 : 0;
  long long v = 0;
  for (; i < token.size(); ++i) {
    v = v * 10 + (token[i] - '0');
    if (v > static_cast<long long>(INT32_MAX) + 1) {
      return false;
    }
  }
  v = negative ? -v : v;
  if (v < INT32_MIN || v > INT32_MAX) {
    return false;
  }
  value = static_cast<long>(v);
  return true;
}

std::string lineError(const std::string& fileName, long lineNo) {
  return "\nError: " + fileName + " line " + std::to_string(lineNo);
}

}  // namespace

int GetMarker(const std::string& line, std::string& name, std::size_t& position) {
  std::size_t i = position;
  while (i < line.size() && !nameChar(line[i])) {
    ++i;
  }
  if (i >= line.size()) {
    return 0;
  }
  std::size_t end = i;
  while (end < line.size() && nameChar(line[end])) {
    ++end;
  }
  name = line.substr(i, end - i);
  while (end < line.size() && !nameChar(line[end])) {
    ++end;
  }
  position = end;
  return 1;
}

namespace {

// The data lines of one part of the file, parsed: the values of its rows and,
// when a line is malformed, the error of the first such line (the lines
// after it are not read).
struct ParsedPart {
  std::vector<std::int32_t> values;  // row-major, `columns` per row
  std::string error;
};

// The checked reading of one line, as the messages need it: the values of a
// well-formed line go to `values` (none for a line of blanks); false with
// `error` set otherwise.
bool parseLineChecked(const std::string& fileName, const std::string& line, long lineNo, int columns,
                      std::vector<std::int32_t>& values, std::string& error) {
  if (onlyBlanks(line)) {
    return true;
  }
  const std::vector<std::string_view> tokens = splitAtBlanks(line);
  if (static_cast<int>(tokens.size()) != columns) {
    error = lineError(fileName, lineNo) + ": expected " + std::to_string(columns) + " values, found " +
            std::to_string(tokens.size()) + ".\n";
    return false;
  }
  for (int c = 0; c < columns; ++c) {
    const std::string_view token = tokens[c];
    long value = 0;
    const bool integer = wellFormedInteger(token);
    if (!integer || !fitsInt32(token, value)) {
      error = lineError(fileName, lineNo) + ", value " + std::to_string(c + 1) + ": '" + std::string(token) + "'" +
              (integer ? " is out of range.\n" : " is not an integer.\n");
      return false;
    }
    values.push_back(static_cast<std::int32_t>(value));
  }
  return true;
}

// The blanks within a line (blank() but the line feed), as a table for the parsing loop.
struct SpaceTable {
  bool is[256] = {};
  SpaceTable() {
    for (int c = 0; c < 256; ++c) {
      is[c] = c != '\n' && blank(static_cast<char>(c));
    }
  }
};
const SpaceTable kSpaces;

// The common case at speed: a line of exactly `columns` well-formed integers
// (or of blanks only) from p to end, where *end is the line feed or the
// text's terminating NUL (the loops stop there). False when the line is
// anything else; nothing is then left in `values`, and the checked reading
// decides.
bool parseLineFast(const char* p, const char* end, int columns, std::vector<std::int32_t>& values) {
  const std::size_t before = values.size();
  values.resize(before + static_cast<std::size_t>(columns));
  std::int32_t* out = values.data() + before;
  int count = 0;
  const bool* space = kSpaces.is;
  while (true) {
    while (space[static_cast<unsigned char>(*p)]) {
      ++p;
    }
    if (p == end) {
      break;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
      ++p;
    }
    const char* digits = p;
    std::uint64_t v = 0;
    for (unsigned digit = static_cast<unsigned char>(*p) - 48u; digit < 10; digit = static_cast<unsigned char>(*p) - 48u) {
      v = v * 10 + digit;
      ++p;
    }
    const long long value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    if (p == digits || p - digits > 10 || (p != end && !space[static_cast<unsigned char>(*p)]) || value < INT32_MIN || value > INT32_MAX ||
        count == columns) {
      values.resize(before);
      return false;
    }
    out[count++] = static_cast<std::int32_t>(value);
  }
  if (count != columns) {
    values.resize(before);
    return count == 0;  // a line of blanks only is not a row
  }
  return true;
}

// Parses the lines of text[from, to), the first of them physical line
// `firstLine` of the file.
void parsePart(const std::string& fileName, const std::string& text, std::size_t from, std::size_t to,
               long firstLine, int columns, ParsedPart& part) {
  long lineNo = firstLine;
  part.values.reserve((to - from) / 2);
  while (from < to) {
    const char* start = text.data() + from;
    const void* newline = std::memchr(start, '\n', to - from);
    const std::size_t end = newline == nullptr ? to : static_cast<std::size_t>(static_cast<const char*>(newline) - text.data());
    if (!parseLineFast(start, text.data() + end, columns, part.values) &&
        !parseLineChecked(fileName, text.substr(from, end - from), lineNo, columns, part.values, part.error)) {
      return;
    }
    from = end + 1;
    ++lineNo;
  }
}

// The rest of the stream, read in large blocks (a pipe works as a file does).
std::string readAll(std::istream& in) {
  std::string text;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(in.gcount()));
  }
  return text;
}

}  // namespace

int readPedigreeFile(const std::string& fileName, PedigreeFile& file, std::string& error, int threads) {
  std::ifstream in(fileName, std::ios::binary);
  std::string header;
  if (!in || !std::getline(in, header)) {
    header.clear();
  }
  std::vector<std::string> names;
  std::string name;
  std::size_t position = 0;
  while (GetMarker(header, name, position) == 1) {
    names.push_back(name);
  }
  if (names.empty()) {
    return 0;
  }
  const int columns = 2 * static_cast<int>(names.size()) + 6;
  const std::string text = readAll(in);
  // The data lines in parts of about equal size, each starting at a line,
  // parsed side by side; the first part with a malformed line names it.
  const std::size_t parts = std::max<std::size_t>(1, std::min<std::size_t>(threads, text.size() / (1 << 20)));
  std::vector<std::size_t> bounds{0};
  std::vector<long> firstLines{2};
  for (std::size_t i = 1; i < parts; ++i) {
    const std::size_t guess = std::max(bounds.back(), text.size() * i / parts);
    const std::size_t newline = text.find('\n', guess);
    if (newline == std::string::npos) {
      break;
    }
    firstLines.push_back(firstLines.back() +
                         std::count(text.begin() + static_cast<std::ptrdiff_t>(bounds.back()),
                                    text.begin() + static_cast<std::ptrdiff_t>(newline + 1), '\n'));
    bounds.push_back(newline + 1);
  }
  bounds.push_back(text.size());
  std::vector<ParsedPart> parsed(bounds.size() - 1);
  std::vector<std::thread> helpers;
  for (std::size_t i = 1; i < parsed.size(); ++i) {
    helpers.emplace_back([&, i] {
      parsePart(fileName, text, bounds[i], bounds[i + 1], firstLines[i], columns, parsed[i]);
    });
  }
  parsePart(fileName, text, bounds[0], bounds[1], firstLines[0], columns, parsed[0]);
  for (std::thread& t : helpers) {
    t.join();
  }
  std::vector<std::int32_t> values = std::move(parsed[0].values);
  for (const ParsedPart& part : parsed) {
    if (!part.error.empty()) {
      error = part.error;
      return -1;
    }
    if (&part != &parsed[0]) {
      values.insert(values.end(), part.values.begin(), part.values.end());
    }
  }
  file.names = std::move(names);
  file.columns = columns;
  file.table = values.empty() ? PedTable() : PedTable(static_cast<std::size_t>(columns), std::move(values));
  file.rows = static_cast<int>(file.table.size());
  return 1;
}
