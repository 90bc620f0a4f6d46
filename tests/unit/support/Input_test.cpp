// Reading input: the line reader over byte sources (whole lines and pieces),
// gzip decompression, the opener and standard input; and the progress line
// with the console that shows it only on a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <tuple>
#include <vector>

#include "../../GzipForTests.h"
#include "support/InputSource.h"
#include "support/Messages.h"
#include "support/Progress.h"

namespace {

using Strings = std::vector<std::string>;
using Source = std::unique_ptr<CByteSource>;

std::string Failed(int error) { return "<failed " + std::to_string(error) + ">"; }

// Every line, read whole or joined from its pieces; then "<line number n>"
// when LineNumber() is not the count of lines, Failed(errno) after a read
// error, and "<no lines>" instead of an empty list.
Strings Lines(Source source, std::size_t block = 64, bool pieces = false)
{
    CLineReader reader(std::move(source), block);
    Strings lines;
    std::string_view text;
    for (bool ends = true, open = false;
         lines.size() < 100000 && (pieces ? reader.NextPiece(&text, &ends) : reader.Next(&text)); open = !ends)
        (open ? lines.back() : lines.emplace_back()).append(text);
    if (reader.LineNumber() != static_cast<long long>(lines.size()))
        lines.push_back("<line number " + std::to_string(reader.LineNumber()) + ">");
    if (reader.Failed() || lines.empty())
        lines.push_back(reader.Failed() ? Failed(reader.Error()) : "<no lines>");
    return lines;
}

Source Memory(const std::string& bytes) { return std::make_unique<CMemorySource>(bytes); }
Source Gunzip(Source gz) { return std::make_unique<CGzipSource>(std::move(gz)); }
// bytes, then a read error (a descriptor that is not open).
Source Broken(std::string b) { return std::make_unique<CPrefixSource>(b, std::make_unique<CDescriptorSource>(-1)); }

}  // namespace

TEST(InputTest, LinesPiecesGzipAndTheOpener)
{
    // LF and CRLF ends, empty lines, CRs inside lines; a last line without a line feed keeps its CR; a line
    // longer than a block.
    // clang-format off
    const std::vector<std::pair<std::string, Strings>> rows = {
        {"first\nsecond\r\n\n\r\nin\rside\nlast\r", {"first", "second", "", "", "in\rside", "last\r"}},
        {"a\r\r\nb\r\n", {"a\r", "b"}}, {"", {"<no lines>"}}, {"\n", {""}}, {"abc\n", {"abc"}}, {"abc", {"abc"}},
        {"head\n" + std::string(140000, 'G') + "\r\ntail", {"head", std::string(140000, 'G'), "tail"}}};
    // clang-format on
    for (const auto& [bytes, expected] : rows)
        for (const std::size_t block : {1, 2, 3, 5, 64, 1 << 17})
            for (const bool pieces : {false, true}) {
                EXPECT_EQ(Lines(Memory(bytes), block, pieces), expected) << block << (pieces ? " pieces" : "");
                // Gzip members (an empty one between) join up, here in the middle of a line.
                const std::string gz =
                    Gzip(bytes.substr(0, bytes.size() / 2)) + Gzip("") + Gzip(bytes.substr(bytes.size() / 2));
                EXPECT_EQ(Lines(Gunzip(Memory(gz)), block, pieces), expected)
                    << block << (pieces ? " pieces" : "") << " gzip";
            }
    // A read error is no end: the cut line is not handed out (its pieces were).
    EXPECT_EQ(Lines(Broken("one\ncut")), (Strings {"one", Failed(EBADF)}));
    EXPECT_EQ(Lines(Broken("one\ncut"), 64, true), (Strings {"one", "cut", Failed(EBADF)}));

    // Bad gzip data is a read error of its own kind.
    const std::string gz = Gzip("ACGT\n");
    std::string crc = gz, length = gz, block = gz;
    crc[crc.size() - 6] ^= 1;             // the CRC-32 in the trailer
    length[length.size() - 2] ^= 1;       // the length in the trailer
    block[10] = static_cast<char>(0xff);  // first deflate byte: an invalid block type
    // clang-format off
    const std::vector<std::pair<std::string, int>> bad = {
        {gz.substr(0, gz.size() - 3), kGzipTruncated}, {gz.substr(0, gz.size() / 2), kGzipTruncated},
        {gz.substr(0, 10), kGzipTruncated}, {gz + gz.substr(0, 12), kGzipTruncated}, {gz + "\x1f", kGzipTruncated},
        {crc, kGzipChecksum}, {length, kGzipChecksum}, {block, kGzipCorrupt},
        {gz + "text", kGzipCorrupt}, {gz + std::string(8, '\0'), kGzipCorrupt}, {gz + "\n", kGzipCorrupt}};
    // clang-format on
    for (std::size_t i = 0; i < bad.size(); ++i)
        EXPECT_EQ(Lines(Gunzip(Memory(bad[i].first))).back(), Failed(bad[i].second)) << "row " << i + 1;
    EXPECT_EQ(Lines(Gunzip(Broken(gz.substr(0, 12)))).back(), Failed(EBADF));

    // The opener: gzip is recognised by content, "-" is standard input where allowed.
    const std::string dir = ::testing::TempDir() + "velmora-input-" + std::to_string(getpid()) + "-";
    // Standard input holds gzip data for the whole test: no file may be read from it.
    std::ofstream(dir + "stdin", std::ios::binary) << Gzip("from standard input\n");
    ASSERT_TRUE(std::freopen((dir + "stdin").c_str(), "rb", stdin));
    // File name, its bytes, the lines read from it.
    // clang-format off
    const std::vector<std::tuple<std::string, std::string, Strings>> files = {{"plain.gz", "A\n", {"A"}},
        {"packed.fa", Gzip("C\n"), {"C"}}, {"magic-only", "\x1f", {"\x1f"}}, {"empty", "", {"<no lines>"}}};
    // clang-format on
    std::string why;
    for (const auto& [name, bytes, lines] : files) {
        std::ofstream(dir + name, std::ios::binary) << bytes;
        EXPECT_EQ(Lines(OpenInput(dir + name, true, &why)), lines) << name;
        std::remove((dir + name).c_str());
    }
    EXPECT_FALSE(OpenInput("-", false, &why));  // a file name here
    EXPECT_EQ(Lines(OpenInput("-", true, &why)), Strings {"from standard input"});
    std::remove((dir + "stdin").c_str());
}

