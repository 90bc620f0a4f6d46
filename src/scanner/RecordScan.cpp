// The scan of one record as the tool runs it: the background model, then
// the maximizing module scan block by block, without a whole-record table,
// with the results of the whole-table scan (ReferenceScan.cpp) to the last
// bit.
//
// Memory is what makes a chromosome scannable: the table would take
// (2K + 1) * 8 bytes per base and the scan's four whole-sequence arrays
// another 25. Here the only per-base data beyond the sequence itself are
// the module-end marks (one bit per base) and a saved forward state every
// checkpointInterval bases.
//
// Why the results are identical: every double comes from the same
// functions with the same inputs in the same order. Rows are made by the
// same PositionScorer, whatever stretch they are made for; the forward
// recursion and the maximizing step read only their last max(L, widest)
// and L values, which the sliding buffers keep; and the traceback gets the
// forward values it needs by rerunning the same RecursionStep from a saved
// state, which yields the same doubles as the first time.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "scanner/RecordScan.h"

#include "scanner/PositionScorer.h"
#include "scanner/ScanSteps.h"
#include "scanner/SiteTraceback.h"

using namespace scansteps;

namespace {

// The module-end marks of the maximizing pass, one bit per position.
class CMarkBits {
public:
    explicit CMarkBits(int n) : m_words((static_cast<std::size_t>(n) + 63) / 64, 0) {}

    void Set(int p) { m_words[static_cast<std::size_t>(p) >> 6] |= std::uint64_t {1} << (p & 63); }

    // The largest marked position at or before pos, or -1. Unmarked
    // stretches are skipped a word at a time.
    int Previous(int pos) const
    {
        if (pos < 0)
            return -1;
        std::size_t word = static_cast<std::size_t>(pos) >> 6;
        std::uint64_t bits = m_words[word] & (~std::uint64_t {0} >> (63 - (pos & 63)));
        while (bits == 0) {
            if (word == 0)
                return -1;
            bits = m_words[--word];
        }
        return static_cast<int>(word * 64 + 63 - static_cast<std::size_t>(std::countl_zero(bits)));
    }

private:
    std::vector<std::uint64_t> m_words;
};

// The latest values of a per-position series in one linear buffer, so that
// the values of the `hist` positions before the current one lie right
// behind it, as RecursionStep and the maximizing step read them. When the
// buffer is full its last `hist` values move to the front; with room for
// max(block, hist) new values after them, that happens at most once per
// block and moves at most one value per position written, whatever the
// window length.
class CSlidingValues {
public:
    CSlidingValues(std::size_t hist, std::size_t block)
        : m_hist(hist), m_values(hist + std::max(block, hist), 0.0), m_next(hist)
    {}

    // Room for `count` (<= block) more values: where the first one goes.
    double* Reserve(std::size_t count)
    {
        if (m_next + count > m_values.size()) {
            std::memmove(m_values.data(), m_values.data() + (m_next - m_hist), m_hist * sizeof(double));
            m_next = m_hist;
        }
        return m_values.data() + m_next;
    }

    void Commit(std::size_t count) { m_next += count; }

private:
    std::size_t m_hist;
    std::vector<double> m_values;
    std::size_t m_next;  // index of the next value
};

// Saved states of the forward recursion: state c holds the forward values
// of the `width` positions before position c * interval, all that
// RecursionStep reads to go on from there. Values of positions before 0 are
// placeholders that are never read.
class CCheckpoints {
public:
    CCheckpoints(int n, int interval, int width)
        : m_width(static_cast<std::size_t>(width)),
          m_values((static_cast<std::size_t>(n - 1) / static_cast<std::size_t>(interval) + 1) * m_width, 0.0)
    {}

    // Saves the values just before `here` as state c.
    void Save(std::size_t c, const double* here)
    {
        std::memcpy(&m_values[c * m_width], here - m_width, m_width * sizeof(double));
    }

    const double* State(std::size_t c) const { return &m_values[c * m_width]; }

private:
    std::size_t m_width;
    std::vector<double> m_values;
};

// The module windows of the streamed scan for TraceModules. For a module
// ending at pos it needs the rows of pos-L+1..pos and the forward values of
// pos and pos-L; it rescores and reruns the recursion over one stretch from
// the last checkpoint at or before pos-L up to pos. The traceback walks
// backwards, so the next module (ending at or before pos-L) is often still
// inside the stretch; otherwise a new, earlier stretch is made. Every
// position is thus recomputed at most about twice, and only near modules.
class CStretchWindows {
public:
    CStretchWindows(const SCANMODEL& mm, std::string_view seq, const PositionScorer& scorer,
                    const CCheckpoints& checkpoints, int interval, int L)
        : m_mm(mm),
          m_scorer(scorer),
          m_checkpoints(checkpoints),
          m_seq(reinterpret_cast<const unsigned char*>(seq.data())),
          m_cols(mm.columns),
          m_hist(static_cast<std::size_t>(mm.maxWidth)),
          m_interval(interval),
          m_L(L)
    {}

