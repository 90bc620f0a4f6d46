// Background model and position score table of the current sequence.
//
// Everything later in the scan reads its site and background scores from the
// table built here, so the table's doubles decide every module and site. Each
// window sum therefore starts at 0.0 and adds the matrix rows k = 0..w-1 in
// order; the logarithms of the matrix entries and of the background
// probabilities are taken once per table, which yields the same doubles as
// taking them per window.
#include "scanner/GibbsDP.h"
#include "scanner/ScanSteps.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace
{

bool IsN(unsigned char c)
{
    return c == 'N' || c == 'n';
}

bool IsAcgt(unsigned char c)
{
    return c == 'A' || c == 'C' || c == 'G' || c == 'T';
}

int BaseCode(unsigned char c)
{
    return kBaseCode[c];
}

// Number of bytes of seq the scanner may read: seqLength, never more than
// the text actually holds.
int ReadableLength(const CGibbsDP& dp)
{
    return std::max(0, std::min(dp.seqLength, dp.seq.GetLength()));
}

}  // namespace

namespace scansteps
{

PositionScorer::PositionScorer(const CGibbsDP& dp, const MatrixSet& pwm)
    : m_motifNum(dp.motifNum), m_bothStrands(dp.bothStrands)
{
    for (int j = 0; j < m_motifNum && static_cast<std::size_t>(j) < dp.motifWidth.size(); ++j) {
        const int w = dp.motifWidth[static_cast<std::size_t>(j)];
        // A matrix that is missing or shorter than its width cannot score
        // anything: its columns stay impossible.
        const std::size_t need = static_cast<std::size_t>(std::max(w, 0)) * 4;
        if (static_cast<std::size_t>(j) >= pwm.size() || pwm[static_cast<std::size_t>(j)].size() < need)
            continue;
        Motif m;
        m.index = j;
        m.width = w;
        m.logs.resize(need);
        for (std::size_t e = 0; e < m.logs.size(); ++e)
            m.logs[e] = std::log(pwm[static_cast<std::size_t>(j)][e]);
        m_widest = std::max(m_widest, w);
        m_scorable.push_back(std::move(m));
    }
    for (int b = 0; b < 4; ++b)
        m_logFreq[b] = std::log(dp.bgFreq[b]);
    for (int e = 0; e < 16; ++e)
        m_logTrans[e] = std::log(dp.bgTrans[e]);
}

namespace
{

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
void SumWindows(const double* logs, int w, const unsigned char* fc, const unsigned char* rc, int rows,
                double* fwdOut, double* revOut, std::size_t cols)
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

using SumWindowsFn = void (*)(const double*, int, const unsigned char*, const unsigned char*, int,
                              double*, double*, std::size_t);

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
    return both ? kKernels<true>[static_cast<std::size_t>(index)]
                : kKernels<false>[static_cast<std::size_t>(index)];
}

}  // namespace

void PositionScorer::ScoreRows(const unsigned char* s, int first, int count, double* out) const
{
    if (count <= 0)
        return;
    const std::size_t cols = 2 * static_cast<std::size_t>(m_motifNum) + 1;
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
        out[static_cast<std::size_t>(t) * cols + 2 * static_cast<std::size_t>(m_motifNum)] = bg;
    }

    auto impossible = [&](int j, int fromRow, int toRow, bool forwardToo) {
        for (int t = fromRow; t < toRow; ++t) {
            double* cell = out + static_cast<std::size_t>(t) * cols + 2 * static_cast<std::size_t>(j);
            if (forwardToo)
                cell[0] = kImpossibleScore;
            cell[1] = kImpossibleScore;
        }
    };
    std::size_t next = 0;  // the next motif in m_scorable
    for (int j = 0; j < m_motifNum; ++j) {
        if (next == m_scorable.size() || m_scorable[next].index != j) {
            impossible(j, 0, count, true);  // no usable matrix
            continue;
        }
        const Motif& m = m_scorable[next++];
        const int w = m.width;
        if (w < 1) {
            // A window of no bases (which the matrix reader does not
            // produce) is an empty sum: 0 on each scored strand.
            for (int t = 0; t < count; ++t) {
                double* cell = out + static_cast<std::size_t>(t) * cols + 2 * static_cast<std::size_t>(j);
                cell[0] = 0.0;
                cell[1] = m_bothStrands ? 0.0 : kImpossibleScore;
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
        Kernel(w, m_bothStrands)(m.logs.data(), w, fwdCode + start, revCode + start + (w - 1),
                                 count - t0, fwdOut, fwdOut + 1, cols);
        if (!m_bothStrands)
            impossible(j, t0, count, false);
        // A window holding an N (the N at q spoils rows q..q+w-1) scores
        // impossible on both strands.
        for (const int q : nPositions)
            impossible(j, std::max(q - first, t0), std::min(q - first + w, count), true);
    }
}

}  // namespace scansteps

