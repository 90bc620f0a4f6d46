// Every draw is checked against its formula evaluated on rand() values taken
// from the same seed, and the next rand() value after the draw shows how many
// values the draw consumed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "support/LogSum.h"
#include "support/StochasticDistribution.h"

static_assert(RAND_MAX == 2147483647, "the variates assume rand() runs to 2147483647");

namespace {

constexpr unsigned kSeed = 20240611u;

// The first count rand() values after seeding with seed, leaving the
// generator re-seeded with it.
std::vector<int> RandSequence(unsigned seed, int count)
{
    std::srand(seed);
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
        values.push_back(std::rand());
    std::srand(seed);
    return values;
}

double Open(int r) { return (static_cast<double>(r) + 1) / 2147483649.0; }

class StochasticTest : public ::testing::Test {
protected:
    CStochasticDistribution dist;
};

}  // namespace

// --- Uniform ------------------------------------------------------------------

TEST_F(StochasticTest, UniformScalesOneClosedUnitProductFirst)
{
    // (b - a) * r is formed before dividing; over many draws a division
    // first would round differently somewhere.
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const std::vector<int> r = RandSequence(seed, 2);
        const double got = dist.Uniform(-1.3, 2.4);
        ASSERT_EQ(got, -1.3 + ((2.4 - -1.3) * r[0]) / 2147483647.0) << "seed " << seed;
        ASSERT_EQ(std::rand(), r[1]) << "seed " << seed;
    }
}

TEST_F(StochasticTest, UniformWithReversedOrEqualEndsStaysBetweenThem)
{
    const std::vector<int> r = RandSequence(kSeed, 3);
    const double down = dist.Uniform(5.0, 2.0);
    EXPECT_EQ(down, 5.0 + ((2.0 - 5.0) * r[0]) / 2147483647.0);
    EXPECT_GE(down, 2.0);
    EXPECT_LE(down, 5.0);
    EXPECT_EQ(dist.Uniform(7.5, 7.5), 7.5);
    EXPECT_EQ(std::rand(), r[2]);  // the degenerate draw still used rand()
}

TEST_F(StochasticTest, UniformEndpointsOfTheClosedUnit)
{
    // rand() cannot be forced, so the end values are checked on the formula:
    // r = 0 gives a, r = 2147483647 gives b up to the rounding of b - a.
    const double a = 0.1, b = 0.7;
    EXPECT_EQ(a + ((b - a) * 0) / 2147483647.0, a);
    EXPECT_EQ(a + ((b - a) * 2147483647) / 2147483647.0, a + (b - a));
    EXPECT_EQ(3.0 + ((1.0 - 3.0) * 2147483647) / 2147483647.0, 1.0);
}

// --- Normal ---------------------------------------------------------------------

TEST_F(StochasticTest, NormalTakesAngleFromFirstDrawAndRadiusFromSecond)
{
    for (unsigned seed = 1; seed <= 50; ++seed) {
        const std::vector<int> r = RandSequence(seed, 3);
        const double got = dist.Normal(10.0, 2.5);
        const double expected =
            10.0 + (std::cos(6.2831853 * Open(r[0])) * std::sqrt(-2.0 * std::log(Open(r[1])))) * 2.5;
        ASSERT_EQ(got, expected) << "seed " << seed;
        ASSERT_EQ(std::rand(), r[2]) << "seed " << seed;  // exactly two calls
    }
}

TEST_F(StochasticTest, NormalCallsAreIndependent)
{
    const std::vector<int> r = RandSequence(kSeed, 4);
    dist.Normal(0.0, 1.0);
    const double second = dist.Normal(0.0, 1.0);
    EXPECT_EQ(second, std::cos(6.2831853 * Open(r[2])) * std::sqrt(-2.0 * std::log(Open(r[3]))));
}

// --- Beta -------------------------------------------------------------------------

TEST_F(StochasticTest, BetaDrawsAllOfXBeforeY)
{
    const std::vector<int> r = RandSequence(kSeed, 6);
    const double got = dist.Beta(3, 2);
    double x = 0.0;
    for (int i = 0; i < 3; ++i)
        x += std::log(Open(r[static_cast<std::size_t>(i)]));
    double y = 0.0;
    for (int i = 3; i < 5; ++i)
        y += std::log(Open(r[static_cast<std::size_t>(i)]));
    EXPECT_EQ(got, x / (x + y));
    EXPECT_GT(got, 0.0);
    EXPECT_LT(got, 1.0);
    EXPECT_EQ(std::rand(), r[5]);
}

