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
// same PositionScorer, whatever stretch they are made for, and whichever
// thread makes them; a row's site terms are computed by the same lines of
// code whether a helper did it ahead (CombineStrands) or the recursion does
// it on the spot (RecursionStep); the forward
// recursion and the maximizing step read only their last max(L, widest)
// and L values, which the sliding buffers keep; and the traceback gets the
// forward values it needs by rerunning the same RecursionStep from a saved
// state, which yields the same doubles as the first time.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "scanner/scan/RecordScan.h"

#include "scanner/scan/PositionScorer.h"
#include "scanner/scan/ScanSteps.h"
#include "scanner/scan/SiteTraceback.h"

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

// The module scores of the first module-end marks of the maximizing pass,
// in position order. The traceback needs the score of every mark it visits;
// found here, it is the very double the pass compared, and the traceback
// scores the window's rows only instead of rerunning the recursion from a
// saved state up to the window's end, several times the work. Marks are
// few at sensible rates (about 1 in 600 bases on a human-like sequence at
// the default rate); at most n/256 are kept, so that memory stays bounded
// when nearly every position is a mark, and the rest are recomputed.
class CModuleScores {
public:
    explicit CModuleScores(int n) : m_most(static_cast<std::size_t>(n) / 256) {}

    void Add(int pos, double score)
    {
        if (m_kept.size() < m_most)
            m_kept.push_back({pos, score});
    }

    bool Find(int pos, double* score) const
    {
        const auto at =
            std::lower_bound(m_kept.begin(), m_kept.end(), pos, [](const Kept& kept, int p) { return kept.pos < p; });
        if (at == m_kept.end() || at->pos != pos)
            return false;
        *score = at->score;
        return true;
    }

private:
    struct Kept {
        int pos;
        double score;
    };
    std::size_t m_most;
    std::vector<Kept> m_kept;
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
                    const CCheckpoints& checkpoints, const CModuleScores& scores, int interval, int L)
        : m_mm(mm),
          m_scorer(scorer),
          m_checkpoints(checkpoints),
          m_scores(scores),
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
        const bool held = m_count > 0 && m_first <= earliest && pos < m_first + m_count;
        double kept = 0.0;
        if (!held && m_scores.Find(pos, &kept)) {
            // The rows of the window alone: pos-L+1..pos.
            const int from = pos - m_L + 1;
            m_rows.resize(static_cast<std::size_t>(m_L) * m_cols);
            m_scorer.ScoreRows(m_seq, from, m_L, m_rows.data());
            m_count = 0;  // no stretch of forward values held now
            return {m_rows.data(), from, kept};
        }
        if (!held)
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
    const CModuleScores& m_scores;
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

// The maximizing step and the best-window screening of the main pass. They
// read each position's forward value and background value in position
// order and feed nothing back to the recursion, so they can run a block
// behind it, on another thread. Each keeps the history it reads back: the
// forward and best values and the background column of the last L
// positions.
class CMaxPass {
public:
    CMaxPass(const SCANMODEL& mm, int L, int block, CMarkBits& marks, CModuleScores& scores, bool windows)
        : m_mm(mm),
          m_L(L),
          m_windows(windows),
          m_fwdValues(static_cast<std::size_t>(L), static_cast<std::size_t>(block)),
          m_bestValues(static_cast<std::size_t>(L), static_cast<std::size_t>(block)),
          m_bgValues(static_cast<std::size_t>(L), static_cast<std::size_t>(block)),
          m_blockScores(static_cast<std::size_t>(block)),
          m_marks(marks),
          m_scores(scores)
    {}

    // The positions start..start+count-1: Open, Step for t = 0..count-1 in
    // turn, then Close.
    void Open(int start, int count)
    {
        m_start = start;
        m_count = count;
        m_fwd = m_fwdValues.Reserve(static_cast<std::size_t>(count));
        m_best = m_bestValues.Reserve(static_cast<std::size_t>(count));
        m_bgs = m_bgValues.Reserve(static_cast<std::size_t>(count));
    }

