// Batch mode: kintex pedfilename logfile xlinked H_0 model marker.
#pragma once

// Runs the whole batch analysis from the six arguments argv[1..6]; returns
// the exit status (0 success, 1 on any error, after its message).
int runBatch(char** argv);

// The C library's atoi on this platform: strtol's result cut to int.
int toInt(const char* text);
