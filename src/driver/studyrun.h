// The named-option run: reads a study in any input format, analyses the
// selected markers in batches and writes <out>.tsv, <out>.log and
// <out>.informative.tsv.
#pragma once

#include "driver/options.h"

// Runs the study; returns the exit status (0 success, 1 after an error on
// standard error, with no output file replaced).
int runStudy(const RunOptions& options);
