// What a run says on standard error: one-line errors and warnings, all
// starting with "Velmora: ", and the progress line of a long run.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class CProgressLine;

// 'text' in single quotes for a message; control characters are shown
// escaped and a text longer than 60 characters is cut and ends in "...", so
// that a huge sequence name stays one short, readable line.
std::string QuoteForMessage(std::string_view text);
// A path in single quotes, always whole: it is what the user must find.
std::string QuotePath(std::string_view path);

// The run's channel to the user. Quiet switches warnings and the progress
// line off; errors are always printed. The progress line is drawn only when
// standard error is a terminal, and every message first clears it, so that
// a message never lands in the middle of it.
class CConsole {
public:
    explicit CConsole(bool quiet = false);
    ~CConsole();
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    // "Velmora: <text>".
    void Error(const std::string& text);
    // "Velmora: warning: <text>", unless quiet.
    void Warning(const std::string& text);
    // "Velmora: <text>", unless quiet: what a run did.
    void Note(const std::string& text);

    // Progress: `bases` more bases scanned; one more record done; the run
    // is over (the line is wiped).
    void Bases(long long bases);
    void RecordDone();
    void NullScansDone(long long scans);
    void Finish();

private:
    void WriteLine(const std::string& text);

    bool m_quiet;
    std::unique_ptr<CProgressLine> m_progress;  // null when not shown
};
