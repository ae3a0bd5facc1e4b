// Batch mode: kintex pedfilename logfile xlinked H_0 model marker.
#pragma once

#include <string>

// Runs the whole batch analysis from the six arguments argv[1..6] on
// `threads` worker threads (0 = every core; the output is the same for any
// number); returns the exit status (0 success, 1 on any error, after its
// message).
int runBatch(char** argv, int threads = 0);

// Whether two file names are one file (the same name, or two names of one
// existing file).
bool sameFile(const std::string& a, const std::string& b);

// The C library's atoi on this platform: strtol's result cut to int.
int toInt(const char* text);
