// Interactive menu: the start-up banner, the numbered menu that changes the
// run's settings, and the console reads they share.
#pragma once

#include <string>
#include <vector>

#include "driver/analysis.h"

// The banner: twelve lines of 52 characters (ten blanks, then a 42-character
// frame of dots and colons holding KINTEX in block letters of '+' and a credit
// line), each ended by a line break, then two empty lines.
std::string banner();

// Prints the banner to the console.
void logo();

// The menu as it is shown, its bracketed parts giving the current settings.
// `alleles` is the current allele list; an allele setting past its end shows
// as " [<n>?]".
std::string menuText(const Settings& settings, const PedigreeData& data, const std::vector<int>& alleles);

// What `options` returns.
constexpr int kMenuAnalyze = 7;
constexpr int kMenuQuit = 8;

// Shows the menu and carries out items 1 to 6 until Analyze (returns 7) or
// Quit (returns 8). Changes null, xlinked, model, marker, allele, the log
// setting and the log file name in `settings`, and rebuilds `alleles` when a
// marker is chosen. The end of console input at any prompt returns 8.
int options(Settings& settings, const PedigreeData& data, std::vector<int>& alleles);

// Console reads; each skips white space first and returns false at the end of
// console input. readChar takes one character, readWord one white-space-free word.
bool readChar(char& c);
bool readWord(std::string& word);
