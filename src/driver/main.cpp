// kintex: exact family-based association tests in nuclear families.
// No arguments start the interactive menu; six run a batch analysis; any
// other count is a usage error.
#include <iostream>

#include "driver/batch.h"
#include "driver/interactive.h"

int main(int argc, char** argv) {
  if (argc == 1) {
    return runInteractive();
  }
  if (argc == 7) {
    return runBatch(argv);
  }
  std::cout << "\nError: Incorrect number of parameters. \nUsage: kintex pedfilename logfile xlinked H_0 model marker";
  return 1;
}
