// Per-position building blocks shared by the streamed scan and the
// whole-table reference scans: the forward step of the module recursion,
// the site traceback's forward step and the two candidates of the module
// scans.
//
// Results are compared bit for bit, so every formula here is evaluated left
// to right exactly as its comment writes it: no term is merged with another
// into a precomputed constant, and only logarithms of constants are taken
// once (the same double at every use). Both scans call these very functions,
// which is what makes them agree to the last bit.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/scan/ScanModel.h"
#include "support/LogSum.h"

namespace scansteps {

// ---------------------------------------------------------------------------
// Module model

// One forward step of the module recursion.
//   row   the table row of the step's position p (2K + 1 doubles).
//   k     number of bases of the stretch up to and including p (k >= 2); a
//         site of width w fits when w <= k.
//   here  the slot of p's forward value (not read); here[-1] .. here[-(k-1)]
//         hold the forward values of the earlier positions, of which at most
//         the widest motif's width back is read. Pointing into a buffer that
//         keeps only that much history is enough.
// Returns the forward value of p: background option ((bg(p) + previous) +
// log prior(bg)), then each fitting motif j in index order folded in with
// LogSum; its site term is ((LogSum(fwd, rev) + log 0.5) + log prior(j))
// with both strands, (fwd + log prior(j)) without, plus the forward value
// just before the site when the site does not start the stretch.
//   combined  the first `combined` motifs of the row hold their site terms
//             already (CombineStrands), which are then read, not computed.
inline double RecursionStep(const SCANMODEL& mm, const double* row, int k, const double* here, std::size_t combined = 0)
{
    double value = (row[mm.bgColumn] + here[-1]) + mm.logBg;
    for (std::size_t j = 0; j < mm.motifCount; ++j) {
        const int w = mm.widths[j];
        if (w < 1 || w > k)
            continue;
        double site;
        if (j < combined)
            site = row[2 * j];
        else if (mm.bothStrands)
            site = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logHalf) + mm.logPrior[j];
        else
            site = row[2 * j] + mm.logPrior[j];
        if (w < k)
            site = site + here[-w];
        value = LogSum(value, site);
    }
    return value;
}

// The site terms of the first `motifs` motifs at one row, which depend on
// the row alone: ((LogSum(fwd, rev) + log 0.5) + log prior(j)) with both
// strands, (fwd + log prior(j)) without, each written over the motif's
// forward column. This half of RecursionStep needs no earlier position, so
// a whole block can be done ahead of the chained half, even on another
// thread; RecursionStep told how many are done gives the very same doubles.
inline void CombineStrands(const SCANMODEL& mm, double* row, std::size_t motifs)
{
    for (std::size_t j = 0; j < motifs; ++j) {
        if (mm.bothStrands)
            row[2 * j] = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logHalf) + mm.logPrior[j];
        else
            row[2 * j] = row[2 * j] + mm.logPrior[j];
    }
}

// One forward step of the site traceback's own pass over a window; the
// arguments are those of RecursionStep (k = offset + 1). Unlike the
// recursion, the background weight is added only once k >= wmin, and the
// both-strand site term adds log prior(j) before log 0.5:
//   (previous + bg) [+ log prior(bg)], then LogSum with each fitting motif's
//   ((LogSum(fwd, rev) + log prior(j)) + log 0.5) or (log prior(j) + fwd),
//   plus the value just before the site when k > w.
inline double WindowForwardStep(const SCANMODEL& mm, const double* row, int k, const double* here)
{
    double value = here[-1] + row[mm.bgColumn];
    if (k >= mm.minWidth)
        value = value + mm.logBg;
    for (std::size_t j = 0; j < mm.motifCount; ++j) {
        const int w = mm.widths[j];
        if (w < 1 || w > k)
            continue;
        double site;
        if (mm.bothStrands)
            site = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logPrior[j]) + mm.logHalf;
        else
            site = mm.logPrior[j] + row[2 * j];
        if (k > w)
            site = site + here[-w];
        value = LogSum(value, site);
    }
    return value;
}

// ---------------------------------------------------------------------------
// Module scans

// The two candidates at position j of both scans.
//   before        best/total value of positions 0..j-1 (0.0 for j = 0, an
//                 empty prefix, reachable only with a window of one base).
//   bg            background score of j.
//   moduleFirst   true when the window j-L+1..j starts at 0 (j = L-1).
//   beforeModule  best/total value of positions 0..j-L (unused if moduleFirst).
//   moduleScore   moduleLogPr[j].
struct Candidates {
    double background;  // (log(1 - rate) + before) + bg
    double module;      // (log(rate) + beforeModule) + moduleScore, or log(rate) + moduleScore
};

inline Candidates StepCandidates(const SCANMODEL& mm, double before, double bg, bool moduleFirst, double beforeModule,
                                 double moduleScore)
{
    Candidates c;
    c.background = (mm.logStay + before) + bg;
    c.module = moduleFirst ? mm.logRate + moduleScore : (mm.logRate + beforeModule) + moduleScore;
    return c;
}

// The maximizing choice: the larger candidate, the module on a tie and
// whenever either value is not a number (*toModule tells which).
inline double ChooseBest(const Candidates& c, bool* toModule)
{
    *toModule = !(c.background > c.module);
    return *toModule ? c.module : c.background;
}

// Module log-likelihood of the window of L bases ending at j from two
// forward values of the whole-sequence recursion: fwd(j) alone when the
// window starts the sequence (j = L-1), else fwd(j) - fwd(j-L).
inline double ModuleScore(bool moduleFirst, double fwdEnd, double fwdBefore)
{
    return moduleFirst ? fwdEnd : fwdEnd - fwdBefore;
}

}  // namespace scansteps
