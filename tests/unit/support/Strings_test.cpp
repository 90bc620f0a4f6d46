// The support library's text and number helpers: CString's clamping text
// operations, CTextBuilder, message quoting, base codes, the log-space sum,
// the small integer helpers and the seeded random variates.
//
// Most checks are rows ROW(call, expected): the call's result, shown by
// Show, must be the expected text; a failure names the call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <tuple>
#include <vector>

#include "support/Bases.h"
#include "support/LogSum.h"
#include "support/Messages.h"
#include "support/MyString.h"
#include "support/NumericHelpers.h"
#include "support/StochasticDistribution.h"

namespace {

// Doubles exactly, as hexadecimal literals (-0 shows as -0x0p+0).
template <class T>
std::string Show(const T& value)
{
    std::ostringstream out;
    out << std::hexfloat << value;
    return out.str();
}
std::string Show(const std::vector<double>& values)
{
    std::string text;
    for (const double v : values)
        text += (text.empty() ? "" : " ") + Show(v);
    return text;
}
// The text, or what is wrong with it: c_str() must end where the length says.
std::string Show(const CString& s)
{
    const bool ends = std::strlen(s.c_str()) == static_cast<std::size_t>(s.GetLength());
    return ends ? s.str() : "length " + std::to_string(s.GetLength()) + " but c_str() '" + s.c_str() + "'";
}

using Row = std::tuple<const char*, std::string, std::string>;
#define ROW(call, expected) Row(#call, Show(call), expected)
void Check(const std::vector<Row>& rows)
{
    for (const auto& [call, got, expected] : rows)
        EXPECT_EQ(got, expected) << call;
}

CString SetAt(CString s, int i, char c) { return s.SetAt(i, c), s; }
// The index Discrete picks, then the array it leaves.
std::string Discrete(CStochasticDistribution& d, std::vector<double> logw, int n)
{
    const double i = d.Discrete(logw.data(), n);
    return Show(i) + " " + Show(logw);
}
std::vector<double> Dirichlet(CStochasticDistribution& d, const std::vector<int>& counts, int n)
{
    std::vector<double> out(counts.size(), 9.0);
    d.Dirichlet(counts.data(), n, out.data());
    return out;
}
}  // namespace

