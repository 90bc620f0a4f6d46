// Progress indicator for long runs: one line on standard error, rewritten in
// place, shown only when standard error is a terminal and not switched off.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The indicator, with its output and its clock handed in (the run gives it
// standard error and a steady clock, tests a string and a clock of their
// own). It stays silent until the run is large: kShowAfterSeconds seconds
// or kShowAfterBases bases. From then on it draws one line,
//     Velmora: 12 records, 48230000 bases, 9.6 M bases/s
// (with null sequences: "12 records, 1188 null scans, ..."; the bases and
// the speed then count the null sequences' bases too) at most every
// kRedrawSeconds, each time starting with a carriage return and padded
// with blanks over the previous line's rest; Finish wipes it.
class CProgressLine {
public:
    static constexpr double kShowAfterSeconds = 2.0;
    static constexpr long long kShowAfterBases = 10'000'000;
    static constexpr double kRedrawSeconds = 0.25;

    using Writer = std::function<void(std::string_view)>;
    using Clock = std::function<double()>;  // seconds, from any fixed point

    CProgressLine(Writer write, Clock now);

    void Bases(long long bases);
    void RecordDone();
    void NullScansDone(long long scans);
    void Clear();
    void Finish() { Clear(); }

    // The line's text for the counts so far (without the carriage return).
    std::string Text(double now) const;

private:
    void Update();

    Writer m_write;
    Clock m_now;
    double m_start = 0;
    double m_lastDraw = 0;
    long long m_records = 0;
    long long m_bases = 0;
    long long m_nullScans = 0;
    bool m_drawnOnce = false;      // large enough: draw from now on
    std::size_t m_shownWidth = 0;  // characters on the terminal line, 0 when clear
};
