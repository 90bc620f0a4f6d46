#include "scanner/scan/PositionScorer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

#include "support/Bases.h"

namespace {

bool IsN(unsigned char c) { return c == 'N' || c == 'n'; }

int BaseCode(unsigned char c) { return kBaseCode[c]; }

}  // namespace

PositionScorer::PositionScorer(const SCANMODEL& model, const BACKGROUND& background) : m_model(model)
{
    for (std::size_t j = 0; j < model.motifCount; ++j)
        if (model.usable[j])
            m_widest = std::max(m_widest, model.widths[j]);
    for (int b = 0; b < 4; ++b)
        m_logFreq[b] = std::log(background.bgFreq[b]);
    for (int e = 0; e < 16; ++e)
        m_logTrans[e] = std::log(background.bgTrans[e]);
}

namespace {

// Window sums of one motif for `rows` consecutive positions. fc points at
// the first base code of the first position's window (the next position's
// window starts one further on), rc at the complement code of that window's
// last base. Row t's forward sum goes to fwdOut[t * cols], its reverse sum
// (when kBoth) to revOut[t * cols]. Every sum starts at 0.0 and adds matrix
// rows k = 0..w-1 in order; four positions are summed side by side only so
// that eight independent additions are in flight instead of two.
//
// kWidth > 0 fixes the width at compile time: the loop over the matrix rows
// is then unrolled whole, every matrix row is a constant offset, and each
// base code is loaded once for the four windows that share it, which more
// than halves the instructions per row. kWidth = 0 takes the width from w.
template <int kWidth, bool kBoth>
void SumWindows(const double* logs, int w, const unsigned char* fc, const unsigned char* rc, int rows, double* fwdOut,
                double* revOut, std::size_t cols)
{
    const int width = kWidth > 0 ? kWidth : w;
    int t = 0;
    for (; t + 4 <= rows; t += 4) {
        const unsigned char* f = fc + t;
        const unsigned char* r = rc + t;
        double f0 = 0.0, f1 = 0.0, f2 = 0.0, f3 = 0.0;
        double r0 = 0.0, r1 = 0.0, r2 = 0.0, r3 = 0.0;
#pragma GCC unroll 32
        for (int k = 0; k < width; ++k) {
            const double* row = logs + 4 * static_cast<std::ptrdiff_t>(k);
            f0 += row[f[k]];
            f1 += row[f[k + 1]];
            f2 += row[f[k + 2]];
            f3 += row[f[k + 3]];
            if constexpr (kBoth) {
                r0 += row[r[-k]];
                r1 += row[r[1 - k]];
                r2 += row[r[2 - k]];
                r3 += row[r[3 - k]];
            }
        }
        double* out = fwdOut + static_cast<std::size_t>(t) * cols;
        out[0] = f0;
        out[cols] = f1;
        out[2 * cols] = f2;
        out[3 * cols] = f3;
        if constexpr (kBoth) {
            out = revOut + static_cast<std::size_t>(t) * cols;
            out[0] = r0;
            out[cols] = r1;
            out[2 * cols] = r2;
            out[3 * cols] = r3;
        }
    }
    for (; t < rows; ++t) {
        double fsum = 0.0;
        double rsum = 0.0;
        for (int k = 0; k < width; ++k) {
            const double* row = logs + 4 * static_cast<std::ptrdiff_t>(k);
            fsum += row[fc[t + k]];
            if constexpr (kBoth)
                rsum += row[rc[t - k]];
        }
        fwdOut[static_cast<std::size_t>(t) * cols] = fsum;
        if constexpr (kBoth)
            revOut[static_cast<std::size_t>(t) * cols] = rsum;
    }
}

using SumWindowsFn = void (*)(const double*, int, const unsigned char*, const unsigned char*, int, double*, double*,
                              std::size_t);

// Widths up to this get a kernel of their own; wider motifs (rare) use the
// general one.
constexpr int kFixedWidths = 24;

template <bool kBoth, int... kWidths>
constexpr std::array<SumWindowsFn, sizeof...(kWidths)> MakeKernels(std::integer_sequence<int, kWidths...>)
{
    return {&SumWindows<kWidths, kBoth>...};
}

// kernels[w] sums windows of width w (entry 0: any width).
template <bool kBoth>
constexpr auto kKernels = MakeKernels<kBoth>(std::make_integer_sequence<int, kFixedWidths + 1>());

SumWindowsFn Kernel(int w, bool both)
{
    const int index = w <= kFixedWidths ? w : 0;
    return both ? kKernels<true>[static_cast<std::size_t>(index)] : kKernels<false>[static_cast<std::size_t>(index)];
}

}  // namespace

