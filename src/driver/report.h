// Result report: the lines every analysis writes to the console, the log
// (`outlog`) and informative.txt, with the program's exact texts.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "analysis/result.h"

// The run's log file; opened (with truncation) by the program driver.
extern std::ofstream outlog;

// Keeps the informative families of the latest analysis, for informative.txt.
void keepInformativeList(std::vector<FamilyId> families);
// Writes informative.txt (in the working directory) once, when analyses have
// run since the last write: one line "\nInformative: <ped>, (<father>,
// <mother>)" per family of the latest analysis, then a line end.
void writeInformativeList();
// Opens informative.txt for that writing now, emptying it: a file system takes
// a while to empty a file, which beside a run's analyses costs it nothing. Only
// where writeInformativeList is sure to follow with analyses to list.
void openInformativeList();
// "Failed to open file. " on the console: the pedigree table holds no nuclear
// family (the text users know).
void reportNoFamilies();
// The incompatible-genotype warning: console when batch is 0, log when logSetting is 1.
void reportIncompatible(long ped, int batch, int logSetting);
// The result block: console when batch is 0, then log when logSetting is 1.
// With infCount below 1 the numbers are replaced by "****".
void reportResult(const std::string& markerName, int alleleCode, int infCount, int model, double S,
                  double expected, double variance, double p, int batch, int logSetting);

// Writes text to the console (batch 0) and then the log (logSetting 1).
void reportText(const std::string& text, int batch, int logSetting);
