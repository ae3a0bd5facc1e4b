// Result report: the lines every analysis writes to the console, the log
// (`outlog`) and informative.txt, with the program's exact texts.
#pragma once

#include <fstream>
#include <string>

// The run's log file; opened (with truncation) by the program driver.
extern std::ofstream outlog;

// Empties informative.txt (in the working directory) and opens it for this analysis.
void openInformativeList();
// "\nInformative: <ped>, (<father>, <mother>)" to informative.txt.
void reportInformative(long ped, long father, long mother);
// The incompatible-genotype warning: console when batch is 0, log when logSetting is 1.
void reportIncompatible(long ped, int batch, int logSetting);
// The result block: console when batch is 0, then log when logSetting is 1.
// With infCount below 1 the numbers are replaced by "****".
void reportResult(const std::string& markerName, int alleleCode, int infCount, int model, double S,
                  double expected, double variance, double p, int batch, int logSetting);
// Ends informative.txt with a line end and closes it.
void closeInformativeList();

// Writes text to the console (batch 0) and then the log (logSetting 1).
void reportText(const std::string& text, int batch, int logSetting);
