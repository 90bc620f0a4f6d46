// How surprising a score is against null scores, and the false discovery
// rate over many of them. Plain arithmetic on numbers: the scan makes the
// null scores, the writer and the picture turn them into p- and q-values,
// and neither needs the other for it.
#pragma once

#include <string>
#include <vector>

#include "scanner/results/Results.h"

// The empirical p-value of a score against null scores sorted ascending:
// (1 + the number at least as high) / (1 + their number).
double EmpiricalP(const std::vector<double>& sortedNulls, double score);

// Benjamini-Hochberg q-values, in the order of p: q of the i-th smallest of
// m p-values is the least of m p(j) / j over j >= i, at most 1.
std::vector<double> BenjaminiHochberg(const std::vector<double>& p);

// A module's E-value: the expected number of modules scoring at least
// `score` in a background sequence of the record's length, from the module
// scores of its null sequences (sorted ascending) over their number.
double EValue(const std::vector<double>& sortedNullModules, int nulls, double score);

// A Gumbel (largest extreme value) distribution fitted to null best window
// scores: P(score >= x) = 1 - exp(-exp(-(x - mu) / beta)).
struct GUMBEL {
    double mu = 0.0;
    double beta = 0.0;
    bool ok = false;  // fitted; false when the scores cannot support a fit
};
// The maximum-likelihood fit to the finite scores among sortedNulls (minus
// infinity marks a null that could not be scored). Not ok with fewer than
// kFewestDistinctNulls distinct finite scores.
inline constexpr int kFewestDistinctNulls = 10;
GUMBEL FitGumbel(const std::vector<double>& sortedNulls);
// The fitted tail probability of a score: P(score >= x) under the fit.
double GumbelP(const GUMBEL& fit, double score);

// What the records file tells of a record beyond its counts and scores,
// for motifs of these widths and modules of moduleLength bases.
struct RECORDSIGNIFICANCE {
    // With null scores: the best window's empirical p-value, and that of a
    // Gumbel distribution fitted to the null scores, which resolves p far
    // below 1 / (N + 1); where no fit can be trusted (a record shorter than
    // L, too few distinct null scores) the second is the first. Both 1
    // where no motif fits in the record; NaN without null scores.
    double empirical;
    double fitted;
    // The best module's score (NaN without a module) and its E-value (NaN
    // without a module or null scores).
    double bestModule;
    double bestModuleE;
    // Why a record was not scanned, why it has no evidence (no motif fits
    // in it), or why its fitted p-value is the empirical one; "" for any
    // other.
    std::string note;
};
RECORDSIGNIFICANCE RecordSignificance(const RECORDRESULT& record, const std::vector<int>& widths, int moduleLength);

// Whether a site of some motif fits in the record.
bool SiteFits(const RECORDRESULT& record, const std::vector<int>& widths);
