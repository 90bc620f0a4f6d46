#include "scanner/results/Significance.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

double EmpiricalP(const std::vector<double>& sortedNulls, double score)
{
    const auto below = std::lower_bound(sortedNulls.begin(), sortedNulls.end(), score);
    const auto atLeast = static_cast<double>(sortedNulls.end() - below);
    return (1.0 + atLeast) / (1.0 + static_cast<double>(sortedNulls.size()));
}

std::vector<double> BenjaminiHochberg(const std::vector<double>& p)
{
    const std::size_t m = p.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t {0});
    std::stable_sort(order.begin(), order.end(), [&p](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    std::vector<double> q(m);
    double least = 1.0;
    for (std::size_t r = m; r-- > 0;) {
        const std::size_t i = order[r];
        least = std::min(least, p[i] * static_cast<double>(m) / static_cast<double>(r + 1));
        q[i] = least;
    }
    return q;
}

double EValue(const std::vector<double>& sortedNullModules, int nulls, double score)
{
    const auto below = std::lower_bound(sortedNullModules.begin(), sortedNullModules.end(), score);
    return static_cast<double>(sortedNullModules.end() - below) / static_cast<double>(nulls);
}
