// The run's settings and data, and the one test call that every analysis goes through.
#pragma once

#include <string>
#include <vector>

#include "analysis/engine.h"
#include "analysis/result.h"
#include "driver/pedfile.h"
#include "family/families.h"

struct Settings {
  int xlinked = 0;     // 1 X-linked trait, 0 autosomal
  int null = 0;        // 0 "no linkage, no association", 1 "linkage, no association"
  int model = 1;       // 1 additive, 2 dominant, 3 recessive
  int marker = 1;      // 1-based; 0 = all markers
  int allele = 1;      // 1-based position in the allele list; 0 = all alleles
  int logSetting = 0;  // 1: results also go to the log file
  int batch = 0;       // 1 in batch mode
  bool logOpen = false;
  int threads = 0;     // worker threads for the analyses (0 = every core)
  std::string pedFileName;
  std::string logFileName;
};

// The pedigree table with its marker names, read once for the whole run, and
// its nuclear families, found once (they do not depend on the marker).
struct PedigreeData : PedigreeFile {
  FamilyList families;

  int markerCount() const { return (columns - 6) / 2; }
};

// Reads the pedigree file (one pass) and finds its nuclear families. False
// when it cannot be used: `error` is then empty when the file cannot be
// opened or has no marker name, or holds the message for a malformed line.
// threads: as Settings::threads, for reading a large file in parts.
bool loadPedigree(const std::string& fileName, PedigreeData& data, std::string& error, int threads = 1);

// The file alone, as loadPedigree reads it: the families are left to find.
bool readPedigree(const std::string& fileName, PedigreeData& data, std::string& error, int threads = 1);
// The same from the file's text, read already.
bool readPedigree(const std::string& fileName, const PedigreeText& text, PedigreeData& data,
                  std::string& error, int threads = 1);

// First allele column of marker m.
inline int markerColumn(int m) { return 2 * m + 4; }

// The allele list of marker m over every row of the table.
std::vector<int> markerAlleles(const PedigreeData& data, int m);

// The analysis of marker m and the allele at 0-based position k of its allele
// list L under the run's settings.
AnalysisJob jobOf(const Settings& settings, int m, int k, const std::vector<int>& L);

// One step of an Analyze or a batch run, in report order: an analysis, or
// (when `note` is not empty) a note written in its place.
struct Step {
  AnalysisJob job;
  std::string note;
};

// Runs the steps' analyses on the settings' worker threads and reports them in
// order: per analysis its warnings and its result block (console when not in
// batch mode, log when logging is on); the informative families of the last
// analysis become the run's list, which writeInformativeList puts in
// informative.txt. The output is the same for any number of threads.
void runSteps(const Settings& settings, const PedigreeData& data, const std::vector<Step>& steps);

// One analysis run and reported on the calling thread.
void testAndReport(const Settings& settings, const PedigreeData& data, int m, int k, const std::vector<int>& L);
