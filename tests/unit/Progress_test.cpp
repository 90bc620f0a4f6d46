// The progress line: when it shows, how often it is redrawn, how it is
// cleared, and that it never reaches standard error unless that is a
// terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/Messages.h"
#include "support/Progress.h"

namespace {

struct Recorder {
    std::string out;
    double now = 100.0;
    CProgressLine Line()
    {
        return CProgressLine([this](std::string_view text) { out.append(text); }, [this] { return now; });
    }
};

// Runs a run's console with standard error on fd.
void RunOn(int fd, bool enabled)
{
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    {
        CConsole console(!enabled);
        console.Bases(CProgressLine::kShowAfterBases);  // large at once: shown at once
        console.RecordDone();
        console.Finish();
    }
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
}

// What can be read from fd now.
std::string Drain(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

}  // namespace

TEST(ProgressTest, SilentUntilTheRunIsLargeThenRedrawnAFewTimesASecond)
{
    Recorder r;
    CProgressLine line = r.Line();
    line.Bases(5'000'000);
    line.RecordDone();
    r.now += 1.9;
    line.Bases(1'000'000);
    EXPECT_EQ(r.out, "");  // small and short so far
    r.now += 0.1;          // 2 seconds: shown
    line.Bases(1'000'000);
    EXPECT_EQ(r.out, "\rVelmora: 1 record, 7000000 bases, 3.5 M bases/s");
    r.out.clear();
    r.now += 0.1;
    line.Bases(1);  // too soon for a redraw
    line.RecordDone();
    EXPECT_EQ(r.out, "");
    r.now += 0.2;
    line.Bases(999);
    EXPECT_EQ(r.out, "\rVelmora: 2 records, 7001000 bases, 3.0 M bases/s");
    r.out.clear();
    line.Finish();  // blanks over the whole line, cursor back at its start
    EXPECT_EQ(r.out, "\r" + std::string(48, ' ') + "\r");
    r.out.clear();
    line.Finish();  // nothing left to clear
    EXPECT_EQ(r.out, "");
}

TEST(ProgressTest, ManyBasesShowAtOnceAndAShorterLineCoversTheLongerOne)
{
    Recorder r;
    CProgressLine line = r.Line();
    r.now += 0.5;
    line.Bases(CProgressLine::kShowAfterBases);
    EXPECT_EQ(r.out, "\rVelmora: 0 records, 10000000 bases, 20.0 M bases/s");
    r.out.clear();
    r.now += 999.5;
    line.RecordDone();
    EXPECT_EQ(r.out, "\rVelmora: 1 record, 10000000 bases, 10000 bases/s  ");
    r.out.clear();
    line.Clear();  // as before a message; the next update draws it again
    EXPECT_EQ(r.out, "\r" + std::string(48, ' ') + "\r");
    r.out.clear();
    r.now += 1;
    line.Bases(0);
    EXPECT_EQ(r.out, "\r" + line.Text(r.now));
}

TEST(ProgressTest, OnlyATerminalGetsTheLine)
{
    // A file (as in every CLI test): nothing, even when enabled.
    char name[] = "/tmp/velmora-progress-XXXXXX";
    const int file = mkstemp(name);
    ASSERT_GE(file, 0);
    unlink(name);
    RunOn(file, true);
    lseek(file, 0, SEEK_SET);
    EXPECT_EQ(Drain(file), "");
    close(file);

    // A terminal: the line, then its clearing; with --quiet nothing.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal here";
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    RunOn(terminal, true);
    const std::string shown = Drain(master);
    EXPECT_EQ(shown.rfind("\rVelmora: 0 records, 10000000 bases, ", 0), 0u) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 8), "       \r") << shown;
    RunOn(terminal, false);
    EXPECT_EQ(Drain(master), "");
    close(terminal);
    close(master);
}
