#include "scanner/scan/Background.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "support/Bases.h"

namespace {

bool IsN(unsigned char c) { return c == 'N' || c == 'n'; }

bool IsAcgt(unsigned char c) { return c == 'A' || c == 'C' || c == 'G' || c == 'T'; }

int Code(unsigned char c) { return kBaseCode[c]; }

}  // namespace

namespace {

// What counting needs of a byte, in 4 bits: its base code (bits 0-1),
// whether it is A, C, G or T (bit 2), whether it is 'N' (bit 3).
constexpr int kClasses = 16;

std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> classes {};
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        classes[static_cast<std::size_t>(c)] =
            static_cast<unsigned char>(Code(byte) | (IsAcgt(byte) ? 4 : 0) | (byte == 'N' ? 8 : 0));
    }
    return classes;
}

const std::array<unsigned char, 256> kClass = MakeClasses();

}  // namespace

void CBackgroundCounter::Add(std::string_view letters)
{
    // Every adjacent pair is counted by the classes of its two bytes, one
    // table increment per base with no branch (letters follow no pattern a
    // branch predictor could learn); the base and pair counts are summed
    // from the 256 pair counts at the end.
    const auto* s = reinterpret_cast<const unsigned char*>(letters.data());
    const std::size_t n = letters.size();
    if (n == 0)
        return;
    std::size_t i = 0;
    unsigned previous = 0;
    if (m_previous < 0) {
        previous = kClass[s[0]];
        i = 1;
    } else {
        previous = static_cast<unsigned>(m_previous);
    }
    for (; i < n; ++i) {
        const unsigned next = kClass[s[i]];
        ++m_pairs[previous * kClasses + next];
        previous = next;
    }
    m_previous = static_cast<int>(previous);
}

void CBackgroundCounter::EndRecord()
{
    if (m_previous >= 0 && (m_previous & 4))
        ++m_last[m_previous & 3];  // the last base, first of no pair
    m_previous = -1;
}

BACKGROUNDCOUNTS CBackgroundCounter::Counts() const
{
    BACKGROUNDCOUNTS counts;
    for (int e = 0; e < 4; ++e)
        counts.base[e] = m_last[e];
    for (unsigned c = 0; c < kClasses; ++c)
        for (unsigned d = 0; d < kClasses; ++d) {
            const std::int64_t count = m_pairs[c * kClasses + d];
            if (c & 4)
                counts.base[c & 3] += count;
            if (!(c & 8) && !(d & 8))
                counts.pair[4 * (c & 3) + (d & 3)] += count;
        }
    return counts;
}

BACKGROUND BackgroundFromCounts(const BACKGROUNDCOUNTS& counts)
{
    // Counts are whole numbers turned into doubles only here: the same
    // values as adding 1.0 each time (they stay far below 2^53). The
    // transitions are divided by the raw base counts, before the base
    // counts become frequencies.
    BACKGROUND bg;
    for (int e = 0; e < 4; ++e)
        bg.bgFreq[e] = static_cast<double>(counts.base[e]);
    for (int e = 0; e < 16; ++e)
        bg.bgTrans[e] = static_cast<double>(counts.pair[e]);
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

BACKGROUND BuildBackground(std::string_view seq)
{
    CBackgroundCounter counter;
    counter.Add(seq);
    counter.EndRecord();
    return BackgroundFromCounts(counter.Counts());
}

bool BackgroundScoresEveryBase(std::string_view seq, const BACKGROUND& bg)
{
    // The lookups of the background column: the first base unless it is N,
    // then every adjacent pair without N. A model that gives every base and
    // every pair some probability scores every record, and most models do:
    // a chromosome need not be read for it.
    if (std::all_of(std::begin(bg.bgFreq), std::end(bg.bgFreq), [](double p) { return p > 0; }) &&
        std::all_of(std::begin(bg.bgTrans), std::end(bg.bgTrans), [](double p) { return p > 0; }))
        return true;
    const auto* s = reinterpret_cast<const unsigned char*>(seq.data());
    const std::size_t n = seq.size();
    if (n > 0 && !IsN(s[0]) && !(bg.bgFreq[Code(s[0])] > 0))
        return false;
    for (std::size_t i = 1; i < n; ++i) {
        if (IsN(s[i - 1]) || IsN(s[i]))
            continue;
        if (!(bg.bgTrans[4 * Code(s[i - 1]) + Code(s[i])] > 0))
            return false;
    }
    return true;
}