    // Position start + t, with its forward value and background value.
    void Step(int t, double fwd, double bg)
    {
        const int L = m_L;
        const int p = m_start + t;
        m_fwd[t] = fwd;
        m_bgs[t] = bg;
        if (p < L - 1) {
            m_running += bg;
            m_best[t] = m_running;
            return;
        }
        const bool first = p == L - 1;
        const double moduleScore = ModuleScore(first, fwd, first ? 0.0 : m_fwd[t - L]);
        const Candidates c =
            StepCandidates(m_mm, p > 0 ? m_best[t - 1] : 0.0, bg, first, first ? 0.0 : m_best[t - L], moduleScore);
        m_blockScores[static_cast<std::size_t>(t)] = moduleScore;
        bool toModule = false;
        m_best[t] = ChooseBest(c, &toModule);
        if (toModule) {
            m_marks.Set(p);
            m_scores.Add(p, moduleScore);
        }
    }

    void Close()
    {
        const auto count = static_cast<std::size_t>(m_count);
        m_fwdValues.Commit(count);
        m_bestValues.Commit(count);
        if (m_windows)
            Windows();
        m_bgValues.Commit(count);
    }

    // A block whose forward values were computed apart: fwd[t] is position
    // start + t's, rows the block's rows (for the background column).
    void Block(const double* rows, const double* fwd, int start, int count)
    {
        const std::size_t cols = m_mm.columns;
        const std::size_t bgCol = m_mm.bgColumn;
        Open(start, count);
        for (int t = 0; t < count; ++t)
            Step(t, fwd[t], rows[static_cast<std::size_t>(t) * cols + bgCol]);
        Close();
    }

    // The highest score of any window, as a module's score is: the module
    // score minus the background column summed over the window from 0.0 in
    // position order. A running sum (plus the newest value less the one
    // that left) gives every window's background sum in one chained
    // addition, but not the same double as the sum in order. So the running
    // sum only screens: a window is summed in order when its screened score
    // comes within the running sum's error bound of the best so far, and
    // every kResumEvery * L windows anyway, which keeps that bound small.
    // The best is then exact at the cost of about two additions per
    // position; only a record of ties (a long repeat) sums many windows in
    // order.
    double BestWindow() const { return m_bestWindow; }

private:
    static constexpr int kResumEvery = 16;

    // The windows ending in the open block, apart from the steps, which
    // they would only crowd: scores[t] is the module score of the window
    // ending at start + t, bgs[t] that position's background value, with
    // the L values before the block right behind bgs.
    void Windows()
    {
        const int L = m_L;
        const int start = m_start;
        const int count = m_count;
        const double* scores = m_blockScores.data();
        const double* bgs = m_bgs;
        double largest = m_largestBg;
        for (int t = 0; t < count; ++t)
            largest = std::max(largest, std::fabs(bgs[t]));
        // Every value summed is below (L + 3) times the largest background
        // value, so each rounding is within eps times that: two per step of
        // the running sum, at most kResumEvery * L steps since the last sum
        // in order, and L / 2 for each sum in order; two more roundings
        // come with the subtractions from the module score.
        constexpr double eps = std::numeric_limits<double>::epsilon();
        const double drift = eps * (kResumEvery * L + L + 4.0) * (L + 3.0) * largest;
        double running = m_windowBg;
        double best = m_bestWindow;
        int untilResum = m_untilResum;
        for (int t = std::max(0, L - 1 - start); t < count; ++t) {
            const double moduleScore = scores[t];
            const bool first = start + t == L - 1;
            if (!first && --untilResum > 0) {
                running += bgs[t] - bgs[t - L];
                if (!(moduleScore - running >= best - (drift + eps * std::fabs(moduleScore))))
                    continue;
            }
            double sum = 0.0;
            for (const double* bg = bgs + t - (L - 1); bg <= bgs + t; ++bg)
                sum += *bg;
            running = sum;
            untilResum = kResumEvery * L;
            const double score = moduleScore - sum;
            if (first || score > best)
                best = score;
        }
        m_largestBg = largest;
        m_windowBg = running;
        m_bestWindow = best;
        m_untilResum = untilResum;
    }

    const SCANMODEL& m_mm;
    int m_L;
    bool m_windows;  // find the best window score
    CSlidingValues m_fwdValues;
    CSlidingValues m_bestValues;
    CSlidingValues m_bgValues;          // the background column, for the window sums
    std::vector<double> m_blockScores;  // the module scores of the block's windows
    CMarkBits& m_marks;
    CModuleScores& m_scores;
    int m_start = 0;  // the open block
    int m_count = 0;
    double* m_fwd = nullptr;  // the open block's values: m_fwd[t] is position m_start + t's
    double* m_best = nullptr;
    double* m_bgs = nullptr;
    double m_running = 0.0;   // background sum of the positions before L-1
    double m_windowBg = 0.0;  // background sum of the latest window, running since the last sum in order
    int m_untilResum = 0;     // windows until the next sum in order
    double m_largestBg = 0.0;
    double m_bestWindow = -std::numeric_limits<double>::infinity();
};

