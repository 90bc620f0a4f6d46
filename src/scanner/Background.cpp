#include "scanner/Background.h"

#include <algorithm>
#include <iterator>

#include "support/Bases.h"

namespace {

bool IsN(unsigned char c) { return c == 'N' || c == 'n'; }

bool IsAcgt(unsigned char c) { return c == 'A' || c == 'C' || c == 'G' || c == 'T'; }

int Code(unsigned char c) { return kBaseCode[c]; }

}  // namespace

BACKGROUND BuildBackground(std::string_view seq)
{
    // Counted in integers and then turned into doubles: the same values as
    // adding 1.0 each time (counts stay far below 2^53), without a chain of
    // floating-point additions through one memory cell. Counts alternate
    // between two tables so that neighbouring bases rarely wait on the same
    // counter.
    long long freq[2][4] = {};
    long long trans[2][16] = {};
    const auto* s = reinterpret_cast<const unsigned char*>(seq.data());
    const std::size_t n = seq.size();
    // Added, not branched on: the letters of a record follow no pattern a
    // branch predictor could learn.
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t half = i & 1;
        const unsigned char c = s[i];
        freq[half][Code(c)] += IsAcgt(c) ? 1 : 0;
        if (i + 1 < n) {
            const unsigned char d = s[i + 1];
            trans[half][4 * Code(c) + Code(d)] += (c != 'N') & (d != 'N');
        }
    }
    BACKGROUND bg;
    for (int e = 0; e < 4; ++e)
        bg.bgFreq[e] = static_cast<double>(freq[0][e] + freq[1][e]);
    for (int e = 0; e < 16; ++e)
        bg.bgTrans[e] = static_cast<double>(trans[0][e] + trans[1][e]);
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            bg.bgTrans[4 * a + b] = bg.bgFreq[a] > 0 ? bg.bgTrans[4 * a + b] / bg.bgFreq[a] : 0.0;
    double total = 0.0;
    for (int a = 0; a < 4; ++a)
        total += bg.bgFreq[a];
    for (int a = 0; a < 4; ++a)
        bg.bgFreq[a] = total > 0 ? bg.bgFreq[a] / total : 0.0;
    return bg;
}

bool BackgroundScoresEveryBase(std::string_view seq, const BACKGROUND& bg)
{
    // The lookups of the background column: the first base unless it is N,
    // then every adjacent pair without N.
    const std::size_t n = seq.size();
    if (n > 0 && !IsN(static_cast<unsigned char>(seq[0])) && !(bg.bgFreq[Code(static_cast<unsigned char>(seq[0]))] > 0))
        return false;
    for (std::size_t i = 1; i < n; ++i) {
        if (IsN(static_cast<unsigned char>(seq[i - 1])) || IsN(static_cast<unsigned char>(seq[i])))
            continue;
        if (!(bg.bgTrans[4 * Code(static_cast<unsigned char>(seq[i - 1])) + Code(static_cast<unsigned char>(seq[i]))] >
              0))
            return false;
    }
    return true;
}
