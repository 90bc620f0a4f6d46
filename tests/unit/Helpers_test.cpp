#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/Bases.h"
#include "support/LogSum.h"
#include "support/NumericHelpers.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The log-space sum written out as the scanner defines it, for comparing
// bit for bit.
double LogSumByFormula(double hi, double lo) { return hi + std::log(std::exp(lo - hi) + 1); }

}  // namespace

// --- sequence helpers -------------------------------------------------------

TEST(HelpersTest, WordCodeIsBaseFourFirstLetterMostSignificant)
{
    EXPECT_EQ(WordCode("A"), 0);
    EXPECT_EQ(WordCode("C"), 1);
    EXPECT_EQ(WordCode("G"), 2);
    EXPECT_EQ(WordCode("T"), 3);
    EXPECT_EQ(WordCode("GA"), 8);
    EXPECT_EQ(WordCode("AG"), 2);
    EXPECT_EQ(WordCode("TT"), 15);
    EXPECT_EQ(WordCode("ACGT"), 27);
    EXPECT_EQ(WordCode(""), 0);
}

TEST(HelpersTest, WordCodeCountsEveryOtherLetterAsA)
{
    EXPECT_EQ(WordCode("NC"), 1);
    EXPECT_EQ(WordCode("N"), 0);
    EXPECT_EQ(WordCode("CN"), 4);
    EXPECT_EQ(WordCode("tc"), 0);  // lower case is not a base
    EXPECT_EQ(WordCode("RY"), 0);
}

TEST(HelpersTest, ReverseComplementsAndReverses)
{
    EXPECT_EQ(Reverse("AACGTN"), "NACGTT");
    EXPECT_EQ(Reverse("RYSW"), "WSRY");
    EXPECT_EQ(Reverse("acg"), "gca");
    EXPECT_EQ(Reverse("G"), "C");
    EXPECT_EQ(Reverse(""), "");
    EXPECT_EQ(Reverse(Reverse("GATTACARYN")), "GATTACARYN");
}

TEST(HelpersTest, BaseCodeTablesCoverOnlyTheFourBases)
{
    for (int c = 0; c < 256; ++c) {
        const auto i = static_cast<std::size_t>(c);
        switch (c) {
        case 'A':
            EXPECT_EQ(kBaseCode[i], 0);
            EXPECT_EQ(kComplementCode[i], 3);
            break;
        case 'C':
            EXPECT_EQ(kBaseCode[i], 1);
            EXPECT_EQ(kComplementCode[i], 2);
            break;
        case 'G':
            EXPECT_EQ(kBaseCode[i], 2);
            EXPECT_EQ(kComplementCode[i], 1);
            break;
        case 'T':
            EXPECT_EQ(kBaseCode[i], 3);
            EXPECT_EQ(kComplementCode[i], 0);
            break;
        default:
            EXPECT_EQ(kBaseCode[i], 0) << "character " << c;
            EXPECT_EQ(kComplementCode[i], 0) << "character " << c;
        }
    }
}

// --- LogSum -------------------------------------------------------------------

TEST(HelpersTest, LogSumFollowsItsFormulaExactly)
{
    EXPECT_EQ(LogSum(0, 0), std::log(2.0));
    EXPECT_EQ(LogSum(-1.5, -1.5), LogSumByFormula(-1.5, -1.5));
    EXPECT_EQ(LogSum(-3.25, -0.5), LogSumByFormula(-0.5, -3.25));
    EXPECT_EQ(LogSum(-0.5, -3.25), LogSumByFormula(-0.5, -3.25));
    EXPECT_EQ(LogSum(-700.0, -710.0), LogSumByFormula(-700.0, -710.0));
}

TEST(HelpersTest, LogSumIsSymmetricAndStableForLargeValues)
{
    const double pairs[][2] = {{0, 0}, {-1, 2}, {-1e-12, -3e-12}, {-250, -2}, {0, 800}, {-900, -1200}};
    for (const auto& p : pairs)
        EXPECT_EQ(LogSum(p[0], p[1]), LogSum(p[1], p[0])) << p[0] << ", " << p[1];
    // Without subtracting the larger value first, exp(800) would overflow.
    EXPECT_EQ(LogSum(0, 800), 800.0);
    EXPECT_EQ(LogSum(800, 0), 800.0);
    EXPECT_EQ(LogSum(-1000, -1000), -1000 + std::log(2.0));
}