// Estimates the first-order background model of seq into bgFreq/bgTrans.
// Counts first (letters other than A, C, G, T add no base count; a pair
// holding an upper-case N is skipped; any other letter in a pair is coded as
// A), then each transition count is divided by the RAW count of its preceding
// base, and only then are the base counts turned into frequencies. Where a
// count or the total is 0 the entry is set to 0 instead of dividing by zero;
// BackgroundScoresEveryBase() tells whether the table would look such an
// entry up.
void CGibbsDP::BuildBackground()
{
    std::fill(std::begin(bgFreq), std::end(bgFreq), 0.0);
    std::fill(std::begin(bgTrans), std::end(bgTrans), 0.0);
    const int n = ReadableLength(*this);
    const auto* s = reinterpret_cast<const unsigned char*>(seq.c_str());
    for (int i = 0; i < n; ++i) {
        if (IsAcgt(s[i]))
            bgFreq[BaseCode(s[i])] += 1;
        if (i < n - 1 && s[i] != 'N' && s[i + 1] != 'N')
            bgTrans[4 * BaseCode(s[i]) + BaseCode(s[i + 1])] += 1;
    }
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            bgTrans[4 * a + b] = bgFreq[a] > 0 ? bgTrans[4 * a + b] / bgFreq[a] : 0.0;
    double total = 0.0;
    for (int a = 0; a < 4; ++a)
        total += bgFreq[a];
    for (int a = 0; a < 4; ++a)
        bgFreq[a] = total > 0 ? bgFreq[a] / total : 0.0;
}

// Walks the lookups CalLogPrPos will make in the background column (the
// first base unless it is N, every adjacent pair without N) and reports
// whether all of them have a positive probability. Only letters coded as A
// while the sequence holds no A (or no A before a pair) can fail this.
bool CGibbsDP::BackgroundScoresEveryBase() const
{
    const int n = ReadableLength(*this);
    const auto* s = reinterpret_cast<const unsigned char*>(seq.c_str());
    if (n > 0 && !IsN(s[0]) && !(bgFreq[BaseCode(s[0])] > 0))
        return false;
    for (int i = 1; i < n; ++i) {
        if (IsN(s[i - 1]) || IsN(s[i]))
            continue;
        if (!(bgTrans[4 * BaseCode(s[i - 1]) + BaseCode(s[i])] > 0))
            return false;
    }
    return true;
}

// Fills the position score table.
//   table  caller-owned, at least rows * (2K + 1) doubles; row i, column c at
//          i * (2K + 1) + c. Columns 2j / 2j + 1: forward / reverse score of
//          motif j for the window ending at i (kImpossibleScore when the
//          window starts before 0, holds N, or for the reverse strand when
//          bothStrands is false); column 2K: background score of base i.
//   rows   number of rows, normally seqLength; rows past the end of seq are
//          not written.
//   pwm    the K matrices, motifWidth[j] rows of 4 probabilities each.
// Reads seq, motifNum, motifWidth, bothStrands, bgFreq, bgTrans (so
// BuildBackground must have run for this sequence).
void CGibbsDP::CalLogPrPos(double* table, int rows, const MatrixSet& pwm)
{
    const int n = std::min(rows, ReadableLength(*this));
    if (n <= 0 || static_cast<int>(motifWidth.size()) < motifNum)
        return;
    const scansteps::PositionScorer scorer(*this, pwm);
    const auto* s = reinterpret_cast<const unsigned char*>(seq.c_str());
    const std::size_t cols = 2 * static_cast<std::size_t>(motifNum) + 1;
    constexpr int kChunk = 4096;  // bounds the scorer's scratch codes
    for (int i = 0; i < n; i += kChunk)
        scorer.ScoreRows(s, i, std::min(kChunk, n - i), table + static_cast<std::size_t>(i) * cols);
}

// Log-likelihood of word under one matrix (row k meets word[k]); no N test.
// The empty word gives 0.
double CGibbsDP::CalLogMotifPr(const CString& word, const double* matrix)
{
    double sum = 0.0;
    for (int k = 0; k < word.GetLength(); ++k)
        sum += std::log(matrix[4 * k + BaseCode(static_cast<unsigned char>(word[k]))]);
    return sum;
}

// Sum of the background column over rows start..start+num-1 of table, in
// increasing row order from 0.0; 0 when num <= 0.
double CGibbsDP::CalLogBgPr(int start, int num, const double* table)
{
    const std::size_t cols = 2 * static_cast<std::size_t>(motifNum) + 1;
    const std::size_t bgCol = 2 * static_cast<std::size_t>(motifNum);
    double sum = 0.0;
    for (int r = start; r < start + num; ++r)
        sum += table[static_cast<std::size_t>(r) * cols + bgCol];
    return sum;
}
