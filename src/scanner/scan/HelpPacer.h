// Whether the scan of one long record is faster with its helper thread or
// alone, found out by trying both now and then.
//
// A helper pays on an idle machine: it scores rows and does the half of
// each recursion step that needs no earlier position, and the scan runs
// about a third faster. Beside a busy process it competes for the core the
// scan needs, and the scan runs slower with it than without. Nothing tells
// the two apart but the scan's own speed, so the pacer measures the bases
// the scan gets through per second of wall-clock time with help and
// without, each over a short stretch, and keeps the faster way for a
// while. Each time the same way wins again it is kept four times as long (up to
// a limit), so that trying the other way costs little once the choice is
// clear; when the other way wins, the hold starts short again. Help that
// stays clearly faster than the scan's latest speed alone is not tried
// against it again until that speed is a while old.
//
// The pacer only decides; it never changes a result, as every block is
// scored and stepped the same way whoever scores it.
#pragma once

#include <chrono>

// How often and how long each way is measured and kept.
struct HelpPacing {
    std::chrono::steady_clock::duration measure = std::chrono::milliseconds(40);     // each stretch measured
    std::chrono::steady_clock::duration firstHold = std::chrono::milliseconds(200);  // the winner's first hold
    std::chrono::steady_clock::duration longestHold = std::chrono::milliseconds(3200);
    double gain = 1.03;  // help is kept only when it is at least this much faster
    int warmBlocks = 8;  // most blocks taken to settle after a change
};

class CHelpPacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit CHelpPacer(const HelpPacing& settings = HelpPacing())
        : m_settings(settings), m_hold {settings.firstHold, settings.firstHold}
    {}

    // A helper has come (again): start over, helping, and measure at once.
    void Restart();
    // The scan is done with a block of `bases` positions at `now`; `helped`
    // when the helper scored it. Returns whether the helper is to help from
    // now on.
    bool Block(Clock::time_point now, long long bases, bool helped);
    bool Helping() const { return m_helping; }

private:
    static constexpr int kGrowth = 4;  // each hold after a win, against the last
    enum class Phase { kWarm, kHold, kMeasure };

    void Switch();
    void Hold(Clock::time_point now, Clock::duration hold);
    void Measured(Clock::time_point now, double rate);

    HelpPacing m_settings;
    bool m_helping = true;
    Phase m_phase = Phase::kWarm;
    int m_warm = 0;                 // blocks since the last change
    Clock::time_point m_since;      // start of the measurement
    Clock::time_point m_holdEnd;    // end of the hold
    Clock::duration m_nextHold {};  // the hold once the change has settled
    long long m_bases = 0;          // bases since m_since while measuring
    bool m_trial = false;           // measuring the way that is not the presumed best
    double m_bestRate = 0.0;        // the presumed best's rate, measured before the trial
    double m_aloneRate = 0.0;       // the latest rate alone, 0 for none yet
    Clock::time_point m_aloneAt;    // when it was measured
    Clock::duration m_hold[2];      // the next hold of each way (0 alone, 1 helped)
};
