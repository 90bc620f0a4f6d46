// The streamed scan must give what the whole-table scan gives, to the last
// bit: module list, site lists, counts, scores and probabilities. Random
// inputs cover sequence lengths, motif counts and widths, window lengths,
// N runs, both strand settings and rates from none to every position, with
// blocks and checkpoint intervals small enough that module ends fall on and
// next to every block border, checkpoint and the sequence start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scanner/RecordScan.h"
#include "scanner/ReferenceScan.h"
#include "scanner/ResultWriter.h"

namespace {

struct Case {
    std::string sequence;
    std::vector<int> widths;
    MatrixSet pwm;
    int moduleLength = 200;
    bool both = true;
    double rate = 0.0005;
};

// Exact text of everything a scan produces: counters, then every module and
// site with its doubles in hexadecimal (every bit).
std::string Results(const RECORDRESULT& r)
{
    std::string out = "modules " + std::to_string(r.moduleCount) + " window " + std::to_string(r.window) + "\n";
    char line[160];
    for (const MODULEINFO& m : r.modules) {
        std::snprintf(line, sizeof line, "module %d %a ", m.start, m.score);
        out += line + SiteString(m.sites) + "\n";
        for (const SITEINFO& s : m.sites) {
            std::snprintf(line, sizeof line, "site %d %d %d %a ", s.motif, s.pos, s.forward ? 1 : 0, s.prob);
            out += line + s.site + "\n";
        }
    }
    return out;
}

SCANMODEL Model(const Case& c) { return MakeScanModel(c.widths, c.pwm, c.moduleLength, c.both, c.rate); }

std::string WholeTable(const Case& c)
{
    const SCANMODEL model = Model(c);
    const std::vector<double> table = CalLogPrPos(model, c.sequence, BuildBackground(c.sequence));
    RECORDRESULT result;
    ApproxScanCurSeq(model, c.sequence, table.data(), &result);
    return Results(result);
}

std::string Streamed(const Case& c, int blockSize, int checkpointInterval)
{
    StreamScanOptions options;
    options.blockSize = blockSize;
    options.checkpointInterval = checkpointInterval;
    RECORDRESULT result;
    StreamScanCurSeq(Model(c), c.sequence, BuildBackground(c.sequence), &result, options);
    return Results(result);
}

// A random case. Sequences are drawn base by base with N runs and planted
// consensus sites of the case's own matrices, densely enough at the higher
// rates to give many modules, some of them abutting.
Case RandomCase(std::mt19937_64& gen)
{
    auto pick = [&gen](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    Case c;
    const int K = pick(1, 4);
    std::vector<std::string> consensus;
    for (int j = 0; j < K; ++j) {
        const int w = pick(0, 9) == 0 ? 1 : pick(2, 16);
        c.widths.push_back(w);
        Matrix m;
        std::string word;
        const double top = std::uniform_real_distribution<double>(0.3, 0.97)(gen);
        for (int r = 0; r < w; ++r) {
            const int best = pick(0, 3);
            word += "ACGT"[best];
            for (int b = 0; b < 4; ++b)
                m.push_back(b == best ? top : (1 - top) / 3);
        }
        c.pwm.push_back(std::move(m));
        consensus.push_back(word);
    }
    const int n = pick(0, 5) == 0 ? pick(2, 40) : pick(2, 3000);
    const int plantEvery = pick(20, 400);
    while (static_cast<int>(c.sequence.size()) < n) {
        const int roll = pick(0, plantEvery);
        if (roll == 0) {
            std::string site = consensus[static_cast<std::size_t>(pick(0, K - 1))];
            if (pick(0, 1) == 1) {  // the reverse strand
                std::reverse(site.begin(), site.end());
                for (char& b : site)
                    b = b == 'A' ? 'T' : b == 'C' ? 'G' : b == 'G' ? 'C' : 'A';
            }
            c.sequence += site;
        } else if (roll == 1 && pick(0, 3) == 0) {
            c.sequence.append(static_cast<std::size_t>(pick(1, 30)), 'N');
        } else {
            c.sequence += "ACGT"[pick(0, 3)];
        }
    }
    c.sequence.resize(static_cast<std::size_t>(n));
    // Window lengths around the motif widths and the sequence length.
    switch (pick(0, 4)) {
    case 0:
        c.moduleLength = pick(1, 20);
        break;
    case 1:
        c.moduleLength = pick(20, 80);
        break;
    case 2:
        c.moduleLength = 200;
        break;
    case 3:
        c.moduleLength = n + pick(-2, 5);
        break;
    default:
        c.moduleLength = pick(1, 400);
        break;
    }
    c.moduleLength = std::max(c.moduleLength, 1);
    // Keep the background weight positive, as the front end does.
    while (!(1 - 0.8 * K / c.moduleLength > 0))
        ++c.moduleLength;
    c.both = pick(0, 2) != 0;
    const double rates[] = {0.0005, 0.0005, 0.01, 0.1, 0.3, 0.6, 0.95, 0.0, 1.0};
    c.rate = rates[pick(0, 8)];
    return c;
}

}  // namespace

TEST(StreamScanTest, MatchesTheWholeTableScanBitForBit)
{
    std::mt19937_64 gen(5);
    const int blocks[] = {1, 3, 7, 64, 4096};
    const int intervals[] = {1, 2, 5, 64, 1024};
    int withModules = 0;
    int atStart = 0;
    int modules = 0;
    for (int index = 0; index < 300; ++index) {
        const Case c = RandomCase(gen);
        const std::string expected = WholeTable(c);
        for (const int block : blocks)
            for (const int interval : intervals) {
                if (block == 4096 && interval == 1)
                    continue;  // the same borders as interval 2, for twice the time
                ASSERT_EQ(Streamed(c, block, interval), expected)
                    << "case " << index << ": n = " << c.sequence.size() << ", K = " << c.widths.size()
                    << ", L = " << c.moduleLength << ", both = " << c.both << ", rate = " << c.rate << ", block "
                    << block << ", interval " << interval;
            }
        int count = 0;
        for (std::size_t at = expected.find("\nmodule "); at != std::string::npos;
             at = expected.find("\nmodule ", at + 1))
            ++count;
        if (count > 0)
            ++withModules;
        if (expected.find("\nmodule 0 ") != std::string::npos)
            ++atStart;
        modules += count;
    }
    // The inputs did exercise the traceback, including windows that start
    // the sequence.
    EXPECT_GT(withModules, 100);
    EXPECT_GT(atStart, 20);
    EXPECT_GT(modules, 800);
}

TEST(StreamScanTest, DefaultOptionsMatchOnALongerSequence)
{
    // Several default blocks and many checkpoints, with module ends spread
    // over them.
    std::mt19937_64 gen(17);
    Case c = RandomCase(gen);
    c.widths = {10, 12, 14};
    c.pwm.clear();
    std::string planted;
    for (const int w : c.widths) {
        Matrix m;
        for (int r = 0; r < w; ++r) {
            const int best = static_cast<int>(gen() % 4);
            planted += "ACGT"[best];
            for (int b = 0; b < 4; ++b)
                m.push_back(b == best ? 0.85 : 0.05);
        }
        c.pwm.push_back(std::move(m));
    }
    c.sequence.clear();
    while (c.sequence.size() < 30000) {
        if (gen() % 700 == 0)
            c.sequence += planted;
        else if (gen() % 9000 == 0)
            c.sequence.append(50, 'N');
        else
            c.sequence += "ACGT"[gen() % 4];
    }
    c.moduleLength = 200;
    c.both = true;
    for (const double rate : {0.0005, 0.05}) {
        c.rate = rate;
        const std::string expected = WholeTable(c);
        EXPECT_NE(expected.find("\nmodule "), std::string::npos);
        EXPECT_EQ(Streamed(c, StreamScanOptions().blockSize, StreamScanOptions().checkpointInterval), expected);
    }
}

TEST(StreamScanTest, ShortAndDegenerateSequencesAreSafe)
{
    // Sequences shorter than every motif, windows of one base, a window
    // length equal to the sequence: the same results, nothing out of range
    // (run under the sanitizer build).
    Case c;
    c.widths = {1, 4, 12};
    c.pwm = {Matrix(4, 0.25), Matrix(16, 0.25), Matrix(48, 0.25)};
    for (int n = 1; n < 12; ++n)
        for (const int moduleLength : {1, 2, 3, 10, 200})
            for (const bool both : {false, true}) {
                c.sequence = std::string("ACNGTACGTNNA").substr(0, static_cast<std::size_t>(n));
                c.moduleLength = moduleLength;
                c.both = both;
                c.rate = 0.3;
                for (const int block : {1, 2, 5})
                    EXPECT_EQ(Streamed(c, block, 3), WholeTable(c))
                        << n << " " << moduleLength << " " << both << " " << block;
            }
}
