// Helpers shared by the parsers of every matrix format (MatrixFormat.h).
#include "scanner/MatrixFormat.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/Messages.h"

MATRIXPARSE CFailure::operator()(std::string text, long long line, bool truncated) const
{
    m_result->ok = false;
    m_result->error = std::move(text);
    m_result->errorLine = line;
    m_result->truncated = truncated;
    return *m_result;
}

// ---------------------------------------------------------------------------
// Messages

std::string MatrixAbout(const std::string& path) { return "matrix file " + QuotePath(path); }

std::string MatrixWhere(const std::string& path, long long line)
{
    return MatrixAbout(path) + ", line " + std::to_string(line) + ": ";
}

std::string Rows(long count) { return std::to_string(count) + (count == 1 ? " row" : " rows"); }

// ---------------------------------------------------------------------------
// Lines

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

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

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

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

int BaseIndex(char letter)
{
    switch (letter) {
    case 'A':
    case 'a':
        return 0;
    case 'C':
    case 'c':
        return 1;
    case 'G':
    case 'g':
        return 2;
    case 'T':
    case 't':
        return 3;
    default:
        return -1;
    }
}

bool IsHeader(std::string_view line) { return !line.empty() && line[0] == '>'; }

bool IsLetterRow(std::string_view line)
{
    const std::string_view t = SkipBlanks(line);
    return t.size() >= 2 && BaseIndex(t[0]) >= 0 && (t[1] == ' ' || t[1] == '\t' || t[1] == '[');
}

bool IsNumberRow(std::string_view line)
{
    const std::string_view t = SkipBlanks(line);
    return !t.empty() && (IsDigit(t[0]) || t[0] == '.' || t[0] == '+' || t[0] == '-');
}

// ---------------------------------------------------------------------------
// Numbers

bool ParseMatrixNumber(std::string_view raw, const std::string& label, double* value, std::string* problem)
{
    const std::string_view text = Trim(raw);
    const std::string number(text);  // strtod needs the terminating zero
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(number.c_str(), &end);
    // strtod also reads hexadecimal numbers, which no count or frequency is
    // written as (and which -x does not take either).
    if (number.empty() || end == number.c_str() || end != number.c_str() + number.size() ||
        number.find_first_of("xX") != std::string::npos) {
        *problem = label + " " + QuoteForMessage(text) + " is not a number";
        return false;
    }
    if (std::isnan(parsed) || std::isinf(parsed)) {
        *problem = label + " " + QuoteForMessage(text) + " is not a finite number";
        return false;
    }
    if (parsed < 0) {
        *problem = label + " " + QuoteForMessage(text) + " is negative; counts and frequencies cannot be";
        return false;
    }
    *value = parsed;
    return true;
}

bool NormalisePosition(const double x[4], double* row, const std::string& subject, std::string* problem)
{
    // Normalisation with a pseudocount of 0.0025 of the position's total for
    // each base: (x + 0.0025 * s) / (1.01 * s). The sum runs in the order A,
    // C, G, T from 0 so that every platform gets the same bits.
    double s = 0.0;
    s += x[0];
    s += x[1];
    s += x[2];
    s += x[3];
    if (s == 0.0) {
        *problem = subject + " sums to 0; at least one of A, C, G, T must be positive";
        return false;
    }
    const double scale = 1.01 * s;
    if (std::isinf(s) || std::isinf(scale)) {
        *problem = subject + "'s numbers are too large to normalise";
        return false;
    }
    for (int b = 0; b < 4; ++b) {
        row[b] = (x[b] + 0.0025 * s) / scale;
        if (!(row[b] > 0.0)) {  // a sum so tiny that the pseudocount vanishes
            *problem = subject + "'s numbers are too small to normalise";
            return false;
        }
    }
    return true;
}

bool NormaliseMatrix(const std::vector<double>& raw, int width, Matrix* matrix, int* bad, std::string* problem,
                     const std::string& positionWord)
{
    matrix->assign(static_cast<std::size_t>(width) * 4, 0.0);
    for (int j = 0; j < width; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * 4;
        if (!NormalisePosition(&raw[at], matrix->data() + at, positionWord + " " + std::to_string(j + 1), problem)) {
            *bad = j;
            return false;
        }
    }
    return true;
}
