// Pedigree file reader: header names, data line count, and the checked load.
#include "driver/pedfile.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include "platform/threads.h"

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

// The data lines of one part of the file, parsed into the table's buffer
// from `values` on: the number of values and lines read and, when a line is
// malformed, where the first such line is (the lines after it are not read).
struct ParsedPart {
  std::int32_t* values = nullptr;  // row-major, `columns` per row
  std::size_t count = 0;
  long lines = 0;
  const char* badLine = nullptr;  // the malformed line, up to badEnd
  const char* badEnd = nullptr;
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
// Four one-digit values, each followed by one blank of the same kind ("1 2
// 1 1 " or the same with tabs), read as eight bytes at once: the usual run
// of sex, affection and allele codes. False when the eight bytes are not
// that (or the platform is not little-endian), with nothing written.
bool fourDigitsAtOnce([[maybe_unused]] const char* p, [[maybe_unused]] std::int32_t* out) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::uint64_t w = 0;
  std::memcpy(&w, p, sizeof w);
  for (const std::uint64_t pattern : {0x2030203020302030ull, 0x0930093009300930ull}) {
    const std::uint64_t x = w ^ pattern;  // digits become 0 to 15 ('0' to '?'), their blanks 0
    if ((x & 0xFFF0FFF0FFF0FFF0ull) == 0 && ((x + 0x0006000600060006ull) & 0x0010001000100010ull) == 0) {
      for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::int32_t>((x >> (16 * i)) & 0xF);
      }
      return true;
    }
  }
#endif
  return false;
}

// Eight such values at once from sixteen bytes, where the processor has
// SSE2 (every x86-64 does): a line of one-digit genotypes is mostly these.
// False when the sixteen bytes are not eight digits each followed by the
// same blank, with nothing written.
bool eightDigitsAtOnce([[maybe_unused]] const char* p, [[maybe_unused]] std::int32_t* out) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i zero = _mm_setzero_si128();
  for (const short pattern : {short{0x2030}, short{0x0930}}) {
    // Each 16-bit lane, a digit and its blank, becomes the digit's value
    // (0 to 9) when it is one; anything else leaves a larger lane.
    const __m128i values = _mm_xor_si128(bytes, _mm_set1_epi16(pattern));
    const __m128i over = _mm_subs_epu16(values, _mm_set1_epi16(9));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(over, zero)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(values, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(values, zero));
      return true;
    }
  }
#endif
  return false;
}

bool parseLineFast(const char* p, const char* end, int columns, std::int32_t* out, int& count) {
  count = 0;
  const bool* space = kSpaces.is;
  while (true) {
    while (space[static_cast<unsigned char>(*p)]) {
      ++p;
    }
    if (p == end) {
      break;
    }
    if (end - p >= 16 && columns - count >= 8 && eightDigitsAtOnce(p, out + count)) {
      count += 8;
      p += 16;
      continue;
    }
    if (end - p >= 8 && columns - count >= 4 && fourDigitsAtOnce(p, out + count)) {
      count += 4;
      p += 8;
      continue;
    }
    // Most values of a study are one digit (sex, affection, allele codes).
    const unsigned first = static_cast<unsigned char>(*p) - 48u;
    if (first < 10 && (p + 1 == end || space[static_cast<unsigned char>(p[1])])) {
      if (count == columns) {
        return false;
      }
      out[count++] = static_cast<std::int32_t>(first);
      ++p;
      continue;
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
      return false;
    }
    out[count++] = static_cast<std::int32_t>(value);
  }
  if (count != columns) {
    const bool blankLine = count == 0;  // a line of blanks only is not a row
    count = 0;
    return blankLine;
  }
  return true;
}

// Parses the lines of [from, to), which ends just after a line feed or at a
// NUL (the end of a text in memory).
void parsePart(const char* from, const char* to, int columns, ParsedPart& part) {
  std::vector<std::int32_t> checked;
  while (from < to) {
    const void* newline = std::memchr(from, '\n', static_cast<std::size_t>(to - from));
    const char* end = newline == nullptr ? to : static_cast<const char*>(newline);
    int count = 0;
    if (!parseLineFast(from, end, columns, part.values + part.count, count)) {
      std::string ignored;
      checked.clear();
      if (!parseLineChecked("", std::string(from, end), 0, columns, checked, ignored)) {
        part.badLine = from;
        part.badEnd = end;
        return;
      }
      std::copy(checked.begin(), checked.end(), part.values + part.count);
      count = static_cast<int>(checked.size());
    }
    part.count += static_cast<std::size_t>(count);
    from = end + 1;
    ++part.lines;
  }
}

}  // namespace