    ModuleWindow At(int pos)
    {
        // The first position whose forward value (pos-L) or row (pos-L+1,
        // or 0 for the window that starts the sequence) is needed.
        const int earliest = std::max(pos - m_L, 0);
        if (!(m_count > 0 && m_first <= earliest && pos < m_first + m_count))
            Recompute(earliest / m_interval * m_interval, pos);
        const double* fwd = m_fwd.data() + m_hist;  // fwd[p - m_first] is position p's value
        const bool first = pos == m_L - 1;
        const double score = ModuleScore(first, fwd[pos - m_first], first ? 0.0 : fwd[pos - m_L - m_first]);
        return {m_rows.data(), m_first, score};
    }

private:
    // Rows and forward values of positions from..to, from a checkpoint
    // position `from`.
    void Recompute(int from, int to)
    {
        const int count = to - from + 1;
        m_rows.resize(static_cast<std::size_t>(count) * m_cols);
        m_fwd.resize(m_hist + static_cast<std::size_t>(count));
        m_scorer.ScoreRows(m_seq, from, count, m_rows.data());
        std::memcpy(m_fwd.data(), m_checkpoints.State(static_cast<std::size_t>(from / m_interval)),
                    m_hist * sizeof(double));
        double* fwd = m_fwd.data() + m_hist;
        const std::size_t bgCol = m_mm.bgColumn;
        for (int t = 0; t < count; ++t) {
            const int p = from + t;
            const double* row = m_rows.data() + static_cast<std::size_t>(t) * m_cols;
            fwd[t] = p == 0 ? m_mm.logBg + row[bgCol] : RecursionStep(m_mm, row, p + 1, fwd + t);
        }
        m_first = from;
        m_count = count;
    }

    const SCANMODEL& m_mm;
    const PositionScorer& m_scorer;
    const CCheckpoints& m_checkpoints;
    const unsigned char* m_seq;
    std::size_t m_cols;
    std::size_t m_hist;  // forward values kept before the stretch
    int m_interval;
    int m_L;
    std::vector<double> m_rows;
    std::vector<double> m_fwd;
    int m_first = 0;
    int m_count = 0;
};

}  // namespace

void StreamScanCurSeq(const SCANMODEL& mm, std::string_view seq, const BACKGROUND& background, RECORDRESULT* result,
                      const StreamScanOptions& options, const BasesObserver& progress)
{
    const int n = static_cast<int>(seq.size());
    const int L = mm.WindowLength(n);
    result->window = L;
    if (n < 1 || L < 1 || mm.motifNum < 1)
        return;
    const PositionScorer scorer(mm, background);
    const int block = std::clamp(options.blockSize, 1, n);
    const int interval = std::clamp(options.checkpointInterval, 1, n);
    const std::size_t cols = mm.columns;
    const std::size_t bgCol = mm.bgColumn;
    // History kept in front of each block: the recursion reads back the
    // widest motif's width, the module score L positions; the best values
    // are read back L positions.
    const auto fwdHist = static_cast<std::size_t>(std::max(L, mm.maxWidth));
    const auto bestHist = static_cast<std::size_t>(L);

    // Every row is written before it is read: no need to clear them first.
    const auto rows = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(block) * cols);
    CSlidingValues fwdValues(fwdHist, static_cast<std::size_t>(block));
    CSlidingValues bestValues(bestHist, static_cast<std::size_t>(block));
    CMarkBits marks(n);
    CCheckpoints checkpoints(n, interval, mm.maxWidth);

    const auto* s = reinterpret_cast<const unsigned char*>(seq.data());
    double running = 0.0;  // background sum of the positions before L-1
    long long nextCheckpoint = 0;
    std::size_t checkpoint = 0;
    for (int start = 0; start < n;) {
        const int count = std::min(block, n - start);
        scorer.ScoreRows(s, start, count, rows.get());
        double* fwd = fwdValues.Reserve(static_cast<std::size_t>(count));    // fwd[t]: position start + t
        double* best = bestValues.Reserve(static_cast<std::size_t>(count));  // best[t]: position start + t
        for (int t = 0; t < count; ++t) {
            const int p = start + t;
            const double* row = rows.get() + static_cast<std::size_t>(t) * cols;
            if (p == nextCheckpoint) {
                checkpoints.Save(checkpoint++, fwd + t);
                nextCheckpoint += interval;
            }
            fwd[t] = p == 0 ? mm.logBg + row[bgCol] : RecursionStep(mm, row, p + 1, fwd + t);
            const double bg = row[bgCol];
            if (p < L - 1) {
                running += bg;
                best[t] = running;
                continue;
            }
            const bool first = p == L - 1;
            const Candidates c = StepCandidates(mm, p > 0 ? best[t - 1] : 0.0, bg, first, first ? 0.0 : best[t - L],
                                                ModuleScore(first, fwd[t], first ? 0.0 : fwd[t - L]));
            bool toModule = false;
            best[t] = ChooseBest(c, &toModule);
            if (toModule)
                marks.Set(p);
        }
        fwdValues.Commit(static_cast<std::size_t>(count));
        bestValues.Commit(static_cast<std::size_t>(count));
        start += count;
        if (progress)
            progress(count);
    }

    CStretchWindows windows(mm, seq, scorer, checkpoints, interval, L);
    TraceModules(mm, seq, n, L, marks, windows, result);
}

RECORDRESULT DataAugmentation(const SCANMODEL& model, std::string name, std::string_view bases,
                              const BasesObserver& progress)
{
    RECORDRESULT result;
    result.name = std::move(name);
    result.length = static_cast<int>(bases.size());
    result.window = model.WindowLength(result.length);
    // The scan needs two positions at least; shorter records were reported
    // by the caller and only take part in the output (headings, totals).
    if (result.length < 2)
        return result;
    const BACKGROUND background = BuildBackground(bases);
    if (!BackgroundScoresEveryBase(bases, background)) {
        result.unscorable = true;
        return result;
    }
    // Scored block by block: memory does not grow with the table of
    // length rows that the whole-record scan would need.
    StreamScanCurSeq(model, bases, background, &result, StreamScanOptions(), progress);
    return result;
}
