#include "scanner/results/Significance.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
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

namespace {

// The maximum-likelihood equation of the Gumbel scale beta over x (shifted
// so that the largest is 0, which keeps the exponentials in range):
// f(beta) = beta - mean(x) + sum x e^(-x/beta) / sum e^(-x/beta) = 0.
double ScaleEquation(const std::vector<double>& x, double mean, double beta)
{
    double weights = 0.0;
    double weighted = 0.0;
    for (const double v : x) {
        const double w = std::exp(-v / beta);
        weights += w;
        weighted += v * w;
    }
    return beta - mean + weighted / weights;
}

}  // namespace

GUMBEL FitGumbel(const std::vector<double>& sortedNulls)
{
    GUMBEL fit;
    std::vector<double> x;
    for (const double v : sortedNulls)
        if (std::isfinite(v))
            x.push_back(v);
    std::size_t different = x.empty() ? 0 : 1;
    for (std::size_t i = 1; i < x.size(); ++i)
        different += x[i] != x[i - 1] ? 1 : 0;
    if (different < static_cast<std::size_t>(kFewestDistinctNulls))
        return fit;
    const double top = x.back();
    double mean = 0.0;
    for (double& v : x) {
        v -= top;
        mean += v;
    }
    mean /= static_cast<double>(x.size());
    double spread = 0.0;
    for (const double v : x)
        spread += (v - mean) * (v - mean);
    const double sd = std::sqrt(spread / static_cast<double>(x.size() - 1));
    // The equation is increasing in beta; bracket its root around the
    // method-of-moments scale and halve the bracket.
    double lo = sd * std::sqrt(6.0) / std::numbers::pi;
    double hi = lo;
    for (int i = 0; i < 60 && ScaleEquation(x, mean, lo) > 0.0; ++i)
        lo /= 2.0;
    for (int i = 0; i < 60 && ScaleEquation(x, mean, hi) < 0.0; ++i)
        hi *= 2.0;
    if (!(ScaleEquation(x, mean, lo) <= 0.0 && ScaleEquation(x, mean, hi) >= 0.0))
        return fit;
    for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
        const double mid = (lo + hi) / 2.0;
        (ScaleEquation(x, mean, mid) < 0.0 ? lo : hi) = mid;
    }
    const double beta = (lo + hi) / 2.0;
    double weights = 0.0;
    for (const double v : x)
        weights += std::exp(-v / beta);
    fit.beta = beta;
    fit.mu = top - beta * std::log(weights / static_cast<double>(x.size()));
    fit.ok = std::isfinite(fit.mu) && beta > 0.0;
    return fit;
}

double GumbelP(const GUMBEL& fit, double score)
{
    // 1 - exp(-t) for t = exp(-z), through expm1: for the small t of strong
    // records 1 - exp(-t) would lose every digit printed.
    const double t = std::exp(-(score - fit.mu) / fit.beta);
    return std::min(1.0, -std::expm1(-t));
}

bool SiteFits(const RECORDRESULT& record, const std::vector<int>& widths)
{
    return std::any_of(widths.begin(), widths.end(), [&](int w) { return w <= record.length; });
}

RECORDSIGNIFICANCE RecordSignificance(const RECORDRESULT& record, const std::vector<int>& widths, int moduleLength)
{
    RECORDSIGNIFICANCE s {std::nan(""), std::nan(""), std::nan(""), std::nan(""), {}};
    if (!record.modules.empty()) {
        s.bestModule = record.modules.front().score;
        for (const MODULEINFO& module : record.modules)
            s.bestModule = std::max(s.bestModule, module.score);
        if (!record.nullScores.empty())
            s.bestModuleE = EValue(record.nullModuleScores, static_cast<int>(record.nullScores.size()), s.bestModule);
    }
    std::string why;  // the fitted p-value is the empirical one
    if (record.scanned && !record.nullScores.empty()) {
        if (!SiteFits(record, widths)) {
            // A record no motif fits in holds no site, whatever its score:
            // no evidence of a module, whatever background happened to give.
            s.empirical = s.fitted = 1.0;
        } else {
            s.empirical = EmpiricalP(record.nullScores, record.bestWindow);
            const GUMBEL fit = FitGumbel(record.nullScores);
            if (record.length < moduleLength)
                why = "best_window_p_gumbel is the empirical p: the record is shorter than L";
            else if (!fit.ok)
                why = "best_window_p_gumbel is the empirical p: too few distinct null scores to fit";
            s.fitted = why.empty() ? GumbelP(fit, record.bestWindow) : s.empirical;
        }
    }
    if (record.length < 2)
        s.note = "too short to scan (fewer than 2 bases)";
    else if (record.unscorable)
        s.note = "not scanned: its background model gives one of its bases probability 0";
    else if (!SiteFits(record, widths))
        s.note = "shorter than every motif: it holds no site";
    else
        s.note = why;
    return s;
}