TEST(ProgressTest, ShowsWhenLargeRedrawsAtMostFourTimesASecondClearsAndOnlyOnATerminal)
{
    // Steps: seconds passed, B(ases) n / R(ecordDone) / N(ull scans done) n / C(lear), what is written.
    const std::string clear47 = "\r" + std::string(47, ' ') + "\r";
    // clang-format off
    const std::vector<std::vector<std::tuple<double, char, long long, std::string>>> scripts = {
        {{0, 'B', 5'000'000, ""}, {0, 'R', 0, ""}, {1.75, 'B', 1'000'000, ""}, {0.125, 'B', 1, ""}, {0, 'R', 0, ""},
         {0.125, 'B', 1'000'000, "\rVelmora: 2 records, 7000001 bases, 3.5 M bases/s"}, {0.125, 'B', 999, ""},
         {0.125, 'B', 0, "\rVelmora: 2 records, 7001000 bases, 3.1 M bases/s"},
         {997.75, 'B', 0, "\rVelmora: 2 records, 7001000 bases, 7001 bases/s "}, {0, 'C', 0, clear47}, {0, 'C', 0, ""}},
        {{0, 'B', 10'000'000, "\rVelmora: 0 records, 10000000 bases, 0 bases/s"}},
        {{0, 'N', 1, ""}, {2.5, 'N', 1, "\rVelmora: 0 records, 2 null scans, 0 bases, 0 bases/s"}}};
    // clang-format on
    for (const auto& script : scripts) {
        std::string out;
        double now = 100;
        CProgressLine line([&out](std::string_view text) { out.append(text); }, [&now] { return now; });
        for (const auto& [later, action, n, written] : script) {
            now += later;
            out.clear();
            action == 'B'   ? line.Bases(n)
            : action == 'R' ? line.RecordDone()
            : action == 'N' ? line.NullScansDone(n)
                            : line.Clear();
            EXPECT_EQ(out, written);
        }
    }

    // What a console writes with standard error on fd (read back from readFd):
    // a warning, a large piece of work and an error.
    const auto run = [](int fd, int readFd, bool quiet) {
        const int saved = dup(STDERR_FILENO);
        dup2(fd, STDERR_FILENO);
        {
            CConsole console(quiet);
            console.Warning("w");
            console.Bases(CProgressLine::kShowAfterBases);
            console.Error("e");
        }
        dup2(saved, STDERR_FILENO);
        close(saved);
        lseek(readFd, 0, SEEK_SET);
        std::string text;
        char buffer[4096];
        pollfd wait {readFd, POLLIN, 0};  // a terminal passes the text on with a delay
        for (ssize_t got; poll(&wait, 1, 200) > 0 && (got = read(readFd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(got));
        return text;
    };
    const int file = fileno(std::tmpfile());
    EXPECT_EQ(run(file, file, false), "Velmora: warning: w\nVelmora: e\n");

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal here";
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    // The terminal turns each line feed into CR LF.
    const std::string shown = run(terminal, master, false);
    EXPECT_EQ(shown.rfind("Velmora: warning: w\r\n\rVelmora: 0 records, 10000000 bases, ", 0), 0u) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 17), "    \rVelmora: e\r\n") << shown;
    EXPECT_EQ(run(terminal, master, true), "Velmora: e\r\n");
}
