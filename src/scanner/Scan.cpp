// Module likelihood recursion, the maximizing and posterior module scans
// over a whole-sequence table, and the site traceback inside a module
// window.
//
// The per-position steps live in ScanSteps.h so that the streamed scan
// (StreamScan.cpp), which the tool runs, calls the very same code; the
// whole-table scans here are its reference.
#include "scanner/GibbsDP.h"
#include "scanner/ScanSteps.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

using namespace scansteps;

namespace scansteps
{

ModuleModel MakeModel(const CGibbsDP& dp, const double* priorWeight)
{
    ModuleModel mm;
    mm.motifNum = dp.motifNum;
    mm.motifCount = static_cast<std::size_t>(std::max(dp.motifNum, 0));
    mm.bgColumn = 2 * mm.motifCount;
    mm.bothStrands = dp.bothStrands;
    mm.width = dp.motifWidth.data();
    mm.logPrior.resize(static_cast<std::size_t>(dp.motifNum));
    for (int j = 0; j < dp.motifNum; ++j)
        mm.logPrior[static_cast<std::size_t>(j)] = std::log(priorWeight[j]);
    mm.logBg = std::log(priorWeight[dp.motifNum]);
    mm.logHalf = std::log(0.5);
    // A width below 1 (which the matrix reader does not produce) would make
    // the site traceback's loop bound meaningless; such motifs never fit.
    int wmin = 0;
    int wmax = 1;
    for (int j = 0; j < dp.motifNum; ++j) {
        if (j == 0 || mm.width[j] < wmin)
            wmin = mm.width[j];
        wmax = std::max(wmax, mm.width[j]);
    }
    mm.minWidth = std::max(wmin, 1);
    mm.maxWidth = wmax;
    return mm;
}

void EnsureSiteLists(CGibbsDP& dp)
{
    const auto k = static_cast<std::size_t>(dp.motifNum);
    if (dp.siteCount.size() < k + 1)
        dp.siteCount.resize(k + 1, 0);
    if (dp.siteList.size() < k)
        dp.siteList.resize(k);
    for (auto& head : dp.siteList)
        if (!head)
            head = std::make_unique<SITEINFO>();
}

void EnsureModuleList(CGibbsDP& dp)
{
    if (!dp.moduleList)
        dp.moduleList = std::make_unique<MODULEINFO>();
}

}  // namespace scansteps

namespace
{

std::size_t Columns(int motifNum)
{
    return 2 * static_cast<std::size_t>(motifNum) + 1;
}

const double* Row(const double* table, std::size_t cols, int p)
{
    return table + static_cast<std::size_t>(p) * cols;
}

// The per-position pass shared by the maximizing and the posterior scan over
// positions 0..n-1 with module windows of L bases (1 <= L <= n). The first
// L-1 prefix values are the running background sum, started at 0.0; from
// L-1 on, prefix[j] = combine(j, candidates at j).
template <class Combine>
void PrefixPass(const CGibbsDP& dp, double rate, int n, int L, const double* table,
                const double* fwdLogPr, double* moduleLogPr, double* prefix, Combine combine)
{
    const RateLogs r = MakeRateLogs(rate);
    const std::size_t cols = Columns(dp.motifNum);
    const std::size_t bgCol = Columns(dp.motifNum) - 1;
    double running = 0.0;
    for (int i = 0; i < L - 1; ++i) {
        running += Row(table, cols, i)[bgCol];
        prefix[i] = running;
    }
    for (int j = L - 1; j < n; ++j) {
        const bool first = j == L - 1;
        moduleLogPr[j] = ModuleScore(first, fwdLogPr[j], first ? 0.0 : fwdLogPr[j - L]);
        const Candidates c =
            StepCandidates(r, j > 0 ? prefix[j - 1] : 0.0, Row(table, cols, j)[bgCol], first,
                           first ? 0.0 : prefix[j - L], moduleLogPr[j]);
        prefix[j] = combine(j, c);
    }
}

// Marks and windows of the whole-table scan for TraceModules.
struct TableMarks {
    const std::vector<bool>& moduleEnd;
    int Previous(int pos) const
    {
        while (pos >= 0 && !moduleEnd[static_cast<std::size_t>(pos)])
            --pos;
        return pos;
    }
};

struct TableWindows {
    const double* table;
    const double* moduleLogPr;
    ModuleWindow At(int pos) const { return {table, 0, moduleLogPr[pos]}; }
};

}  // namespace

