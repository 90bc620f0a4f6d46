#include "support/Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text)
{
    text = SkipBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> TabFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view FirstWord(std::string_view text)
{
    text = SkipBlanks(text);
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    return text.substr(0, end);
}

std::string_view AfterFirstWord(std::string_view text)
{
    text = SkipBlanks(text);
    return Trim(text.substr(FirstWord(text).size()));
}

bool ParseWholeNumber(std::string_view word, int* value)
{
    const std::string_view text = Trim(word);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i == text.size())
        return false;
    for (std::size_t k = i; k < text.size(); ++k)
        if (!IsDigit(text[k]))
            return false;
    const std::string digits(text);  // strtoll needs the terminating zero
    errno = 0;
    const long long parsed = std::strtoll(digits.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool ParseDecimalNumber(std::string_view word, double* value)
{
    // The shape is checked here, not left to strtod, which would also take
    // hexadecimal numbers, "inf" and "nan".
    const std::string_view text = Trim(word);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i == text.size() || !IsDigit(text[i]))
            return false;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
    }
    if (i != text.size())
        return false;
    const std::string number(text);
    errno = 0;
    const double parsed = std::strtod(number.c_str(), nullptr);
    // ERANGE also reports an underflow, to 0 or a subnormal: that number is
    // still read.
    if (errno == ERANGE && (parsed > 1.0 || parsed < -1.0))
        return false;
    *value = parsed;
    return true;
}

bool ParseSeed(std::string_view word, std::uint64_t* value)
{
    const std::string_view text = Trim(word);
    if (text.empty() || text.size() > 20)
        return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (v > (UINT64_MAX - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

bool ParsePosition(std::string_view text, long long* value)
{
    // Fifteen digits stay far below LLONG_MAX: the sum cannot overflow.
    if (text.empty() || text.size() > 15)
        return false;
    long long v = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

bool ParseBases(std::string_view word, long long* value)
{
    long long bases = 0;
    if (!ParsePosition(Trim(word), &bases) || bases < 1)
        return false;
    *value = bases;
    return true;
}
