// Pedigree file reader: header names, data line counts and the checked load.
#include "driver/pedfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace {
// Named after the running test: ctest runs the tests in parallel processes.
std::string writeFile(const std::string& name, const std::string& text) {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string path = testing::TempDir() + test->test_suite_name() + "-" + test->name() + "-" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::string> headerNames(const std::string& header) {
  std::vector<std::string> names;
  std::string name;
  std::size_t position = 0;
  while (GetMarker(header, name, position) == 1) {
    names.push_back(name);
  }
  return names;
}

// Loads a file, returning the error text ("" when it loads).
std::string loadError(const std::string& text, PedTable* out = nullptr) {
  const std::string path = writeFile("load.ped", text);
  PedigreeFile file;
  std::string error;
  const int status = readPedigreeFile(path, file, error);
  if (status == 0) {
    return "no header";
  }
  EXPECT_EQ(status == 1, error.empty());
  if (out != nullptr) {
    *out = file.table;
  }
  return error.empty() ? "" : error.substr(error.find("line"));
}
}  // namespace

TEST(GetMarker, NamesAreRunsOfLettersAndDigits) {
  const struct {
    std::string header;
    std::vector<std::string> names;
  } cases[] = {
      {" ,\tM1,  M2\t\tM3 ", {"M1", "M2", "M3"}},
      {"  ,,  M1", {"M1"}},
      {"rs12_a-7", {"rs12", "a", "7"}},
      {"D1S_243\r", {"D1S", "243"}},
      {"a\xc3\xa9" "b c", {"a", "b", "c"}},  // bytes outside ASCII separate names
      {" .,;-_ ", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(headerNames(c.header), c.names) << "header '" << c.header << "'";
  }
}

TEST(GetMarker, PositionStopsOnTheNextName) {
  std::string name = "unchanged";
  std::size_t position = 0;
  ASSERT_EQ(GetMarker("ab, cd", name, position), 1);
  EXPECT_EQ(name, "ab");
  EXPECT_EQ(position, 4u);
  std::size_t end = 6;
  EXPECT_EQ(GetMarker("ab, cd", name, end), 0);
  EXPECT_EQ(name, "ab");
  EXPECT_EQ(end, 6u);
}

TEST(ReadPedigreeFile, CountsRecordsWithOrWithoutFinalLineBreak) {
  for (const std::string tail : {"\n", ""}) {
    const std::string path = writeFile("three.ped", "M1 M2 M3\n1 1 0 0 1 1 1 1 1 1 1 1\n"
                                                    "1 2 0 0 1 1 1 1 1 1 1 1\n\n  \t\n1 3 0 0 1 1 1 1 1 1 1 1" + tail);
    PedigreeFile file;
    std::string error;
    ASSERT_EQ(readPedigreeFile(path, file, error), 1);
    EXPECT_EQ(file.rows, 3);  // blank lines are not records
    EXPECT_EQ(file.columns, 12);
    EXPECT_EQ(file.names, (std::vector<std::string>{"M1", "M2", "M3"}));
  }
}

TEST(ReadPedigreeFile, NoNameMeansTheFileCannotBeUsed) {
  PedigreeFile file;
  file.rows = 7;
  std::string error;
  EXPECT_EQ(readPedigreeFile(writeFile("empty.ped", ""), file, error), 0);
  EXPECT_EQ(readPedigreeFile(writeFile("punct.ped", " ,;-\n1 1 0 0 1 1\n"), file, error), 0);
  EXPECT_EQ(readPedigreeFile(testing::TempDir() + "no-such-file.ped", file, error), 0);
  EXPECT_EQ(file.rows, 7);
  ASSERT_EQ(readPedigreeFile(writeFile("header.ped", "M1"), file, error), 1);
  EXPECT_EQ(file.rows, 0);
}

// A pipe can be read only once: the rows must come from the same single pass
// as the header.
TEST(ReadPedigreeFile, ReadsAPipeLikeARegularFile) {
  const std::string fifo = writeFile("pipe.ped", "");
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo) << "M1\n1 1 0 0 1 1 1 2\n1 2 0 0 2 1 2 2\n"; });
  PedigreeFile file;
  std::string error;
  EXPECT_EQ(readPedigreeFile(fifo, file, error), 1);
  writer.join();
  std::remove(fifo.c_str());
  EXPECT_EQ(file.table, (PedTable{{1, 1, 0, 0, 1, 1, 1, 2}, {1, 2, 0, 0, 2, 1, 2, 2}}));
}

