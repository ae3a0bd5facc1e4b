// Family statistic under "linkage, no association", its mirror values and
// the random pair search for sibships.
#include "linkage/stat2.h"

#include "nolinkage/statistic.h"

namespace {

thread_local std::uint32_t drawState = 1;

// Copies of the tested allele that a child takes in the mirror configurations
// of a family with two homozygous genotypes, by the copies it has. The last
// map exchanges the two homozygotes.
constexpr int mirrorMaps[3][3] = {{1, 0, 1}, {1, 2, 1}, {2, 1, 0}};
constexpr int exchangeHomozygotes = 2;

// Sum over the children of affection code times the score of the copies
// that copiesOf(child) gives.
template <class CopiesOf>
int familySum(const std::vector<int>& affection, const std::vector<int>& children, int model,
              CopiesOf copiesOf) {
  int sum = 0;
  for (int c : children) {
    sum += affection[c] * genotypeScore(copiesOf(c), model);
  }
  return sum;
}

bool someDiffersFromFirst(const std::vector<int>& values) {
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (values[i] != values.front()) {
      return true;
    }
  }
  return false;
}

}  // namespace

double stat2(const std::vector<int>& affection, const AlleleMatrix& counts, const std::vector<int>& children,
             int model, int alleleCount, int testedPosition, std::vector<int>& values,
             const FamilyType2& type, const std::vector<int>& parents) {
  const int T = familySum(affection, children, model, [&](int c) { return counts[c][testedPosition]; });
  values.push_back(T);

  if (type.possibleCount == 2) {
    // AA and AB over two alleles in a sibship of more than two, with no
    // homozygous parent typed: the mating may as well be AB x AB with no BB
    // child seen, so the sibship gets no mirror here (the pair search of
    // moreinf takes it over).
    const bool noMirror =
        type.homozygousCount == 1 && children.size() > 2 && type.homozygousParents != 1 && alleleCount == 2;
    if (!noMirror) {
      // Every child takes the other possible genotype (the index is 0 or 1 in
      // a family whose children all have possible genotypes).
      const int* tested = type.columns[testedPosition];
      values.push_back(familySum(affection, children, model,
                                 [&](int c) { return type.genotypeIndex[c] == 0 ? tested[1] : tested[0]; }));
    }
  } else if (type.homozygousCount == 2) {
    auto mirrored = [&](int d) {
      return familySum(affection, children, model,
                       [&](int c) { return mirrorMaps[d][counts[c][testedPosition]]; });
    };
    if (parents.size() == 2 && children.size() == 2) {
      for (int d = 0; d < 3; ++d) {
        values.push_back(mirrored(d));
      }
    } else {
      values.push_back(mirrored(exchangeHomozygotes));
    }
  }

  if (!someDiffersFromFirst(values)) {
    values.clear();
    return 0.0;
  }
  return T;
}

namespace {

// The pairs of children of different genotypes (in order (0,1), (0,2), ...,
// (1,2), ...) that are informative by themselves, and the sum of their
// statistics (pairs that are not informative add 0).
struct InformativePairs {
  std::vector<int> firsts;
  std::vector<int> seconds;
  double statisticSum = 0.0;
};

InformativePairs informativePairs(const std::vector<int>& affection, const AlleleMatrix& counts,
                                  const std::vector<int>& children, int model, int alleleCount, int testedPosition,
                                  std::vector<int>& values, const FamilyType2& type, const std::vector<int>& parents) {
  InformativePairs found;
  std::vector<int> pair(2);
  for (std::size_t i = 0; i < children.size(); ++i) {
    for (std::size_t j = i + 1; j < children.size(); ++j) {
      pair[0] = children[i];
      pair[1] = children[j];
      if (type.genotypeIndex[pair[0]] == type.genotypeIndex[pair[1]]) {
        continue;
      }
      found.statisticSum = found.statisticSum + stat2(affection, counts, pair, model, alleleCount, testedPosition,
                                                      values, type, parents);
      if (values.size() > 1) {
        found.firsts.push_back(pair[0]);
        found.seconds.push_back(pair[1]);
      }
      values.clear();
    }
  }
  return found;
}

}  // namespace

short moreinf(const std::vector<int>& affection, const AlleleMatrix& counts, std::vector<int>& children,
              int model, int alleleCount, int testedPosition, std::vector<int>& values,
              const FamilyType2& type, const std::vector<int>& parents, double& pairAverage) {
  const InformativePairs found =
      informativePairs(affection, counts, children, model, alleleCount, testedPosition, values, type, parents);
  if (found.firsts.empty()) {
    pairAverage = 0.0;
    return 0;
  }
  // Pairs that are not informative added 0, so this is the mean over the
  // informative ones.
  const double n = static_cast<double>(found.firsts.size());
  pairAverage = found.statisticSum / n;

  // u in [0, 1] falls in the intervals [s/n, (s+1)/n]; on a boundary the
  // later interval wins, and u = 1 picks the last pair.
  const double u = pairDraw() / 32767.0;
  std::size_t pick = 0;
  double lo = 0.0;
  for (std::size_t s = 0; s < found.firsts.size(); ++s) {
    const double hi = static_cast<double>(s + 1) / n;
    if (u >= lo && u <= hi) {
      pick = s;
    }
    lo = hi;
  }
  children.assign({found.firsts[pick], found.seconds[pick]});
  return 1;
}

bool drawsForPair(const std::vector<int>& affection, const AlleleMatrix& counts, const std::vector<int>& children,
                  int model, int alleleCount, int testedPosition, std::vector<int>& values, const FamilyType2& type,
                  const std::vector<int>& parents) {
  return !informativePairs(affection, counts, children, model, alleleCount, testedPosition, values, type, parents)
              .firsts.empty();
}

int pairDraw() {
  drawState = drawState * 214013u + 2531011u;
  return static_cast<int>((drawState >> 16) & 32767u);
}

std::uint32_t pairDrawState() { return drawState; }

void setPairDrawState(std::uint32_t state) { drawState = state; }

std::uint32_t skipPairDraws(std::uint32_t state, std::uint64_t n) {
  // One draw is the affine map x -> 214013 x + 2531011 (mod 2^32); n draws
  // are its n-th power, composed by repeated squaring: (a, c) after (a', c')
  // is x -> a (a' x + c') + c.
  std::uint32_t a = 1;
  std::uint32_t c = 0;
  std::uint32_t stepA = 214013u;
  std::uint32_t stepC = 2531011u;
  while (n > 0) {
    if ((n & 1u) != 0) {
      a = stepA * a;
      c = stepA * c + stepC;
    }
    stepC = stepA * stepC + stepC;
    stepA = stepA * stepA;
    n >>= 1;
  }
  return a * state + c;
}
