// Helpers shared by the parsers of every matrix format (MatrixFormat.h).
#include "scanner/read/MatrixFormat.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/Messages.h"
#include "support/Text.h"

void MATRIXSET::Add(Matrix matrix, int width, long long line, std::string_view id, std::string_view name, Matrix counts)
{
    this->counts.push_back(std::move(counts));
    matrices.push_back(std::move(matrix));
    widths.push_back(width);
    lines.push_back(line);
    ids.emplace_back(id);
    names.emplace_back(name);
}

MATRIXPARSE CFailure::operator()(std::string text, long long line, bool truncated) const
{
    (void)Stop(std::move(text), line, truncated);
    return *m_result;
}

bool CFailure::Stop(std::string text, long long line, bool truncated) const
{
    m_result->ok = false;
    m_result->error = std::move(text);
    m_result->errorLine = line;
    m_result->truncated = truncated;
    return false;
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

bool IsBlankOrComment(std::string_view line)
{
    const std::string_view t = SkipBlanks(line);
    return t.empty() || t.front() == '#';
}

std::size_t NextContentLine(const MatrixLines& lines, std::size_t i)
{
    while (++i < lines.size() && IsBlankOrComment(lines[i])) {
    }
    return i;
}

namespace {

// A word strtod reads whole, "nan" and "inf" included: a number, if perhaps
// not one a matrix can hold.
bool ReadsAsNumber(std::string_view word)
{
    const std::string number(word);  // strtod needs the terminating zero
    char* end = nullptr;
    (void)std::strtod(number.c_str(), &end);  // only where it stops counts
    return !number.empty() && end == number.c_str() + number.size() && number.find_first_of("xX") == std::string::npos;
}

// A word that reads whole as a decimal number: "6", "+2", "-3", "12.5", "1e3".
bool IsNumberWord(std::string_view word)
{
    return !word.empty() && (IsDigit(word[0]) || word[0] == '+' || word[0] == '-' || word[0] == '.') &&
           ReadsAsNumber(word);
}

}  // namespace

bool IsSimpleRow(std::string_view line)
{
    if (IsNumberRow(line))
        return true;
    if (IsLetterRow(line))
        return false;  // JASPAR's "A 1 2 3"
    const std::vector<std::string_view> words = Words(line);
    return words.size() == 4 && std::any_of(words.begin(), words.end(), ReadsAsNumber);
}

// Our header is '>' and a width, perhaps with a name after it; the simple
// format's is '>' and a name. Both stand above rows of four numbers, so the
// header and its first row decide together. Every header is claimed by
// exactly one of the two (or by JASPAR, above a letter row), so that no
// file reads in both and a broken file gets the one message that fits it:
//   - a header whose first word is a number ("6", "12.5", "-3") is ours,
//     with a width that may be wrong, which our reading reports;
//   - so is a bare '>', a header with its width left out;
//   - so is a header above a row split by tabs, our rows' shape: '>bcd'
//     over "0\t0\t0\t22" is our block with a name written in place of the
//     width, and was always answered so before the simple format was
//     read, which a file that reads today must keep; the simple format is
//     therefore told by rows whose numbers stand apart by blanks;
//   - a header whose first row (after blank lines and '#' comments) is a
//     row of the simple format (IsSimpleRow) without a tab is the simple
//     format's, also where a number of that row is written wrongly ("nan 2
//     3 4"): the row's number is what is wrong, not the header's width.
// Every other header, above text or above nothing, stays ours, and its
// missing width is the error (a sequence file given as a matrix file fails
// there too, and the reader then says what the file looks like).
bool IsNamedHeader(const MatrixLines& lines, std::size_t i)
{
    if (!IsHeader(lines[i]))
        return false;
    const std::string_view name = FirstWord(std::string_view(lines[i]).substr(1));
    if (name.empty() || IsNumberWord(name))
        return false;
    const std::size_t row = NextContentLine(lines, i);
    return row < lines.size() && IsSimpleRow(lines[row]) && lines[row].find('\t') == std::string::npos;
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

bool ParseRowNumbers(std::span<const std::string_view> words, const std::string& row, std::vector<double>* raw,
                     std::string* problem, const ColumnBases& columns)
{
    double position[4] = {0, 0, 0, 0};  // A, C, G, T
    for (std::size_t k = 0; k < 4; ++k) {
        const auto base = static_cast<std::size_t>(columns[k]);
        const std::string label = row + ", column " + std::to_string(k + 1) + " (" + kBases[base] + "):";
        if (!ParseMatrixNumber(words[k], label, &position[base], problem))
            return false;
    }
    raw->insert(raw->end(), std::begin(position), std::end(position));
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
