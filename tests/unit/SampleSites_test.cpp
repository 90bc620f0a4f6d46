#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "HandTable.h"

namespace {

// A hand-made table for the site traceback (the module length plays no part).
struct Sites : HandTable {
    Sites(const char* text, const std::vector<int>& widths, bool both, std::vector<double> priorWeight,
          double bgScore = std::log(0.25))
        : HandTable(text, widths, 200, both, std::move(priorWeight), bgScore)
    {}
    std::vector<SITEINFO> traced;
    std::string Trace(int end, int len)
    {
        traced = SampleSites(Model(), seq, table.data(), end, len);
        return SiteString(traced);
    }
    // "pos:site:strand" of motif j's sites, in order.
    std::vector<std::string> List(int j) const
    {
        std::vector<std::string> out;
        for (const SITEINFO& s : traced)
            if (s.motif == j)
                out.push_back(std::to_string(s.pos) + ":" + s.site + (s.forward ? "+" : "-"));
        return out;
    }
    // Sites per motif.
    std::vector<int> Counts() const
    {
        std::vector<int> out(widths.size(), 0);
        for (const SITEINFO& s : traced)
            ++out[static_cast<std::size_t>(s.motif)];
        return out;
    }
    const SITEINFO& First(int j) const
    {
        for (const SITEINFO& s : traced)
            if (s.motif == j)
                return s;
        return traced.at(traced.size());
    }
};

struct Gact : Sites {
    explicit Gact(bool both) : Sites("GACT", {2}, both, {0.25, 0.75})
    {
        for (int r = 1; r <= 2; ++r) {
            Cell(r, 0) = std::log(0.9);
            Cell(r, 1) = std::log(0.1);
        }
    }
};

}  // namespace

TEST(SampleSitesTest, GactExampleOnOneAndBothStrands)
{
    Gact one(false);
    EXPECT_EQ(one.Trace(2, 3), "+1(1)");
    EXPECT_EQ(one.List(0), std::vector<std::string> {"1:AC+"});
    EXPECT_NEAR(one.First(0).prob, 32.0 / 61.0, 1e-14);
    EXPECT_EQ(one.Counts(), std::vector<int> {1});

    Gact both(true);
    EXPECT_EQ(both.Trace(2, 3), "+1(0)");
    EXPECT_EQ(both.List(0), std::vector<std::string> {"0:GA+"});
    EXPECT_NEAR(both.First(0).prob, 36.0 / 55.0, 1e-14);
}

TEST(SampleSitesTest, PiecesInPositionOrderWithReverseSitesAndAbuttingSites)
{
    Sites s(std::string(140, 'A').replace(130, 3, "ACG").c_str(), {2, 3}, true, {0.01, 0.01, 0.98});
    s.Cell(106, 0) = 5.0;  // motif 1 forward at 105..106
    s.Cell(132, 3) = 5.0;  // motif 2 reverse at 130..132
    EXPECT_EQ(s.Trace(139, 140), "+1(105)-2(130)");
    EXPECT_EQ(s.List(1), std::vector<std::string> {"130:CGT-"});
    EXPECT_EQ(s.Counts(), (std::vector<int> {1, 1}));

    Sites abut("ACGTA", {2}, false, {0.25, 0.75});
    abut.Cell(1, 0) = abut.Cell(3, 0) = std::log(0.99);
    EXPECT_EQ(abut.Trace(3, 4), "+1(0)+1(2)");
    EXPECT_EQ(abut.List(0), (std::vector<std::string> {"0:AC+", "2:GT+"}));
}

TEST(SampleSitesTest, TiesGoToTheLowerOptionAndShortWindowsAreNull)
{
    // Width 1, one-base window, bg 0 and prior 1: P(site) = exp(ln 0.5) = 0.5
    // = background, and the site is taken.
    ASSERT_EQ(std::exp(std::log(0.5)), 0.5);
    Sites tie("ACGT", {1}, false, {1.0, 0.0}, 0.0);
    tie.Cell(2, 0) = std::log(0.5);
    EXPECT_EQ(tie.Trace(2, 1), "+1(2)");
    EXPECT_EQ(tie.First(0).prob, 0.5);

    // Equal forward and reverse scores: forward wins; equal motifs: the first.
    Sites strands("ACGT", {2, 2}, true, {0.3, 0.3, 0.4});
    for (int c = 0; c < 4; ++c)
        strands.Cell(3, c) = std::log(0.99);
    EXPECT_EQ(strands.Trace(3, 2), "+1(2)");
    EXPECT_EQ(strands.Counts(), (std::vector<int> {1, 0}));

    Sites shortWindow("ACGT", {3, 2}, true, {0.1, 0.1, 0.8});
    EXPECT_EQ(shortWindow.Trace(2, 1), "NULL");
    EXPECT_EQ(shortWindow.Counts(), (std::vector<int> {0, 0}));
    EXPECT_TRUE(shortWindow.List(0).empty() && shortWindow.List(1).empty());
    EXPECT_EQ(shortWindow.Trace(3, 9), "NULL");  // window before the start: nothing touched
}
