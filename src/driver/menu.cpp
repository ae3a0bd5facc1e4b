// Interactive menu: banner, menu text and the menu items with their exact texts.
#include "driver/menu.h"

#include <array>
#include <iostream>
#include <limits>

#include "driver/batch.h"

namespace {

const char* const kInvalidChoice = "\nError: You have made an invalid choice.";
const char* const kInvalidValue = "\nERROR: You have made an invalid choice.\n";

constexpr int kIndent = 10;       // blanks before the frame
constexpr int kFrameInside = 40;  // columns between the two colons
constexpr int kMargin = 2;        // blanks between the left colon and the text

// Block letters, five columns wide, drawn as five distinct rows; the fourth
// row is printed twice so that the letters stand six lines tall.
constexpr int kGlyphRows = 5;
const std::array<std::array<const char*, kGlyphRows>, 6> kLetters = {{
    {"+   +", "+  + ", "+++  ", "+  + ", "+   +"},  // K
    {"+++++", "  +  ", "  +  ", "  +  ", "+++++"},  // I
    {"+   +", "++  +", "+ + +", "+  ++", "+   +"},  // N
    {"+++++", "  +  ", "  +  ", "  +  ", "  +  "},  // T
    {"+++++", "+    ", "++++ ", "+    ", "+++++"},  // E
    {"+   +", " + + ", "  +  ", " + + ", "+   +"},  // X
}};

std::string bannerLine(const std::string& frame) { return std::string(kIndent, ' ') + frame + "\n"; }

// A frame row: colon, the text two columns in, blanks up to 40 columns, colon.
std::string frameRow(const std::string& text) {
  std::string inside = std::string(kMargin, ' ') + text;
  inside.resize(kFrameInside, ' ');
  return bannerLine(":" + inside + ":");
}

std::string letterRow(int row) {
  std::string text;
  for (const auto& letter : kLetters) {
    text += (text.empty() ? "" : " ") + std::string(letter[row]);
  }
  return frameRow(text);
}

// An item's outcome; End (the end of console input) ends the program as Quit does.
enum class Answer { Ok, Invalid, End };

// The marker number, read as an integer: what follows the digits stays in the
// input; no digits, or a value beyond int, discards the rest of the line.
Answer readNumber(int& value) {
  int v = 0;
  if (std::cin >> v) {
    value = v;
    return Answer::Ok;
  }
  if (std::cin.eof()) {
    return Answer::End;
  }
  std::cin.clear();
  std::cin.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  return Answer::Invalid;
}

// Item 1. When the log file is already open no name is asked: the open file
// goes on being used.
Answer chooseLogging(Settings& s) {
  std::cout << "\nLog to file? (0) no (1) yes ";
  char c = 0;
  if (!readChar(c)) {
    return Answer::End;
  }
  if (c == '0') {
    s.logSetting = 0;
  } else if (c == '1') {
    while (!s.logOpen) {
      std::cout << "\nEnter logfile name: ";
      if (!readWord(s.logFileName)) {
        return Answer::End;
      }
      // Opening the log empties it, which would destroy the pedigree file.
      if (!sameFile(s.logFileName, s.pedFileName)) {
        break;
      }
      std::cout << "\nERROR: overwriting input file.\n";
    }
    s.logSetting = 1;
  } else {
    std::cout << kInvalidChoice;
  }
  return Answer::Ok;
}

// Items 2 and 3: a question answered 0 or 1.
Answer chooseFlag(const char* question, int& flag) {
  std::cout << question;
  char c = 0;
  if (!readChar(c)) {
    return Answer::End;
  }
  if (c == '0' || c == '1') {
    flag = c - '0';
  } else {
    std::cout << kInvalidChoice;
  }
  return Answer::Ok;
}

Answer chooseModel(int& model) {
  static const char* const names[] = {"additive", "dominant", "recessive"};
  std::cout << "1) Additive.\n2) Dominant.\n3) Recessive.\n";
  char c = 0;
  if (!readChar(c)) {
    return Answer::End;
  }
  if (c >= '1' && c <= '3') {
    model = c - '0';
    std::cout << "\nThe current inheritance model is " << names[model - 1] << ".\n\n";
  } else {
    std::cout << kInvalidValue;
  }
  return Answer::Ok;
}

// Item 5. Marker 0 (all) builds the list from the two columns ahead of the
// first marker; an analysis of all markers rebuilds each marker's own list.
Answer chooseMarker(Settings& s, const PedigreeData& data, std::vector<int>& alleles) {
  std::cout << "Choose marker number: \n(0) all";
  for (int i = 1; i <= data.markerCount(); ++i) {
    std::cout << "\n(" << i << ") " << data.names[i - 1];
  }
  std::cout << "\n";
  int m = 0;
  const Answer answer = readNumber(m);
  if (answer == Answer::End) {
    return answer;
  }
  if (answer == Answer::Ok && m >= 0 && m <= data.markerCount()) {
    s.marker = m;
    alleles = markerAlleles(data, m);
  } else {
    std::cout << kInvalidValue;
  }
  return Answer::Ok;
}

// Item 6. Only the first six alleles of a list can be chosen singly.
Answer chooseAllele(Settings& s, const std::vector<int>& alleles) {
  std::cout << "Choose allele: \n(0) all";
  for (std::size_t i = 0; i < alleles.size(); ++i) {
    std::cout << "\n(" << i + 1 << ") " << alleles[i];
  }
  std::cout << "\n";
  char c = 0;
  if (!readChar(c)) {
    return Answer::End;
  }
  if (c >= '0' && c <= '6') {
    s.allele = c - '0';
  } else {
    std::cout << kInvalidValue;
  }
  return Answer::Ok;
}

Answer carryOut(char item, Settings& s, const PedigreeData& data, std::vector<int>& alleles) {
  switch (item) {
    case '1':
      return chooseLogging(s);
    case '2':
      return chooseFlag("\nX-linked trait? (0) no (1) yes ", s.xlinked);
    case '3':
      return chooseFlag(
          "\nChoose null hypothesis. \n(0) 'no linkage, no association' (1) 'linkage, no association' ",
          s.null);
    case '4':
      return chooseModel(s.model);
    case '5':
      return chooseMarker(s, data, alleles);
    default:
      return chooseAllele(s, alleles);
  }
}

}  // namespace

