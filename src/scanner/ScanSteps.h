// Per-position building blocks shared by the whole-table scan and the
// streamed scan: the position scorer, the forward step of the module
// recursion, the site traceback's forward step and the two candidates of the
// module scans.
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
#include <memory>
#include <utility>
#include <vector>

#include "scanner/GibbsDP.h"

namespace scansteps
{

// ---------------------------------------------------------------------------
// Position scores

// The per-row scoring state of one sequence: the logarithms of the K
// matrices and of the background model. ScoreRows then fills table rows
// from sequence bytes alone, so a caller holding the sequence can produce
// any stretch of rows on demand, in any order, with the same doubles.
class PositionScorer
{
public:
    PositionScorer(const CGibbsDP& dp, const MatrixSet& pwm);

    // Fills the rows of positions first .. first+count-1 into out (2K + 1
    // doubles per row, all overwritten). s is the sequence; the bytes from
    // first - (widest motif) + 1 (or 0) to first + count - 1 are read. Each
    // window sum starts at 0.0 and adds matrix rows k = 0..w-1 in order,
    // so every stretch gets the very doubles of a whole-sequence table.
    void ScoreRows(const unsigned char* s, int first, int count, double* out) const;


private:
    struct Motif {
        int index;                 // motif number j
        int width;                 // w(j); below 1 only in a hand-made scanner
        std::vector<double> logs;  // [4 * k + b] = log pwm[j][4 * k + b]
    };

    int m_motifNum;
    bool m_bothStrands;
    int m_widest = 1;
    std::vector<Motif> m_scorable;  // motifs with a usable matrix, ascending j
    double m_logFreq[4] = {};
    double m_logTrans[16] = {};
};

// ---------------------------------------------------------------------------
// Module model

// Logarithms of the module model's constants for one scan.
struct ModuleModel {
    int motifNum = 0;
    bool bothStrands = true;
    const int* width = nullptr;    // motifWidth, K entries
    std::vector<double> logPrior;  // log priorWeight[j], j < K
    double logBg = 0.0;            // log priorWeight[K]
    double logHalf = 0.0;          // log 0.5
    std::size_t motifCount = 0;    // motifNum as an index bound
    std::size_t bgColumn = 0;      // 2K: the background column of a row
    int minWidth = 1;              // smallest motif width, at least 1
    int maxWidth = 1;              // widest motif, at least 1
};

ModuleModel MakeModel(const CGibbsDP& dp, const double* priorWeight);

// The model needs a width per motif; without them nothing is scanned.
inline bool HasWidths(const CGibbsDP& dp)
{
    return dp.motifNum >= 1 && static_cast<int>(dp.motifWidth.size()) >= dp.motifNum;
}

// The scans' window length: moduleLength, or the whole sequence when shorter.
inline int WindowLength(const CGibbsDP& dp, int n)
{
    return std::min(dp.moduleLength, n);
}

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
inline double RecursionStep(const ModuleModel& mm, const double* row, int k, const double* here)
{
    double value = (row[mm.bgColumn] + here[-1]) + mm.logBg;
    for (std::size_t j = 0; j < mm.motifCount; ++j) {
        const int w = mm.width[j];
        if (w < 1 || w > k)
            continue;
        double site;
        if (mm.bothStrands)
            site = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logHalf) + mm.logPrior[j];
        else
            site = row[2 * j] + mm.logPrior[j];
        if (w < k)
            site = site + here[-w];
        value = LogSum(value, site);
    }
    return value;
}

// One forward step of the site traceback's own pass over a window; the
// arguments are those of RecursionStep (k = offset + 1). Unlike the
// recursion, the background weight is added only once k >= wmin, and the
// both-strand site term adds log prior(j) before log 0.5:
//   (previous + bg) [+ log prior(bg)], then LogSum with each fitting motif's
//   ((LogSum(fwd, rev) + log prior(j)) + log 0.5) or (log prior(j) + fwd),
//   plus the value just before the site when k > w.
inline double WindowForwardStep(const ModuleModel& mm, const double* row, int k, const double* here)
{
    double value = here[-1] + row[mm.bgColumn];
    if (k >= mm.minWidth)
        value = value + mm.logBg;
    for (std::size_t j = 0; j < mm.motifCount; ++j) {
        const int w = mm.width[j];
        if (w < 1 || w > k)
            continue;
        double site;
        if (mm.bothStrands)
            site = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logPrior[j]) +
                   mm.logHalf;
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

// log(rate) and log(1 - rate) as the maths library gives them (minus
// infinity or not a number for rates outside (0, 1)).
struct RateLogs {
    double logRate;
    double logStay;
};

inline RateLogs MakeRateLogs(double rate)
{
    return {std::log(rate), std::log(1 - rate)};
}

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

inline Candidates StepCandidates(const RateLogs& r, double before, double bg, bool moduleFirst,
                                 double beforeModule, double moduleScore)
{
    Candidates c;
    c.background = (r.logStay + before) + bg;
    c.module = moduleFirst ? r.logRate + moduleScore : (r.logRate + beforeModule) + moduleScore;
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

namespace scansteps
{

// ---------------------------------------------------------------------------
// Result lists and the maximizing traceback

// Make sure the site counters and list heads SampleSites writes to exist,
// and the module list head (the driver makes them; this only keeps a bare
// scanner from crashing).
void EnsureSiteLists(CGibbsDP& dp);
void EnsureModuleList(CGibbsDP& dp);

// What the traceback needs of the module ending at a position: the table
// rows of its window and its module score.
struct ModuleWindow {
    const double* rows;  // the row of position firstRow; the window's rows follow it
    int firstRow;        // at or before the window's first position
    double moduleScore;  // moduleLogPr of the window
};

// Traceback of the maximizing scan from position n-1 towards 0, shared by
// the whole-table scan and the streamed scan (which differ only in where
// marks, rows and module scores come from).
//   marks.Previous(pos)  the largest marked position <= pos, or -1.
//   windows.At(pos)      the ModuleWindow of the module ending at pos.
// Every visited mark raises moduleCount and has its window traced by
// SampleSites; a window whose site string is "NULL" gets no node. Nodes go
// right after the moduleList head with score moduleLogPr[pos] minus the
// window's background sum (from 0.0, in increasing position order), so the
// list ends up in ascending start order. After a module the traceback
// resumes L positions back.
template <class Marks, class Windows>
void TraceModules(CGibbsDP& dp, const double* priorWeight, int n, int L, Marks& marks,
                  Windows& windows)
{
    EnsureModuleList(dp);
    const std::size_t bgCol = 2 * static_cast<std::size_t>(dp.motifNum);
    const std::size_t cols = bgCol + 1;
    int pos = n - 1;
    while (pos >= L - 1) {
        pos = marks.Previous(pos);
        if (pos < L - 1)
            break;
        ++dp.moduleCount;
        const ModuleWindow window = windows.At(pos);
        CString sites = dp.SampleSitesIn(priorWeight, window.rows, window.firstRow, pos, L);
        if (sites.GetLength() == 0 || sites[0] != 'N') {
            double bgSum = 0.0;
            for (int r = pos - L + 1; r <= pos; ++r)
                bgSum += window.rows[static_cast<std::size_t>(r - window.firstRow) * cols + bgCol];
            auto node = std::make_unique<MODULEINFO>();
            node->start = pos - L + 1;
            node->score = window.moduleScore - bgSum;
            node->sites = std::move(sites);
            CGibbsDP::AddSite(dp.moduleList.get(), std::move(node));
        }
        pos -= L;
    }
}

}  // namespace scansteps