namespace {

// The line feeds among n bytes from p.
std::size_t lineFeeds(const char* p, std::size_t n) {
  std::size_t feeds = 0;
  for (const char* end = p + n; p < end; ++feeds, ++p) {
    p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (p == nullptr) {
      break;
    }
  }
  return feeds;
}

}  // namespace

PedigreeText::PedigreeText(const std::string& fileName, std::size_t chunkBytes)
    : chunkBytes_(std::max<std::size_t>(chunkBytes, 1)) {
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    capacity_ = static_cast<std::size_t>(st.st_size);
    buffer_ = static_cast<char*>(::operator new(capacity_));
    chunkCount_ = (capacity_ + chunkBytes_ - 1) / chunkBytes_;
  }
  got_.assign(chunkCount_, 0);
  feeds_.assign(chunkCount_, 0);
}

PedigreeText::~PedigreeText() {
  release();
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void PedigreeText::readChunk(std::size_t i) {
  if (fd_ < 0) {
    return;
  }
  if (buffer_ == nullptr) {
    // Not a regular file: read to its end, from the descriptor already open
    // (a pipe opened twice would lose what its writer sent).
    char block[1 << 16];
    for (ssize_t n; (n = ::read(fd_, block, sizeof block)) != 0;) {
      if (n < 0) {
        if (errno == EINTR) {
          continue;
        }
        break;
      }
      read_.append(block, static_cast<std::size_t>(n));
    }
    return;
  }
  const std::size_t first = i * chunkBytes_;
  const std::size_t wanted = std::min(chunkBytes_, capacity_ - first);
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t n = ::pread(fd_, buffer_ + first + done, wanted - done, static_cast<off_t>(first + done));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      got_[i] = -1;
      return;
    }
    if (n == 0) {
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  got_[i] = static_cast<long long>(done);
  feeds_[i] = lineFeeds(buffer_ + first, done);  // while the chunk is in the cache
}

void PedigreeText::finishReading() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (buffer_ == nullptr) {
    // Read as one: its chunks are counted now.
    size_ = read_.size();
    chunkCount_ = std::max<std::size_t>(1, (size_ + chunkBytes_ - 1) / chunkBytes_);
    feeds_.assign(chunkCount_, 0);
    for (std::size_t i = 0; i * chunkBytes_ < size_; ++i) {
      feeds_[i] = lineFeeds(read_.data() + i * chunkBytes_, std::min(chunkBytes_, size_ - i * chunkBytes_));
    }
  } else {
    size_ = 0;
    for (std::size_t i = 0; i < chunkCount_; ++i) {
      if (got_[i] < 0) {
        size_ = 0;  // an error while reading: the text cannot be trusted
        feeds_.assign(chunkCount_, 0);
        break;
      }
      size_ += static_cast<std::size_t>(got_[i]);
      if (static_cast<std::size_t>(got_[i]) < std::min(chunkBytes_, capacity_ - i * chunkBytes_)) {
        std::fill(feeds_.begin() + static_cast<std::ptrdiff_t>(i) + 1, feeds_.end(), 0);  // past the end
        break;
      }
    }
  }
  feedsBefore_.assign(chunkCount_ + 1, 0);
  for (std::size_t i = 0; i < chunkCount_; ++i) {
    feedsBefore_[i + 1] = feedsBefore_[i] + feeds_[i];
  }
}

void PedigreeText::read(int threads) {
  parallelFor(chunks(), threads, [&](std::size_t i) { readChunk(i); });
  finishReading();
}

void PedigreeText::release() {
  if (buffer_ != nullptr) {
    ::operator delete(buffer_);
    buffer_ = nullptr;
  }
  std::string().swap(read_);
  size_ = 0;
  feedsBefore_.assign(chunkCount_ + 1, 0);
}

int readPedigreeFile(const std::string& fileName, PedigreeFile& file, std::string& error, int threads,
                     std::size_t partBytes) {
  PedigreeText text(fileName, partBytes);
  text.read(threads);
  return readPedigreeText(fileName, text, file, error, threads, partBytes);
}

