// Log-space arithmetic shared by every network pass.
#include "network/logspace.h"

#include <cmath>

namespace {
// The maximum keeps its operands in scratch variables, as the shared helper
// always has; nothing is carried between calls. They are per thread, so
// analyses on several threads cannot clobber each other's operands.
thread_local double dmaxarg1;
thread_local double dmaxarg2;
double dmax(double a, double b) {
  dmaxarg1 = a;
  dmaxarg2 = b;
  return dmaxarg1 > dmaxarg2 ? dmaxarg1 : dmaxarg2;
}
}  // namespace

double addlog(double a, double b) {
  const double m = dmax(a, b);
  const double d1 = dmax(a - m, -80.0);
  const double d2 = dmax(b - m, -80.0);
  // One difference is always 0 (the larger operand's), and e^0 is exactly 1:
  // skipping that exponential changes no bit of the result.
  const double e1 = d1 == 0.0 ? 1.0 : std::exp(d1);
  const double e2 = d2 == 0.0 ? 1.0 : std::exp(d2);
  return m + std::log(e2 + e1);
}

std::vector<double> faclog(int n) {
  std::vector<double> table{0.0};
  for (int i = 1; i <= n; ++i) {
    table.push_back(table[i - 1] + std::log(static_cast<double>(i)));
  }
  return table;
}

double prbar0(int k, const std::vector<double>& table, int n) {
  if (n == k || k == 0) {
    return 0.0;
  }
  return (table[n] - table[k]) - table[n - k];
}