CScanShare::CScanShare(const SCANMODEL& model, const PositionScorer& scorer, const unsigned char* seq, int n, int block,
                       CMaxPass& maxPass, const HelpPacing& pacing)
    : m_model(model),
      m_scorer(scorer),
      m_seq(seq),
      m_n(n),
      m_block(block),
      m_blocks((n + block - 1) / block),
      m_maxPass(maxPass),
      m_own(static_cast<std::size_t>(block) * model.columns),
      m_pacer(pacing),
      m_split(model.motifCount)
{}

CScanShare::~CScanShare() { Close(); }

void CScanShare::Score(int b, double* out, std::size_t combine) const
{
    const int first = b * m_block;
    const int count = std::min(m_block, m_n - first);
    m_scorer.ScoreRows(m_seq, first, count, out);
    if (combine > 0)
        for (int t = 0; t < count; ++t)
            CombineStrands(m_model, out + static_cast<std::size_t>(t) * m_model.columns, combine);
}

void CScanShare::Wait(std::unique_lock<std::mutex>& lock, Sleeper& sleeper, std::chrono::milliseconds most)
{
    ++sleeper.waiting;
    if (most.count() > 0)
        sleeper.wakes.wait_for(lock, most);
    else
        sleeper.wakes.wait(lock);
    --sleeper.waiting;
}

void CScanShare::Wake(Sleeper& sleeper)
{
    if (sleeper.waiting > 0)
        sleeper.wakes.notify_all();
}

void CScanShare::WakeHelper()
{
    // A resting helper waits for the end of its rest, not for blocks.
    if (!m_resting)
        Wake(m_helperSleeps);
}

bool CScanShare::NextChained()
{
    if (m_slots.empty())
        return false;
    const Slot& slot = SlotOf(m_posted);
    return slot.block == m_posted && slot.stage == Stage::kChained;
}

void CScanShare::Post(std::unique_lock<std::mutex>& lock)
{
    m_posting = true;
    while (NextChained()) {
        Slot& slot = SlotOf(m_posted);
        const int start = m_posted * m_block;
        lock.unlock();
        m_maxPass.Block(slot.rows.data(), slot.fwd.data(), start, std::min(m_block, m_n - start));
        lock.lock();
        slot.block = -1;
        slot.stage = Stage::kFree;
        ++m_posted;
        Wake(m_scanSleeps);
        WakeHelper();
    }
    m_posting = false;
    Wake(m_scanSleeps);
}

void CScanShare::PostUpTo(int b, std::unique_lock<std::mutex>& lock)
{
    // Every block before b is stepped: one the scan scored has its
    // maximizing step taken, one a helper scored waits in its slot for it,
    // or is being taken by the helper right now.
    while (m_posted < b) {
        if (!m_posting && NextChained())
            Post(lock);
        else
            Wait(lock, m_scanSleeps);
    }
}

CScanShare::Block CScanShare::Rows(int b)
{
    std::unique_lock lock(m_mutex);
    if (m_nextClaim == b) {
        ++m_nextClaim;
        lock.unlock();
        Score(b, m_own.data(), 0);
        lock.lock();
        PostUpTo(b, lock);
        return {m_own.data(), 0, nullptr};
    }
    // A helper claimed it: it is being scored, or waits in the ring. When
    // the scan has to wait, the helper is the slower: it leaves one more
    // motif's strands to the scan from now on.
    Slot& slot = SlotOf(b);
    const auto ready = [&] { return slot.block == b && slot.stage == Stage::kReady; };
    if (!ready() && m_split > 0)
        --m_split;
    while (!ready())
        Wait(lock, m_scanSleeps);
    return {slot.rows.data(), slot.combined, slot.fwd.data()};
}

void CScanShare::Done(int b)
{
    std::unique_lock lock(m_mutex);
    const bool helped = !m_slots.empty() && SlotOf(b).block == b;
    if (!helped) {
        m_posted = b + 1;  // the scan took the maximizing step itself
    } else {
        SlotOf(b).stage = Stage::kChained;
        // With no helper at work, the scan takes the step now, while the
        // rows are fresh in its cache.
        if ((m_helpers == 0 || m_resting) && !m_posting)
            Post(lock);
        WakeHelper();
    }
    Pace(std::min(m_block, m_n - b * m_block), helped);
}

