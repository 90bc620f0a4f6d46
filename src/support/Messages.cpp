#include "support/Messages.h"

#include <cstdio>

#include "support/Progress.h"

namespace {
bool g_quiet = false;

void WriteLine(const std::string& text)
{
    ProgressClearLine();  // a message never lands in the middle of the progress line
    std::string line = "Velmora: " + text + "\n";
    (void)std::fwrite(line.data(), 1, line.size(), stderr);  // nowhere left to report to
    (void)std::fflush(stderr);
}
}  // namespace

void ReportError(const std::string& text) { WriteLine(text); }

void ReportWarning(const std::string& text)
{
    if (!g_quiet)
        WriteLine("warning: " + text);
}

void SetQuiet(bool quiet) { g_quiet = quiet; }
