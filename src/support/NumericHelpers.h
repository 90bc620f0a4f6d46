// Small helpers of the scanner's original toolbox that no run calls: kept,
// and tested, for code that scores words or draws from the random variates,
// but out of the scan's path.
#pragma once

#include <string_view>

// Base-4 code of a word, first character most significant (letters other
// than A, C, G, T count as A).
int WordCode(std::string_view word);
// a multiplied by itself n times; 1 when n is 0 or negative.
int intpow(int a, int n);
int Sum(const int* v, int n);
// log((n-1)!): the sum of log(k) for k = 2..n-1; 0 for n up to 2.
double logGamma(int n);
// Index of the smallest (largest) of n values; on ties the first.
int Minimum(const int* v, int n);
int Maximum(const double* v, int n);
