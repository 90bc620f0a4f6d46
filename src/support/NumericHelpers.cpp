#include "support/NumericHelpers.h"

#include <cmath>

#include "support/Bases.h"

int WordCode(std::string_view word)
{
    int code = 0;
    for (const char c : word)
        code = code * 4 + kBaseCode[static_cast<unsigned char>(c)];
    return code;
}

int intpow(int a, int n)
{
    int result = 1;
    for (int i = 0; i < n; ++i)
        result *= a;
    return result;
}

int Sum(const int* v, int n)
{
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += v[i];
    return total;
}

double logGamma(int n)
{
    double total = 0.0;
    for (int k = 2; k < n; ++k)
        total += std::log(static_cast<double>(k));
    return total;
}

int Minimum(const int* v, int n)
{
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (v[i] < v[best])
            best = i;
    return best;
}

int Maximum(const double* v, int n)
{
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (v[i] > v[best])
            best = i;
    return best;
}