void CScanShare::Pace(long long bases, bool helped)
{
    if (m_helpers == 0)
        return;
    const bool help = m_pacer.Block(CHelpPacer::Clock::now(), bases, helped);
    if (help == m_resting) {
        m_resting = !help;
        WakeHelper();
    }
}

void CScanShare::Close()
{
    std::unique_lock lock(m_mutex);
    m_closed = true;
    Wake(m_helperSleeps);
    while (m_helpers > 0)
        Wait(lock, m_scanSleeps);
}

void CScanShare::Finish()
{
    std::unique_lock lock(m_mutex);
    PostUpTo(m_blocks, lock);
}

namespace {

// Runs work; what it threw, or null.
std::exception_ptr Caught(const std::function<void()>& work)
{
    try {
        work();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

}  // namespace

bool CScanShare::HelperReady() const { return m_helpers > 0 && !m_resting && !m_closed; }

void CScanShare::Split(const std::function<void()>& mine, const std::function<void()>& theirs)
{
    std::unique_lock lock(m_mutex);
    const bool offered = HelperReady();
    if (offered) {
        m_tail = &theirs;
        m_tailStage = Tail::kOffered;
        WakeHelper();
    }
    lock.unlock();
    const std::exception_ptr error = Caught(mine);
    lock.lock();
    // Taken back when the helper has not started it; else it works on the
    // caller's values, which must outlive it.
    const bool here = !offered || m_tailStage == Tail::kOffered;
    while (!here && m_tailStage != Tail::kDone)
        Wait(lock, m_scanSleeps);
    const std::exception_ptr theirError = std::exchange(m_tailError, nullptr);
    m_tailStage = Tail::kNone;
    m_tail = nullptr;
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
    if (here)
        theirs();
    else if (theirError)
        std::rethrow_exception(theirError);
}

void CScanShare::RunTail(std::unique_lock<std::mutex>& lock)
{
    m_tailStage = Tail::kRunning;
    const std::function<void()>& tail = *m_tail;
    lock.unlock();
    const std::exception_ptr error = Caught(tail);
    lock.lock();
    m_tailError = error;
    m_tailStage = Tail::kDone;
    Wake(m_scanSleeps);
}

bool CScanShare::HelperAtWork() const
{
    const std::lock_guard lock(m_mutex);
    return HelperReady();
}

long long CScanShare::BasesLeft() const
{
    const std::lock_guard lock(m_mutex);
    return std::max(0LL, static_cast<long long>(m_n) - static_cast<long long>(m_nextClaim) * m_block);
}

bool CScanShare::Attach()
{
    const std::lock_guard lock(m_mutex);
    if (m_closed || m_helpers > 0 || m_nextClaim >= m_blocks)
        return false;
    if (m_slots.empty()) {
        try {
            std::vector<Slot> slots(kRing);
            for (Slot& slot : slots) {
                slot.rows.resize(m_own.size());
                slot.fwd.resize(static_cast<std::size_t>(m_block));
            }
            m_slots = std::move(slots);
        } catch (const std::bad_alloc&) {
            return false;  // the scan goes on alone
        }
    }
    ++m_helpers;
    m_resting = false;
    m_pacer.Restart();
    return true;
}

void CScanShare::Help(const std::function<bool()>& stop)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // stop() may take other locks: never ask it while holding this one.
        lock.unlock();
        const bool leave = stop();
        lock.lock();
        if (leave || m_closed)
            break;
        if (!m_resting && !m_posting && NextChained()) {
            Post(lock);
            continue;
        }
        if (m_nextClaim >= m_blocks) {
            // Every block is claimed: the helper stays for the maximizing
            // steps still to come and a part of the traceback, until the
            // scan closes the share (or stop() says to leave).
            if (m_tailStage == Tail::kOffered)
                RunTail(lock);
            else
                Wait(lock, m_helperSleeps, kNap);
            continue;
        }
        if (m_resting) {
            // The scan runs faster alone: keep off its core, asking stop()
            // now and then.
            Wait(lock, m_helperSleeps, kNap);
            continue;
        }
        Slot& slot = SlotOf(m_nextClaim);
        if (slot.stage != Stage::kFree) {
            // The ring is full: the scan is the slower, so the helper takes
            // one more motif's strands off it. Wait, asking stop() now and then.
            m_split = std::min(m_split + 1, m_model.motifCount);
            Wait(lock, m_helperSleeps, kNap);
            continue;
        }
        const int b = m_nextClaim++;
        const std::size_t combine = m_split;
        slot.block = b;
        slot.stage = Stage::kScoring;
        lock.unlock();
        Score(b, slot.rows.data(), combine);
        lock.lock();
        slot.combined = combine;
        slot.stage = Stage::kReady;
        Wake(m_scanSleeps);
    }
    --m_helpers;
    Wake(m_scanSleeps);
}

