// Velmora's own matrix format.
//
// A matrix block is a header line, '>' followed by the motif width (and
// optionally a name, the rest of the line; there is no ID), then exactly
// that many rows of four tab-separated numbers for A, C, G and T. Lines
// outside blocks are comments, whatever they say. Counts and frequencies are equally welcome: each row is turned
// into probabilities with a small pseudocount, so no probability is 0 and
// every logarithm the scorer takes is finite.
#include <string>
#include <string_view>
#include <utility>

#include "scanner/read/MatrixFormat.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

constexpr const char* kColumnName[4] = {"A", "C", "G", "T"};

// The width at the start of a header's text (after the '>'): blanks, then a
// whole number, then the end of the line or a blank before the motif name.
// False unless it lies in 1..kMaxMotifWidth.
bool ParseWidth(std::string_view text, int* width)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    const std::size_t firstDigit = i;
    long value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (value <= kMaxMotifWidth)  // stop growing once too big: no overflow
            value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == firstDigit)
        return false;
    if (i < text.size() && !IsBlank(text[i]))
        return false;  // "12.5", "12abc"
    if (value < 1 || value > kMaxMotifWidth)
        return false;
    *width = static_cast<int>(value);
    return true;
}

// One field of a row: a number, possibly with blanks around it, and nothing
// else. Any form strtod reads is accepted (integers, decimals, exponents).
bool ParseField(std::string_view raw, int column, double* value, std::string* problem)
{
    const std::string label = "field " + std::to_string(column + 1) + " (" + kColumnName[column] + ")";
    if (Trim(raw).empty()) {
        *problem = label + " is empty; a row holds four tab-separated numbers for A, C, G, T";
        return false;
    }
    return ParseMatrixNumber(raw, label, value, problem);
}

// Reads the four numbers of a row line (without its line end) into x[0..3]
// and stores them, normalised, in row[0..3]. Fields after the fourth are
// ignored.
bool ParseRow(std::string_view line, double* x, double* row, std::string* problem)
{
    std::size_t start = 0;
    for (int column = 0; column < 4; ++column) {
        const std::size_t tab = line.find('\t', start);
        if (column < 3 && tab == std::string_view::npos) {
            *problem = "found " + std::to_string(column + 1) + (column == 0 ? " field" : " fields") +
                       " where a row needs four numbers for A, C, G, T separated by tabs";
            return false;
        }
        const std::size_t stop = tab == std::string_view::npos ? line.size() : tab;
        if (!ParseField(line.substr(start, stop - start), column, &x[column], problem))
            return false;
        start = stop + 1;
    }
    return NormalisePosition(x, row, "the row", problem);
}

MATRIXPARSE Parse(const MatrixLines& lines, const std::string& path, const CFormatCheck& check)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    std::string problem;
    const std::size_t n = lines.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::string_view line = lines[i];
        if (!IsHeader(line))
            continue;
        const auto headerLine = static_cast<long long>(i) + 1;
        const std::string_view name = AfterFirstWord(line.substr(1));
        int width = 0;
        if (!ParseWidth(line.substr(1), &width)) {
            // After a matrix of ours, a header that is not may start a block
            // of another format; before one, it is our header gone wrong.
            if (!result.set.matrices.empty())
                if (std::string mixed = check.Starts(i, result.set.lines.front()); !mixed.empty())
                    return fail(std::move(mixed), headerLine);
            return fail(MatrixWhere(path, headerLine) + "the width after '>' must be a whole number from 1 to " +
                            std::to_string(kMaxMotifWidth) + ", got " + QuoteForMessage(line.substr(1)),
                        headerLine);
        }
        Matrix matrix(static_cast<std::size_t>(width) * 4);
        Matrix counts(matrix.size());
        for (int r = 0; r < width; ++r) {
            if (++i >= n)
                return fail(MatrixAbout(path) + " is truncated: the matrix at line " + std::to_string(headerLine) +
                                " has width " + std::to_string(width) + " but the file ends after " + Rows(r),
                            0, true);
            line = lines[i];
            const auto rowLine = static_cast<long long>(i) + 1;
            if (IsHeader(line)) {
                // The usual cause: the width in the header is too large.
                return fail(MatrixWhere(path, rowLine) + "a header where row " + std::to_string(r + 1) +
                                " of the matrix at line " + std::to_string(headerLine) + " (width " +
                                std::to_string(width) + ") should be",
                            rowLine);
            }
            const auto at = static_cast<std::size_t>(r) * 4;
            if (!ParseRow(line, &counts[at], &matrix[at], &problem))
                return fail(MatrixWhere(path, rowLine) + problem, rowLine);
        }
        result.set.Add(std::move(matrix), width, headerLine, {}, name, std::move(counts));
    }
    return result;
}

// Every '>' header that is neither JASPAR's nor the simple format's shows
// this format: a broken header of ours is still ours, and its error is the
// one to report.
bool Shows(const MatrixLines& lines, std::size_t i)
{
    return IsHeader(lines[i]) && !(i + 1 < lines.size() && IsLetterRow(lines[i + 1])) && !IsNamedHeader(lines, i);
}

// Only a header that starts with a width and is followed by a row of
// numbers surely starts a block of ours ('>3prime' over "1 2 3 4" is a
// name).
bool Starts(const MatrixLines& lines, std::size_t i)
{
    if (!IsHeader(lines[i]) || IsNamedHeader(lines, i))
        return false;
    const std::string_view text = SkipBlanks(std::string_view(lines[i]).substr(1));
    const bool number = !text.empty() && (IsDigit(text[0]) || (text[0] == '+' && text.size() > 1 && IsDigit(text[1])));
    return number && i + 1 < lines.size() && IsNumberRow(lines[i + 1]);
}

}  // namespace

extern const MATRIXFORMAT kVelmoraFormat = {
    .name = "Velmora",
    .shows = Shows,
    .starts = Starts,
    .shownAs = "a '>' matrix header",
    .startedAs = "a Velmora matrix",
    .fileAs = " where the file's matrices are in Velmora's format",
    .parse = Parse,
};
