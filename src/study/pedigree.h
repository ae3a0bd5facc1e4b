// A study's pedigree as the tests need it: string ids coded as integers for
// the pedigree table, nuclear families found once, and the checks of the
// pedigree's structure (duplicate ids, missing parents, parents of the wrong
// sex, individuals who are their own ancestor).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/result.h"
#include "family/families.h"
#include "io/study.h"

// What the pedigree checks found: one message per problem (naming the
// family and the individual) and the counts the log reports.
struct PedigreeQc {
  std::vector<std::string> warnings;
  int missingParents = 0;   // parent ids with no record (taken as untyped parents)
  int singleParent = 0;     // individuals with one parent given (taken as founders)
  int wrongSexParents = 0;  // nuclear families left out: father female or mother male
  int cyclePedigrees = 0;   // pedigrees left out: someone is their own ancestor
  int familiesLeftOut = 0;  // nuclear families left out by the two checks above
};

// The coded pedigree. Family code c (1-based) is familyNames[c - 1];
// individual code c is individualNames[c - 1]. Codes are per distinct string,
// so one individual id used in two families has one code, as the integer ids
// of kintex's own layout do. 0 stays "not given".
struct StudyPedigree {
  std::vector<std::string> familyNames;
  std::vector<std::string> individualNames;
  // Per sample, in input order: pedigree, individual, father, mother codes,
  // sex (1 male, 2 female, 0 unknown) and affection (2 affected).
  std::vector<std::array<std::int32_t, 6>> columns;
  FamilyList families;  // nuclear families, those left out by the checks removed
  PedigreeQc qc;

  std::size_t size() const { return columns.size(); }
  const std::string& familyName(long code) const { return familyNames[code - 1]; }
  const std::string& individualName(long code) const { return individualNames[code - 1]; }
};

// Codes the samples and checks the pedigree. Throws io::InputError when one
// individual id appears twice within a family (naming both records, counted
// from 1 in input order): the genotypes could not be told apart.
StudyPedigree buildPedigree(const std::vector<io::Sample>& samples);

// The pedigree table with the six pedigree columns of every sample and room
// for `markers` markers (alleles 0).
PedTable pedigreeTable(const StudyPedigree& pedigree, std::size_t markers);

// "family F, father X, mother Y" of a nuclear family of the table.
std::string describeFamily(const StudyPedigree& pedigree, const FamilyId& family);

// Nuclear families by shape: [parents with a record: 0, 1, 2][one child: 0,
// two or more: 1].
using FamilyKinds = std::array<std::array<int, 2>, 3>;
FamilyKinds familyKinds(const StudyPedigree& pedigree);
