// Batch mode: log header, file read, settings check, every allele of the chosen markers.
#include "driver/batch.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "driver/analysis.h"
#include "driver/pedfile.h"
#include "driver/report.h"
#include "family/codings.h"
#include "platform/threads.h"

namespace {

// Writes a message first to the log, then to the console (the order the
// settings checks use).
void logThenConsole(const std::string& text) {
  outlog << text;
  outlog.flush();
  std::cout << text;
}

// Console then log, as the file errors are reported.
void consoleThenLog(const std::string& text) {
  std::cout << text;
  outlog << text;
  outlog.flush();
}

bool validSettings(const Settings& s, int markerCount) {
  if (s.marker < 0 || s.marker > markerCount) {
    logThenConsole("\nMarker " + std::to_string(s.marker) + " is not a valid choice. \n");
    return false;
  }
  const struct {
    int value;
    bool ok;
    const char* name;
  } checks[] = {{s.xlinked, s.xlinked == 0 || s.xlinked == 1, "xlinked"},
                {s.null, s.null == 0 || s.null == 1, "null"},
                {s.model, s.model >= 1 && s.model <= 3, "model"}};
  for (const auto& c : checks) {
    if (!c.ok) {
      logThenConsole("\n" + std::to_string(c.value) + " is not a valid option for '" + c.name + "'.");
      return false;
    }
  }
  return true;
}

// Finds the families of the data and lists the alleles of markers
// first..last. Each needs only the table, so they are done side by side:
// the alleles in parts of rows, which the thread that found the families
// shares once it is done (with hundreds of markers, the alleles take the
// longer). The file's text, parsed by now, is released beside them.
std::vector<std::vector<int>> familiesAndAlleles(const Settings& s, PedigreeData& data, PedigreeText& text,
                                                 int first, int last) {
  const int threads = workerCount(s.threads);
  const std::size_t rows = data.table.size();
  const std::size_t parts = threads > 1 ? 2 * static_cast<std::size_t>(threads) : 1;
  std::vector<AlleleBits> bits(parts);
  parallelFor(2 + parts, threads, [&](std::size_t task) {
    if (task == 0) {
      pedigrees(data.table, data.rows, data.families);
    } else if (task == 1 + parts) {
      text.release();
    } else {
      const std::size_t part = task - 1;
      bits[part] = markerAlleleBits(data.table, first, last, rows * part / parts, rows * (part + 1) / parts);
    }
  });
  for (std::size_t part = 1; part < parts; ++part) {
    addAlleleBits(bits[0], bits[part]);
  }
  return markerAlleleLists(data.table, first, last, bits[0]);
}

// Every allele of markers first..last, marker by marker.
void everyAllele(const Settings& s, const std::vector<std::vector<int>>& lists, int first, int last,
                 std::vector<Step>& steps) {
  for (int m = first; m <= last; ++m) {
    const std::vector<int>& list = lists[static_cast<std::size_t>(m - first)];
    for (int k = 0; k < static_cast<int>(list.size()); ++k) {
      steps.push_back({jobOf(s, m, k, list), ""});
    }
  }
}

// Opens the log, emptying it, and writes the run's header: its arguments.
void openLog(const std::string& fileName, char** argv) {
  outlog.open(fileName, std::ios::out | std::ios::trunc);
  if (!outlog) {
    return;
  }
  outlog << "\n\n* * * * * * * *\n\n";
  for (int i = 1; i <= 6; ++i) {
    outlog << argv[i] << " ";
  }
  outlog << "\n";
}

}  // namespace

// Opening the log truncates it: a log file that is the pedigree file itself
// would destroy the input before it is read.
bool sameFile(const std::string& a, const std::string& b) {
  if (a == b) {
    return true;
  }
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

int toInt(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 10)); }

int runBatch(char** argv, int threads) {
  Settings s;
  s.threads = threads;
  s.pedFileName = argv[1];
  s.logFileName = argv[2];
  s.xlinked = toInt(argv[3]);
  s.null = toInt(argv[4]);
  s.model = toInt(argv[5]);
  s.marker = toInt(argv[6]);
  s.batch = 1;
  s.logSetting = 1;
  // Started first, so that they are running when the file is parsed.
  startWorkers(static_cast<std::size_t>(workerCount(s.threads) - 1));

  if (sameFile(s.pedFileName, s.logFileName)) {
    std::cout << "\nERROR: overwriting input file.\n";
    return 1;
  }
  // The log is opened (emptying it takes the file system a while) beside
  // the reading of the pedigree file; on one thread, in that order.
  PedigreeText text(s.pedFileName);
  parallelFor(1 + text.chunks(), workerCount(s.threads), [&](std::size_t task) {
    if (task == 0) {
      openLog(s.logFileName, argv);
    } else {
      text.readChunk(task - 1);
    }
  });
  text.finishReading();
  if (!outlog.is_open()) {
    std::cout << "\nError opening log file: " << s.logFileName << ". \n";
    return 1;
  }
  s.logOpen = true;

  PedigreeData data;
  std::string error;
  if (!readPedigree(s.pedFileName, text, data, error, s.threads)) {
    consoleThenLog(error.empty() ? "\nError opening file: " + s.pedFileName + ". \n" : error);
    return 1;
  }
  if (!validSettings(s, data.markerCount())) {
    return 1;
  }
  const int first = s.marker == 0 ? 1 : s.marker;
  const int last = s.marker == 0 ? data.markerCount() : s.marker;
  std::vector<Step> steps;
  everyAllele(s, familiesAndAlleles(s, data, text, first, last), first, last, steps);
  runSteps(s, data, steps);
  writeInformativeList();
  outlog.close();
  return 0;
}
