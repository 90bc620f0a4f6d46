#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "HandTable.h"

namespace
{

struct Scan : HandTable {
    using HandTable::HandTable;
    int L() const { return std::min(dp.moduleLength, dp.seqLength); }
    std::vector<double> Forward()
    {
        std::vector<double> fwd(static_cast<std::size_t>(dp.seqLength));
        dp.CalModuleLogPr(dp.seqLength - 1, dp.seqLength, table.data(), prior.data(), fwd.data());
        return fwd;
    }
    // moduleLogPr, bestLogPr and the marks of the maximizing pass.
    std::vector<bool> Marks(double rate, std::vector<double>* mod = nullptr,
                            std::vector<double>* best = nullptr)
    {
        const std::vector<double> fwd = Forward();
        std::vector<double> m(fwd.size()), b(fwd.size());
        std::vector<bool> ends;
        dp.MaximizePass(rate, dp.seqLength, L(), table.data(), fwd.data(), m.data(), b.data(),
                        ends);
        if (mod)
            *mod = m;
        if (best)
            *best = b;
        return ends;
    }
    // "start:sites" of every module node, in list order.
    std::vector<std::string> Modules() const
    {
        std::vector<std::string> out;
        for (const MODULEINFO* node = dp.moduleList->next.get(); node; node = node->next.get())
            out.push_back(std::to_string(node->start) + ":" + node->sites.str());
        return out;
    }
    const MODULEINFO& FirstModule() const { return *dp.moduleList->next; }
};

// The eight-base example: K = 1, width 2, L = 3, forward strand only.
struct EightBases : Scan {
    EightBases() : Scan("ACGTACGT", {2}, 3, false, {0.8 / 3, 1 - 0.8 / 3})
    {
        for (int p = 1; p < 8; ++p)
            Cell(p, 0) = std::log(p == 4 ? 0.9 : 0.01);
    }
};

}  // namespace

TEST(ScanTest, EightBaseExampleTableAndTraceback)
{
    EightBases s;
    std::vector<double> mod, best;
    const std::vector<bool> ends = s.Marks(0.5, &mod, &best);
    // Columns moduleLogPr, S_bg, S_mod of the example, j = 2..7.
    const double want[6][3] = {
        {-4.942068, -4.852030, -5.635216},   {-4.870766, -6.931472, -6.950207},
        {-2.912528, -9.010913, -6.378264},   {-2.973140, -8.457706, -8.518317},
        {-2.968849, -10.537147, -10.593468}, {-4.932453, -12.616589, -12.003864}};
    const double l = std::log(0.5);
    const double bg = std::log(0.25);
    EXPECT_EQ(ends, (std::vector<bool>{false, false, false, false, true, false, false, true}));
    EXPECT_EQ(best[1], (0.0 + bg) + bg);
    for (std::size_t j = 2; j < 8; ++j) {
        const double sBg = (l + best[j - 1]) + bg;
        const double sMod = j == 2 ? l + mod[j] : (l + best[j - 3]) + mod[j];
        EXPECT_NEAR(mod[j], want[j - 2][0], 5e-7) << j;
        EXPECT_NEAR(sBg, want[j - 2][1], 5e-7) << j;
        EXPECT_NEAR(sMod, want[j - 2][2], 5e-7) << j;
        EXPECT_EQ(best[j], ends[j] ? sMod : sBg) << j;
    }

    s.dp.moduleCount = 5;
    s.dp.ApproxScanCurSeq(0.5, s.prior.data(), {}, s.table.data());
    EXPECT_EQ(s.dp.moduleCount, 7);  // the "NULL" window 5..7 is counted too
    EXPECT_EQ(s.Modules(), std::vector<std::string>{"2:+1(3)"});
    EXPECT_NEAR(s.FirstModule().score, 1.246355, 5e-7);
    EXPECT_EQ(s.FirstModule().score,
              mod[4] - (((0.0 + std::log(0.25)) + std::log(0.25)) + std::log(0.25)));
    EXPECT_EQ(s.dp.siteCount[0], 1);
    EXPECT_EQ(s.dp.siteList[0]->next->site.str(), "TA");
}

TEST(ScanTest, TiesAndNonNumbersGoToTheModuleAndTracebackJumpsByL)
{
    // n = 2, L = 2, prior(bg) = 1, every bg ln 0.5, rate 0.5: S_bg = (l + l) + l
    // equals S_mod = l + (l + l); the only window is taken and is "NULL".
    Scan tie("AC", {5}, 200, true, {0.1, 1.0}, std::log(0.5));
    EXPECT_EQ(tie.Marks(0.5), (std::vector<bool>{false, true}));
    tie.dp.ApproxScanCurSeq(0.5, tie.prior.data(), {}, tie.table.data());
    EXPECT_EQ(tie.dp.moduleCount, 1);
    EXPECT_TRUE(tie.Modules().empty());

    for (const double rate :
         {1.0, 2.0, -0.1}) {  // S_bg -inf / NaN, or S_mod NaN: every j >= L-1 marked
        EightBases s;
        EXPECT_EQ(s.Marks(rate),
                  (std::vector<bool>{false, false, true, true, true, true, true, true}))
            << rate;
        s.dp.ApproxScanCurSeq(rate, s.prior.data(), {}, s.table.data());
        EXPECT_EQ(s.dp.moduleCount, 2) << rate;  // visits 7 and 4 only, the modules abut
        EXPECT_EQ(s.Modules(), std::vector<std::string>{"2:+1(3)"});
    }

    EightBases none;
    none.dp.ApproxScanCurSeq(0.0, none.prior.data(), {}, none.table.data());
    EXPECT_EQ(none.dp.moduleCount, 0);
}

