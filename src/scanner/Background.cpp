#include "scanner/Background.h"

#include <algorithm>
#include <iterator>

#include "support/Bases.h"

namespace {

bool IsN(unsigned char c) { return c == 'N' || c == 'n'; }

bool IsAcgt(unsigned char c) { return c == 'A' || c == 'C' || c == 'G' || c == 'T'; }

int Code(char c) { return kBaseCode[static_cast<unsigned char>(c)]; }

}  // namespace

BACKGROUND BuildBackground(std::string_view seq)
{
    BACKGROUND bg;
    const std::size_t n = seq.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (IsAcgt(static_cast<unsigned char>(seq[i])))
            bg.bgFreq[Code(seq[i])] += 1;
        if (i + 1 < n && seq[i] != 'N' && seq[i + 1] != 'N')
            bg.bgTrans[4 * Code(seq[i]) + Code(seq[i + 1])] += 1;
    }
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
    if (n > 0 && !IsN(static_cast<unsigned char>(seq[0])) && !(bg.bgFreq[Code(seq[0])] > 0))
        return false;
    for (std::size_t i = 1; i < n; ++i) {
        if (IsN(static_cast<unsigned char>(seq[i - 1])) || IsN(static_cast<unsigned char>(seq[i])))
            continue;
        if (!(bg.bgTrans[4 * Code(seq[i - 1]) + Code(seq[i])] > 0))
            return false;
    }
    return true;
}