TEST(LoadTable, ReadsValuesIncludingNegativeAndCrlf) {
  PedTable t;
  EXPECT_EQ(loadError("M1\r\n1 2 0 0 1 2 -1 3\r\n 7\t8 2 1 2 -9 4 4 \r\n", &t), "");
  EXPECT_EQ(t, (PedTable{{1, 2, 0, 0, 1, 2, -1, 3}, {7, 8, 2, 1, 2, -9, 4, 4}}));
  // Runs of one-digit values, by spaces, by tabs, and mixed.
  EXPECT_EQ(loadError("M1 M2\n9 8 7 6 5 4 3 2 1 0 \n1\t2\t3\t4\t5\t6\t7\t8\t9\t0\n1 2\t3 4\t5 6\t7 8\t9 0\n", &t), "");
  const std::vector<long> digits{1, 2, 3, 4, 5, 6, 7, 8, 9, 0};
  EXPECT_EQ(t, (PedTable{{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, digits, digits}));
}

// Runs of one-digit values are read eight at a time: a run broken by a
// two-digit value, by a change of blank or by a byte next to the digits
// ('/' and ':') must read as value by value (or be refused).
TEST(LoadTable, LongRunsOfDigitsAreReadAsValueByValue) {
  PedTable t;
  EXPECT_EQ(loadError("A B C D E F G H I J K L\n1 2 0 0 1 2 1 1 2 2 1 2 1 1 2 12 1 2 1 1 2 2 1\t2\t1\t1\t2\t2\t1\t0\n", &t), "");
  EXPECT_EQ(t, (PedTable{{1, 2, 0, 0, 1, 2, 1, 1, 2, 2, 1, 2, 1, 1, 2, 12, 1, 2, 1, 1, 2, 2, 1, 2, 1, 1, 2, 2, 1, 0}}));
  for (const char* bad : {"1 2 0 0 1 2 1 1 2 2 1 2 1 / 2 2 1 2\n", "1 2 0 0 1 2 1 1 2 2 1 2 1 1 2 : 1 2\n"}) {
    EXPECT_NE(loadError(std::string("A B C D E F\n") + bad), "") << bad;
  }
}

TEST(LoadTable, MalformedLinesAreReportedNotRead) {
  const struct {
    std::string text, error;
  } cases[] = {
      {"M1\n1 1 0 0 1 1 1\n", "line 2: expected 8 values, found 7.\n"},
      {"M1\n1 1 0 0 1 1 1 1\n\n1 1 0 0 1 1 1 1 1\n", "line 4: expected 8 values, found 9.\n"},
      {"M1\n1 1 0 0 1 1 1 x\n", "line 2, value 8: 'x' is not an integer.\n"},
      {"M1\n1 1 0 0 1 1.5 1 1\n", "line 2, value 6: '1.5' is not an integer.\n"},
      {"M1\n1 1 0 0 1 + 1 1\n", "line 2, value 6: '+' is not an integer.\n"},
      {"M1\n1 1 0 0 1 1 2147483648 1\n", "line 2, value 7: '2147483648' is out of range.\n"},
      {"M1\n1 1 0 0 1 1 -2147483649 1\n", "line 2, value 7: '-2147483649' is out of range.\n"},
      {"M1\n1 1 0 0 1 1 99999999999999999999999 1\n",
       "line 2, value 7: '99999999999999999999999' is out of range.\n"},
      // The value count is checked before the tokens.
      {"M1\n1 1 0 0 1 1 x\n", "line 2: expected 8 values, found 7.\n"},
      // Runs of one-digit values are read eight bytes at a time: the bytes
      // just above '9' and a run broken by another blank must still be seen.
      {"M1\n1 1 0 0 1 : 1 1 \n", "line 2, value 6: ':' is not an integer.\n"},
      {"M1\n1 1 0 0 ? 1 1 1 \n", "line 2, value 5: '?' is not an integer.\n"},
      {"M1\n1\t1\t0\t0\t1\t1\t1\t1/\n", "line 2, value 8: '1/' is not an integer.\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(loadError(c.text), c.error) << c.text;
  }
  EXPECT_EQ(loadError("M1\n1 1 0 0 1 1 2147483647 -2147483648\n"), "");
}

TEST(LoadTable, ErrorNamesTheFileAsGiven) {
  const std::string path = writeFile("named.ped", "M1\n1 1 0 0 1 1 1\n");
  PedigreeFile file;
  std::string error;
  EXPECT_EQ(readPedigreeFile(path, file, error), -1);
  EXPECT_EQ(error, "\nError: " + path + " line 2: expected 8 values, found 7.\n");
  EXPECT_TRUE(file.table.empty());
}

TEST(LoadTable, NoLimitOnLineLengthOrMarkerCount) {
  std::string header, row = "1 1 0 0 1 2";
  for (int m = 1; m <= 400; ++m) {
    header += "rs" + std::to_string(1000000 + m) + ",\t";
    row += " 12345 67890";
  }
  const std::string path = writeFile("wide.ped", header + "\n" + row + "\n");
  PedigreeFile file;
  std::string error;
  ASSERT_EQ(readPedigreeFile(path, file, error), 1) << error;
  ASSERT_EQ(file.names.size(), 400u);
  EXPECT_EQ(file.names[399], "rs1000400");
  EXPECT_EQ(file.columns, 806);
  EXPECT_EQ(file.table[0][805], 67890);
}

// A file of a few megabytes, in parts of a megabyte side by side: the table and
// the first malformed line (also when a later part holds another) must be
// those of a reading in one part.
TEST(LoadTable, PartsGiveTheTableAndTheFirstErrorOfOneReading) {
  std::string text = "M1 M2\n";
  for (int i = 1; i <= 120000; ++i) {
    text += "7 " + std::to_string(i) + " 0 0 " + std::to_string(1 + i % 2) + " 2 1 2 -3 4\n";
    if (i % 50000 == 0) {
      text += " \t\r\n";  // blank lines count as lines for the messages
    }
  }
  const auto read = [](const std::string& path, int threads, PedigreeFile& file) {
    std::string error;
    readPedigreeFile(path, file, error, threads, 1 << 20);
    return error;
  };
  const std::string good = writeFile("big.ped", text);
  PedigreeFile one, four;
  EXPECT_EQ(read(good, 1, one), "");
  EXPECT_EQ(read(good, 4, four), "");
  EXPECT_EQ(one.rows, 120000);
  EXPECT_EQ(one.table, four.table);
  EXPECT_EQ(std::vector<long>(four.table[119999].begin(), four.table[119999].end()),
            (std::vector<long>{7, 120000, 0, 0, 1, 2, 1, 2, -3, 4}));

  std::string bad = text;
  bad.replace(bad.find("\n7 100000 ") + 1, 1, "x");  // line 100,002 (the header and a blank line before it)
  bad.replace(bad.rfind("\n7 ") + 1, 1, "y");         // the last line, in the last part
  const std::string path = writeFile("bad.ped", bad);
  PedigreeFile file;
  for (int threads : {1, 2, 4}) {
    EXPECT_EQ(read(path, threads, file), "\nError: " + path + " line 100002, value 1: 'x' is not an integer.\n")
        << threads << " threads";
  }
}