// Forward recursion of the module model over the stretch end-len+1..end.
//   table        position score table (row p at p * (2K + 1)).
//   priorWeight  K + 1 prior weights (sites of each motif, then background).
//   out          caller-owned, >= len doubles; out[m] (0-based offset m) gets
//                the log-probability of bases start..start+m.
// Returns out[len-1]. Reads motifNum, motifWidth, bothStrands. The stretch
// must lie inside the table and len >= 1 (nothing is done otherwise, and 0
// is returned).
double CGibbsDP::CalModuleLogPr(int end, int len, const double* table, const double* priorWeight,
                                double* out)
{
    if (len < 1 || !HasWidths(*this))
        return 0.0;
    const ModuleModel mm = MakeModel(*this, priorWeight);
    const std::size_t cols = Columns(motifNum);
    const int start = end - len + 1;
    out[0] = mm.logBg + Row(table, cols, start)[mm.bgColumn];
    for (int m = 1; m < len; ++m)
        out[m] = RecursionStep(mm, Row(table, cols, start + m), m + 1, out + m);
    return out[len - 1];
}

// The maximizing pass over positions 0..n-1 with module windows of L bases
// (1 <= L <= n; the scan passes min(moduleLength, n)).
//   fwdLogPr     forward values of the whole sequence (CalModuleLogPr).
//   moduleLogPr  out, n doubles; entries L-1..n-1 written.
//   bestLogPr    out, n doubles: best split of positions 0..j.
//   moduleEnd    out, resized to n: true where that best split ends with a
//                module on j. A tie or a non-number goes to the module.
void CGibbsDP::MaximizePass(double rate, int n, int L, const double* table, const double* fwdLogPr,
                            double* moduleLogPr, double* bestLogPr,
                            std::vector<bool>& moduleEnd) const
{
    moduleEnd.assign(static_cast<std::size_t>(std::max(n, 0)), false);
    if (n < 1 || L < 1 || L > n)
        return;
    PrefixPass(*this, rate, n, L, table, fwdLogPr, moduleLogPr, bestLogPr,
               [&moduleEnd](int j, const Candidates& c) {
                   bool toModule = false;
                   const double best = ChooseBest(c, &toModule);
                   moduleEnd[static_cast<std::size_t>(j)] = toModule;
                   return best;
               });
}

// The posterior pass: as MaximizePass, but totalLogPr[j] sums both
// candidates with LogSum instead of keeping the larger.
void CGibbsDP::PosteriorPass(double rate, int n, int L, const double* table, const double* fwdLogPr,
                             double* moduleLogPr, double* totalLogPr) const
{
    if (n < 1 || L < 1 || L > n)
        return;
    PrefixPass(*this, rate, n, L, table, fwdLogPr, moduleLogPr, totalLogPr,
               [](int, const Candidates& c) { return LogSum(c.background, c.module); });
}

// Maximizing module scan of the current sequence (seq, seqLength) from its
// position score table: fills moduleList and the site lists, raises
// moduleCount and siteCount. pwm is not read. Does nothing for an empty
// sequence or a module length below 1.
void CGibbsDP::ApproxScanCurSeq(double rate, const double* priorWeight, const MatrixSet& /*pwm*/,
                                const double* table)
{
    WholeTableScan(rate, priorWeight, table, true);
}

