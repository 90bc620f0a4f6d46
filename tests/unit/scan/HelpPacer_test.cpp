// The pacer on a simulated clock: a scan whose speed with help and alone
// is set by the row, changing once half-way through. The pacer must end up
// with the faster way and lose little time finding it out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "scanner/scan/HelpPacer.h"

namespace {

struct Row {
    const char* name;
    double helpedFirst;   // bases per second with help, alone being 1e7, in the first half
    double firstSeconds;  // how long the first half lasts
    double helpedThen;    // bases per second with help in the second half, of 20 s
    double mostLost;      // the time lost against always the faster way, as a fraction
};

const Row kRows[] = {
    {"help pays (idle machine)", 1.33e7, 20, 1.33e7, 0.03},
    {"help costs (busy neighbour)", 0.77e7, 20, 0.77e7, 0.03},
    {"help within the margin: alone", 1.01e7, 20, 1.01e7, 0.03},
    {"a neighbour comes", 1.33e7, 20, 0.77e7, 0.05},
    {"a neighbour goes", 0.77e7, 20, 1.33e7, 0.05},
    // While the holds are short, help that slows down is tried against the
    // scan alone at once.
    {"a neighbour comes early", 1.33e7, 0.5, 0.77e7, 0.03},
};

TEST(HelpPacerTest, FindsTheFasterWay)
{
    using Clock = CHelpPacer::Clock;
    constexpr long long kBlock = 4096;
    constexpr double kAlone = 1e7;
    for (const Row& row : kRows) {
        CHelpPacer pacer;
        Clock::time_point now {};
        double spent = 0.0;
        double best = 0.0;
        // Blocks the helper scored ahead before a change still come, and
        // after one the helper needs a block or two to get ahead.
        int sinceChange = 10;
        bool helping = true;
        for (int half = 0; half < 2; ++half) {
            const double helpedRate = half == 0 ? row.helpedFirst : row.helpedThen;
            const double seconds = half == 0 ? row.firstSeconds : 20.0;
            const bool faster = helpedRate > kAlone * 1.03;
            double settled = 0.0;  // seconds of the half after the longest hold and a measurement
            double right = 0.0;    // of them, with the faster way
            for (double t = 0.0; t < seconds;) {
                const bool helped = helping ? sinceChange >= 2 : sinceChange < 3;
                const double took = static_cast<double>(kBlock) / (helped ? helpedRate : kAlone);
                t += took;
                spent += took;
                if (t > 4.0) {
                    settled += took;
                    right += helping == faster ? took : 0.0;
                }
                best += static_cast<double>(kBlock) / std::max(helpedRate, kAlone);
                now += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(took));
                const bool next = pacer.Block(now, kBlock, helped);
                sinceChange = next == helping ? sinceChange + 1 : 0;
                helping = next;
            }
            // Trying the other way now and then is all that is not the faster.
            EXPECT_GE(settled > 0 ? right / settled : 1.0, 0.97) << row.name << ", half " << half;
        }
        EXPECT_LE(spent / best - 1.0, row.mostLost) << row.name;
    }
}

}  // namespace
