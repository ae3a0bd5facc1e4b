// How the process takes memory from the system (called once, first thing in main).
#pragma once

// A run's tables and results are large and short-lived, and a page touched
// for the first time costs several microseconds on a virtual machine: more
// than the work done on it. This keeps freed memory in the process for
// reuse and backs the main heap with transparent huge pages where the system
// gives them on request. Results do not depend on it; it does nothing under
// a sanitizer or outside glibc on Linux.
void tuneProcessMemory();

// The same for a worker thread (called first on each thread the engine
// starts): a thread's own arena is put on huge pages too.
void tuneWorkerMemory();

// Whether this build tunes anything (glibc on Linux, no sanitizer).
bool memoryTuningApplies();