TEST(SupportTest, CStringClampsTheBuilderGrowsHelpersAndSeededDrawsGiveExactValues)
{
    const CString acgt("ACGT"), anna("ANNA"), empty;
    // clang-format off
    Check({ROW(acgt.Mid(1, 2), "CG"), ROW(acgt.Mid(-3, 2), "AC"), ROW(acgt.Mid(9, 1), "T"), ROW(acgt.Mid(4, 1), "T"),
        ROW(acgt.Mid(3, 2), "ACGT"), ROW(acgt.Mid(9, 2), "ACGT"), ROW(acgt.Mid(2, 2), "GT"), ROW(acgt.Mid(2, 0), ""),
        ROW(empty.Mid(0, 2), ""), ROW(acgt.Left(9), "ACGT"), ROW(acgt.Left(3), "ACG"), ROW(acgt.Left(-1), ""),
        ROW(acgt.Right(9), "ACGT"), ROW(acgt.Right(3), "CGT"), ROW(acgt.Right(0), ""), ROW(SetAt(acgt, 0, 'x'), "xCGT"),
        ROW(SetAt(acgt, 3, 'y'), "ACGy"), ROW(SetAt(acgt, 4, 'x'), "ACGT"), ROW(SetAt(acgt, -1, 'x'), "ACGT"),
        ROW(SetAt(empty, 0, 'x'), ""), ROW(anna.Find("A"), "0"), ROW(anna.Find(CString("A")), "0"),
        ROW(anna.Find("N"), "1"), ROW(anna.Find(CString("A"), 1), "3"), ROW(anna.Find("N", 2), "2"),
        ROW(anna.Find("N", 3), "-1"), ROW(anna.Find("NA"), "2"), ROW(anna.Find("ANNA"), "0"), ROW(acgt.Find("GT"), "2"),
        ROW(acgt.Find("GT", 3), "-1"), ROW(acgt.Find("A", 9), "-1"), ROW(acgt.Find(""), "0"),
        ROW(empty.Find("A"), "-1"), ROW(empty + "", ""), ROW(CString("AB") + CString("CDE"), "ABCDE"),
        ROW(CString("AB") + "CDE", "ABCDE"), ROW(empty + "AC", "AC"), ROW(CString("ACG") == CString("ACG"), "1"),
        ROW(CString("ACG") == CString("ACT"), "0"), ROW(CString("ACG") == CString("AC"), "0"),
        ROW(CString("AC") == CString("ACG"), "0"), ROW(empty == CString(""), "1"), ROW(CString('G'), "G"),
        ROW((CString("A") + CString('\0') + "C").GetLength(), "3")});  // the length is stored, not looked for
    // clang-format on

    // The builder grows, and hands its text over.
    CTextBuilder b;
    std::string want;
    for (int i = 0; i < 5000; ++i)
        want += *b.Extend(1) = "ACGT"[i % 4];
    std::memset(b.Extend(10000), 'N', 10000);  // more than one doubling at once
    EXPECT_EQ(b.Extend(CTextBuilder::kMaxLength), nullptr);
    const CString taken = b.Take();
    *b.Extend(1) = 'G';
    b.Clear();
    Check({ROW(taken, want + std::string(10000, 'N')), ROW(b.size(), "0"), ROW(CTextBuilder().Take(), "")});

    // Message quoting, bases, the log-space sum and the integer helpers.
    const std::string sixty(60, 'a');
    const int ints[] = {-1, 4, -7, 0, -7}, same[] = {2, 2, 2};
    const double doubles[] = {-5.0, -2000.0, -1.5, -1.5, -3.0};
    // clang-format off
    Check({ROW(QuoteForMessage("abc"), "'abc'"), ROW(QuoteForMessage("a\rb\tc\n"), "'a\\rb\\tc\\x0a'"),
        ROW(QuoteForMessage(std::string("\0\x01\x1f\x7f ~", 6)), "'\\x00\\x01\\x1f\\x7f ~'"),
        ROW(QuoteForMessage("\xc3\xa9"), "'\xc3\xa9'"), ROW(QuoteForMessage(sixty), "'" + sixty + "'"),
        ROW(QuoteForMessage(sixty + "\r"), "'" + sixty + "...'"), ROW(QuotePath(sixty + "\r"), "'" + sixty + "\r'"),
        ROW(Reverse("AACGTN"), "NACGTT"), ROW(Reverse("RYSW"), "WSRY"), ROW(Reverse("acgt"), "tgca"),
        ROW(WordCode("T"), "3"), ROW(WordCode("GA"), "8"), ROW(WordCode("AG"), "2"), ROW(WordCode("ACGT"), "27"),
        ROW(WordCode(""), "0"), ROW(WordCode("CN"), "4"), ROW(WordCode("tc"), "0"),
        ROW(LogSum(0, 0), "0x1.62e42fefa39efp-1"), ROW(LogSum(-30, 0), "0x1.a4ffffffffea6p-44"),
        ROW(LogSum(0, -30), "0x1.a4ffffffffea6p-44"), ROW(LogSum(0, 800), "0x1.9p+9"),
        ROW(LogSum(-5, -305), "-0x1.4p+2"), ROW(LogSum(-INFINITY, -INFINITY), "-inf"), ROW(intpow(4, 0), "1"),
        ROW(intpow(4, -3), "1"), ROW(intpow(4, 1), "4"), ROW(intpow(4, 5), "1024"), ROW(intpow(-3, 3), "-27"),
        ROW(logGamma(2), "0x0p+0"), ROW(logGamma(-4), "0x0p+0"), ROW(logGamma(3), "0x1.62e42fefa39efp-1"),
        ROW(logGamma(11), "0x1.e357590954d16p+3"), ROW(Sum(ints, 3), "-4"), ROW(Sum(ints, 1), "-1"),
        ROW(Sum(ints, 0), "0"), ROW(Minimum(ints, 5), "2"), ROW(Minimum(same, 3), "0"), ROW(Minimum(ints + 1, 1), "0"),
        ROW(Maximum(doubles, 5), "2"), ROW(Maximum(doubles, 2), "0"), ROW(Maximum(doubles + 1, 1), "0")});
    // clang-format on

    // Seeded draws, and how many rand() values each uses.
    // Seed, rand() values the draw must use, the draw, its values (k: 1.01, what Discrete leaves beyond every u).
    using Draw = std::tuple<unsigned, int, const char*, std::string (*)(CStochasticDistribution&), std::vector<double>>;
    // clang-format off
#define DRAW(seed, calls, draw, ...) \
    Draw(seed, calls, #draw, [](CStochasticDistribution& d) { return Show(draw); }, std::vector<double> {__VA_ARGS__})
    constexpr unsigned s = 20240611u;
    constexpr double k = 0x1.028f5c28f5c29p+0;
    const Draw rows[] = {DRAW(s, 1, d.Uniform(-1.3, 2.4), 0x1.b49e3f8e9c6fdp+0),
        DRAW(s, 1, d.Uniform(5, 2), 0x1.4812df509025cp+1), DRAW(s, 5, d.Beta(3, 2), 0x1.85855d1442c21p-2),
        DRAW(s, 4, (std::vector {d.Normal(10, 2.5), d.Normal(0, 1)}), 0x1.64a814404d7a2p+3, -0x1.59a2f7aab9e19p+0),
        DRAW(s, 2, d.Beta(0, 2), -0.0), DRAW(s, 3, d.Beta(3, 0), 1), DRAW(s, 0, Dirichlet(d, {3}, 0), 9),
        DRAW(s, 3, Dirichlet(d, {2, 0, -3, 1}, 4), 0x1.1438c70899cf1p-1, -0.0, -0.0, 0x1.d78e71eecc61ep-2),
        DRAW(s, 1, Discrete(d, {0, 0}, 2), 1, 0.5, k), DRAW(s, 1, Discrete(d, {-123}, 1), 0, k),
        DRAW(s, 1, Discrete(d, {-1.0, -0.2, -3.0, -0.7}, 4), 3, 0x1.b2c06e9b158c8p-3, 0x1.5e93cc9820378p-1,
             0x1.6d4961faecdedp-1, k),
        DRAW(s, 0, Discrete(d, {-1, -2}, 0), -1, -1, -2), DRAW(s, 1, Discrete(d, {0, -300, 0}, 3), 2, 0.5, 0.5, k),
        DRAW(s, 1, Discrete(d, {-300, 0}, 2), 1, 0, k), DRAW(s, 1, Discrete(d, {-INFINITY, -INFINITY}, 2), 1, 0, k),
        DRAW(s, 1, Discrete(d, {-299.5, 0}, 2), 1, 0x1.e1fb5fddb3799p-433, k),
        DRAW(s, 1, Discrete(d, {0, -30, -30, -30}, 4), 0, k, k, k, k), DRAW(s, 1, Discrete(d, {0, -23.1}, 2), 0, k, k),
        DRAW(s, 1, Discrete(d, {0, -22.9}, 2), 0, 0x1.ffffffff069b2p-1, k),
        // Seed 2's u is exactly the first cumulative value: it must lose.
        DRAW(2, 1, Discrete(d, {-0x1.6bcecf352b4d6p-2, -0x1.350d335c880e3p+0}, 2), 1, 0x1.66e65fe932334p-1, k)};
    // clang-format on
    for (const auto& [seed, calls, call, draw, expected] : rows) {
        CStochasticDistribution d;
        std::srand(seed);
        EXPECT_EQ(draw(d), Show(expected)) << call;
        const int marker = std::rand();
        std::srand(seed);
        for (int i = 0; i < calls; ++i)
            std::rand();
        EXPECT_EQ(marker, std::rand()) << call << " should use " << calls << " rand() values";
    }
}
