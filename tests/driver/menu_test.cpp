// Banner shape and the menu lines that show the current settings.
#include "driver/menu.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    out.push_back(line);
  }
  return out;
}

// The 40 columns between the frame's colons.
std::string inside(const std::string& line) { return line.substr(11, 40); }

TEST(Banner, TwelveFramedLinesOfFiftyTwoThenTwoEmptyLines) {
  const std::string text = banner();
  ASSERT_EQ(text.substr(text.size() - 3), "\n\n\n");
  const std::vector<std::string> all = lines(text);
  ASSERT_EQ(all.size(), 14u);
  EXPECT_EQ(all[12], "");
  EXPECT_EQ(all[13], "");
  const std::string dots = std::string(10, ' ') + std::string(42, '.');
  EXPECT_EQ(all[0], dots);
  EXPECT_EQ(all[11], dots);
  for (int i = 1; i <= 10; ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1) + ": '" + all[i] + "'");
    ASSERT_EQ(all[i].size(), 52u);
    EXPECT_EQ(all[i].substr(0, 10), std::string(10, ' '));
    EXPECT_EQ(all[i][10], ':');
    EXPECT_EQ(all[i][51], ':');
  }
  for (int i : {1, 8, 9}) {
    EXPECT_EQ(inside(all[i]), std::string(40, ' ')) << "line " << i + 1;
  }
}

TEST(Banner, LettersAreSixGlyphsOfAtMostFiveColumnsWithTheFourthRowTwice) {
  const std::vector<std::string> all = lines(banner());
  std::vector<std::string> rows;
  for (int i = 2; i <= 7; ++i) {
    rows.push_back(inside(all[i]));
    EXPECT_EQ(rows.back().find_first_not_of("+ "), std::string::npos) << "line " << i + 1;
  }
  EXPECT_EQ(rows[3], rows[4]);
  const std::set<std::string> distinct = {rows[0], rows[1], rows[2], rows[3], rows[5]};
  EXPECT_EQ(distinct.size(), 5u);

  // Columns holding a '+' in some row form the letters; blank columns part them.
  std::vector<std::pair<int, int>> glyphs;  // [first, last] column of each letter
  for (int c = 0; c < 40; ++c) {
    bool inked = false;
    for (const std::string& r : rows) {
      inked = inked || r[c] == '+';
    }
    if (inked && (glyphs.empty() || glyphs.back().second != c - 1)) {
      glyphs.push_back({c, c});
    } else if (inked) {
      glyphs.back().second = c;
    }
  }
  ASSERT_EQ(glyphs.size(), 6u);
  EXPECT_EQ(glyphs.front().first, 2);
  for (const auto& g : glyphs) {
    EXPECT_LE(g.second - g.first + 1, 5) << "letter at column " << g.first;
  }
}

TEST(Banner, CreditNamesTheProgramAndItsVersion) {
  const std::string credit = inside(lines(banner())[10]);
  EXPECT_EQ(credit.substr(0, 2), "  ");
  EXPECT_NE(credit[2], ' ');
  EXPECT_NE(credit.find("kintex"), std::string::npos);
  EXPECT_NE(credit.find(KINTEX_VERSION), std::string::npos);
  EXPECT_STREQ(KINTEX_VERSION, "0.1.0");
}

struct MenuFixture : ::testing::Test {
  PedigreeData data;
  MenuFixture() {
    data.columns = 10;
    data.names = {"DXS1", "DXS2"};
  }
};

TEST_F(MenuFixture, DefaultSettings) {
  Settings s;
  EXPECT_EQ(menuText(s, data, {3, 5, 7}),
            "\n\n*MENU*\n1) Log to file.  [off]\n2) X-linked trait. [off]"
            "\n3) Choose null hypothesis. [no linkage]\n4) Choose inheritance model.  [add]"
            "\n5) Choose marker to test. [DXS1]\n6) Choose allele.  [3] \n7) Analyze. \n8) Quit.\n");
}

TEST_F(MenuFixture, ChangedSettingsShowInTheirBrackets) {
  Settings s;
  s.logSetting = 1;
  s.xlinked = 1;
  s.null = 1;
  s.model = 3;
  s.marker = 2;
  s.allele = 3;
  const std::string text = menuText(s, data, {3, 5, 7});
  EXPECT_NE(text.find("\n1) Log to file.  [on]\n2) X-linked trait. [on]\n3) Choose null hypothesis. [linkage]"
                      "\n4) Choose inheritance model.  [rec]\n5) Choose marker to test. [DXS2]"
                      "\n6) Choose allele.  [7] \n"),
            std::string::npos)
      << text;
  s.model = 2;
  s.marker = 0;
  s.allele = 0;
  EXPECT_NE(menuText(s, data, {3, 5, 7})
                .find("model.  [dom]\n5) Choose marker to test. [all]\n6) Choose allele.  [all] \n"),
            std::string::npos);
}

TEST_F(MenuFixture, AlleleSettingPastTheListIsMarked) {
  Settings s;
  s.allele = 4;
  EXPECT_NE(menuText(s, data, {3, 5, 7}).find("\n6) Choose allele.  [4?] \n"), std::string::npos);
  s.allele = 1;
  EXPECT_NE(menuText(s, data, {}).find("\n6) Choose allele.  [1?] \n"), std::string::npos);
}

}  // namespace