std::string banner() {
  const std::string dots = bannerLine(std::string(kFrameInside + 2, '.'));
  std::string text = dots + frameRow("");
  for (int row : {0, 1, 2, 3, 3, 4}) {
    text += letterRow(row);
  }
  text += frameRow("") + frameRow("") + frameRow("kintex " KINTEX_VERSION " - family association") + dots;
  return text + "\n\n";
}

void logo() { std::cout << banner(); }

std::string menuText(const Settings& s, const PedigreeData& data, const std::vector<int>& alleles) {
  static const char* const models[] = {" [add]", " [dom]", " [rec]"};
  std::string text = "\n\n*MENU*";
  text += std::string("\n1) Log to file. ") + (s.logSetting == 1 ? " [on]" : " [off]");
  text += std::string("\n2) X-linked trait. ") + (s.xlinked == 1 ? "[on]" : "[off]");
  text += std::string("\n3) Choose null hypothesis. ") + (s.null == 1 ? "[linkage]" : "[no linkage]");
  text += std::string("\n4) Choose inheritance model. ") + models[s.model - 1];
  text += "\n5) Choose marker to test.";
  text += s.marker == 0 ? " [all]" : " [" + data.names[s.marker - 1] + "]";
  text += "\n6) Choose allele. ";
  if (s.allele == 0) {
    text += " [all]";
  } else if (s.allele > static_cast<int>(alleles.size())) {
    text += " [" + std::to_string(s.allele) + "?]";
  } else {
    text += " [" + std::to_string(alleles[s.allele - 1]) + "]";
  }
  return text + " \n7) Analyze. \n8) Quit.\n";
}

int options(Settings& s, const PedigreeData& data, std::vector<int>& alleles) {
  for (;;) {
    std::cout << menuText(s, data, alleles);
    char item = 0;
    if (!readChar(item)) {
      return kMenuQuit;
    }
    if (item == '7') {
      return kMenuAnalyze;
    }
    if (item == '8') {
      return kMenuQuit;
    }
    if (item < '1' || item > '6') {
      std::cout << kInvalidChoice;
    } else if (carryOut(item, s, data, alleles) == Answer::End) {
      return kMenuQuit;
    }
  }
}

bool readChar(char& c) { return static_cast<bool>(std::cin >> c); }

bool readWord(std::string& word) { return static_cast<bool>(std::cin >> word); }
