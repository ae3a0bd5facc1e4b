// Log-space arithmetic: sums of exponentials, log-factorials and log binomial
// coefficients. Weights in the networks are products of many binomial
// coefficients and would overflow a double, so they are kept as logarithms.
#pragma once

#include <vector>

// ln(e^a + e^b). Each difference to the larger operand is floored at -80, so a
// far smaller term still adds e^-80 of the larger one before rounding.
double addlog(double a, double b);

// Table of ln(k!) for k = 0..n (a single 0.0 entry for n < 1).
std::vector<double> faclog(int n);

// ln C(n, k) read from a faclog table; 0 <= k <= n < table.size().
double prbar0(int k, const std::vector<double>& table, int n);