void PositionScorer::ScoreRows(const unsigned char* s, int first, int count, double* out) const
{
    if (count <= 0)
        return;
    const std::size_t cols = m_model.columns;
    // Base codes of the stretch and of the widest window's reach before it,
    // looked up once per base instead of once per base, motif and strand;
    // and the N positions there, which decide the impossible windows.
    const int from = std::max(0, first - m_widest + 1);
    const auto span = static_cast<std::size_t>(first + count - from);
    std::vector<unsigned char> codes(2 * span);
    unsigned char* fwdCode = codes.data();
    unsigned char* revCode = codes.data() + span;
    std::vector<int> nPositions;
    for (std::size_t q = 0; q < span; ++q) {
        const unsigned char c = s[static_cast<std::size_t>(from) + q];
        fwdCode[q] = kBaseCode[c];
        revCode[q] = kComplementCode[c];
        if (IsN(c))
            nPositions.push_back(from + static_cast<int>(q));
    }

    // Background column: the base's frequency at 0, the transition from the
    // base before it elsewhere, the fixed score where either is an N.
    for (int t = 0; t < count; ++t) {
        const int i = first + t;
        double bg;
        if (i == 0)
            bg = IsN(s[0]) ? kBackgroundAtN : m_logFreq[BaseCode(s[0])];
        else if (IsN(s[i - 1]) || IsN(s[i]))
            bg = kBackgroundAtN;
        else
            bg = m_logTrans[4 * BaseCode(s[i - 1]) + BaseCode(s[i])];
        out[static_cast<std::size_t>(t) * cols + m_model.bgColumn] = bg;
    }

    auto impossible = [&](int j, int fromRow, int toRow, bool forwardToo) {
        for (int t = fromRow; t < toRow; ++t) {
            double* cell = out + static_cast<std::size_t>(t) * cols + 2 * static_cast<std::size_t>(j);
            if (forwardToo)
                cell[0] = kImpossibleScore;
            cell[1] = kImpossibleScore;
        }
    };
    const bool both = m_model.bothStrands;
    for (int j = 0; j < m_model.motifNum; ++j) {
        const std::vector<double>& logs = m_model.logMatrices[static_cast<std::size_t>(j)];
        if (!m_model.usable[static_cast<std::size_t>(j)]) {
            impossible(j, 0, count, true);  // no usable matrix
            continue;
        }
        const int w = m_model.widths[static_cast<std::size_t>(j)];
        if (w < 1) {
            // A window of no bases (which the matrix reader does not
            // produce) is an empty sum: 0 on each scored strand.
            for (int t = 0; t < count; ++t) {
                double* cell = out + static_cast<std::size_t>(t) * cols + 2 * static_cast<std::size_t>(j);
                cell[0] = 0.0;
                cell[1] = both ? 0.0 : kImpossibleScore;
            }
            continue;
        }
        // Rows before t0 have no full window.
        const int t0 = std::min(count, std::max(0, w - 1 - first));
        impossible(j, 0, t0, true);
        if (t0 == count)
            continue;
        // Code index of the window start of row t0 (and of its last base).
        const auto start = static_cast<std::size_t>(first + t0 - w + 1 - from);
        double* fwdOut = out + static_cast<std::size_t>(t0) * cols + 2 * static_cast<std::size_t>(j);
        Kernel(w, both)(logs.data(), w, fwdCode + start, revCode + start + (w - 1), count - t0, fwdOut, fwdOut + 1,
                        cols);
        if (!both)
            impossible(j, t0, count, false);
        // A window holding an N (the N at q spoils rows q..q+w-1) scores
        // impossible on both strands.
        for (const int q : nPositions)
            impossible(j, std::max(q - first, t0), std::min(q - first + w, count), true);
    }
}
