// Autosomal configuration bounds: possible child genotypes, the range of the
// children's total allele copies, and the node lists of the family's network.
#include "nolinkage/abounds.h"

#include <algorithm>
#include <set>

namespace {

bool contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// Lists of four classes; only classes 0 and 1 carry meaning.
void padToFour(std::vector<int>& list) {
  while (list.size() < 4) {
    list.push_back(0);
  }
}

void setBoth(GenotypeMatrix& matrix, int i, int j) { matrix[i][j] = matrix[j][i] = 1; }

// Per class 0 and 1, the copies summed over the given members.
std::array<int, 4> totals(const AllelePairs& P, const std::vector<int>& members) {
  std::array<int, 4> t{0, 0, 0, 0};
  for (int m : members) {
    t[0] += P[m][0];
    t[1] += P[m][1];
  }
  return t;
}

}  // namespace

void TypeG(const AllelePairs& P, GenotypeMatrix& matrix, const std::vector<int>& parents,
           const std::vector<int>& children, const std::vector<int>& homClasses) {
  if (parents.size() == 2) {
    const int p = parents[0];
    const int q = parents[1];
    for (int i = 0; i <= 1; ++i) {
      for (int j = 0; j <= 1; ++j) {
        const int ways = P[p][i] * P[q][j] + P[q][i] * P[p][j];
        matrix[i][j] = ways >= 1 ? 1 : 0;
      }
    }
    return;
  }
  for (int c : children) {
    for (int j = 0; j <= 1; ++j) {
      for (int k = 0; k <= 1; ++k) {
        const bool heterozygous = j != k && P[c][j] == 1 && P[c][k] == 1;
        const bool homozygous = j == k && P[c][j] == 2;
        if (heterozygous || homozygous) {
          setBoth(matrix, j, k);
        }
      }
    }
  }
  // A child homozygous for h got h from each parent, so a sibling can carry h
  // with the other class.
  for (int h : homClasses) {
    for (int j = 0; j <= 1; ++j) {
      if (j != h) {
        setBoth(matrix, h, j);
      }
    }
  }
}

void minmaxA(const AllelePairs& P, std::vector<int>& minCopies, std::vector<int>& maxCopies,
             const std::vector<int>& parents, const std::vector<int>& children, GenotypeMatrix& matrix,
             std::vector<int>& homClasses) {
  for (int i = 0; i <= 1; ++i) {
    for (int c : children) {
      if (P[c][i] == 2 && !contains(homClasses, i)) {
        homClasses.push_back(i);
      }
    }
  }
  TypeG(P, matrix, parents, children, homClasses);
  for (int i = 0; i <= 3; ++i) {
    int fewest = 1;
    int most = 0;
    for (int j = 0; j <= 3; ++j) {
      for (int k = 0; k <= 3; ++k) {
        if (matrix[j][k] != 1) {
          continue;
        }
        if (j != i && k != i) {
          fewest = 0;
        }
        if (j == i && k == i) {
          most = 2;
        } else if ((j == i || k == i) && most == 0) {
          most = 1;
        }
      }
    }
    minCopies.push_back(fewest);
    maxCopies.push_back(most);
  }
  padToFour(minCopies);
  padToFour(maxCopies);
}

void minmaxm(const std::vector<int>& minCopies, const std::vector<int>& maxCopies, std::vector<int>& low,
             std::vector<int>& high, const AllelePairs& P, const std::vector<int>& children,
             const std::vector<int>& parents, int distinctAlleles, const std::vector<int>& homClasses,
             const GenotypeMatrix& matrix) {
  const int n = static_cast<int>(children.size());
  const int range0 = maxCopies[0] - minCopies[0];
  const std::array<int, 4> childTotal = totals(P, children);
  const std::array<int, 4> parentTotal = totals(P, parents);
  const int two = (parentTotal[0] == 2 || parentTotal[1] == 2) ? 1 : 0;
  for (int p = 0; p <= 3; ++p) {
    const int fewest = minCopies[p];
    const int most = maxCopies[p];
    const int pt = parentTotal[p];
    int lo = 0;
    int hi = 0;
    if (parents.size() == 2) {
      lo = fewest * n;
      hi = most * n;
    } else if (distinctAlleles == 2 && range0 == 1 && two == 0) {
      // Two alleles and no room to vary: the totals are what the children show.
      lo = hi = childTotal[p];
    } else if (parents.size() == 1 && two == 0 && distinctAlleles >= 3) {
      if (matrix[parentTotal[0]][parentTotal[1]] == 1) {
        if (homClasses.size() == 1) {
          const int h = homClasses[0];
          lo = h == p ? 2 : (n - 1) * fewest + most - pt;
          hi = (pt == 1 && h != p) ? n - 1 : (n - 1) * most + fewest + pt;
        } else {
          lo = (n - 1) * fewest + most;
          hi = (n - 1) * most + fewest + pt;
        }
      } else {
        lo = (n - 1) * fewest + most - pt;
        hi = (n - 1) * most + fewest + pt;
      }
    } else {
      lo = (n - 1) * fewest + most;
      hi = (n - 1) * most + fewest;
    }
    low.push_back(lo);
    high.push_back(hi);
  }
  padToFour(low);
  padToFour(high);
}