TEST(ScanTest, ShortSequencesUseTheWholeSequenceAsWindow)
{
    // L = n: only the last position can end a module, which then starts at 0.
    EightBases s;
    s.dp.moduleLength = 200;
    const std::vector<bool> ends = s.Marks(0.9);
    EXPECT_EQ(ends, (std::vector<bool>{false, false, false, false, false, false, false, true}));
    s.dp.ApproxScanCurSeq(0.9, s.prior.data(), {}, s.table.data());
    EXPECT_EQ(s.Modules(), std::vector<std::string>{"0:+1(3)"});

    Scan two("GA", {2}, 10, true, {0.4, 0.6});
    two.Cell(1, 0) = std::log(0.9);
    two.dp.ApproxScanCurSeq(0.5, two.prior.data(), {}, two.table.data());
    EXPECT_EQ(two.Modules(), std::vector<std::string>{"0:+1(0)"});

    // One base and no bases stay in range (the driver skips them anyway).
    Scan one("A", {2}, 10, true, {0.4, 0.6});
    one.dp.ApproxScanCurSeq(0.5, one.prior.data(), {}, one.table.data());
    one.dp.ApproxSampleCurSeq(0.5, one.prior.data(), {}, one.table.data());
    Scan empty("", {2}, 10, true, {0.4, 0.6});
    empty.dp.ApproxScanCurSeq(0.5, empty.prior.data(), {}, nullptr);
    EXPECT_EQ(empty.dp.moduleCount, 0);
}

TEST(ScanTest, PosteriorExampleTakesWindowThreeToFive)
{
    EightBases s;
    const std::vector<double> fwd = s.Forward();
    std::vector<double> mod(8), total(8);
    s.dp.PosteriorPass(0.5, 8, 3, s.table.data(), fwd.data(), mod.data(), total.data());
    auto d = [&](int pos) {
        return ((std::log(0.5) + mod[static_cast<std::size_t>(pos)]) +
                total[static_cast<std::size_t>(pos - 3)]) -
               total[static_cast<std::size_t>(pos)];
    };
    EXPECT_NEAR(d(7), -1.174573, 5e-7);
    EXPECT_NEAR(d(6), -0.744252, 5e-7);
    EXPECT_NEAR(d(5), -0.619009, 5e-7);
    EXPECT_NEAR((std::log(0.5) + mod[2]) - total[2], -1.159529, 5e-7);  // j = L-1: no prefix term

    s.dp.ApproxSampleCurSeq(0.5, s.prior.data(), {}, s.table.data());
    EXPECT_EQ(s.dp.moduleCount, 1);
    EXPECT_EQ(s.Modules(), std::vector<std::string>{"3:+1(3)"});
    EXPECT_NEAR(s.FirstModule().score, 0.538478, 5e-7);
    EXPECT_EQ(s.FirstModule().score, std::exp(d(5)));

    // A tie (d = -log 2) is below -0.6931 and is not taken; a "NULL" window
    // that is taken still gets its node.
    Scan tie("AC", {5}, 200, true, {0.1, 1.0}, std::log(0.5));
    tie.dp.ApproxSampleCurSeq(0.5, tie.prior.data(), {}, tie.table.data());
    EXPECT_EQ(tie.dp.moduleCount, 0);
    tie.dp.ApproxSampleCurSeq(0.9, tie.prior.data(), {}, tie.table.data());
    EXPECT_EQ(tie.Modules(), std::vector<std::string>{"0:NULL"});
}

