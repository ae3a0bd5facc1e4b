// Family statistic under "linkage, no association": the observed value with
// its equally likely mirror values, and the random pair search for sibships.
#pragma once

#include <cstdint>
#include <vector>

#include "family/codings.h"
#include "linkage/types.h"

// Appends to `values` (passed empty) the family's observed statistic T (the
// sum over `children` of affection code times the score, under `model`, of
// the child's copies of the allele at testedPosition), then the statistics of
// its mirror configurations, in which the children's genotypes are exchanged
// among those the family can produce. Returns T when some mirror value
// differs from T (the family is informative); otherwise empties `values` and
// returns 0.0. affection is per member; children and parents are member
// positions; alleleCount is the family allele count; type comes from
// type2 and params.
double stat2(const std::vector<int>& affection, const AlleleMatrix& counts, const std::vector<int>& children,
             int model, int alleleCount, int testedPosition, std::vector<int>& values,
             const FamilyType2& type, const std::vector<int>& parents);

// For a sibship in which stat2 finds no variation: examines every pair of
// children of different genotypes (in order (0,1), (0,2), ..., (1,2), ...),
// keeps the pairs informative by themselves and sets pairAverage to the mean
// of their statistics (0.0 without such a pair). When there is one, draws one
// pair at random (one pairDraw), replaces `children` by it and returns 1;
// otherwise leaves `children` as it was and returns 0. Leaves `values` empty.
// The other arguments are those of stat2.
short moreinf(const std::vector<int>& affection, const AlleleMatrix& counts, std::vector<int>& children,
              int model, int alleleCount, int testedPosition, std::vector<int>& values,
              const FamilyType2& type, const std::vector<int>& parents, double& pairAverage);

// Whether moreinf would find an informative pair (and so make one draw),
// without drawing. Arguments as for moreinf; `values` is left empty.
bool drawsForPair(const std::vector<int>& affection, const AlleleMatrix& counts, const std::vector<int>& children,
                  int model, int alleleCount, int testedPosition, std::vector<int>& values, const FamilyType2& type,
                  const std::vector<int>& parents);

// The pair choice's generator: a linear congruential sequence, one for the
// whole run, so that results repeat on every platform. Each draw advances
// state := state * 214013 + 2531011 (mod 2^32) and returns bits 16..30 of the
// new state, a value in 0..32767. The state starts at 1 and is never reseeded
// by the program (the state is per thread; the engine sets each analysis's
// starting state); tests set it to replay a draw.
int pairDraw();
std::uint32_t pairDrawState();
void setPairDrawState(std::uint32_t state);
// The state after n draws from `state`, in O(log n) steps: an analysis run on
// another thread starts where the sequential run would have left the generator.
std::uint32_t skipPairDraws(std::uint32_t state, std::uint64_t n);
