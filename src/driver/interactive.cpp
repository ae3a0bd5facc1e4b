// Interactive mode: the pedigree file prompt, then analyses started from the menu.
#include "driver/interactive.h"

#include <iostream>
#include <string>
#include <vector>

#include "driver/menu.h"
#include "driver/pedfile.h"
#include "driver/report.h"

namespace {

// Opens the log at the first Analyze with logging on; once open it stays open
// on that name until the program ends. A log that cannot be opened switches
// logging off and the analysis is not carried out.
bool logReady(Settings& s) {
  if (s.logSetting != 1 || s.logOpen) {
    return true;
  }
  outlog.open(s.logFileName, std::ios::out | std::ios::trunc);
  if (!outlog) {
    outlog.clear();
    std::cout << "\nError opening log file: " << s.logFileName << ". \n";
    s.logSetting = 0;
    return false;
  }
  s.logOpen = true;
  return true;
}

// The steps for marker m, whose allele list is `alleles`: the chosen allele
// (every allele when the setting is 0). An allele setting past the list skips
// the marker with a note instead of testing a code that is not there.
void alleleSteps(const Settings& s, const PedigreeData& data, int m, const std::vector<int>& alleles,
                 std::vector<Step>& steps) {
  const int count = static_cast<int>(alleles.size());
  if (s.allele == 0) {
    for (int k = 0; k < count; ++k) {
      steps.push_back({jobOf(s, m, k, alleles), ""});
    }
  } else if (s.allele <= count) {
    steps.push_back({jobOf(s, m, s.allele - 1, alleles), ""});
  } else {
    steps.push_back({AnalysisJob{}, "\nAllele " + std::to_string(s.allele) + " is not a valid choice for marker " +
                                        data.names[m - 1] + ". \n"});
  }
}

void analyze(const Settings& s, const PedigreeData& data, std::vector<int>& alleles) {
  std::vector<Step> steps;
  if (s.marker != 0) {
    alleleSteps(s, data, s.marker, alleles, steps);
  } else {
    for (int m = 1; m <= data.markerCount(); ++m) {
      alleles = markerAlleles(data, m);
      alleleSteps(s, data, m, alleles, steps);
    }
  }
  runSteps(s, data, steps);
}

// Reads the pedigree file named at the prompt; false (after the message) when
// it cannot be opened or holds malformed data.
bool readPedigree(const Settings& s, PedigreeData& data) {
  std::string error;
  if (loadPedigree(s.pedFileName, data, error, s.threads)) {
    return true;
  }
  if (!error.empty()) {
    std::cout << error;
    return false;
  }
  std::cout << "\nError opening file: " << s.pedFileName << ". \nType 'q' to quit ";
  char any = 0;
  readChar(any);
  return false;
}

}  // namespace

int runInteractive() {
  Settings s;
  logo();
  std::cout << "\nEnter pedigree file name: ";
  if (!readWord(s.pedFileName)) {
    return 0;
  }
  PedigreeData data;
  if (!readPedigree(s, data)) {
    return 1;
  }
  std::vector<int> alleles = markerAlleles(data, 1);
  while (options(s, data, alleles) != kMenuQuit) {
    if (!logReady(s)) {
      continue;
    }
    analyze(s, data, alleles);
    writeInformativeList();
  }
  if (s.logOpen) {
    outlog.close();
  }
  return 0;
}
