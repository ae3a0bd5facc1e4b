// Result report: the exact lines of every analysis.
#include "driver/report.h"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>

std::ofstream outlog;

namespace {
// The informative families of the latest analysis, and whether any analysis
// has run since informative.txt was last written.
std::vector<FamilyId> latestInformative;
bool informativePending = false;
// informative.txt, when opened (and emptied) ahead of its writing.
std::ofstream informativeFile;

const char* modelText(int model) {
  switch (model) {
    case 1:
      return ", additive inheritance.";
    case 2:
      return ", dominant inheritance.";
    case 3:
      return ", recessive inheritance.";
    default:
      return "";
  }
}

void writeResultBlock(std::ostream& out, const std::string& markerName, int alleleCode, int infCount,
                      int model, double S, double expected, double variance, double p) {
  out << "\n\nMarker: " << markerName << ", Allele " << alleleCode << ", Inf fams: " << infCount
      << modelText(model);
  if (infCount < 1) {
    out << "\nS: ****, E(S): ****, Var(S): ****, p: ****" << std::endl;
  } else {
    out << "\nS: " << S << ", E(S): " << expected << ", Var(S): " << variance << ", p: " << p
        << std::endl;
  }
}
}  // namespace

void keepInformativeList(std::vector<FamilyId> families) {
  latestInformative = std::move(families);
  informativePending = true;
}

void writeInformativeList() {
  if (!informativePending) {
    return;
  }
  // Made in memory and written at once: a study lists thousands of families.
  std::string text;
  text.reserve(48 * latestInformative.size() + 1);
  char number[16];
  const auto append = [&](const char* before, std::int32_t value) {
    text += before;
    text.append(number, std::to_chars(number, number + sizeof number, value).ptr);
  };
  for (const FamilyId& f : latestInformative) {
    append("\nInformative: ", f.ped);
    append(", (", f.father);
    append(", ", f.mother);
    text += ')';
  }
  text += '\n';
  openInformativeList();
  informativeFile.write(text.data(), static_cast<std::streamsize>(text.size()));
  informativeFile.close();
  informativePending = false;
}

void openInformativeList() {
  if (!informativeFile.is_open()) {
    informativeFile.clear();
    informativeFile.open("informative.txt", std::ios::out | std::ios::trunc);
  }
}

void reportNoFamilies() { std::cout << "Failed to open file. " << '\n'; }

void reportText(const std::string& text, int batch, int logSetting) {
  if (batch == 0) {
    std::cout << text;
  }
  if (logSetting == 1) {
    outlog << text;
  }
}

void reportIncompatible(long ped, int batch, int logSetting) {
  reportText("\nWarning: Ped " + std::to_string(ped) + " contains incompatible genotypes.", batch,
             logSetting);
}

void reportResult(const std::string& markerName, int alleleCode, int infCount, int model, double S,
                  double expected, double variance, double p, int batch, int logSetting) {
  if (batch == 0) {
    writeResultBlock(std::cout, markerName, alleleCode, infCount, model, S, expected, variance, p);
  }
  if (logSetting == 1) {
    writeResultBlock(outlog, markerName, alleleCode, infCount, model, S, expected, variance, p);
  }
}