int readPedigreeText(const std::string& fileName, const PedigreeText& text, PedigreeFile& file,
                     std::string& error, int threads, std::size_t partBytes) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  // The header is the first line, without its line feed.
  const char* headerEnd = static_cast<const char*>(std::memchr(begin, '\n', text.size()));
  const std::string header(begin, headerEnd == nullptr ? end : headerEnd);
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
  // The lines up to the last line feed in parts of about equal size, each
  // starting at a line, parsed side by side; a last line without a line feed
  // is copied out (so that a NUL ends it) and parsed last. The first part
  // with a malformed line names it, counting the lines of the parts before.
  const char* data = headerEnd == nullptr ? end : headerEnd + 1;
  const char* lastFeed = end;
  while (lastFeed > data && lastFeed[-1] != '\n') {
    --lastFeed;
  }
  const std::string tail(lastFeed, end);
  const std::size_t body = static_cast<std::size_t>(lastFeed - data);
  // Up to four parts per thread, handed out one at a time: a thread that
  // starts late (a worker still setting up its memory) takes fewer of them
  // instead of holding up the rest.
  const std::size_t perThread = threads > 1 ? 4 : 1;
  const std::size_t parts = std::max<std::size_t>(
      1, std::min<std::size_t>(perThread * static_cast<std::size_t>(threads), body / std::max<std::size_t>(partBytes, 1)));
  // A part starts at the first line to start after a chunk of the text
  // begins (past the header): the lines before it are the line feeds before
  // that chunk, less the header's and plus the one ending the line the
  // chunk begins in. A line is a row of `columns` values or a line of
  // blanks (none), and a value takes at least two bytes (a character and a
  // blank or line feed after it), so neither (lines before it) x columns
  // nor half its offset is less than the values before part i: its values
  // go from the lesser on. That is their place in the table unless lines of
  // blanks came before (they are then moved together once every part is
  // read), and a file of many blank lines still needs no more room than
  // half its size.
  const std::size_t dataOffset = static_cast<std::size_t>(data - begin);
  const std::size_t chunk = text.chunkBytes();
  std::vector<const char*> bounds{data};
  std::vector<std::size_t> linesBefore{0};
  for (std::size_t i = 1; i < parts; ++i) {
    const std::size_t c = (dataOffset + body * i / parts + chunk - 1) / chunk;
    const char* from = begin + c * chunk;
    if (from < data || from >= lastFeed) {
      continue;
    }
    const char* newline =
        static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(lastFeed - from)));
    if (newline != nullptr && newline + 1 < lastFeed && newline + 1 > bounds.back()) {
      bounds.push_back(newline + 1);
      linesBefore.push_back(text.lineFeedsBefore(c));  // data lines before the part
    }
  }
  bounds.push_back(lastFeed);
  const std::size_t lines = headerEnd == nullptr ? 0 : text.lineFeedsBefore(text.chunks()) - 1;
  const std::size_t width = static_cast<std::size_t>(columns);
  const auto firstValue = [&](std::size_t linesBeforePart, std::size_t offset) {
    return std::min(linesBeforePart * width, offset / 2);
  };
  PedValues values;
  values.resize(firstValue(lines, body + tail.size() + 1) + width);  // and a last line without a line feed
  std::vector<ParsedPart> parsed(bounds.size());  // the last one for the tail
  for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
    parsed[i].values = values.data() + firstValue(linesBefore[i], static_cast<std::size_t>(bounds[i] - data));
  }
  parsed.back().values = values.data() + firstValue(lines, body);
  parallelFor(bounds.size() - 1, threads,
              [&](std::size_t i) { parsePart(bounds[i], bounds[i + 1], columns, parsed[i]); });
  parsePart(tail.data(), tail.data() + tail.size(), columns, parsed.back());
  std::size_t filled = 0;
  long lineNo = 2;  // the header is line 1
  for (const ParsedPart& part : parsed) {
    if (part.badLine != nullptr) {
      std::vector<std::int32_t> ignored;
      parseLineChecked(fileName, std::string(part.badLine, part.badEnd), lineNo + part.lines, columns, ignored,
                       error);
      return -1;
    }
    if (part.values != values.data() + filled) {
      std::memmove(values.data() + filled, part.values, part.count * sizeof(std::int32_t));
    }
    filled += part.count;
    lineNo += part.lines;
  }
  values.resize(filled);
  file.names = std::move(names);
  file.columns = columns;
  file.table = values.empty() ? PedTable() : PedTable(static_cast<std::size_t>(columns), std::move(values));
  file.rows = static_cast<int>(file.table.size());
  return 1;
}
