// Helpers shared by the unit tests: small pedigree tables written inline.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "driver/analysis.h"
#include "driver/report.h"
#include "network/logspace.h"
#include "family/families.h"

// One individual: ped, id, father, mother, sex, affection, then allele pairs.
inline PedTable makeTable(std::initializer_list<std::vector<long>> rows) { return PedTable(rows); }

// The nuclear families of a table, as a run finds them once.
inline FamilyList familiesOf(const PedTable& t) {
  FamilyList f;
  pedigrees(t, static_cast<int>(t.size()), f);
  return f;
}

// One analysis of marker 1 and the allele at position k of L, reported as the
// program reports it (console when batch is 0, log when logSetting is 1), and
// informative.txt written.
inline void analyseAndReport(const PedTable& t, const std::vector<std::string>& names, int xlinked, int null,
                             int model, int k, const std::vector<int>& L, int batch, int logSetting) {
  PedigreeData data;
  data.table = t;
  data.rows = static_cast<int>(t.size());
  data.columns = static_cast<int>(t.width());
  data.names = names;
  data.families = familiesOf(t);
  Settings s;
  s.xlinked = xlinked;
  s.null = null;
  s.model = model;
  s.batch = batch;
  s.logSetting = logSetting;
  testAndReport(s, data, 1, k, L);
  writeInformativeList();
}

inline std::vector<int> allRows(const PedTable& t) {
  std::vector<int> rows;
  for (int i = 0; i < static_cast<int>(t.size()); ++i) {
    rows.push_back(i);
  }
  return rows;
}

// The log's result block of marker M1 under the additive model.
inline std::string resultBlock(int allele, int informative, const std::string& numbers) {
  return "\n\nMarker: M1, Allele " + std::to_string(allele) + ", Inf fams: " + std::to_string(informative) +
         ", additive inheritance.\n" + numbers + "\n";
}

inline const char* const noResult = "S: ****, E(S): ****, Var(S): ****, p: ****";

// Runs `body` in a fresh directory (analyses write informative.txt to the
// working directory) with the console and the log file captured.
struct ReportCapture {
  std::string console;
  std::string log;
  std::string informative;
  template <class F>
  ReportCapture(const std::string& dirName, F body);
};

inline std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

template <class F>
ReportCapture::ReportCapture(const std::string& dirName, F body) {
  // One directory per test and process: ctest runs tests in parallel, and
  // every analysis writes the same informative.txt.
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  const auto dir = std::filesystem::path(testing::TempDir()) /
                   (dirName + "-" + test->test_suite_name() + "-" + test->name() + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::remove("informative.txt");
  outlog.open("test.log", std::ios::out | std::ios::trunc);
  std::ostringstream text;
  std::streambuf* saved = std::cout.rdbuf(text.rdbuf());
  body();
  std::cout.rdbuf(saved);
  outlog.close();
  console = text.str();
  log = slurp("test.log");
  informative = slurp("informative.txt");
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
}

// Sorted insertion written independently of the program's: a plain walk from
// the head of the list, merging an equal value by addlog. The finger
// insertions must give exactly the same list, bit for bit.
template <class R>
void insertFromHead(R*& head, R* rec, void (*release)(R*)) {
  if (head == nullptr || head->value > rec->value) {
    rec->next = head;
    head = rec;
    return;
  }
  R* p = head;
  while (p->next != nullptr && p->value != rec->value && !(p->next->value > rec->value)) {
    p = p->next;
  }
  if (p->value == rec->value) {
    p->logProb = addlog(p->logProb, rec->logProb);
    release(rec);
  } else {
    rec->next = p->next;
    p->next = rec;
  }
}
