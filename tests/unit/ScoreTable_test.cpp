#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/ReferenceScan.h"
#include "support/Bases.h"
#include "support/MyString.h"
#include "support/NumericHelpers.h"

namespace {

// A record's background model, and its table under pwm.
struct Table {
    CString seq;
    SCANMODEL model;
    BACKGROUND bg;
    std::vector<double> cells;
    int cols = 0;
    Table(const char* text, const std::vector<int>& widths, const MatrixSet& pwm, bool both)
        : seq(text), model(MakeScanModel(widths, pwm, 200, both, 0.5)), bg(BuildBackground(text))
    {
        cols = 2 * model.motifNum + 1;
        cells = CalLogPrPos(model, text, bg);
    }
    double At(int row, int col) const { return cells[static_cast<std::size_t>(row * cols + col)]; }
};

const Matrix kAc = {0.7, 0.1, 0.1, 0.1, 0.1, 0.7, 0.1, 0.1};
const MatrixSet kAcMatrix = {kAc};

// Literal per-window sum, started at 0.0, rows k = 0..w-1.
double WordScore(std::string_view word, const Matrix& m)
{
    double sum = 0.0;
    for (std::size_t k = 0; k < word.size(); ++k)
        sum += std::log(m[static_cast<std::size_t>(4 * k + kBaseCode[static_cast<unsigned char>(word[k])])]);
    return sum;
}

}  // namespace

TEST(ScoreTableTest, AcngtTableOnBothStrandsAndForwardOnly)
{
    const double lp7 = WordScore("AC", kAc);  // (0.0 + ln 0.7) + ln 0.7
    const double lp1 = WordScore("GT", kAc);  // (0.0 + ln 0.1) + ln 0.1
    Table t("ACNGT", {2}, kAcMatrix, true);
    const std::vector<std::vector<double>> expected = {
        {-2000.0, -2000.0, std::log(0.25)}, {lp7, lp1, 0.0}, {-2000.0, -2000.0, -1.386},
        {-2000.0, -2000.0, -1.386},         {lp1, lp7, 0.0},
    };
    const Table fwd("ACNGT", {2}, kAcMatrix, false);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(t.At(r, c), expected[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) << r << c;
        EXPECT_EQ(fwd.At(r, 0), t.At(r, 0));
        EXPECT_EQ(fwd.At(r, 1), -2000.0);
        EXPECT_EQ(fwd.At(r, 2), t.At(r, 2));
    }
    EXPECT_EQ(CalLogBgPr(t.model, 0, 3, t.cells.data()), ((0.0 + std::log(0.25)) + 0.0) + -1.386);
    EXPECT_EQ(CalLogBgPr(t.model, 2, 0, t.cells.data()), 0.0);
    EXPECT_EQ(CalLogMotifPr("GT", kAc.data()), t.At(4, 0));
    EXPECT_EQ(CalLogMotifPr("", kAc.data()), 0.0);
}

TEST(ScoreTableTest, StrandsAmbiguityLettersAndShortSequences)
{
    const Table palindrome("ACGT", {4},
                           {{0.1, 0.2, 0.3, 0.4, 0.4, 0.3, 0.2, 0.1, 0.25, 0.25, 0.4, 0.1, 0.6, 0.2, 0.1, 0.1}}, true);
    EXPECT_EQ(palindrome.At(3, 0), palindrome.At(3, 1));

    const Table r("GR", {2}, kAcMatrix, true);  // forward GA; reverse YC scores as AC
    EXPECT_EQ(r.At(1, 0), WordScore("GA", kAc));
    EXPECT_EQ(r.At(1, 1), WordScore("AC", kAc));

    const Table leadingN("NACT", {2}, kAcMatrix, true);
    EXPECT_EQ(leadingN.At(0, 2), -1.386);
    EXPECT_EQ(leadingN.At(1, 2), -1.386);
    EXPECT_EQ(leadingN.At(1, 0), -2000.0);
    EXPECT_EQ(leadingN.At(2, 0), WordScore("AC", kAc));

    const Table allN("NNNN", {2}, kAcMatrix, true);  // scorable: only the N score is looked up
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(allN.At(i, 2), -1.386);

    const Table narrow("ACG", {4, 5}, {Matrix(16, 0.25), Matrix(20, 0.25)}, true);
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(narrow.At(i, c), -2000.0);
        EXPECT_TRUE(std::isfinite(narrow.At(i, 4)));
    }
}

// Every cell equals the table read literally: windows cut with Mid, N found
// with Find, the reverse strand scored from Reverse(window), logs per entry.
TEST(ScoreTableTest, MatchesLiteralReadingBitForBit)
{
    std::mt19937 gen(7);
    const char letters[] = "ACGTACGTACGTACGTNRYSW";
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += letters[gen() % 21];
    text.replace(100, 9, "NNNNNNNNN");
    std::uniform_real_distribution<double> u(0.01, 1.0);
    const std::vector<int> widths = {3, 7, 1};
    MatrixSet pwm;
    for (int w : widths) {
        pwm.emplace_back();
        for (int e = 0; e < 4 * w; ++e)
            pwm.back().push_back(u(gen));
    }
    for (const bool both : {true, false}) {
        const Table t(text.c_str(), widths, pwm, both);
        for (int i = 0; i < t.seq.GetLength(); ++i) {
            for (int j = 0; j < 3; ++j) {
                const int w = widths[static_cast<std::size_t>(j)];
                double f = -2000.0;
                double r = -2000.0;
                if (i >= w - 1) {
                    const CString win = t.seq.Mid(i - w + 1, w);
                    if (win.Find("N") < 0 && win.Find("n") < 0) {
                        f = WordScore(win.view(), pwm[static_cast<std::size_t>(j)]);
                        r = both ? WordScore(Reverse(win.view()), pwm[static_cast<std::size_t>(j)]) : -2000.0;
                    }
                }
                ASSERT_EQ(t.At(i, 2 * j), f) << i << " " << j;
                ASSERT_EQ(t.At(i, 2 * j + 1), r) << i << " " << j;
            }
            const CString pair = i == 0 ? t.seq.Mid(0, 1) : t.seq.Mid(i - 1, 2);
            double bg = -1.386;
            if (pair.Find("N") < 0 && pair.Find("n") < 0)
                bg = i == 0 ? std::log(t.bg.bgFreq[WordCode(pair.view())])
                            : std::log(t.bg.bgTrans[WordCode(pair.view())]);
            ASSERT_EQ(t.At(i, 6), bg) << i;
        }
    }
}