TEST_F(StochasticTest, BetaWithZeroFirstShapeIsNegativeZero)
{
    const std::vector<int> r = RandSequence(kSeed, 3);
    const double got = dist.Beta(0, 2);
    EXPECT_EQ(got, 0.0);
    EXPECT_TRUE(std::signbit(got));
    EXPECT_EQ(std::rand(), r[2]);

    RandSequence(kSeed, 0);
    EXPECT_TRUE(std::signbit(dist.Beta(-4, 2)));
    EXPECT_EQ(std::rand(), r[2]);  // a negative shape draws nothing
}

TEST_F(StochasticTest, BetaWithZeroSecondShapeIsExactlyOne)
{
    const std::vector<int> r = RandSequence(kSeed, 4);
    EXPECT_EQ(dist.Beta(3, 0), 1.0);
    EXPECT_EQ(std::rand(), r[3]);

    RandSequence(kSeed, 0);
    EXPECT_EQ(dist.Beta(1, -7), 1.0);
    EXPECT_EQ(std::rand(), r[1]);
}

// --- Dirichlet -------------------------------------------------------------------

TEST_F(StochasticTest, DirichletDrawsEntriesInOrderAndNormalises)
{
    const int counts[] = {2, 0, -3, 1};
    const std::vector<int> r = RandSequence(kSeed, 4);
    double out[4] = {9, 9, 9, 9};
    dist.Dirichlet(counts, 4, out);

    const double g0 = std::log(Open(r[0])) + std::log(Open(r[1]));
    const double g3 = 0.0 + std::log(Open(r[2]));
    const double total = g0 + 0.0 + 0.0 + g3;
    EXPECT_EQ(out[0], g0 / total);
    EXPECT_EQ(out[1], 0.0);
    EXPECT_EQ(out[2], 0.0);
    EXPECT_EQ(out[3], g3 / total);
    EXPECT_NEAR(out[0] + out[1] + out[2] + out[3], 1.0, 1e-15);
    EXPECT_EQ(std::rand(), r[3]);  // only the positive counts draw
}

TEST_F(StochasticTest, DirichletWithNoEntriesDoesNothing)
{
    const int counts[] = {3};
    const std::vector<int> r = RandSequence(kSeed, 1);
    double out[1] = {42.0};
    dist.Dirichlet(counts, 0, out);
    dist.Dirichlet(counts, -2, out);
    EXPECT_EQ(out[0], 42.0);
    EXPECT_EQ(std::rand(), r[0]);
}

// --- Discrete ----------------------------------------------------------------------

TEST_F(StochasticTest, DiscreteLeavesCumulativeProbabilitiesAndPicksFirstAboveU)
{
    for (unsigned seed = 1; seed <= 100; ++seed) {
        double logw[] = {0.0, 0.0};
        const std::vector<int> r = RandSequence(seed, 2);
        const int got = dist.Discrete(logw, 2);
        ASSERT_EQ(logw[0], 0.5);
        ASSERT_EQ(logw[1], 1.01);
        ASSERT_EQ(got, Open(r[0]) < 0.5 ? 0 : 1) << "seed " << seed;
        ASSERT_EQ(std::rand(), r[1]);  // one call
    }
}

