#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "scanner/ReferenceScan.h"
#include "support/LogSum.h"

namespace {

// A scanner with K motifs of the given widths and a table of `rows` rows,
// every background cell ln 0.25 and every motif cell impossible.
struct Recursion {
    std::vector<int> widths;
    bool both;
    std::vector<double> table;
    int cols;
    Recursion(const std::vector<int>& motifWidths, int rows, bool bothStrands)
        : widths(motifWidths), both(bothStrands), cols(2 * static_cast<int>(motifWidths.size()) + 1)
    {
        table.assign(static_cast<std::size_t>(rows * cols), -2000.0);
        for (int r = 0; r < rows; ++r)
            Cell(r, cols - 1) = std::log(0.25);
    }
    double& Cell(int row, int col) { return table[static_cast<std::size_t>(row * cols + col)]; }
    std::vector<double> Run(int end, int len, const std::vector<double>& prior)
    {
        std::vector<double> out(static_cast<std::size_t>(len));
        const SCANMODEL model = MakeScanModel(widths, {}, 200, both, 0.5, prior);
        const double total = CalModuleLogPr(model, end, len, table.data(), out.data());
        EXPECT_EQ(total, out.back());
        return out;
    }
};

}  // namespace

TEST(RecursionTest, ThreeBaseExampleOnOneAndBothStrands)
{
    for (const bool both : {false, true}) {
        Recursion r({2}, 3, both);
        for (int p = 1; p <= 2; ++p) {
            r.Cell(p, 0) = std::log(0.1);
            r.Cell(p, 1) = both ? std::log(0.3) : std::numeric_limits<double>::quiet_NaN();  // unread
        }
        const std::vector<double> out = r.Run(2, 3, {0.25, 0.75});
        const std::vector<double> want = both ? std::vector<double> {0.1875, 0.08515625, 0.025341796875}
                                              : std::vector<double> {0.1875, 0.06015625, 0.015966796875};
        for (std::size_t m = 0; m < 3; ++m)
            EXPECT_NEAR(out[m], std::log(want[m]), 1e-14) << both << m;
        EXPECT_EQ(out[0], std::log(0.75) + std::log(0.25));
        // Evaluation order: ((bg + out[m-1]) + log prior(bg)) folded with the site term.
        const double site = both ? (LogSum(std::log(0.1), std::log(0.3)) + std::log(0.5)) + std::log(0.25)
                                 : std::log(0.1) + std::log(0.25);
        EXPECT_EQ(out[1], LogSum((std::log(0.25) + out[0]) + std::log(0.75), site));
        EXPECT_EQ(out[2], LogSum((std::log(0.25) + out[1]) + std::log(0.75), site + out[0]));
    }
}

TEST(RecursionTest, FirstBaseAndWideMotifsTakeBackgroundOnly)
{
    // Width 1 contributes from the second position on; width 9 never fits.
    Recursion r({1, 9}, 6, true);
    for (int p = 0; p < 6; ++p)
        r.Cell(p, 0) = r.Cell(p, 1) = 0.0;
    const std::vector<double> prior = {0.1, 0.1, 0.8};
    const std::vector<double> one = r.Run(4, 1, prior);
    EXPECT_EQ(one[0], std::log(0.8) + std::log(0.25));
    const std::vector<double> out = r.Run(5, 4, prior);  // stretch 2..5
    EXPECT_EQ(out[0], one[0]);
    EXPECT_GT(out[1], (std::log(0.25) + out[0]) + std::log(0.8));

    Recursion wide({4, 5}, 3, true);
    const std::vector<double> bgOnly = wide.Run(2, 3, {0.1, 0.1, 0.8});
    double expect = std::log(0.8) + std::log(0.25);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(bgOnly[static_cast<std::size_t>(m)], expect);
        expect = (std::log(0.25) + expect) + std::log(0.8);
    }
}

TEST(RecursionTest, SiteTermThreeHundredBelowLeavesValueUnchanged)
{
    Recursion r({2}, 2, false);
    const double bgOnly = (std::log(0.25) + (std::log(0.5) + std::log(0.25))) + std::log(0.5);
    r.Cell(1, 0) = bgOnly - 300 - std::log(0.5);  // site term exactly 300 below
    EXPECT_EQ(r.Run(1, 2, {0.5, 0.5})[1], bgOnly);
}

// The forward values match the recursion written out literally on a random
// table: options in order background, motif 0, 1, ..., one LogSum each.
TEST(RecursionTest, MatchesLiteralRecursionBitForBit)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-30.0, -0.1);
    const std::vector<int> widths = {3, 1, 5};
    const std::vector<double> prior = {0.004, 0.004, 0.004, 0.988};
    for (const bool both : {true, false}) {
        Recursion r(widths, 300, both);
        for (double& cell : r.table)
            cell = u(gen);
        const int start = 20;
        const int len = 250;
        const std::vector<double> out = r.Run(start + len - 1, len, prior);
        std::vector<double> ref(static_cast<std::size_t>(len));
        ref[0] = std::log(prior[3]) + r.Cell(start, 6);
        for (int m = 1; m < len; ++m) {
            const int p = start + m;
            double v = (r.Cell(p, 6) + ref[static_cast<std::size_t>(m - 1)]) + std::log(prior[3]);
            for (int j = 0; j < 3; ++j) {
                const int w = widths[static_cast<std::size_t>(j)];
                if (w > m + 1)
                    continue;
                double t = both ? (LogSum(r.Cell(p, 2 * j), r.Cell(p, 2 * j + 1)) + std::log(0.5)) +
                                      std::log(prior[static_cast<std::size_t>(j)])
                                : r.Cell(p, 2 * j) + std::log(prior[static_cast<std::size_t>(j)]);
                if (w < m + 1)
                    t = t + ref[static_cast<std::size_t>(m - w)];
                v = LogSum(v, t);
            }
            ref[static_cast<std::size_t>(m)] = v;
        }
        for (int m = 0; m < len; ++m)
            ASSERT_EQ(out[static_cast<std::size_t>(m)], ref[static_cast<std::size_t>(m)]) << both << m;
    }
}
