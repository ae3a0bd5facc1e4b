// X-linked configuration bounds: which tested-allele copies a family's sons
// and daughters can carry, and the node lists of the family's network.
#pragma once

#include <vector>

#include "family/codings.h"

// Which allele kinds (0 the tested allele, 1 any other) the children can
// carry. sonKinds[k] = 1 when a son can carry kind k; daughterKinds[i][j] =
// daughterKinds[j][i] = 1 when a daughter can carry kinds i and j. With a
// parent untyped, a homozygous daughter reveals the father's kind:
// impliedFatherKind becomes 0 after a daughter (2, 0) and 1 after a daughter
// (0, 2) (the last one in list order decides); otherwise it is left as it is.
// Positions are member-list places, -1 for a parent who is not genotyped.
void TypeX(const AllelePairs& pairs, int* sonKinds, int (*daughterKinds)[2], int motherPos, int fatherPos,
           const std::vector<int>& sons, const std::vector<int>& daughters, int& impliedFatherKind);

// The family's consistency check (checkgenos) and then the copies of the tested
// allele: childMin/childMax[0] for one daughter, [1] for one son; sumMin/sumMax
// [0] over all daughters, [1] over all sons, [2] over all children, narrowed by
// what the children reveal of an untyped parent. Returns 1 when the genotypes
// are consistent with X-linked inheritance; 0 when not, and then only the
// zeroed bounds are written. The caller sets impliedFatherKind to -1 first.
// Note the order: father position before mother position.
int minmaxX(const AllelePairs& pairs, int* childMin, int* childMax, int fatherPos, int motherPos,
            const std::vector<int>& sons, const std::vector<int>& daughters, int* sonKinds,
            int (*daughterKinds)[2], int& impliedFatherKind, int* sumMin, int* sumMax);

// Appends the family's network nodes to `stage` and `key0`, which the caller
// seeds with the root (stage 0, key 0). Children are placed daughters first,
// then sons; stage j holds the tested-allele copies carried by the first j
// children, in ascending key order. The last node appended is the end node
// (stage nd + ns + 1, the key of the node before it).
void buildX(std::vector<int>& stage, std::vector<int>& key0, const int* childMin, const int* childMax,
            const int* sumMin, const int* sumMax, const std::vector<int>& sons,
            const std::vector<int>& daughters);