// Both whole-table decodings: one forward pass over the whole sequence,
// module scores as differences of its values, the prefix pass, then the
// decoding's traceback.
void CGibbsDP::WholeTableScan(double rate, const double* priorWeight, const double* table,
                              bool maximize)
{
    const int n = seqLength;
    const int L = WindowLength(*this, n);
    if (n < 1 || L < 1 || !HasWidths(*this))
        return;
    std::vector<double> fwdLogPr(static_cast<std::size_t>(n));
    CalModuleLogPr(n - 1, n, table, priorWeight, fwdLogPr.data());
    std::vector<double> moduleLogPr(static_cast<std::size_t>(n));
    std::vector<double> prefix(static_cast<std::size_t>(n));
    if (maximize) {
        std::vector<bool> moduleEnd;
        MaximizePass(rate, n, L, table, fwdLogPr.data(), moduleLogPr.data(), prefix.data(),
                     moduleEnd);
        MaximizeModule(moduleLogPr.data(), rate, priorWeight, n, table, moduleEnd);
    } else {
        PosteriorPass(rate, n, L, table, fwdLogPr.data(), moduleLogPr.data(), prefix.data());
        SampleModule(moduleLogPr.data(), prefix.data(), rate, priorWeight, n, table,
                     fwdLogPr.data());
    }
}

// Traceback of the maximizing scan, from position n-1 towards 0
// (TraceModules).
//   moduleLogPr  module scores from MaximizePass (entries >= L-1 read).
//   moduleEnd    n marks from MaximizePass.
// rate is not read.
void CGibbsDP::MaximizeModule(const double* moduleLogPr, double /*rate*/, const double* priorWeight,
                              int n, const double* table, const std::vector<bool>& moduleEnd)
{
    const int L = WindowLength(*this, n);
    if (L < 1 || static_cast<int>(moduleEnd.size()) < n)
        return;
    TableMarks marks{moduleEnd};
    TableWindows windows{table, moduleLogPr};
    TraceModules(*this, priorWeight, n, L, marks, windows);
}

// Site traceback of the module window end-len+1..end.
//   priorWeight  K + 1 prior weights; table  the position score table.
//   end, len     0-based last base and length of the window; the window must
//                lie inside seq (otherwise "NULL" is returned untouched).
// Runs its own forward pass F over the window (WindowForwardStep), then walks
// back from offset len-1, at each step taking the first largest of the
// option probabilities (motif/strand options in column order, background
// last). Each site taken raises siteCount[j], goes right after the head of
// siteList[j] and adds its piece "+j(pos)" / "-j(pos)" in front of the result.
// Returns the site string, or "NULL" when no site was taken.
CString CGibbsDP::SampleSites(const double* priorWeight, const double* table, int end, int len)
{
    return SampleSitesIn(priorWeight, table, 0, end, len);
}

