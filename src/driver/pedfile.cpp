// Pedigree file reader: header names, data line count, and the checked load.
#include "driver/pedfile.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string_view>

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

int readPedigreeFile(const std::string& fileName, PedigreeFile& file, std::string& error) {
  std::ifstream in(fileName);
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
  PedTable table;
  std::string line;
  long lineNo = 1;
  std::vector<long> row(columns);
  while (std::getline(in, line)) {
    ++lineNo;
    if (onlyBlanks(line)) {
      continue;
    }
    const std::vector<std::string_view> tokens = splitAtBlanks(line);
    if (static_cast<int>(tokens.size()) != columns) {
      error = lineError(fileName, lineNo) + ": expected " + std::to_string(columns) +
              " values, found " + std::to_string(tokens.size()) + ".\n";
      return -1;
    }
    for (int c = 0; c < columns; ++c) {
      const std::string_view token = tokens[c];
      const bool integer = wellFormedInteger(token);
      if (!integer || !fitsInt32(token, row[c])) {
        error = lineError(fileName, lineNo) + ", value " + std::to_string(c + 1) + ": '" + std::string(token) + "'" +
                (integer ? " is out of range.\n" : " is not an integer.\n");
        return -1;
      }
    }
    table.push_back(row);
  }
  file.names = std::move(names);
  file.columns = columns;
  file.rows = static_cast<int>(table.size());
  file.table = std::move(table);
  return 1;
}
