// Pedigree file reader: marker names from the header line, then one line of
// whitespace-separated integers per individual, checked as they are loaded.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "family/families.h"

// Next marker name of the header line from `position`: a maximal run of ASCII
// letters and digits (everything else, non-ASCII bytes included, separates
// names). Returns 1 with `name` set and `position` moved past the name and the
// separators after it; 0 when no name is left (outputs unchanged).
int GetMarker(const std::string& line, std::string& name, std::size_t& position);

// The pedigree file as read: marker names from the header, and the table of
// rows x columns values (columns = 6 + 2 x names).
struct PedigreeFile {
  PedTable table;
  int rows = 0;
  int columns = 0;
  std::vector<std::string> names;  // names[m - 1] is marker m's name
};

constexpr std::size_t kPedigreePartBytes = std::size_t{1} << 20;

// A file's text in memory, read in one pass. A regular file is read in
// chunks that threads may share, into one block of the heap (on huge pages;
// once the text is released, later work reuses its memory): a mapping of
// the file would bring its pages in as small ones, and on a virtual machine
// the first touch of each costs microseconds, more than reading it. Anything
// else (a pipe) is read as one chunk, from the one descriptor opened, so
// that a writer's data is not lost. Empty when the file cannot be opened or
// read.
//   PedigreeText text(name);
//   text.read(threads);  // or readChunk(i) for every i < chunks(), then finishReading()
class PedigreeText {
 public:
  explicit PedigreeText(const std::string& fileName, std::size_t chunkBytes = kPedigreePartBytes);
  ~PedigreeText();
  PedigreeText(const PedigreeText&) = delete;
  PedigreeText& operator=(const PedigreeText&) = delete;

  std::size_t chunks() const { return chunkCount_; }
  // Reads chunk i; each once, on any thread, in any order.
  void readChunk(std::size_t i);
  // Once every chunk is read: the text is what they hold, up to a chunk that
  // came up short (the file shrank), and nothing when one failed.
  void finishReading();
  void read(int threads);

  const char* data() const { return buffer_ != nullptr ? buffer_ : read_.data(); }
  std::size_t size() const { return size_; }
  // The text in chunks of chunkBytes() (a read one too, once finished): the
  // line feeds before chunk i, for i up to chunks() (all of them).
  std::size_t chunkBytes() const { return chunkBytes_; }
  std::size_t lineFeedsBefore(std::size_t i) const { return feedsBefore_[i]; }
  // Drops the text (releasing a large one takes the system a while, so a
  // caller may do it beside other work); size() is then 0.
  void release();

 private:
  int fd_ = -1;
  std::size_t chunkBytes_;
  std::size_t chunkCount_ = 1;
  char* buffer_ = nullptr;  // a regular file's bytes
  std::size_t capacity_ = 0;
  std::vector<long long> got_;            // per chunk: bytes read, -1 when reading failed
  std::vector<std::size_t> feeds_;        // per chunk: its line feeds
  std::vector<std::size_t> feedsBefore_;  // per chunk and one past: the line feeds before it
  std::string read_;                      // anything else's bytes
  std::size_t size_ = 0;
};

// Reads the file in one pass, so a pipe or a process substitution works as
// the same regular file does. Returns 1 with `file` filled; 0 (file
// untouched) when the file cannot be opened, is empty or its header holds no
// name; -1 (file untouched) when a data line is malformed: every data line
// must hold exactly `columns` integers that fit 32 bits, and `error` then
// holds the message for the first bad line. Lines of white space only are
// not rows. The data lines are parsed on up to `threads` threads, in parts
// of at least `partBytes` bytes (up to four per thread); the result is the
// same for any number. (Below about a megabyte, starting a second thread
// costs more than it saves.)
int readPedigreeFile(const std::string& fileName, PedigreeFile& file, std::string& error, int threads = 1,
                     std::size_t partBytes = kPedigreePartBytes);

// The same from the file's text, read already; fileName names it in messages.
int readPedigreeText(const std::string& fileName, const PedigreeText& text, PedigreeFile& file,
                     std::string& error, int threads = 1, std::size_t partBytes = kPedigreePartBytes);
