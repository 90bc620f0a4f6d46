// Background model and position score table of the current sequence.
//
// Everything later in the scan reads its site and background scores from the
// table built here, so the table's doubles decide every module and site. Each
// window sum therefore starts at 0.0 and adds the matrix rows k = 0..w-1 in
// order; the logarithms of the matrix entries and of the background
// probabilities are taken once per table, which yields the same doubles as
// taking them per window.
#include "scanner/GibbsDP.h"

#include <algorithm>
#include <cstddef>

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

// The per-row scoring state of one table: the logarithms of the K matrices
// and of the background model. Built once per CalLogPrPos call; ScoreRow then
// fills one row from sequence bytes alone, so a caller that holds only a
// block of the sequence (plus the widest motif's worth of bytes before it)
// can produce the same rows.
class PositionScorer
{
public:
    PositionScorer(const CGibbsDP& dp, const MatrixSet& pwm)
        : m_motifNum(dp.motifNum), m_bothStrands(dp.bothStrands), m_width(dp.motifWidth)
    {
        m_logPwm.resize(static_cast<std::size_t>(m_motifNum));
        for (int j = 0; j < m_motifNum; ++j) {
            const int w = m_width[static_cast<std::size_t>(j)];
            const auto need = static_cast<std::size_t>(std::max(w, 0)) * 4;
            // A matrix that is missing or shorter than its width cannot score
            // anything: its columns stay impossible (m_logPwm[j] left empty).
            if (static_cast<std::size_t>(j) >= pwm.size() ||
                pwm[static_cast<std::size_t>(j)].size() < need)
                continue;
            std::vector<double>& logs = m_logPwm[static_cast<std::size_t>(j)];
            logs.resize(need);
            for (std::size_t e = 0; e < need; ++e)
                logs[e] = std::log(pwm[static_cast<std::size_t>(j)][e]);
            m_scorable.push_back(j);
        }
        for (int b = 0; b < 4; ++b)
            m_logFreq[b] = std::log(dp.bgFreq[b]);
        for (int e = 0; e < 16; ++e)
            m_logTrans[e] = std::log(dp.bgTrans[e]);
    }

    // Fills the 2K + 1 doubles of row i.
    //   s      sequence bytes; s[i - w + 1 .. i] must be readable for every
    //          motif whose window fits (i >= w - 1), and s[i - 1] when i > 0.
    //   i      0-based position of the row (decides the window-fits test and
    //          whether the background uses the frequency or a transition).
    //   lastN  position of the last 'N'/'n' at or before i, -1 for none.
    //   row    output, 2K + 1 doubles, all overwritten.
    void ScoreRow(const unsigned char* s, int i, int lastN, double* row) const
    {
        for (int j = 0; j < m_motifNum; ++j) {
            double* cell = row + 2 * j;
            cell[0] = kImpossibleScore;
            cell[1] = kImpossibleScore;
        }
        for (const int j : m_scorable) {
            const int w = m_width[static_cast<std::size_t>(j)];
            // No full window yet, or the window i-w+1..i holds an N.
            if (i < w - 1 || lastN > i - w)
                continue;
            const double* logs = m_logPwm[static_cast<std::size_t>(j)].data();
            const unsigned char* first = s + (i - w + 1);
            double fwd = 0.0;
            for (int k = 0; k < w; ++k)
                fwd += logs[4 * k + BaseCode(first[k])];
            row[2 * j] = fwd;
            if (m_bothStrands) {
                // Matrix row k meets the complement of the window's k-th
                // base from the right, i.e. the reverse complement.
                double rev = 0.0;
                for (int k = 0; k < w; ++k)
                    rev += logs[4 * k + kComplementCode[s[i - k]]];
                row[2 * j + 1] = rev;
            }
        }
        double bg;
        if (i == 0)
            bg = IsN(s[0]) ? kBackgroundAtN : m_logFreq[BaseCode(s[0])];
        else if (IsN(s[i - 1]) || IsN(s[i]))
            bg = kBackgroundAtN;
        else
            bg = m_logTrans[4 * BaseCode(s[i - 1]) + BaseCode(s[i])];
        row[2 * m_motifNum] = bg;
    }

private:
    int m_motifNum;
    bool m_bothStrands;
    const std::vector<int>& m_width;
    std::vector<std::vector<double>> m_logPwm;  // [j][4 * k + b] = log pwm[j][4 * k + b]
    std::vector<int> m_scorable;                // motifs with a usable matrix, ascending
    double m_logFreq[4] = {};
    double m_logTrans[16] = {};
};

}  // namespace

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
    const PositionScorer scorer(*this, pwm);
    const auto* s = reinterpret_cast<const unsigned char*>(seq.c_str());
    const auto cols = static_cast<std::size_t>(2 * motifNum + 1);
    int lastN = -1;
    for (int i = 0; i < n; ++i) {
        if (IsN(s[i]))
            lastN = i;
        scorer.ScoreRow(s, i, lastN, table + static_cast<std::size_t>(i) * cols);
    }
}

// Log-likelihood of word under one matrix (row k meets word[k]); no N test.
// The empty word gives 0.
double CGibbsDP::CalLogMotifPr(CString word, const double* matrix)
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
    const auto cols = static_cast<std::size_t>(2 * motifNum + 1);
    const auto bgCol = static_cast<std::size_t>(2 * motifNum);
    double sum = 0.0;
    for (int r = start; r < start + num; ++r)
        sum += table[static_cast<std::size_t>(r) * cols + bgCol];
    return sum;
}
