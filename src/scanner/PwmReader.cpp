// The weight-matrix file.
//
// A matrix block is a header line, '>' followed by the motif width (and
// optionally a name), then exactly that many rows of four tab-separated
// numbers for A, C, G and T. Lines outside blocks are comments. Counts and
// frequencies are equally welcome: each row is turned into probabilities
// with a small pseudocount, so no probability is 0 and every logarithm the
// scorer takes is finite.
//
// Every problem stops the run with one message naming the file and line,
// before anything is written: a matrix read wrongly would only show up as
// odd modules much later.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/GibbsDP.h"
#include "scanner/ScanIO.h"
#include "support/LineReader.h"

namespace {

constexpr const char* kColumnName[4] = {"A", "C", "G", "T"};

// Blanks that may surround a number in a row field. A tab cannot occur:
// it separates the fields.
bool IsFieldBlank(char c) { return c == ' ' || c == '\r' || c == '\f' || c == '\v' || c == '\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsFieldBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsFieldBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Where(const std::string& path, long long line)
{
    return "matrix file " + QuotePath(path) + ", line " + std::to_string(line) + ": ";
}

// The width at the start of a header's text (after the '>'): blanks, then a
// whole number, then the end of the line or a blank before the motif name.
// False unless it lies in 1..kMaxMotifWidth.
bool ParseWidth(std::string_view text, int* width)
{
    std::size_t i = 0;
    while (i < text.size() && (IsFieldBlank(text[i]) || text[i] == '\t'))
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
    if (i < text.size() && !(IsFieldBlank(text[i]) || text[i] == '\t'))
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
    const std::string_view text = TrimBlanks(raw);
    if (text.empty()) {
        *problem = label + " is empty; a row holds four tab-separated numbers for A, C, G, T";
        return false;
    }
    const std::string number(text);  // strtod needs the terminating zero
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(number.c_str(), &end);
    if (end == number.c_str() || end != number.c_str() + number.size()) {
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

// Reads the four numbers of a row line (without its line end) and stores
// them, normalised, in row[0..3]. Fields after the fourth are ignored.
bool ParseRow(std::string_view line, double* row, std::string* problem)
{
    double x[4] = {};
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

    // Normalisation with a pseudocount of 0.0025 of the row's total for each
    // base: (x + 0.0025 * s) / (1.01 * s). The sum runs in the order A, C, G,
    // T from 0 so that every platform gets the same bits.
    double s = 0.0;
    s += x[0];
    s += x[1];
    s += x[2];
    s += x[3];
    if (s == 0.0) {
        *problem = "the row sums to 0; at least one of A, C, G, T must be positive";
        return false;
    }
    const double scale = 1.01 * s;
    if (std::isinf(s) || std::isinf(scale)) {
        *problem = "the row's numbers are too large to normalise";
        return false;
    }
    for (int b = 0; b < 4; ++b) {
        row[b] = (x[b] + 0.0025 * s) / scale;
        if (!(row[b] > 0.0)) {  // a sum so tiny that the pseudocount vanishes
            *problem = "the row's numbers are too small to normalise";
            return false;
        }
    }
    return true;
}

}  // namespace

bool CGibbsDP::ReadInputPWM(MatrixSet& pwm)
{
    const std::string path = pwmFile.str();
    if (motifNum < 1) {
        errorText = "-K must be at least 1, got " + std::to_string(motifNum);
        return false;
    }
    pwm.assign(static_cast<std::size_t>(motifNum), Matrix());

    std::string why;
    auto source = CFileSource::Open(path, &why);
    if (!source) {
        errorText = "cannot open matrix file " + QuotePath(path) + ": " + why;
        return false;
    }
    CLineReader lines(std::move(source));

    // Every block of the file is read and checked, also blocks beyond K, so
    // that a count mismatch can say how many the file really holds. Nothing
    // reaches pwm or motifWidth before the count is known to be right.
    std::vector<Matrix> matrices;
    std::vector<int> widths;
    std::string problem;
    std::string_view line;
    while (lines.Next(&line)) {
        if (line.empty() || line[0] != '>')
            continue;
        const long long headerLine = lines.LineNumber();
        int width = 0;
        if (!ParseWidth(line.substr(1), &width)) {
            errorText = Where(path, headerLine) + "the width after '>' must be a whole number from 1 to " +
                        std::to_string(kMaxMotifWidth) + ", got " + QuoteForMessage(line.substr(1));
            return false;
        }
        Matrix matrix(static_cast<std::size_t>(width) * 4);
        for (int r = 0; r < width; ++r) {
            if (!lines.Next(&line)) {
                if (lines.Failed())
                    break;  // reported below
                errorText = "matrix file " + QuotePath(path) + " is truncated: the matrix at line " +
                            std::to_string(headerLine) + " has width " + std::to_string(width) +
                            " but the file ends after " + std::to_string(r) + (r == 1 ? " row" : " rows");
                return false;
            }
            if (!line.empty() && line[0] == '>') {
                // The usual cause: the width in the header is too large.
                errorText = Where(path, lines.LineNumber()) + "a header where row " + std::to_string(r + 1) +
                            " of the matrix at line " + std::to_string(headerLine) + " (width " +
                            std::to_string(width) + ") should be";
                return false;
            }
            if (!ParseRow(line, &matrix[static_cast<std::size_t>(r) * 4], &problem)) {
                errorText = Where(path, lines.LineNumber()) + problem;
                return false;
            }
        }
        if (lines.Failed())
            break;
        matrices.push_back(std::move(matrix));
        widths.push_back(width);
    }
    if (lines.Failed()) {
        errorText = "cannot read matrix file " + QuotePath(path) + ": " + std::strerror(lines.Error());
        return false;
    }
    if (matrices.size() != static_cast<std::size_t>(motifNum)) {
        errorText = "matrix file " + QuotePath(path) + " holds " + std::to_string(matrices.size()) +
                    (matrices.size() == 1 ? " matrix" : " matrices") + ", but -K asks for " +
                    std::to_string(motifNum);
        return false;
    }
    motifWidth = std::move(widths);
    for (std::size_t k = 0; k < matrices.size(); ++k)
        pwm[k] = std::move(matrices[k]);
    return true;
}
