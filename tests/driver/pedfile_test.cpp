// Pedigree file reader: header names, data line counts and the checked load.
#include "driver/pedfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

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
  int rows = 0, columns = 0;
  std::vector<std::string> names;
  if (size(rows, columns, path, names) == 0) {
    return "size failed";
  }
  PedTable table;
  std::string error;
  const bool ok = loadTable(path, rows, columns, table, error);
  EXPECT_EQ(ok, error.empty());
  if (out != nullptr) {
    *out = table;
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

TEST(Size, CountsRecordsWithOrWithoutFinalLineBreak) {
  for (const std::string tail : {"\n", ""}) {
    const std::string path = writeFile("three.ped", "M1 M2 M3\n1 1 0 0 1 1 1 1 1 1 1 1\n"
                                                    "1 2 0 0 1 1 1 1 1 1 1 1\n\n  \t\n1 3 0 0 1 1 1 1 1 1 1 1" + tail);
    int rows = -1, columns = -1;
    std::vector<std::string> names;
    ASSERT_EQ(size(rows, columns, path, names), 1);
    EXPECT_EQ(rows, 3);  // blank lines are not records
    EXPECT_EQ(columns, 12);
    EXPECT_EQ(names, (std::vector<std::string>{"M1", "M2", "M3"}));
  }
}

TEST(Size, NoNameMeansTheFileCannotBeUsed) {
  int rows = 7, columns = 7;
  std::vector<std::string> names;
  EXPECT_EQ(size(rows, columns, writeFile("empty.ped", ""), names), 0);
  EXPECT_EQ(size(rows, columns, writeFile("punct.ped", " ,;-\n1 1 0 0 1 1\n"), names), 0);
  EXPECT_EQ(size(rows, columns, testing::TempDir() + "no-such-file.ped", names), 0);
  EXPECT_EQ(rows, 7);
  EXPECT_EQ(columns, 7);
  ASSERT_EQ(size(rows, columns, writeFile("header.ped", "M1"), names), 1);
  EXPECT_EQ(rows, 0);
}

TEST(LoadTable, ReadsValuesIncludingNegativeAndCrlf) {
  PedTable t;
  EXPECT_EQ(loadError("M1\r\n1 2 0 0 1 2 -1 3\r\n 7\t8 2 1 2 -9 4 4 \r\n", &t), "");
  EXPECT_EQ(t, (PedTable{{1, 2, 0, 0, 1, 2, -1, 3}, {7, 8, 2, 1, 2, -9, 4, 4}}));
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
  };
  for (const auto& c : cases) {
    EXPECT_EQ(loadError(c.text), c.error) << c.text;
  }
  EXPECT_EQ(loadError("M1\n1 1 0 0 1 1 2147483647 -2147483648\n"), "");
}

TEST(LoadTable, ErrorNamesTheFileAsGiven) {
  const std::string path = writeFile("named.ped", "M1\n1 1 0 0 1 1 1\n");
  PedTable t;
  std::string error;
  EXPECT_FALSE(loadTable(path, 1, 8, t, error));
  EXPECT_EQ(error, "\nError: " + path + " line 2: expected 8 values, found 7.\n");
  EXPECT_TRUE(t.empty());
}

TEST(LoadTable, NoLimitOnLineLengthOrMarkerCount) {
  std::string header, row = "1 1 0 0 1 2";
  for (int m = 1; m <= 400; ++m) {
    header += "rs" + std::to_string(1000000 + m) + ",\t";
    row += " 12345 67890";
  }
  const std::string path = writeFile("wide.ped", header + "\n" + row + "\n");
  int rows = 0, columns = 0;
  std::vector<std::string> names;
  ASSERT_EQ(size(rows, columns, path, names), 1);
  ASSERT_EQ(names.size(), 400u);
  EXPECT_EQ(names[399], "rs1000400");
  EXPECT_EQ(columns, 806);
  PedTable t;
  std::string error;
  ASSERT_TRUE(loadTable(path, rows, columns, t, error)) << error;
  EXPECT_EQ(t[0][805], 67890);
}