namespace {

// The chained forward recursion of the main pass, with the saved states
// the traceback starts again from. It keeps the widest motif's width of
// forward values, all a step reads back.
class CChainPass {
public:
    CChainPass(const SCANMODEL& mm, int block, int interval, CCheckpoints& checkpoints)
        : m_mm(mm),
          m_interval(interval),
          m_fwdValues(static_cast<std::size_t>(std::max(1, mm.maxWidth)), static_cast<std::size_t>(block)),
          m_checkpoints(checkpoints)
    {}

    // The rows of positions start..start+count-1, of which the first
    // `combined` motifs hold their site terms already (kAny: combined > 0).
    // kFused: each position's maximizing step follows its recursion step
    // at once, in the time the chain waits on itself; else the forward
    // values go to fwdOut, for the maximizing step to take later.
    template <bool kAny, bool kFused>
    void Steps(const double* rows, int start, int count, std::size_t combined, CMaxPass* maxPass, double* fwdOut)
    {
        const SCANMODEL& mm = m_mm;
        const std::size_t cols = mm.columns;
        const std::size_t bgCol = mm.bgColumn;
        double* fwd = m_fwdValues.Reserve(static_cast<std::size_t>(count));  // fwd[t]: position start + t
        if constexpr (kFused)
            maxPass->Open(start, count);
        for (int t = 0; t < count; ++t) {
            const int p = start + t;
            const double* row = rows + static_cast<std::size_t>(t) * cols;
            if (p == m_nextCheckpoint) {
                m_checkpoints.Save(m_checkpoint++, fwd + t);
                m_nextCheckpoint += m_interval;
            }
            if (p == 0)
                fwd[t] = mm.logBg + row[bgCol];
            else
                fwd[t] = RecursionStep(mm, row, p + 1, fwd + t, kAny ? combined : 0);
            if constexpr (kFused)
                maxPass->Step(t, fwd[t], row[bgCol]);
        }
        m_fwdValues.Commit(static_cast<std::size_t>(count));
        if constexpr (kFused)
            maxPass->Close();
        else
            std::memcpy(fwdOut, fwd, static_cast<std::size_t>(count) * sizeof(double));
    }

private:
    const SCANMODEL& m_mm;
    int m_interval;
    CSlidingValues m_fwdValues;
    CCheckpoints& m_checkpoints;
    long long m_nextCheckpoint = 0;
    std::size_t m_checkpoint = 0;
};

// The traceback with a helper at hand: the scan takes the later half of
// the modules, the helper the earlier half, each with windows of its own.
// Every module is traced as the walk of TraceModules would trace it,
// whoever does it.
void TraceShared(const SCANMODEL& mm, std::string_view seq, int n, int L, const CMarkBits& marks,
                 CStretchWindows& windows, CScanShare& share, RECORDRESULT* result)
{
    long long count = 0;
    WalkModuleEnds(marks, L, n - 1, kAllModules, [&count](int) { ++count; });
    const long long later = count / 2;
    const int middle = WalkModuleEnds(marks, L, n - 1, later, [](int) {});
    CStretchWindows theirWindows = windows;  // copied here: the scan's are in use while the helper's start
    std::vector<MODULEINFO> mine;
    std::vector<MODULEINFO> theirs;
    share.Split([&] { TraceWalk(mm, seq, L, marks, windows, n - 1, later, &mine); },
                [&] { TraceWalk(mm, seq, L, marks, theirWindows, middle, kAllModules, &theirs); });
    result->moduleCount += count;
    result->modules.insert(result->modules.end(), std::make_move_iterator(theirs.rbegin()),
                           std::make_move_iterator(theirs.rend()));
    result->modules.insert(result->modules.end(), std::make_move_iterator(mine.rbegin()),
                           std::make_move_iterator(mine.rend()));
}

// Offers a share for the length of the main pass and its traceback; on
// every way out closes it, waiting for a helper at work to leave before the
// share's rows go, and withdraws it.
class COffer {
public:
    COffer(const ScanHooks& hooks, CScanShare& share, bool worthIt)
        : m_hooks(hooks), m_share(share), m_offered(worthIt && hooks.offer && hooks.withdraw)
    {
        if (m_offered)
            m_hooks.offer(m_share);
    }
    ~COffer() { Withdraw(); }
    COffer(const COffer&) = delete;
    COffer& operator=(const COffer&) = delete;

