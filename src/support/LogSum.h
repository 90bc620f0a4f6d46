// Addition of two probabilities held as natural logarithms.
#pragma once

#include <cmath>

// log(exp(a) + exp(b)). The exact form hi + log(exp(lo - hi) + 1) and the
// cut-off at a difference of -300 decide ties further on, so this must not
// be rewritten (no log1p).
inline double LogSum(double a, double b)
{
    double hi = a;
    double lo = b;
    if (b > a) {
        hi = b;
        lo = a;
    }
    const double diff = lo - hi;
    if (diff > -300)
        return hi + std::log(std::exp(diff) + 1);
    return hi;
}
