#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "HandTable.h"

namespace {

struct Scan : HandTable {
    using HandTable::HandTable;
    int N() const { return static_cast<int>(seq.size()); }
    std::vector<double> Forward()
    {
        std::vector<double> fwd(seq.size());
        CalModuleLogPr(Model(), N() - 1, N(), table.data(), fwd.data());
        return fwd;
    }
    // moduleLogPr, bestLogPr and the marks of the maximizing pass.
    std::vector<bool> Marks(double rate, std::vector<double>* mod = nullptr, std::vector<double>* best = nullptr)
    {
        const std::vector<double> fwd = Forward();
        std::vector<double> m(fwd.size()), b(fwd.size());
        std::vector<bool> ends;
        MaximizePass(Model(rate), N(), L(), table.data(), fwd.data(), m.data(), b.data(), ends);
        if (mod)
            *mod = m;
        if (best)
            *best = b;
        return ends;
    }
    const MODULEINFO& FirstModule() const { return result.modules.front(); }
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
    const double want[6][3] = {{-4.942068, -4.852030, -5.635216},   {-4.870766, -6.931472, -6.950207},
                               {-2.912528, -9.010913, -6.378264},   {-2.973140, -8.457706, -8.518317},
                               {-2.968849, -10.537147, -10.593468}, {-4.932453, -12.616589, -12.003864}};
    const double l = std::log(0.5);
    const double bg = std::log(0.25);
    EXPECT_EQ(ends, (std::vector<bool> {false, false, false, false, true, false, false, true}));
    EXPECT_EQ(best[1], (0.0 + bg) + bg);
    for (std::size_t j = 2; j < 8; ++j) {
        const double sBg = (l + best[j - 1]) + bg;
        const double sMod = j == 2 ? l + mod[j] : (l + best[j - 3]) + mod[j];
        EXPECT_NEAR(mod[j], want[j - 2][0], 5e-7) << j;
        EXPECT_NEAR(sBg, want[j - 2][1], 5e-7) << j;
        EXPECT_NEAR(sMod, want[j - 2][2], 5e-7) << j;
        EXPECT_EQ(best[j], ends[j] ? sMod : sBg) << j;
    }