TEST_F(StochasticTest, DiscreteUsesTheRunningLogSum)
{
    const double w[] = {-1.0, -0.2, -3.0, -0.7};
    double logw[] = {w[0], w[1], w[2], w[3]};
    const std::vector<int> r = RandSequence(kSeed, 1);
    const int got = dist.Discrete(logw, 4);

    double run[4] = {w[0], 0, 0, 0};
    for (int k = 1; k < 4; ++k) {
        const double hi = std::max(run[k - 1], w[k]);
        const double lo = std::min(run[k - 1], w[k]);
        run[k] = hi + std::log(std::exp(lo - hi) + 1);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(logw[i], std::exp(run[i] - run[3])) << i;
    EXPECT_EQ(logw[3], 1.01);

    const double u = Open(r[0]);
    int expected = 0;
    while (!(logw[expected] > u))
        ++expected;
    EXPECT_EQ(got, expected);
}

TEST_F(StochasticTest, DiscreteWithOneEntryReturnsIt)
{
    double logw[] = {-123.0};
    const std::vector<int> r = RandSequence(kSeed, 2);
    EXPECT_EQ(dist.Discrete(logw, 1), 0);
    EXPECT_EQ(logw[0], 1.01);
    EXPECT_EQ(std::rand(), r[1]);
}

TEST_F(StochasticTest, DiscreteWithoutEntriesReturnsMinusOneAndChangesNothing)
{
    double logw[] = {-1.0, -2.0};
    EXPECT_EQ(dist.Discrete(logw, 0), -1);
    EXPECT_EQ(dist.Discrete(logw, -1), -1);
    EXPECT_EQ(logw[0], -1.0);
    EXPECT_EQ(logw[1], -2.0);
}

TEST_F(StochasticTest, DiscreteNeverChoosesAWeightFarBelowTheRunningSum)
{
    // -300 below the running sum: the sum is unchanged, so entry 1 gets the
    // same cumulative value as entry 0 and can never be chosen.
    for (unsigned seed = 1; seed <= 200; ++seed) {
        double logw[] = {0.0, -300.0, 0.0};
        std::srand(seed);
        const int got = dist.Discrete(logw, 3);
        ASSERT_EQ(logw[0], 0.5);
        ASSERT_EQ(logw[1], 0.5);
        ASSERT_EQ(logw[2], 1.01);
        ASSERT_NE(got, 1) << "seed " << seed;
    }
}

TEST_F(StochasticTest, DiscreteCutsCumulativeValuesAtMinus300)
{
    // Running sum exactly 300 below the total: probability 0, never chosen.
    for (unsigned seed = 1; seed <= 50; ++seed) {
        double logw[] = {-300.0, 0.0};
        std::srand(seed);
        ASSERT_EQ(dist.Discrete(logw, 2), 1);
        ASSERT_EQ(logw[0], 0.0);
        ASSERT_EQ(logw[1], 1.01);
    }
    // Slightly above the cut-off the tiny probability is kept.
    double logw[] = {-299.5, 0.0};
    dist.Discrete(logw, 2);
    EXPECT_EQ(logw[0], std::exp(-299.5));
    EXPECT_GT(logw[0], 0.0);

    double far[] = {-1000.0, -5.0};
    dist.Discrete(far, 2);
    EXPECT_EQ(far[0], 0.0);
}

TEST_F(StochasticTest, DiscreteClampsNearCertainEntriesTo101)
{
    // e^-30 is below 1e-10: the first entry already holds nearly everything,
    // so it and every entry after it hold 1.01 and the first is always chosen.
    for (unsigned seed = 1; seed <= 50; ++seed) {
        double logw[] = {0.0, -30.0, -30.0, -30.0};
        std::srand(seed);
        ASSERT_EQ(dist.Discrete(logw, 4), 0);
        for (double v : logw)
            ASSERT_EQ(v, 1.01);
    }
    // The threshold is 1 - 1e-10: e^-22.9 lies above 1e-10, e^-23.1 below.
    double kept[] = {0.0, -22.9};
    dist.Discrete(kept, 2);
    EXPECT_EQ(kept[0], std::exp(0.0 - LogSum(0.0, -22.9)));
    EXPECT_LT(kept[0], 0.9999999999);
    double clamped[] = {0.0, -23.1};
    dist.Discrete(clamped, 2);
    EXPECT_EQ(clamped[0], 1.01);
}

TEST_F(StochasticTest, DiscreteNeedsCumulativeValueStrictlyAboveU)
{
    // Weights u and 1 - u put the first cumulative value on u itself
    // whenever the logs round-trip exactly; the first entry must then lose.
    int exactHits = 0;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const double u = Open(RandSequence(seed, 1)[0]);
        double logw[] = {std::log(u), std::log(1 - u)};
        if (std::exp(logw[0] - LogSum(logw[0], logw[1])) != u)
            continue;
        ++exactHits;
        ASSERT_EQ(dist.Discrete(logw, 2), 1) << "seed " << seed;
        ASSERT_EQ(logw[0], u);
    }
    EXPECT_GT(exactHits, 0);
}

TEST_F(StochasticTest, DiscreteWithAllWeightsZeroPicksTheLast)
{
    // Every log-weight minus infinity: the differences are not numbers and
    // count as cut off, and only the forced last entry can be chosen.
    constexpr double kMinusInf = -std::numeric_limits<double>::infinity();
    double logw[] = {kMinusInf, kMinusInf, kMinusInf};
    std::srand(kSeed);
    EXPECT_EQ(dist.Discrete(logw, 3), 2);
    EXPECT_EQ(logw[0], 0.0);
    EXPECT_EQ(logw[1], 0.0);
    EXPECT_EQ(logw[2], 1.01);
}

TEST_F(StochasticTest, FixedSeedGivesFixedDraws)
{
    std::srand(kSeed);
    const double first[] = {dist.Uniform(0, 1), dist.Normal(0, 1), dist.Beta(2, 3)};
    std::srand(kSeed);
    const double again[] = {dist.Uniform(0, 1), dist.Normal(0, 1), dist.Beta(2, 3)};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(first[i], again[i]) << i;
}
