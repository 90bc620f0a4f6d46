// Whole-table scans: the maximizing scan as the design states it, one
// forward pass over the whole record, module scores as differences of its
// values, the prefix pass, then the traceback; and the posterior decoding.
// The per-position steps live in ScanSteps.h, so the streamed scan calls the
// very same code.
#include "scanner/scan/ReferenceScan.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "scanner/scan/PositionScorer.h"
#include "scanner/scan/ScanSteps.h"
#include "scanner/scan/SiteTraceback.h"
#include "support/Bases.h"

using namespace scansteps;

namespace {

const double* Row(const double* table, std::size_t cols, int p) { return table + static_cast<std::size_t>(p) * cols; }

// The per-position pass shared by the maximizing and the posterior scan over
// positions 0..n-1 with module windows of L bases (1 <= L <= n). The first
// L-1 prefix values are the running background sum, started at 0.0; from
// L-1 on, prefix[j] = combine(j, candidates at j).
template <class Combine>
void PrefixPass(const SCANMODEL& mm, int n, int L, const double* table, const double* fwdLogPr, double* moduleLogPr,
                double* prefix, Combine combine)
{
    const std::size_t cols = mm.columns;
    const std::size_t bgCol = mm.bgColumn;
    double running = 0.0;
    for (int i = 0; i < L - 1; ++i) {
        running += Row(table, cols, i)[bgCol];
        prefix[i] = running;
    }
    for (int j = L - 1; j < n; ++j) {
        const bool first = j == L - 1;
        moduleLogPr[j] = ModuleScore(first, fwdLogPr[j], first ? 0.0 : fwdLogPr[j - L]);
        const Candidates c = StepCandidates(mm, j > 0 ? prefix[j - 1] : 0.0, Row(table, cols, j)[bgCol], first,
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

// Both whole-table decodings.
void WholeTableScan(const SCANMODEL& mm, std::string_view seq, const double* table, bool maximize, RECORDRESULT* result)
{
    const int n = static_cast<int>(seq.size());
    const int L = mm.WindowLength(n);
    result->window = L;
    if (n < 1 || L < 1 || mm.motifNum < 1)
        return;
    std::vector<double> fwdLogPr(static_cast<std::size_t>(n));
    CalModuleLogPr(mm, n - 1, n, table, fwdLogPr.data());
    std::vector<double> moduleLogPr(static_cast<std::size_t>(n));
    std::vector<double> prefix(static_cast<std::size_t>(n));
    if (maximize) {
        std::vector<bool> moduleEnd;
        MaximizePass(mm, n, L, table, fwdLogPr.data(), moduleLogPr.data(), prefix.data(), moduleEnd);
        MaximizeModule(mm, seq, moduleLogPr.data(), n, table, moduleEnd, result);
    } else {
        PosteriorPass(mm, n, L, table, fwdLogPr.data(), moduleLogPr.data(), prefix.data());
        SampleModule(mm, seq, moduleLogPr.data(), prefix.data(), n, table, result);
    }
}

}  // namespace

std::vector<double> CalLogPrPos(const SCANMODEL& model, std::string_view seq, const BACKGROUND& background)
{
    const int n = static_cast<int>(seq.size());
    std::vector<double> table(static_cast<std::size_t>(n) * model.columns);
    const PositionScorer scorer(model, background);
    const auto* s = reinterpret_cast<const unsigned char*>(seq.data());
    constexpr int kChunk = 4096;  // bounds the scorer's scratch codes
    for (int i = 0; i < n; i += kChunk)
        scorer.ScoreRows(s, i, std::min(kChunk, n - i), table.data() + static_cast<std::size_t>(i) * model.columns);
    return table;
}

double CalLogMotifPr(std::string_view word, const double* matrix)
{
    double sum = 0.0;
    for (std::size_t k = 0; k < word.size(); ++k)
        sum += std::log(matrix[4 * k + kBaseCode[static_cast<unsigned char>(word[k])]]);
    return sum;
}

double CalLogBgPr(const SCANMODEL& model, int start, int num, const double* table)
{
    double sum = 0.0;
    for (int r = start; r < start + num; ++r)
        sum += table[static_cast<std::size_t>(r) * model.columns + model.bgColumn];
    return sum;
}

double CalModuleLogPr(const SCANMODEL& mm, int end, int len, const double* table, double* out)
{
    if (len < 1 || mm.motifNum < 1)
        return 0.0;
    const std::size_t cols = mm.columns;
    const int start = end - len + 1;
    out[0] = mm.logBg + Row(table, cols, start)[mm.bgColumn];
    for (int m = 1; m < len; ++m)
        out[m] = RecursionStep(mm, Row(table, cols, start + m), m + 1, out + m);
    return out[len - 1];
}

void MaximizePass(const SCANMODEL& mm, int n, int L, const double* table, const double* fwdLogPr, double* moduleLogPr,
                  double* bestLogPr, std::vector<bool>& moduleEnd)
{
    moduleEnd.assign(static_cast<std::size_t>(std::max(n, 0)), false);
    if (n < 1 || L < 1 || L > n)
        return;
    PrefixPass(mm, n, L, table, fwdLogPr, moduleLogPr, bestLogPr, [&moduleEnd](int j, const Candidates& c) {
        bool toModule = false;
        const double best = ChooseBest(c, &toModule);
        moduleEnd[static_cast<std::size_t>(j)] = toModule;
        return best;
    });
}

void PosteriorPass(const SCANMODEL& mm, int n, int L, const double* table, const double* fwdLogPr, double* moduleLogPr,
                   double* totalLogPr)
{
    if (n < 1 || L < 1 || L > n)
        return;
    PrefixPass(mm, n, L, table, fwdLogPr, moduleLogPr, totalLogPr,
               [](int, const Candidates& c) { return LogSum(c.background, c.module); });
}

void ApproxScanCurSeq(const SCANMODEL& model, std::string_view seq, const double* table, RECORDRESULT* result)
{
    WholeTableScan(model, seq, table, true, result);
}

void MaximizeModule(const SCANMODEL& model, std::string_view seq, const double* moduleLogPr, int n, const double* table,
                    const std::vector<bool>& moduleEnd, RECORDRESULT* result)
{
    const int L = model.WindowLength(n);
    if (L < 1 || static_cast<int>(moduleEnd.size()) < n)
        return;
    TableMarks marks {moduleEnd};
    TableWindows windows {table, moduleLogPr};
    TraceModules(model, seq, n, L, marks, windows, result);
}

void ApproxSampleCurSeq(const SCANMODEL& model, std::string_view seq, const double* table, RECORDRESULT* result)
{
    WholeTableScan(model, seq, table, false, result);
}

void SampleModule(const SCANMODEL& model, std::string_view seq, const double* moduleLogPr, const double* totalLogPr,
                  int n, const double* table, RECORDRESULT* result)
{
    const int L = model.WindowLength(n);
    if (L < 1)
        return;
    const std::size_t firstNew = result->modules.size();
    int pos = n - 1;
    while (pos >= L - 1) {
        double d;
        if (pos == L - 1)
            d = (model.logRate + moduleLogPr[pos]) - totalLogPr[pos];
        else
            d = ((model.logRate + moduleLogPr[pos]) + totalLogPr[pos - L]) - totalLogPr[pos];
        if (!(d > -0.6931)) {
            --pos;
            continue;
        }
        ++result->moduleCount;
        MODULEINFO module;
        module.start = pos - L + 1;
        module.score = std::exp(d);
        module.sites = SampleSites(model, seq, table, pos, L);
        result->modules.push_back(std::move(module));
        pos -= L;
    }
    std::reverse(result->modules.begin() + static_cast<std::ptrdiff_t>(firstNew), result->modules.end());
}

std::vector<SITEINFO> SampleSites(const SCANMODEL& model, std::string_view seq, const double* table, int end, int len)
{
    return SampleSitesIn(model, seq, table, 0, end, len);
}