TEST(HelpersTest, LogSumReturnsTheLargerValueAtTheCutOff)
{
    EXPECT_EQ(LogSum(-1000, 0), 0.0);
    EXPECT_EQ(LogSum(0, -1000), 0.0);
    EXPECT_EQ(LogSum(-300, 0), 0.0);  // difference exactly -300
    EXPECT_EQ(LogSum(-5, -305), -5.0);
    // Just above the cut-off the formula applies; exp(-299.999) is far below
    // the double precision of 1, so it gives the larger value too.
    EXPECT_EQ(LogSum(-299.999, 0), LogSumByFormula(0, -299.999));
    EXPECT_EQ(LogSum(-30, 0), LogSumByFormula(0, -30));
    EXPECT_GT(LogSum(-30, 0), 0.0);
}

TEST(HelpersTest, LogSumHandlesInfiniteArguments)
{
    EXPECT_EQ(LogSum(-kInf, 0), 0.0);
    EXPECT_EQ(LogSum(-2.5, -kInf), -2.5);
    // Both minus infinity: the difference is not a number, which must fall
    // to the cut-off branch rather than propagate.
    EXPECT_EQ(LogSum(-kInf, -kInf), -kInf);
    EXPECT_EQ(LogSum(kInf, 0), kInf);
    EXPECT_EQ(LogSum(kInf, kInf), kInf);
}

// --- integer and array helpers -------------------------------------------------

TEST(HelpersTest, IntpowMultipliesNTimes)
{
    EXPECT_EQ(intpow(4, 0), 1);
    EXPECT_EQ(intpow(4, -3), 1);
    EXPECT_EQ(intpow(4, 1), 4);
    EXPECT_EQ(intpow(4, 5), 1024);
    EXPECT_EQ(intpow(-3, 3), -27);
    EXPECT_EQ(intpow(0, 2), 0);
    EXPECT_EQ(intpow(0, 0), 1);
}

TEST(HelpersTest, SumAddsTheFirstNEntries)
{
    const int v[] = {5, -2, 7, 100};
    EXPECT_EQ(Sum(v, 3), 10);
    EXPECT_EQ(Sum(v, 1), 5);
    EXPECT_EQ(Sum(v, 0), 0);
}

TEST(HelpersTest, LogGammaIsLogOfFactorialOfNMinusOne)
{
    EXPECT_EQ(logGamma(1), 0.0);
    EXPECT_EQ(logGamma(2), 0.0);
    EXPECT_EQ(logGamma(0), 0.0);
    EXPECT_EQ(logGamma(-4), 0.0);
    EXPECT_EQ(logGamma(3), std::log(2.0));
    EXPECT_EQ(logGamma(4), std::log(2.0) + std::log(3.0));
    EXPECT_NEAR(logGamma(11), std::log(3628800.0), 1e-9);
}

TEST(HelpersTest, MinimumAndMaximumPickTheFirstOnTies)
{
    const int ints[] = {5, 3, 3};
    EXPECT_EQ(Minimum(ints, 3), 1);
    const int ints2[] = {-1, 4, -7, 0, -7};
    EXPECT_EQ(Minimum(ints2, 5), 2);
    const int same[] = {2, 2, 2};
    EXPECT_EQ(Minimum(same, 3), 0);
    EXPECT_EQ(Minimum(ints, 1), 0);

    const double doubles[] = {1.0, 2.0, 2.0};
    EXPECT_EQ(Maximum(doubles, 3), 1);
    const double doubles2[] = {-5.0, -2000.0, -1.5, -1.5, -3.0};
    EXPECT_EQ(Maximum(doubles2, 5), 2);
    const double flat[] = {-2000.0, -2000.0};
    EXPECT_EQ(Maximum(flat, 2), 0);
    EXPECT_EQ(Maximum(doubles, 1), 0);
}