    void Withdraw()
    {
        m_share.Close();
        if (m_offered)
            m_hooks.withdraw(m_share);
        m_offered = false;
    }

private:
    const ScanHooks& m_hooks;
    CScanShare& m_share;
    bool m_offered;
};

}  // namespace

void StreamScanCurSeq(const SCANMODEL& mm, std::string_view seq, const BACKGROUND& background, RECORDRESULT* result,
                      const StreamScanOptions& options, const ScanHooks& hooks)
{
    const int n = static_cast<int>(seq.size());
    const int L = mm.WindowLength(n);
    result->window = L;
    if (n < 1 || L < 1 || mm.motifNum < 1)
        return;
    const PositionScorer scorer(mm, background);
    const int block = std::clamp(options.blockSize, 1, n);
    const int interval = std::clamp(options.checkpointInterval, 1, n);
    CMarkBits marks(n);
    CCheckpoints checkpoints(n, interval, mm.maxWidth);
    CModuleScores scores(n);
    const bool bestWindow = mm.bestWindow || options.bestWindow;
    CMaxPass maxPass(mm, L, block, marks, scores, bestWindow);
    CChainPass chain(mm, block, interval, checkpoints);

    const auto* s = reinterpret_cast<const unsigned char*>(seq.data());
    CScanShare share(mm, scorer, s, n, block, maxPass, options.pacing);
    COffer offer(hooks, share, (n + block - 1) / block >= options.blocksToShare);
    for (int b = 0, start = 0; start < n; ++b) {
        const int count = std::min(block, n - start);
        const CScanShare::Block rows = share.Rows(b);
        if (rows.fwd == nullptr)
            chain.Steps<false, true>(rows.rows, start, count, 0, &maxPass, nullptr);
        else if (rows.combined > 0)
            chain.Steps<true, false>(rows.rows, start, count, rows.combined, nullptr, rows.fwd);
        else
            chain.Steps<false, false>(rows.rows, start, count, 0, nullptr, rows.fwd);
        share.Done(b);
        start += count;
        if (hooks.progress)
            hooks.progress(count);
    }
    share.Finish();
    result->scanned = true;
    if (bestWindow)
        result->bestWindow = maxPass.BestWindow();

    CStretchWindows windows(mm, seq, scorer, checkpoints, scores, interval, L);
    if (share.HelperAtWork())
        TraceShared(mm, seq, n, L, marks, windows, share, result);
    else
        TraceModules(mm, seq, n, L, marks, windows, result);
}

ScanHooks HelperThreadHooks(std::thread& helper)
{
    ScanHooks hooks;
    hooks.offer = [&helper](CScanShare& share) {
        if (share.Attach())
            helper = std::thread([&share] { share.Help([] { return false; }); });
    };
    hooks.withdraw = [&helper](CScanShare&) {
        if (helper.joinable())
            helper.join();
    };
    return hooks;
}

RECORDRESULT DataAugmentation(const SCANMODEL& model, std::string name, std::string_view bases, const ScanHooks& hooks,
                              const BACKGROUNDCOUNTS* counted)
{
    RECORDRESULT result;
    result.name = std::move(name);
    result.length = static_cast<int>(bases.size());
    result.window = model.WindowLength(result.length);
    // The scan needs two positions at least; shorter records were reported
    // by the caller and only take part in the output (headings, totals).
    if (result.length < 2)
        return result;
    const BACKGROUND background = model.BackgroundOf(bases, counted);
    if (!BackgroundScoresEveryBase(bases, background)) {
        result.unscorable = true;
        return result;
    }
    // Scored block by block: memory does not grow with the table of
    // length rows that the whole-record scan would need.
    StreamScanCurSeq(model, bases, background, &result, StreamScanOptions(), hooks);
    result.scannedBases =
        static_cast<long long>(bases.size() - static_cast<std::size_t>(std::count(bases.begin(), bases.end(), 'N')));
    return result;
}