CString CGibbsDP::SampleSitesIn(const double* priorWeight, const double* rows, int firstRow,
                                int end, int len)
{
    const int start = end - len + 1;
    if (len < 1 || start < 0 || start < firstRow || end >= seqLength || !HasWidths(*this))
        return CString("NULL");
    // Offset m of the window is the row start + m, stored at index
    // first + m of rows.
    const int first = start - firstRow;
    EnsureSiteLists(*this);
    const ModuleModel mm = MakeModel(*this, priorWeight);
    const std::size_t cols = Columns(motifNum);
    const int K = motifNum;

    std::vector<double> F(static_cast<std::size_t>(len));
    F[0] = Row(rows, cols, first)[mm.bgColumn];
    for (int m = 1; m < len; ++m)
        F[static_cast<std::size_t>(m)] =
            WindowForwardStep(mm, Row(rows, cols, first + m), m + 1, F.data() + m);

    const int options = bothStrands ? 2 * K : K;
    std::vector<double> P(static_cast<std::size_t>(options) + 1);
    CString result;
    int m = len - 1;
    while (m >= mm.minWidth - 1) {
        const double* row = Row(rows, cols, first + m);
        const double Fm = F[static_cast<std::size_t>(m)];
        double background = 1;
        for (int o = 0; o < options; ++o) {
            const int j = bothStrands ? o / 2 : o;
            const int w = motifWidth[static_cast<std::size_t>(j)];
            const int c = bothStrands ? o : 2 * j;
            double p = 0.0;  // a motif of no width has no site
            if (w >= 1) {
                double x = mm.logPrior[static_cast<std::size_t>(j)] + row[c];
                if (bothStrands)
                    x = x + mm.logHalf;
                double d;
                if (m >= w)
                    d = x + F[static_cast<std::size_t>(m - w)];
                else if (m == w - 1)
                    d = x;
                else
                    d = Fm - 2000;
                const double diff = d - Fm;
                p = diff < -200 ? 0.0 : std::exp(diff);
            }
            P[static_cast<std::size_t>(o)] = p;
            background = background - p;
        }
        P[static_cast<std::size_t>(options)] = background;
        int chosen = 0;
        for (int e = 1; e <= options; ++e)
            if (P[static_cast<std::size_t>(e)] > P[static_cast<std::size_t>(chosen)])
                chosen = e;
        if (chosen == options) {
            --m;
            continue;
        }
        const int j = bothStrands ? chosen / 2 : chosen;
        const int w = motifWidth[static_cast<std::size_t>(j)];
        const bool forward = !bothStrands || chosen % 2 == 0;
        ++siteCount[static_cast<std::size_t>(j)];
        auto node = std::make_unique<SITEINFO>();
        node->pos = start + m - w + 1;
        node->forward = forward;
        node->site = seq.Mid(node->pos, w);
        if (!forward)
            node->site = Reverse(node->site);
        node->prob = P[static_cast<std::size_t>(chosen)];
        char piece[48];
        // At most 1 + 2 * 11 + 2 characters: never cut short.
        const int written =
            std::snprintf(piece, sizeof piece, "%c%d(%d)", forward ? '+' : '-', j + 1, node->pos);
        result = CString(std::string_view(piece, static_cast<std::size_t>(std::max(written, 0)))) + result;
        AddSite(siteList[static_cast<std::size_t>(j)].get(), std::move(node));
        m -= w;
    }
    if (result.GetLength() == 0)
        result = "NULL";
    return result;
}

// Posterior module decoding of the current sequence (not used by a run):
// same inputs and effects as ApproxScanCurSeq, but modules are taken where
// the posterior of a module end exceeds exp(-0.6931). pwm is not read.
void CGibbsDP::ApproxSampleCurSeq(double rate, const double* priorWeight, const MatrixSet& /*pwm*/,
                                  const double* table)
{
    WholeTableScan(rate, priorWeight, table, false);
}

// Traceback of the posterior decoding, from n-1 towards 0. At pos the log
// posterior of a module end is d = ((log(rate) + moduleLogPr[pos]) +
// totalLogPr[pos-L]) - totalLogPr[pos] (without the prefix term at pos =
// L-1); d > -0.6931 takes the module (moduleCount + 1, SampleSites, a node
// with score exp(d) even for "NULL") and jumps back L, otherwise pos - 1.
// fwdLogPr is not read.
void CGibbsDP::SampleModule(const double* moduleLogPr, const double* totalLogPr, double rate,
                            const double* priorWeight, int n, const double* table,
                            const double* /*fwdLogPr*/)
{
    const int L = WindowLength(*this, n);
    if (L < 1)
        return;
    EnsureModuleList(*this);
    const double logRate = std::log(rate);
    int pos = n - 1;
    while (pos >= L - 1) {
        double d;
        if (pos == L - 1)
            d = (logRate + moduleLogPr[pos]) - totalLogPr[pos];
        else
            d = ((logRate + moduleLogPr[pos]) + totalLogPr[pos - L]) - totalLogPr[pos];
        if (!(d > -0.6931)) {
            --pos;
            continue;
        }
        ++moduleCount;
        auto node = std::make_unique<MODULEINFO>();
        node->start = pos - L + 1;
        node->score = std::exp(d);
        node->sites = SampleSites(priorWeight, table, pos, L);
        AddSite(moduleList.get(), std::move(node));
        pos -= L;
    }
}