    s.result.moduleCount = 5;
    s.Maximize(0.5);
    EXPECT_EQ(s.result.moduleCount, 7);  // the "NULL" window 5..7 is counted too
    EXPECT_EQ(s.Modules(), std::vector<std::string> {"2:+1(3)"});
    EXPECT_NEAR(s.FirstModule().score, 1.246355, 5e-7);
    EXPECT_EQ(s.FirstModule().score, mod[4] - (((0.0 + std::log(0.25)) + std::log(0.25)) + std::log(0.25)));
    ASSERT_EQ(s.SitesOf(0).size(), 1u);
    EXPECT_EQ(s.SitesOf(0)[0].site, "TA");
}

TEST(ScanTest, TiesAndNonNumbersGoToTheModuleAndTracebackJumpsByL)
{
    // n = 2, L = 2, prior(bg) = 1, every bg ln 0.5, rate 0.5: S_bg = (l + l) + l
    // equals S_mod = l + (l + l); the only window is taken and is "NULL".
    Scan tie("AC", {5}, 200, true, {0.1, 1.0}, std::log(0.5));
    EXPECT_EQ(tie.Marks(0.5), (std::vector<bool> {false, true}));
    tie.Maximize(0.5);
    EXPECT_EQ(tie.result.moduleCount, 1);
    EXPECT_TRUE(tie.Modules().empty());

    for (const double rate : {1.0, 2.0, -0.1}) {  // S_bg -inf / NaN, or S_mod NaN: every j >= L-1 marked
        EightBases s;
        EXPECT_EQ(s.Marks(rate), (std::vector<bool> {false, false, true, true, true, true, true, true})) << rate;
        s.Maximize(rate);
        EXPECT_EQ(s.result.moduleCount, 2) << rate;  // visits 7 and 4 only, the modules abut
        EXPECT_EQ(s.Modules(), std::vector<std::string> {"2:+1(3)"});
    }

    EightBases none;
    none.Maximize(0.0);
    EXPECT_EQ(none.result.moduleCount, 0);
}

TEST(ScanTest, ShortSequencesUseTheWholeSequenceAsWindow)
{
    // L = n: only the last position can end a module, which then starts at 0.
    EightBases s;
    s.moduleLength = 200;
    const std::vector<bool> ends = s.Marks(0.9);
    EXPECT_EQ(ends, (std::vector<bool> {false, false, false, false, false, false, false, true}));
    s.Maximize(0.9);
    EXPECT_EQ(s.Modules(), std::vector<std::string> {"0:+1(3)"});

    Scan two("GA", {2}, 10, true, {0.4, 0.6});
    two.Cell(1, 0) = std::log(0.9);
    two.Maximize(0.5);
    EXPECT_EQ(two.Modules(), std::vector<std::string> {"0:+1(0)"});

    // One base and no bases stay in range (the driver skips them anyway).
    Scan one("A", {2}, 10, true, {0.4, 0.6});
    one.Maximize(0.5);
    one.Posterior(0.5);
    Scan empty("", {2}, 10, true, {0.4, 0.6});
    ApproxScanCurSeq(empty.Model(0.5), empty.seq, nullptr, &empty.result);
    EXPECT_EQ(empty.result.moduleCount, 0);
}

TEST(ScanTest, PosteriorExampleTakesWindowThreeToFive)
{
    EightBases s;
    const std::vector<double> fwd = s.Forward();
    std::vector<double> mod(8), total(8);
    PosteriorPass(s.Model(0.5), 8, 3, s.table.data(), fwd.data(), mod.data(), total.data());
    auto d = [&](int pos) {
        return ((std::log(0.5) + mod[static_cast<std::size_t>(pos)]) + total[static_cast<std::size_t>(pos - 3)]) -
               total[static_cast<std::size_t>(pos)];
    };
    EXPECT_NEAR(d(7), -1.174573, 5e-7);
    EXPECT_NEAR(d(6), -0.744252, 5e-7);
    EXPECT_NEAR(d(5), -0.619009, 5e-7);
    EXPECT_NEAR((std::log(0.5) + mod[2]) - total[2], -1.159529, 5e-7);  // j = L-1: no prefix term

    s.Posterior(0.5);
    EXPECT_EQ(s.result.moduleCount, 1);
    EXPECT_EQ(s.Modules(), std::vector<std::string> {"3:+1(3)"});
    EXPECT_NEAR(s.FirstModule().score, 0.538478, 5e-7);
    EXPECT_EQ(s.FirstModule().score, std::exp(d(5)));

    // A tie (d = -log 2) is below -0.6931 and is not taken; a "NULL" window
    // that is taken still gets its node.
    Scan tie("AC", {5}, 200, true, {0.1, 1.0}, std::log(0.5));
    tie.Posterior(0.5);
    EXPECT_EQ(tie.result.moduleCount, 0);
    tie.Posterior(0.9);
    EXPECT_EQ(tie.Modules(), std::vector<std::string> {"0:NULL"});
}

namespace {

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
    const std::vector<int> widths = {10, 12, 14};
    MatrixSet pwm;
    for (int w : widths) {
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
                text += "ACGT"[std::max_element(m.begin() + 4 * r, m.begin() + 4 * r + 4) - (m.begin() + 4 * r)];
            i += static_cast<int>(m.size() / 4) - 1;
        } else {
            text += "ACGTACGTACGTACGTACGTN"[next() % (i % 1000 < 990 ? 20 : 21)];
        }
    }
    const SCANMODEL model = MakeScanModel(widths, pwm, moduleLength, both, rate);
    const std::vector<double> table = CalLogPrPos(model, text, BuildBackground(text));
    RECORDRESULT result;
    if (posterior)
        ApproxSampleCurSeq(model, text, table.data(), &result);
    else
        ApproxScanCurSeq(model, text, table.data(), &result);
    std::string out = std::to_string(result.moduleCount) + "\n";
    char line[128];
    for (const MODULEINFO& m : result.modules) {
        std::snprintf(line, sizeof line, "%d %a ", m.start, m.score);
        out += line + SiteString(m.sites) + "\n";
    }
    for (int j = 0; j < 3; ++j)
        for (const MODULEINFO& m : result.modules)
            for (const SITEINFO& s : m.sites)
                if (s.motif == j) {
                    std::snprintf(line, sizeof line, "%d %d %a %d ", j, s.pos, s.prob, s.forward ? 1 : 0);
                    out += line + s.site + "\n";
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
                Scan s(std::string("ACNGTRACGT").substr(0, static_cast<std::size_t>(n)).c_str(), {1, 4, 12},
                       moduleLength, true, {0.1, 0.1, 0.1, 0.7});
                const SCANMODEL model = MakeScanModel(s.widths, pwm, moduleLength, true, 0.3, s.prior);
                s.table = CalLogPrPos(model, s.seq, BuildBackground(s.seq));
                if (posterior)
                    ApproxSampleCurSeq(model, s.seq, s.table.data(), &s.result);
                else
                    ApproxScanCurSeq(model, s.seq, s.table.data(), &s.result);
                for (const MODULEINFO& m : s.result.modules)
                    EXPECT_TRUE(m.start >= 0 && m.start + s.L() <= n) << n << " " << moduleLength;
            }
}
