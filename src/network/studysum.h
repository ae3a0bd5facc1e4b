// The null distribution of a study's statistic S, the sum of independent
// family statistics: families counted by the shape of their distribution,
// each shape powered once and the shapes combined on the lattice of S, with
// the mean and variance summed family by family to the exact digits.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "network/ddouble.h"
#include "network/lattice.h"

// One family's distribution of its statistic: the weight of value lo + i is
// w[i] * 2^exp2 (w[i] >= 0, at least one positive). Weights that are small
// integers (exp2 = 0) give exact moments.
struct FamilyDist {
  std::int64_t lo = 0;
  std::vector<double> w;
  int exp2 = 0;
};

// A family's distribution as the study sum keeps it: zero weights trimmed at
// both ends and the rest scaled by a power of two (largest in [1, 2)), so
// that distributions equal up to a shift and a power of two compare equal.
// Made once per kind of family, it is added as often as needed.
struct FamilyShape {
  std::vector<double> w;    // empty when the family has no weight at all
  std::int64_t offset = 0;  // the value of w[0]
};
FamilyShape shapeOf(const FamilyDist& family);

// What a study's null distribution gives: E(S), Var(S), the two-sided p of
// the observed value and the distribution itself.
struct StudyResult {
  double expected = 0.0;
  double variance = 0.0;
  double p = 1.0;
  Lattice distribution;
};

// Families are added in any order, each with the number of families sharing
// its distribution; distributions equal up to a shift of the values share one
// shape, which is combined once for all of them.
//   StudySum sum;
//   sum.add(family, 1);           // per informative family (or per pattern with its count)
//   StudyResult r = sum.finish(S);
class StudySum {
 public:
  void add(const FamilyDist& family, std::int64_t count) { add(shapeOf(family), count); }
  void add(const FamilyShape& shape, std::int64_t count);
  // For a caller that knows which of its families have equal weights: the
  // families of one set of weights `w`, not added before, in the order add()
  // would first meet them, and apart from them the sum of their count x
  // offset. The sum is the one add() of each family gives (a sum takes its
  // families one way or the other, not both). `w` is read where it is, so it
  // must stay as it is until finish().
  void addGrouped(const std::vector<double>& w, std::int64_t count);
  void addOffsets(std::int64_t shift) { shift_ += shift; }
  // No family added: S is 0 with certainty (E 0, Var 0, p 1).
  StudyResult finish(double observed) const;

 private:
  struct Shape {
    std::vector<double> own;                       // weights scaled by a power of two, largest in [1, 2)
    const std::vector<double>* grouped = nullptr;  // or a caller's (addGrouped)
    std::int64_t count = 0;
    const std::vector<double>& w() const { return grouped != nullptr ? *grouped : own; }
  };
  std::vector<Shape> shapes_;                      // in order of first appearance
  std::map<std::vector<double>, std::size_t> index_;  // shape weights -> position in shapes_
  std::int64_t shift_ = 0;                         // sum of count * lo over the families
};

// The distribution of a list of equally likely values (each entry one
// configuration; a value listed twice weighs 2).
void equallyLikely(const std::vector<int>& values, FamilyDist& family);

// Mean and variance of one shape (values 0, 1, ..., w.size() - 1), to about
// 30 significant digits; exact rationals rounded once when the weights are
// integers.
void shapeMoments(const std::vector<double>& w, DDouble& mean, DDouble& variance);
