// The words, blanks and numbers that the option parser and every matrix
// format read with (support/Text.h). Each row is ROW(call, expected): the
// call's result, shown as text, must be the expected text; a failure names
// the call. How the options use the numbers is in
// tests/unit/frontend/Params_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "support/Text.h"

namespace {

// A text in brackets, so that blanks left at its ends show.
std::string Show(std::string_view text) { return "[" + std::string(text) + "]"; }
std::string Show(const std::vector<std::string_view>& words)
{
    std::string text;
    for (const std::string_view word : words)
        text += Show(word);
    return text;
}
std::string Show(bool yes) { return yes ? "yes" : "no"; }
std::string Show(const std::string& text) { return text; }

// The characters of a text that IsDigit takes.
std::string Digits(std::string_view text)
{
    std::string digits;
    for (const char c : text)
        if (IsDigit(c))
            digits += c;
    return digits;
}

// A number parser's value, or "no".
std::string Whole(std::string_view word)
{
    int value = 0;
    return ParseWholeNumber(word, &value) ? std::to_string(value) : "no";
}
std::string Decimal(std::string_view word)
{
    double value = 0;
    if (!ParseDecimalNumber(word, &value))
        return "no";
    char text[32];
    (void)std::snprintf(text, sizeof text, "%g", value);
    return text;
}
std::string Seed(std::string_view word)
{
    std::uint64_t value = 0;
    return ParseSeed(word, &value) ? std::to_string(value) : "no";
}
std::string Bases(std::string_view word)
{
    long long value = 0;
    return ParseBases(word, &value) ? std::to_string(value) : "no";
}

using Row = std::tuple<const char*, std::string, std::string>;
#define ROW(call, expected) Row(#call, Show(call), expected)
void Check(const std::vector<Row>& rows)
{
    for (const auto& [call, got, expected] : rows)
        EXPECT_EQ(got, expected) << call;
}

}  // namespace

TEST(TextTest, WordsAndBlanks)
{
    // clang-format off
    Check({
        // Every blank, the line feed of a command-line word included.
        ROW(Trim(" \t\r\f\v\n a b \n\v\f\r\t "), "[a b]"), ROW(Trim(" \t "), "[]"), ROW(Trim(""), "[]"),
        ROW(SkipBlanks("  a b  "), "[a b  ]"), ROW(Digits("/09:a\xb2\xd9"), "09"),
        ROW(Words(" a\tbb  c\r"), "[a][bb][c]"), ROW(Words("a"), "[a]"), ROW(Words(" \t "), ""), ROW(Words(""), ""),
        ROW(FirstWord("  MA0212.1  bcd  x "), "[MA0212.1]"), ROW(AfterFirstWord("  MA0212.1  bcd  x "), "[bcd  x]"),
        ROW(FirstWord("bcd"), "[bcd]"), ROW(AfterFirstWord("bcd  "), "[]"), ROW(FirstWord(" "), "[]"),
        ROW(AfterFirstWord(""), "[]"), ROW(StartsWith("MOTIF m1", "MOTIF"), "yes"), ROW(StartsWith("MOT", "MOTIF"), "no"),
        ROW(StartsWith("MOTIF", ""), "yes"), ROW(StartsWith(" MOTIF", "MOTIF"), "no"),
    });
    // clang-format on
}

TEST(TextTest, NumbersReadWholeOrNotAtAll)
{
    // clang-format off
    Check({
        ROW(Whole(" 60 "), "60"), ROW(Whole(" 3\n"), "3"), ROW(Whole("+2"), "2"), ROW(Whole("-7"), "-7"),
        ROW(Whole("007"), "7"), ROW(Whole("2147483647"), "2147483647"), ROW(Whole("-2147483648"), "-2147483648"),
        ROW(Whole("2147483648"), "no"), ROW(Whole("-2147483649"), "no"), ROW(Whole("99999999999999999999"), "no"),
        ROW(Whole(""), "no"), ROW(Whole("+"), "no"), ROW(Whole("20O"), "no"), ROW(Whole("1 2"), "no"),
        ROW(Whole("1e2"), "no"), ROW(Whole("0x10"), "no"), ROW(Whole("2.0"), "no"),

        ROW(Decimal(".5"), "0.5"), ROW(Decimal("5."), "5"), ROW(Decimal("5e-4"), "0.0005"), ROW(Decimal("5E-4"), "0.0005"),
        ROW(Decimal("-1"), "-1"), ROW(Decimal("+.5e+1"), "5"), ROW(Decimal(" 0.01\n"), "0.01"),
        // An underflow reads (as 0 or a subnormal); an overflow does not.
        ROW(Decimal("1e-999"), "0"), ROW(Decimal("1e999"), "no"), ROW(Decimal("-1e999"), "no"),
        ROW(Decimal("1e"), "no"), ROW(Decimal("1e+"), "no"), ROW(Decimal("e5"), "no"), ROW(Decimal("."), "no"),
        ROW(Decimal(""), "no"), ROW(Decimal("1.2.3"), "no"), ROW(Decimal("0x1p-3"), "no"), ROW(Decimal("nan"), "no"),
        ROW(Decimal("inf"), "no"), ROW(Decimal("1,5"), "no"),

        ROW(Seed("0"), "0"), ROW(Seed(" 7 "), "7"), ROW(Seed("18446744073709551615"), "18446744073709551615"),
        ROW(Seed("18446744073709551616"), "no"), ROW(Seed("99999999999999999999"), "no"), ROW(Seed("+5"), "no"),
        ROW(Seed("-5"), "no"), ROW(Seed(""), "no"), ROW(Seed("1e3"), "no"),

        ROW(Bases("1"), "1"), ROW(Bases(" 12 "), "12"), ROW(Bases("999999999999999"), "999999999999999"),
        ROW(Bases("1234567890123456"), "no"), ROW(Bases("0"), "no"), ROW(Bases("000"), "no"), ROW(Bases("+5"), "no"),
        ROW(Bases("-5"), "no"), ROW(Bases("1e3"), "no"), ROW(Bases(""), "no"),
    });
    // clang-format on
}
