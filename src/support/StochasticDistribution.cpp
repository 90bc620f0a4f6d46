#include "support/StochasticDistribution.h"

#include <cmath>
#include <cstdlib>

#include "support/LogSum.h"

namespace {

// rand() runs from 0 to 2147483647; the divisors below are fixed to that
// range whatever the platform's RAND_MAX.
constexpr double kRandMax = 2147483647.0;
constexpr double kOpenDivisor = 2147483649.0;

// Strictly between 0 and 1, so its logarithm is finite and negative.
// The variates are defined on rand() values (a fixed seed gives fixed draws).
// NOLINTNEXTLINE(cert-msc30-c,cert-msc50-cpp)
double OpenUnit() { return (static_cast<double>(std::rand()) + 1) / kOpenDivisor; }

// Sum of log(open unit) over count draws; 0 when count is 0 or less.
double SumLogOpenUnits(int count)
{
    double total = 0.0;
    for (int i = 0; i < count; ++i)
        total += std::log(OpenUnit());
    return total;
}

}  // namespace

double CStochasticDistribution::Uniform(double a, double b)
{
    // The product is formed before the division: (b - a) * (r / max) may
    // round differently.
    const int r = std::rand();  // NOLINT(cert-msc30-c,cert-msc50-cpp)
    return a + ((b - a) * r) / kRandMax;
}

double CStochasticDistribution::Normal(double mean, double sd)
{
    // Box-Muller, cosine branch: the first draw gives the angle, the second
    // the radius. The angle constant is 6.2831853, not full-precision 2 pi.
    const double u1 = OpenUnit();
    const double u2 = OpenUnit();
    return mean + (std::cos(6.2831853 * u1) * std::sqrt(-2.0 * std::log(u2))) * sd;
}

double CStochasticDistribution::Beta(int a, int b)
{
    // Ratio of two gamma variates with integer shapes; all of X's draws come
    // before Y's.
    const double x = SumLogOpenUnits(a);
    const double y = SumLogOpenUnits(b);
    return x / (x + y);
}

void CStochasticDistribution::Dirichlet(const int* counts, int n, double* out)
{
    if (n <= 0)
        return;
    for (int i = 0; i < n; ++i)
        out[i] = SumLogOpenUnits(counts[i]);
    double total = 0.0;
    for (int i = 0; i < n; ++i)
        total += out[i];
    for (int i = 0; i < n; ++i)
        out[i] /= total;
}

int CStochasticDistribution::Discrete(double* logw, int n)
{
    if (n < 1)
        return -1;

    // Running log-sum: logw[k] becomes the log of the first k + 1 weights.
    for (int k = 1; k < n; ++k)
        logw[k] = LogSum(logw[k - 1], logw[k]);
    const double total = logw[n - 1];

    // Cumulative probabilities; anything within 1e-10 of 1 is pushed to 1.01
    // so that no later entry can be chosen.
    for (int i = 0; i < n; ++i) {
        const double diff = logw[i] - total;
        logw[i] = diff > -300 ? std::exp(diff) : 0.0;
        if (logw[i] > 0.9999999999)
            logw[i] = 1.01;
    }
    logw[n - 1] = 1.01;

    const double u = OpenUnit();
    for (int i = 0; i < n; ++i)
        if (logw[i] > u)
            return i;
    return -1;
}