int OK(const std::array<int, 2>& w, const std::array<int, 2>& c, const GenotypeMatrix& matrix, int h0, int h1,
       const std::vector<int>& homClasses, int j, int transitions, const std::vector<int>& high,
       const std::vector<int>& low, const std::vector<int>& maxCopies, const std::vector<int>& parents) {
  const int L = transitions - 1;  // the last child's stage
  // The child's genotype as a list of classes (it must hold exactly two).
  int genotype[2] = {0, 0};
  int copies = 0;
  for (int k = 0; k <= 1; ++k) {
    const int d = c[k] - w[k];
    const int times = d == 1 ? 1 : (d == 2 ? 2 : 0);
    for (int i = 0; i < times; ++i) {
      if (copies < 2) {
        genotype[copies] = k;
      }
      ++copies;
    }
  }
  if (copies != 2 || matrix[genotype[0]][genotype[1]] != 1) {
    return 0;
  }
  if (parents.size() == 2) {
    return 1;
  }
  // With a parent untyped the children's own homozygotes and totals must
  // still be reachable.
  const std::size_t homs = homClasses.size();
  int result = 1;
  if (homs == 2 && ((j == L - 1 && h0 == 0 && h1 == 0) || (j == L && (h0 == 0 || h1 == 0)))) {
    result = 0;
  }
  if (homs == 1 && j == L && h0 == 0 && h1 == 0) {
    result = 0;
  }
  if (j == L - 1) {
    for (int k = 0; k <= 1; ++k) {
      if (homs == 1 && h0 == 0 && h1 == 0 && k != homClasses[0] && low[k] - c[k] > 0) {
        result = 0;
      }
      if (low[k] - c[k] > maxCopies[k]) {
        result = 0;
      }
    }
    // The classes the last child must still bring.
    const bool still0 = high[0] - c[0] != 0;
    const bool still1 = high[1] - c[1] != 0;
    if ((still0 != still1 && homs == 0) || (still0 && still1 && matrix[0][1] == 0)) {
      result = 0;
    }
  }
  return result;
}

void countHomozygote(const std::vector<int>& homClasses, const int* d, const std::vector<int>& parents, int& h0,
                     int& h1) {
  if (parents.size() == 2) {
    return;
  }
  if (!homClasses.empty() && d[homClasses[0]] == 2) {
    h0 = 1;
  }
  if (homClasses.size() == 2 && d[homClasses[1]] == 2) {
    h1 = 1;
  }
}

void buildG(const std::vector<int>& low, const std::vector<int>& high, int nkids, NodeLists& nodes,
            const std::vector<int>& minCopies, const std::vector<int>& maxCopies,
            const std::vector<int>& homClasses, const GenotypeMatrix& matrix,
            const std::vector<int>& parents) {
  const int a = nkids;
  std::size_t stageStart = 0;  // first node of stage j - 1
  for (int j = 1; j <= a; ++j) {
    std::set<std::array<int, 4>> made;  // (key0, key1, hom0, hom1) of stage j
    const std::size_t before = nodes.stage.size();
    for (std::size_t i = stageStart; i < before; ++i) {
      const std::array<int, 2> w{nodes.key0[i], nodes.key1[i]};
      int lo[2];
      int hi[2];
      for (int k = 0; k <= 1; ++k) {
        lo[k] = std::max(w[k] + minCopies[k], low[k] - (a - j) * maxCopies[k]);
        hi[k] = std::min(high[k] - (a - j) * minCopies[k], w[k] + maxCopies[k]);
      }
      for (int x = lo[0]; x <= hi[0]; ++x) {
        for (int y = lo[1]; y <= hi[1]; ++y) {
          // Each child adds exactly two allele copies.
          if (!((x - w[0]) + (y - w[1]) > 1 && x + y <= 2 * j)) {
            continue;
          }
          const std::array<int, 2> d{x - w[0], y - w[1]};
          int h0 = nodes.hom0[i];
          int h1 = nodes.hom1[i];
          countHomozygote(homClasses, d.data(), parents, h0, h1);
          if (OK(w, {x, y}, matrix, h0, h1, homClasses, j, a + 1, high, low, maxCopies, parents) == 1 &&
              made.insert({x, y, h0, h1}).second) {
            nodes.stage.push_back(j);
            nodes.key0.push_back(x);
            nodes.key1.push_back(y);
            nodes.hom0.push_back(h0);
            nodes.hom1.push_back(h1);
          }
        }
      }
    }
    stageStart = before;
  }
  // The end node; its counters are never read.
  nodes.stage.push_back(a + 1);
  nodes.key0.push_back(high[0]);
  nodes.key1.push_back(high[1]);
  nodes.hom0.push_back(0);
  nodes.hom1.push_back(0);
}
