#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scanner/Background.h"
#include "support/Bases.h"

namespace {

// Runs BuildBackground on text and keeps the model for inspection.
struct Background {
    std::string seq;
    BACKGROUND dp;
    explicit Background(const char* text) : seq(text), dp(BuildBackground(text)) {}
    bool Scorable() const { return BackgroundScoresEveryBase(seq, dp); }
    double Trans(char a, char b) const
    {
        return dp.bgTrans[4 * kBaseCode[static_cast<unsigned char>(a)] + kBaseCode[static_cast<unsigned char>(b)]];
    }
    std::vector<double> Freq() const { return {dp.bgFreq, dp.bgFreq + 4}; }
    std::vector<double> Row(char a) const
    {
        const int r = kBaseCode[static_cast<unsigned char>(a)];
        return {dp.bgTrans + 4 * r, dp.bgTrans + 4 * r + 4};
    }
};

}  // namespace

TEST(BackgroundTest, TransitionsAreDividedByRawCountsOfThePrecedingBase)
{
    const Background acgt("ACGT");
    EXPECT_EQ(acgt.Freq(), (std::vector<double> {0.25, 0.25, 0.25, 0.25}));
    EXPECT_EQ(acgt.Row('A'), (std::vector<double> {0, 1, 0, 0}));
    EXPECT_EQ(acgt.Row('C'), (std::vector<double> {0, 0, 1, 0}));
    EXPECT_EQ(acgt.Row('G'), (std::vector<double> {0, 0, 0, 1}));
    EXPECT_EQ(acgt.Row('T'), (std::vector<double> {0, 0, 0, 0}));  // T only ends the sequence

    const Background aaaa("AAAA");
    EXPECT_EQ(aaaa.Freq(), (std::vector<double> {1, 0, 0, 0}));
    EXPECT_EQ(aaaa.Row('A'), (std::vector<double> {0.75, 0, 0, 0}));
}

TEST(BackgroundTest, PairsHoldingNAreSkippedAndOtherLettersCodeAsA)
{
    const Background acnga("ACNGA");
    EXPECT_EQ(acnga.Freq(), (std::vector<double> {0.5, 0.25, 0.25, 0}));
    EXPECT_EQ(acnga.Trans('A', 'C'), 0.5);
    EXPECT_EQ(acnga.Trans('G', 'A'), 1.0);
    EXPECT_EQ(acnga.Row('C'), (std::vector<double> {0, 0, 0, 0}));

    const Background ana("ANA");
    EXPECT_EQ(ana.Freq(), (std::vector<double> {1, 0, 0, 0}));
    EXPECT_EQ(ana.Row('A'), (std::vector<double> {0, 0, 0, 0}));

    const Background arc("ARC");  // AR and RC count as AA and AC
    EXPECT_EQ(arc.Freq(), (std::vector<double> {0.5, 0.5, 0, 0}));
    EXPECT_EQ(arc.Row('A'), (std::vector<double> {1, 1, 0, 0}));
    EXPECT_TRUE(arc.Scorable());
}

TEST(BackgroundTest, ShortSequencesAndReuseLeaveNoTrace)
{
    const Background one("G");
    EXPECT_EQ(one.Freq(), (std::vector<double> {0, 0, 1, 0}));
    for (double t : one.dp.bgTrans)
        EXPECT_EQ(t, 0.0);

    Background again("AAAA");
    again = Background("CG");
    EXPECT_EQ(again.Freq(), (std::vector<double> {0, 0.5, 0.5, 0}));
    EXPECT_EQ(again.Row('A'), (std::vector<double> {0, 0, 0, 0}));
    EXPECT_EQ(again.Trans('C', 'G'), 1.0);
}

// A sequence whose looked-up probabilities are 0 stores 0 (no division by a
// zero count) and is reported as not scorable; N alone is scorable.
TEST(BackgroundTest, ZeroCountsStoreZeroAndAreReportedAsNotScorable)
{
    const std::vector<double> zeros(4, 0.0);
    for (const char* text : {"RRRR", "RC", "NNNN", "", "N"}) {
        const Background b(text);
        EXPECT_EQ(b.Freq(), std::string(text) == "RC" ? (std::vector<double> {0, 1, 0, 0}) : zeros) << text;
        for (const char row : {'A', 'C', 'G', 'T'})
            EXPECT_EQ(b.Row(row), zeros) << text;  // RC's pair AC has no A count to divide by
    }
    EXPECT_FALSE(Background("RRRR").Scorable());
    EXPECT_FALSE(Background("RC").Scorable());   // first base R reads bgFreq A = 0
    EXPECT_FALSE(Background("CRC").Scorable());  // pair RC reads row A, count 0
    EXPECT_TRUE(Background("NNNN").Scorable());
    EXPECT_TRUE(Background("ACNGT").Scorable());
    EXPECT_TRUE(Background("").Scorable());
}