namespace
{

// Whole-sequence pipeline as the driver runs it, on a sequence and matrices
// drawn from a fixed linear congruential generator; returns every module
// and site with its doubles in hexadecimal.
std::string PipelineDigest(int n, int moduleLength, bool both, double rate, bool posterior)
{
    std::uint64_t state = 20240607;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33);
    };
    CGibbsDP dp;
    dp.motifNum = 3;
    dp.motifWidth = {10, 12, 14};
    dp.moduleLength = moduleLength;
    dp.bothStrands = both;
    MatrixSet pwm;
    for (int w : dp.motifWidth) {
        pwm.emplace_back();
        for (int r = 0; r < w; ++r) {
            const unsigned peak = next() % 4;
            for (unsigned b = 0; b < 4; ++b)
                pwm.back().push_back(b == peak ? 0.91 : 0.03);
        }
    }
    std::string text;
    for (int i = 0; i < n; ++i) {
        // Every 97 bases, a copy of a motif consensus; a few N runs.
        if (i % 97 == 50 && i + 14 <= n) {
            const Matrix& m = pwm[static_cast<std::size_t>(next() % 3)];
            for (std::size_t r = 0; r < m.size() / 4; ++r)
                text += "ACGT"[std::max_element(m.begin() + 4 * r, m.begin() + 4 * r + 4) -
                               (m.begin() + 4 * r)];
            i += static_cast<int>(m.size() / 4) - 1;
        } else {
            text += "ACGTACGTACGTACGTACGTN"[next() % (i % 1000 < 990 ? 20 : 21)];
        }
    }
    dp.seq = text.c_str();
    dp.seqLength = dp.seq.GetLength();
    dp.siteCount.assign(4, 0);
    for (int j = 0; j < 3; ++j)
        dp.siteList.push_back(std::make_unique<SITEINFO>());
    dp.moduleList = std::make_unique<MODULEINFO>();
    const std::vector<double> prior = {0.8 / moduleLength, 0.8 / moduleLength, 0.8 / moduleLength,
                                       1 - 0.8 * 3 / moduleLength};
    dp.BuildBackground();
    std::vector<double> table(static_cast<std::size_t>(7 * dp.seqLength));
    dp.CalLogPrPos(table.data(), dp.seqLength, pwm);
    if (posterior)
        dp.ApproxSampleCurSeq(rate, prior.data(), pwm, table.data());
    else
        dp.ApproxScanCurSeq(rate, prior.data(), pwm, table.data());
    std::string out = std::to_string(dp.moduleCount) + "\n";
    char line[128];
    for (const MODULEINFO* m = dp.moduleList->next.get(); m; m = m->next.get()) {
        std::snprintf(line, sizeof line, "%d %a ", m->start, m->score);
        out += line + m->sites.str() + "\n";
    }
    for (int j = 0; j < 3; ++j)
        for (const SITEINFO* s = dp.siteList[static_cast<std::size_t>(j)]->next.get(); s;
             s = s->next.get()) {
            std::snprintf(line, sizeof line, "%d %d %a %d ", j, s->pos, s->prob,
                          s->forward ? 1 : 0);
            out += line + s->site.str() + "\n";
        }
    return out;
}

std::uint64_t Fnv1a(const std::string& text)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (const unsigned char c : text)
        h = (h ^ c) * 1099511628211ULL;
    return h;
}

}  // namespace

// Pins every bit of a whole run's modules and sites (computed once with this
// code), so a rewrite of the per-position loops that changes any double, tie
// or traceback step fails here. The digest is printed on failure.
TEST(ScanTest, PipelineDigestIsPinned)
{
    const struct {
        bool posterior;
        bool both;
        std::uint64_t hash;
    } cases[] = {{false, true, 0x434b747cb0746eebULL},
                 {false, false, 0xe91253d918895a3eULL},
                 {true, true, 0x6516c8a3e641fe5cULL},
                 {true, false, 0x7ac1cd392fd0af99ULL}};
    for (const auto& c : cases) {
        const std::string digest = PipelineDigest(5000, 60, c.both, 0.01, c.posterior);
        EXPECT_EQ(digest.substr(0, 3), "51\n");
        EXPECT_EQ(Fnv1a(digest), c.hash) << c.posterior << c.both << "\n" << digest;
    }
}

// Short sequences, windows of one base and motifs wider than the sequence
// keep every access in range (run under the sanitizer build) and every
// module inside the sequence.
TEST(ScanTest, EveryShortLengthStaysInRange)
{
    const MatrixSet pwm = {Matrix(4, 0.25), Matrix(16, 0.25), Matrix(48, 0.25)};
    for (int n = 0; n < 10; ++n)
        for (const int moduleLength : {1, 2, 3, 10})
            for (const bool posterior : {false, true}) {
                Scan s(std::string("ACNGTRACGT").substr(0, static_cast<std::size_t>(n)).c_str(),
                       {1, 4, 12}, moduleLength, true, {0.1, 0.1, 0.1, 0.7});
                s.dp.BuildBackground();
                s.dp.CalLogPrPos(s.table.data(), n, pwm);
                if (posterior)
                    s.dp.ApproxSampleCurSeq(0.3, s.prior.data(), pwm, s.table.data());
                else
                    s.dp.ApproxScanCurSeq(0.3, s.prior.data(), pwm, s.table.data());
                for (const MODULEINFO* m = s.dp.moduleList->next.get(); m; m = m->next.get())
                    EXPECT_TRUE(m->start >= 0 && m->start + s.L() <= n) << n << " " << moduleLength;
            }
}
