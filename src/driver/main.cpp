// kintex: exact family-based association tests in nuclear families.
// No arguments start the interactive menu. When no argument starts with
// "--" the classic form applies: six run a batch analysis, any other count
// is a usage error; "--threads N" may precede the six. Otherwise the
// named-option form (kintex --help).
#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>

#include "analysis/engine.h"
#include "driver/batch.h"
#include "driver/interactive.h"
#include "driver/memory.h"
#include "driver/options.h"
#include "driver/studyrun.h"
#include "platform/threads.h"

namespace {

bool namedForm(int argc, char** argv) {
  return std::any_of(argv + 1, argv + argc, [](const char* arg) { return std::strncmp(arg, "--", 2) == 0; });
}

}  // namespace

int main(int argc, char** argv) {
  tuneProcessMemory();
  setWorkerStart(tuneWorkerMemory);
  if (argc == 1) {
    return runInteractive();
  }
  // --threads N before the six batch arguments: N worker threads (0 = every core).
  if (argc == 9 && std::string(argv[1]) == "--threads" && !namedForm(argc - 2, argv + 2)) {
    return runBatch(argv + 2, toInt(argv[2]));
  }
  if (namedForm(argc, argv)) {
    RunOptions options;
    if (const auto status = parseOptions(argc, argv, options, std::cout, std::cerr)) {
      return *status;
    }
    return runStudy(options);
  }
  if (argc == 7) {
    return runBatch(argv);
  }
  std::cout << "\nError: Incorrect number of parameters. \nUsage: kintex pedfilename logfile xlinked H_0 "
               "model marker";
  return 1;
}
