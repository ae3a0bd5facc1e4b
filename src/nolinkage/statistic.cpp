// Family statistic shared by the tests of both nulls.
#include "nolinkage/statistic.h"

int genotypeScore(int copies, int model) {
  switch (model) {
    case 2:
      return copies >= 1 ? 1 : 0;
    case 3:
      return copies == 2 ? 1 : 0;
    default:
      return copies;
  }
}

int xlinkedScore(int copies, int sex, int model) {
  if (sex == 1) {
    return copies == 2 ? 1 : 0;
  }
  if (sex == 2) {
    return genotypeScore(copies, model);
  }
  return 0;
}

double statistic(const AllelePairs& pairs, const std::vector<int>& affection,
                 const std::vector<int>& children, int model, const std::vector<int>& sexes,
                 int xlinked) {
  double sum = 0.0;
  for (int c : children) {
    const int copies = pairs[c][0];
    const int score = xlinked == 1 ? xlinkedScore(copies, sexes[c], model) : genotypeScore(copies, model);
    sum = sum + static_cast<double>(affection[c] * score);
  }
  return sum;
}
