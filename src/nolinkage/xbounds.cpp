// X-linked configuration bounds: a father passes his single X to every
// daughter and none to his sons; a mother passes one of her two X to each child.
#include "nolinkage/xbounds.h"

#include <algorithm>

namespace {

bool hasTwoTested(const std::array<int, 2>& pair) { return pair[0] == 2; }
bool hasTwoOther(const std::array<int, 2>& pair) { return pair[1] == 2; }

// Kinds the children themselves show, and the father kind a homozygous
// daughter implies (a daughter homozygous for kind K got K from her father).
void kindsShownByChildren(const AllelePairs& P, int* sonKinds, int (*daughterKinds)[2],
                          const std::vector<int>& sons, const std::vector<int>& daughters,
                          int& impliedFatherKind) {
  for (int d : daughters) {
    if (hasTwoTested(P[d])) {
      daughterKinds[0][0] = 1;
      impliedFatherKind = 0;
    } else if (hasTwoOther(P[d])) {
      daughterKinds[1][1] = 1;
      impliedFatherKind = 1;
    } else if (P[d][0] == 1 && P[d][1] == 1) {
      daughterKinds[0][1] = daughterKinds[1][0] = 1;
    }
  }
  for (int s : sons) {
    if (hasTwoTested(P[s])) {
      sonKinds[0] = 1;
    } else if (hasTwoOther(P[s])) {
      sonKinds[1] = 1;
    }
  }
}

}  // namespace

void TypeX(const AllelePairs& P, int* sonKinds, int (*daughterKinds)[2], int motherPos, int fatherPos,
           const std::vector<int>& sons, const std::vector<int>& daughters, int& impliedFatherKind) {
  sonKinds[0] = sonKinds[1] = 0;
  daughterKinds[0][0] = daughterKinds[0][1] = daughterKinds[1][0] = daughterKinds[1][1] = 0;
  int motherKinds[2] = {-1, -1};
  int f = -1;
  mapa(motherPos, fatherPos, motherKinds, f, P);
  if (motherPos != -1 && fatherPos != -1) {
    // Each daughter: the father's X and one of the mother's; each son: one of the mother's.
    for (int m : motherKinds) {
      daughterKinds[m][f] = daughterKinds[f][m] = 1;
      sonKinds[m] = 1;
    }
    return;
  }
  kindsShownByChildren(P, sonKinds, daughterKinds, sons, daughters, impliedFatherKind);
  if (motherPos != -1) {
    sonKinds[motherKinds[0]] = sonKinds[motherKinds[1]] = 1;
  }
  if (fatherPos != -1) {
    // A son shows one of the mother's kinds; a daughter can pair it with the father's.
    for (int s : sons) {
      if (hasTwoTested(P[s])) {
        daughterKinds[f][0] = daughterKinds[0][f] = 1;
      }
      if (hasTwoOther(P[s])) {
        daughterKinds[f][1] = daughterKinds[1][f] = 1;
      }
    }
    if (daughterKinds[1][0] == 1) {
      sonKinds[1 - f] = 1;
    }
  }
  if (impliedFatherKind != -1) {
    sonKinds[0] = sonKinds[1] = 1;
    daughterKinds[0][1] = daughterKinds[1][0] = 1;
  }
}

