// Allele lists of a marker and the genotype codings the tests work on.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "family/families.h"

// Per family member, (copies of the tested allele, copies of other alleles):
// (2, 0), (1, 1) or (0, 2). Allele kind 0 is the tested allele, 1 any other.
using AllelePairs = std::vector<std::array<int, 2>>;

// Per family member, copies (0, 1 or 2) of each entry of an allele list.
using AlleleMatrix = std::vector<std::vector<int>>;

// Appends to `list` the distinct positive codes found in columns `column` and
// `column` + 1 of the given rows, and sorts the list ascending. Callers pass
// it empty; 0 (missing) and negative codes are never listed.
void countAlleles(const PedTable& table, std::vector<int>& list, const std::vector<int>& rows,
                  int column);

// The allele lists (as countAlleles gives them over every row) of markers
// first..last (1-based, inclusive), in one pass over the table's rows.
std::vector<std::vector<int>> markerAlleleLists(const PedTable& table, int first, int last);

// The same in parts of rows, which may be read side by side: per marker, a
// bit for each code 0 to 63 seen, and whether any other code was seen.
struct AlleleBits {
  std::vector<std::uint64_t> seen;
  bool unusual = false;
};
// Markers first..last in rows [firstRow, lastRow).
AlleleBits markerAlleleBits(const PedTable& table, int first, int last, std::size_t firstRow, std::size_t lastRow);
// What `part` saw (the same markers, other rows) joins `all`.
void addAlleleBits(AlleleBits& all, const AlleleBits& part);
// The lists of markers first..last from the bits of every row of the table.
std::vector<std::vector<int>> markerAlleleLists(const PedTable& table, int first, int last, const AlleleBits& bits);

// The same list for one marker from its codes as a reader gives them (two per
// sample, in a row): its distinct positive codes, ascending.
std::vector<int> allelesOfCodes(const std::vector<std::int32_t>& codes);

// Appends the codes whose bits are set in `bits` (bit c for code c),
// ascending. Inline: the family walk calls it once per family.
inline void appendCodesOfBits(std::uint64_t bits, std::vector<int>& out) {
  for (; bits != 0; bits &= bits - 1) {
    out.push_back(__builtin_ctzll(bits));
  }
}

// Pair coding of every member against alleleList[k]; pairs is resized to the
// number of members.
void alleles(AllelePairs& pairs, const std::vector<int>& members,
             const std::vector<int>& alleleList, const PedTable& table, int column, int k);

// Matrix coding of every member against every entry of alleleList.
void alleles(AlleleMatrix& matrix, const std::vector<int>& members,
             const std::vector<int>& alleleList, const PedTable& table, int column);

// X-linked parents: the allele kinds a genotyped mother can pass on
// (motherKinds[0..1]) and the kind of a genotyped father's single X (0, 1, or
// -2 for a father coded heterozygous). A position of -1 leaves its output as
// it was.
void mapa(int motherPos, int fatherPos, int* motherKinds, int& fatherKind, const AllelePairs& pairs);

// 1 when the family's pairs are consistent with X-linked inheritance, else 0.
int checkgenos(const AllelePairs& pairs, const std::vector<int>& sons,
               const std::vector<int>& daughters, int fatherPos, int motherPos);
