#include "support/Messages.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "support/Progress.h"

std::string QuoteForMessage(std::string_view text)
{
    // Control characters (a carriage return inside a name, binary junk) are
    // shown escaped so that the message stays one readable line.
    constexpr std::size_t kMaxShown = 60;
    static const char kHex[] = "0123456789abcdef";
    std::string quoted;
    quoted.reserve(std::min(text.size(), kMaxShown) + 5);
    quoted += '\'';
    for (const char c : text.substr(0, kMaxShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            quoted += "\\r";
        else if (c == '\t')
            quoted += "\\t";
        else if (byte < 0x20 || byte == 0x7f)
            quoted.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
        else
            quoted += c;
    }
    if (text.size() > kMaxShown)
        quoted += "...";
    quoted += '\'';
    return quoted;
}

std::string QuotePath(std::string_view path)
{
    std::string quoted;
    quoted.reserve(path.size() + 2);
    quoted += '\'';
    quoted.append(path);
    quoted += '\'';
    return quoted;
}

namespace {

void WriteStderr(std::string_view text)
{
    (void)std::fwrite(text.data(), 1, text.size(), stderr);  // nowhere left to report to
    (void)std::fflush(stderr);
}

double SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CConsole::CConsole(bool quiet) : m_quiet(quiet)
{
    if (!quiet && isatty(STDERR_FILENO))
        m_progress = std::make_unique<CProgressLine>(WriteStderr, SteadySeconds);
}

CConsole::~CConsole() { Finish(); }

void CConsole::WriteLine(const std::string& text)
{
    if (m_progress)
        m_progress->Clear();
    WriteStderr("Velmora: " + text + "\n");
}

void CConsole::Error(const std::string& text) { WriteLine(text); }

void CConsole::Warning(const std::string& text)
{
    if (!m_quiet)
        WriteLine("warning: " + text);
}

void CConsole::Note(const std::string& text)
{
    if (!m_quiet)
        WriteLine(text);
}

void CConsole::Bases(long long bases)
{
    if (m_progress)
        m_progress->Bases(bases);
}

void CConsole::RecordDone()
{
    if (m_progress)
        m_progress->RecordDone();
}

void CConsole::NullScansDone(long long scans)
{
    if (m_progress)
        m_progress->NullScansDone(scans);
}

void CConsole::Finish()
{
    if (m_progress)
        m_progress->Finish();
}
