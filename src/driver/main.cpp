// kintex: exact family-based association tests in nuclear families.
// No arguments start the interactive menu; six run a batch analysis (after
// an optional "--threads N"); any other count is a usage error.
#include <iostream>
#include <string>

#include "driver/batch.h"
#include "driver/interactive.h"

int main(int argc, char** argv) {
  if (argc == 1) {
    return runInteractive();
  }
  if (argc == 7) {
    return runBatch(argv);
  }
  // --threads N before the six batch arguments: N worker threads (0 = every core).
  if (argc == 9 && std::string(argv[1]) == "--threads") {
    return runBatch(argv + 2, toInt(argv[2]));
  }
  std::cout << "\nError: Incorrect number of parameters. \nUsage: kintex pedfilename logfile xlinked H_0 model marker";
  return 1;
}
