// Module likelihood recursion, the maximizing and posterior module scans,
// and the site traceback inside a module window.
//
// Results are compared bit for bit, so every formula below is evaluated
// left to right exactly as its comment writes it: no term is merged with
// another into a precomputed constant, and only logarithms of constants are
// taken once per call (the same double at every use). Per-position work
// lives in the small step functions of the anonymous namespace so that a
// block-wise scan over a streamed sequence can call the very same code.
#include "scanner/GibbsDP.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace
{

// Logarithms of the module model's constants for one call.
struct ModuleModel {
    int motifNum = 0;
    bool bothStrands = true;
    const int* width = nullptr;    // motifWidth, K entries
    std::vector<double> logPrior;  // log priorWeight[j], j < K
    double logBg = 0.0;            // log priorWeight[K]
    double logHalf = 0.0;          // log 0.5
    int minWidth = 1;              // smallest motif width, at least 1
};

ModuleModel MakeModel(const CGibbsDP& dp, const double* priorWeight)
{
    ModuleModel mm;
    mm.motifNum = dp.motifNum;
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
    for (int j = 0; j < dp.motifNum; ++j)
        if (j == 0 || mm.width[j] < wmin)
            wmin = mm.width[j];
    mm.minWidth = std::max(wmin, 1);
    return mm;
}

std::size_t Columns(int motifNum)
{
    return static_cast<std::size_t>(2 * motifNum + 1);
}

const double* Row(const double* table, std::size_t cols, int p)
{
    return table + static_cast<std::size_t>(p) * cols;
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
double RecursionStep(const ModuleModel& mm, const double* row, int k, const double* here)
{
    double value = (row[2 * mm.motifNum] + here[-1]) + mm.logBg;
    for (int j = 0; j < mm.motifNum; ++j) {
        const int w = mm.width[j];
        if (w < 1 || w > k)
            continue;
        double site;
        if (mm.bothStrands)
            site = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logHalf) +
                   mm.logPrior[static_cast<std::size_t>(j)];
        else
            site = row[2 * j] + mm.logPrior[static_cast<std::size_t>(j)];
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
double WindowForwardStep(const ModuleModel& mm, const double* row, int k, const double* here)
{
    double value = here[-1] + row[2 * mm.motifNum];
    if (k >= mm.minWidth)
        value = value + mm.logBg;
    for (int j = 0; j < mm.motifNum; ++j) {
        const int w = mm.width[j];
        if (w < 1 || w > k)
            continue;
        double site;
        if (mm.bothStrands)
            site = (LogSum(row[2 * j], row[2 * j + 1]) + mm.logPrior[static_cast<std::size_t>(j)]) +
                   mm.logHalf;
        else
            site = mm.logPrior[static_cast<std::size_t>(j)] + row[2 * j];
        if (k > w)
            site = site + here[-w];
        value = LogSum(value, site);
    }
    return value;
}

// log(rate) and log(1 - rate) as the maths library gives them (minus
// infinity or not a number for rates outside (0, 1)).
struct RateLogs {
    double logRate;
    double logStay;
};

RateLogs MakeRateLogs(double rate)
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

Candidates StepCandidates(const RateLogs& r, double before, double bg, bool moduleFirst,
                          double beforeModule, double moduleScore)
{
    Candidates c;
    c.background = (r.logStay + before) + bg;
    c.module = moduleFirst ? r.logRate + moduleScore : (r.logRate + beforeModule) + moduleScore;
    return c;
}

// Module log-likelihood of the window ending at j, as a difference of
// forward values of the whole-sequence recursion.
double ModuleScore(const double* fwdLogPr, int j, int L)
{
    return j == L - 1 ? fwdLogPr[j] : fwdLogPr[j] - fwdLogPr[j - L];
}

// The scans' window length: moduleLength, or the whole sequence when shorter.
int WindowLength(const CGibbsDP& dp, int n)
{
    return std::min(dp.moduleLength, n);
}

// The model needs a width per motif; without them nothing is scanned.
bool HasWidths(const CGibbsDP& dp)
{
    return dp.motifNum >= 1 && static_cast<int>(dp.motifWidth.size()) >= dp.motifNum;
}

// Makes sure the site counters and list heads SampleSites writes to exist
// (the driver makes them; this only keeps a bare scanner from crashing).
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
    out[0] = mm.logBg + Row(table, cols, start)[2 * motifNum];
    for (int m = 1; m < len; ++m)
        out[m] = RecursionStep(mm, Row(table, cols, start + m), m + 1, out + m);
    return out[len - 1];
}

// The maximizing pass over positions 0..n-1 with module windows of L bases
// (1 <= L <= n; the scan passes min(moduleLength, n)). The first L-1 best
// values are the running background sum, started at 0.0.
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
    const RateLogs r = MakeRateLogs(rate);
    const std::size_t cols = Columns(motifNum);
    const int bgCol = 2 * motifNum;
    double running = 0.0;
    for (int i = 0; i < L - 1; ++i) {
        running += Row(table, cols, i)[bgCol];
        bestLogPr[i] = running;
    }
    for (int j = L - 1; j < n; ++j) {
        moduleLogPr[j] = ModuleScore(fwdLogPr, j, L);
        const bool first = j == L - 1;
        const Candidates c =
            StepCandidates(r, j > 0 ? bestLogPr[j - 1] : 0.0, Row(table, cols, j)[bgCol], first,
                           first ? 0.0 : bestLogPr[j - L], moduleLogPr[j]);
        const bool toModule = !(c.background > c.module);
        bestLogPr[j] = toModule ? c.module : c.background;
        moduleEnd[static_cast<std::size_t>(j)] = toModule;
    }
}

// The posterior pass: as MaximizePass, but totalLogPr[j] sums both
// candidates with LogSum instead of keeping the larger.
void CGibbsDP::PosteriorPass(double rate, int n, int L, const double* table, const double* fwdLogPr,
                             double* moduleLogPr, double* totalLogPr) const
{
    if (n < 1 || L < 1 || L > n)
        return;
    const RateLogs r = MakeRateLogs(rate);
    const std::size_t cols = Columns(motifNum);
    const int bgCol = 2 * motifNum;
    double running = 0.0;
    for (int i = 0; i < L - 1; ++i) {
        running += Row(table, cols, i)[bgCol];
        totalLogPr[i] = running;
    }
    for (int j = L - 1; j < n; ++j) {
        moduleLogPr[j] = ModuleScore(fwdLogPr, j, L);
        const bool first = j == L - 1;
        const Candidates c =
            StepCandidates(r, j > 0 ? totalLogPr[j - 1] : 0.0, Row(table, cols, j)[bgCol], first,
                           first ? 0.0 : totalLogPr[j - L], moduleLogPr[j]);
        totalLogPr[j] = LogSum(c.background, c.module);
    }
}

// Maximizing module scan of the current sequence (seq, seqLength) from its
// position score table: fills moduleList and the site lists, raises
// moduleCount and siteCount. pwm is not read. Does nothing for an empty
// sequence or a module length below 1.
void CGibbsDP::ApproxScanCurSeq(double rate, const double* priorWeight, const MatrixSet& /*pwm*/,
                                const double* table)
{
    const int n = seqLength;
    const int L = WindowLength(*this, n);
    if (n < 1 || L < 1 || !HasWidths(*this))
        return;
    std::vector<double> fwdLogPr(static_cast<std::size_t>(n));
    CalModuleLogPr(n - 1, n, table, priorWeight, fwdLogPr.data());
    std::vector<double> moduleLogPr(static_cast<std::size_t>(n));
    std::vector<double> bestLogPr(static_cast<std::size_t>(n));
    std::vector<bool> moduleEnd;
    MaximizePass(rate, n, L, table, fwdLogPr.data(), moduleLogPr.data(), bestLogPr.data(),
                 moduleEnd);
    MaximizeModule(moduleLogPr.data(), rate, priorWeight, n, table, moduleEnd);
}

// Traceback of the maximizing scan, from position n-1 towards 0.
//   moduleLogPr  module scores from MaximizePass (entries >= L-1 read).
//   moduleEnd    n marks from MaximizePass.
// Every visited mark raises moduleCount and has its window traced by
// SampleSites; a window whose site string is "NULL" gets no node. Nodes go
// right after the moduleList head with score moduleLogPr[pos] minus the
// window's background sum, so the list ends up in ascending start order.
// After a module the traceback resumes L positions back. rate is not read.
void CGibbsDP::MaximizeModule(const double* moduleLogPr, double /*rate*/, const double* priorWeight,
                              int n, const double* table, const std::vector<bool>& moduleEnd)
{
    const int L = WindowLength(*this, n);
    if (L < 1 || static_cast<int>(moduleEnd.size()) < n)
        return;
    EnsureModuleList(*this);
    int pos = n - 1;
    while (pos >= L - 1) {
        if (!moduleEnd[static_cast<std::size_t>(pos)]) {
            --pos;
            continue;
        }
        ++moduleCount;
        CString sites = SampleSites(priorWeight, table, pos, L);
        if (sites.GetLength() == 0 || sites[0] != 'N') {
            const double bgSum = CalLogBgPr(pos - L + 1, L, table);
            auto node = std::make_unique<MODULEINFO>();
            node->start = pos - L + 1;
            node->score = moduleLogPr[pos] - bgSum;
            node->sites = std::move(sites);
            AddSite(moduleList.get(), std::move(node));
        }
        pos -= L;
    }
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
    const int start = end - len + 1;
    if (len < 1 || start < 0 || end >= seqLength || !HasWidths(*this))
        return CString("NULL");
    EnsureSiteLists(*this);
    const ModuleModel mm = MakeModel(*this, priorWeight);
    const std::size_t cols = Columns(motifNum);
    const int K = motifNum;

    std::vector<double> F(static_cast<std::size_t>(len));
    F[0] = Row(table, cols, start)[2 * K];
    for (int m = 1; m < len; ++m)
        F[static_cast<std::size_t>(m)] =
            WindowForwardStep(mm, Row(table, cols, start + m), m + 1, F.data() + m);

    const int options = bothStrands ? 2 * K : K;
    std::vector<double> P(static_cast<std::size_t>(options) + 1);
    CString result;
    int m = len - 1;
    while (m >= mm.minWidth - 1) {
        const double* row = Row(table, cols, start + m);
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
        std::snprintf(piece, sizeof piece, "%c%d(%d)", forward ? '+' : '-', j + 1, node->pos);
        result = CString(piece) + result;
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
    const int n = seqLength;
    const int L = WindowLength(*this, n);
    if (n < 1 || L < 1 || !HasWidths(*this))
        return;
    std::vector<double> fwdLogPr(static_cast<std::size_t>(n));
    CalModuleLogPr(n - 1, n, table, priorWeight, fwdLogPr.data());
    std::vector<double> moduleLogPr(static_cast<std::size_t>(n));
    std::vector<double> totalLogPr(static_cast<std::size_t>(n));
    PosteriorPass(rate, n, L, table, fwdLogPr.data(), moduleLogPr.data(), totalLogPr.data());
    SampleModule(moduleLogPr.data(), totalLogPr.data(), rate, priorWeight, n, table,
                 fwdLogPr.data());
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