namespace {

// Fewest and most tested-allele copies of one daughter and of one son.
void perChildCopies(int nd, int ns, const int* sonKinds, int (*daughterKinds)[2], int* childMin,
                    int* childMax) {
  int dMin = 0;
  int dMax = 0;
  if (nd > 0) {
    dMin = 2;
    if (daughterKinds[0][0] == 1) {
      dMax = 2;
    }
    if (daughterKinds[1][0] == 1) {
      dMin = 1;
      if (dMax == 0) {
        dMax = 1;
      }
    }
    if (daughterKinds[1][1] == 1) {
      dMin = 0;
    }
  }
  int sMin = 0;
  int sMax = 0;
  if (ns > 0) {
    sMin = 1;
    if (sonKinds[0] == 1) {
      sMax = 1;
    }
    if (sonKinds[1] == 1) {
      sMin = 0;
    }
  }
  childMin[0] = dMin;
  childMin[1] = sMin;
  childMax[0] = dMax;
  childMax[1] = sMax;
}

// Narrows the totals by what the children reveal of an untyped parent: a
// daughter homozygous for kind K got K from her father, so with K = 0 every
// daughter carries a copy and one carries two (at least nd + 1 copies), with
// K = 1 one daughter carries none and the others at most one.
void conditionOnUntypedParent(int nd, int ns, bool motherKnown, bool fatherKnown, int f, int K,
                              const int* sonKinds, int* sumMin, int* sumMax) {
  if (!fatherKnown && motherKnown) {
    if (K == 0) {
      sumMin[0] = std::max(sumMin[0], nd + 1);
    } else if (K == 1) {
      sumMax[0] = std::min(sumMax[0], nd - 1);
    }
  }
  if (!fatherKnown && !motherKnown) {
    // Sons of both kinds were seen: the mother is heterozygous and both stay present.
    if (K == -1 && sonKinds[0] == 1 && sonKinds[1] == 1) {
      sumMin[1] = 1;
      sumMax[1] = ns - 1;
    }
    if (K == 0) {
      sumMin[0] = std::max(sumMin[0], nd + 1);
    }
    if (K == 1) {
      sumMax[0] = std::min(sumMax[0], nd - 1);
    }
  }
  sumMin[2] = sumMin[0] + sumMin[1];
  sumMax[2] = sumMax[0] + sumMax[1];
  if (!fatherKnown && !motherKnown) {
    if (K == 0) {
      sumMax[2] = std::min(sumMax[2], 2 * nd + ns - 1);
    } else if (K == 1) {
      sumMin[2] = std::max(sumMin[2], 1);
    }
  }
  if (!motherKnown && fatherKnown) {
    if (f == 0 && (K == 0 || sonKinds[0] == 1)) {
      sumMin[2] = std::max(nd + 1, sumMin[0] + sumMin[1]);
      sumMax[2] = std::min(sumMax[2], sumMax[0] + sumMax[1] - 1);
    }
    if (f == 1 && (K == 1 || sonKinds[1] == 1)) {
      sumMin[2] = std::max(1, sumMin[0] + sumMin[1]);
      sumMax[2] = std::min(sumMax[0] + sumMax[1], nd + ns - 1);
    }
  }
  if (ns == 0) {
    sumMin[0] = std::max(sumMin[0], sumMin[2]);
    sumMax[0] = std::min(sumMax[0], sumMax[2]);
  }
}

}  // namespace

int minmaxX(const AllelePairs& P, int* childMin, int* childMax, int fatherPos, int motherPos,
            const std::vector<int>& sons, const std::vector<int>& daughters, int* sonKinds,
            int (*daughterKinds)[2], int& impliedFatherKind, int* sumMin, int* sumMax) {
  childMin[0] = childMin[1] = childMax[0] = childMax[1] = 0;
  sumMin[0] = sumMin[1] = sumMin[2] = 0;
  sumMax[0] = sumMax[1] = sumMax[2] = 0;
  if (checkgenos(P, sons, daughters, fatherPos, motherPos) == 0) {
    return 0;
  }
  TypeX(P, sonKinds, daughterKinds, motherPos, fatherPos, sons, daughters, impliedFatherKind);
  int motherKinds[2] = {-1, -1};
  int f = -1;
  mapa(motherPos, fatherPos, motherKinds, f, P);

  const int nd = static_cast<int>(daughters.size());
  const int ns = static_cast<int>(sons.size());
  perChildCopies(nd, ns, sonKinds, daughterKinds, childMin, childMax);
  sumMin[0] = childMin[0] * nd;
  sumMin[1] = childMin[1] * ns;
  sumMax[0] = childMax[0] * nd;
  sumMax[1] = childMax[1] * ns;
  conditionOnUntypedParent(nd, ns, motherPos != -1, fatherPos != -1, f, impliedFatherKind, sonKinds, sumMin,
                           sumMax);
  return 1;
}

void buildX(std::vector<int>& stage, std::vector<int>& key0, const int* childMin, const int* childMax,
            const int* sumMin, const int* sumMax, const std::vector<int>& sons,
            const std::vector<int>& daughters) {
  const int nd = static_cast<int>(daughters.size());
  const int n = nd + static_cast<int>(sons.size());
  // Keys never exceed two copies per child.
  std::vector<char> present;
  for (int j = 1; j <= n; ++j) {
    present.assign(static_cast<std::size_t>(2 * n + 3), 0);
    const std::size_t before = stage.size();
    for (std::size_t i = 0; i < before; ++i) {
      if (stage[i] != j - 1) {
        continue;
      }
      const int v = key0[i];
      int lo = 0;
      int hi = 0;
      if (j <= nd) {
        // Daughters still to place must reach the daughters' total.
        lo = std::max(v + childMin[0], sumMin[0] - (nd - j) * childMax[0]);
        hi = std::min(sumMax[0] - (nd - j) * childMin[0], v + childMax[0]);
      } else {
        // Sons are bounded by the family's total over the children still to place.
        lo = std::max(v + childMin[1], sumMin[2] - (n - j) * childMax[1]);
        hi = std::min(sumMax[2] - (n - j) * childMin[1], v + childMax[1]);
      }
      for (int l = lo; l <= hi; ++l) {
        if (present[l] == 0) {
          present[l] = 1;
          stage.push_back(j);
          key0.push_back(l);
        }
      }
    }
  }
  stage.push_back(n + 1);
  key0.push_back(key0.back());
}
