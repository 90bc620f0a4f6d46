// The weight-matrix file, and Velmora's own matrix format.
//
// A matrix block is a header line, '>' followed by the motif width (and
// optionally a name), then exactly that many rows of four tab-separated
// numbers for A, C, G and T. Lines outside blocks are comments. Counts and
// frequencies are equally welcome: each row is turned into probabilities
// with a small pseudocount, so no probability is 0 and every logarithm the
// scorer takes is finite.
//
// The file may also be in JASPAR or MEME format (MatrixFormats.h tells how
// the format is recognised; MatrixFormats.cpp reads them), and it may be
// gzip-compressed.
//
// Every problem stops the run with one message naming the file and line,
// before anything is written: a matrix read wrongly would only show up as
// odd modules much later.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/MatrixFormats.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"

namespace {

constexpr const char* kColumnName[4] = {"A", "C", "G", "T"};

// Blanks that may surround a number in a row field. A tab cannot occur:
// it separates the fields.
bool IsFieldBlank(char c) { return c == ' ' || c == '\r' || c == '\f' || c == '\v' || c == '\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (IsFieldBlank(text.front()) || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (IsFieldBlank(text.back()) || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
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
    if (TrimBlanks(raw).empty()) {
        *problem = label + " is empty; a row holds four tab-separated numbers for A, C, G, T";
        return false;
    }
    return ParseMatrixNumber(raw, label, value, problem);
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
    return NormalisePosition(x, row, "the row", problem);
}

// Messages about a whole matrix file, not one line of it.
std::string About(const std::string& path) { return "matrix file " + QuotePath(path); }

// Matrix files are small; a huge one is most likely a sequence file given
// to -M. From this size on the own-format reading is tried on what has been
// read so far (again at every doubling), so that such a file is rejected
// without being held in memory whole.
constexpr std::size_t kEarlyVerdictBytes = std::size_t{16} << 20;

}  // namespace

// ---------------------------------------------------------------------------
// Shared by every format

std::string MatrixWhere(const std::string& path, long long line)
{
    return "matrix file " + QuotePath(path) + ", line " + std::to_string(line) + ": ";
}

bool ParseMatrixNumber(std::string_view raw, const std::string& label, double* value, std::string* problem)
{
    const std::string_view text = TrimBlanks(raw);
    const std::string number(text);  // strtod needs the terminating zero
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(number.c_str(), &end);
    if (number.empty() || end == number.c_str() || end != number.c_str() + number.size()) {
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

// ---------------------------------------------------------------------------
// Velmora's own format

MATRIXPARSE ParseOwnMatrices(const MatrixLines& lines, const std::string& path)
{
    MATRIXPARSE result;
    auto fail = [&result](std::string text, long long line = 0) {
        result.ok = false;
        result.error = std::move(text);
        result.errorLine = line;
        result.truncated = line == 0;
        return result;
    };
    std::string problem;
    const std::size_t n = lines.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::string_view line = lines[i];
        if (line.empty() || line[0] != '>')
            continue;
        const auto headerLine = static_cast<long long>(i) + 1;
        int width = 0;
        if (!ParseWidth(line.substr(1), &width)) {
            if (!result.set.matrices.empty() && i + 1 < n && IsLetterRow(lines[i + 1]))
                return fail(MatrixWhere(path, headerLine) +
                            "a JASPAR matrix where the file's matrices are in Velmora's format (the first at line " +
                            std::to_string(result.set.lines.front()) + "); one file holds one format",
                            headerLine);
            return fail(MatrixWhere(path, headerLine) + "the width after '>' must be a whole number from 1 to " +
                            std::to_string(kMaxMotifWidth) + ", got " + QuoteForMessage(line.substr(1)),
                        headerLine);
        }
        Matrix matrix(static_cast<std::size_t>(width) * 4);
        for (int r = 0; r < width; ++r) {
            if (++i >= n)
                return fail(About(path) + " is truncated: the matrix at line " + std::to_string(headerLine) +
                            " has width " + std::to_string(width) + " but the file ends after " +
                            std::to_string(r) + (r == 1 ? " row" : " rows"));
            line = lines[i];
            const auto rowLine = static_cast<long long>(i) + 1;
            if (!line.empty() && line[0] == '>') {
                // The usual cause: the width in the header is too large.
                return fail(MatrixWhere(path, rowLine) + "a header where row " + std::to_string(r + 1) +
                            " of the matrix at line " + std::to_string(headerLine) + " (width " +
                            std::to_string(width) + ") should be",
                            rowLine);
            }
            if (!ParseRow(line, &matrix[static_cast<std::size_t>(r) * 4], &problem))
                return fail(MatrixWhere(path, rowLine) + problem, rowLine);
        }
        result.set.matrices.push_back(std::move(matrix));
        result.set.widths.push_back(width);
        result.set.lines.push_back(headerLine);
    }
    return result;
}

// ---------------------------------------------------------------------------
// The reader

namespace {

// Picks the format and reads the matrices (rules in MatrixFormats.h).
MATRIXPARSE ParseAnyFormat(const MatrixLines& lines, const std::string& path, MatrixFormat* format)
{
    MATRIXPARSE own = ParseOwnMatrices(lines, path);
    *format = MatrixFormat::Own;
    if (own.ok && !own.set.matrices.empty())
        return own;
    long long at = 0;
    *format = FirstFormatLine(lines, &at);
    switch (*format) {
    case MatrixFormat::Jaspar: return ParseJasparMatrices(lines, path);
    case MatrixFormat::Meme: return ParseMemeMatrices(lines, path);
    case MatrixFormat::Own: break;
    }
    return own;
}

// True when the lines read so far already settle the file as a bad file of
// Velmora's own format: its first format line is an own header, and the own
// reading fails at a line that the rest of the file cannot change.
bool OwnFailureIsFinal(const MatrixLines& lines, const std::string& path)
{
    long long at = 0;
    if (FirstFormatLine(lines, &at) != MatrixFormat::Own || at == 0)
        return false;
    const MATRIXPARSE own = ParseOwnMatrices(lines, path);
    // A truncation, or a failure at the last line read (a header whose next
    // line is not known yet), may still change with the rest of the file.
    return !own.ok && !own.truncated && own.errorLine < static_cast<long long>(lines.size());
}

}  // namespace

bool ReadMatrixFile(const std::string& path, int motifNum, MATRIXSET* set, std::string* error)
{
    std::string why;
    auto source = OpenInput(path, false, &why);
    if (!source) {
        *error = "cannot open matrix file " + QuotePath(path) + ": " + why;
        return false;
    }
    CLineReader reader(std::move(source));
    MatrixLines lines;
    std::size_t bytes = 0;
    std::size_t nextVerdict = kEarlyVerdictBytes;
    std::string_view line;
    bool stoppedEarly = false;
    while (reader.Next(&line)) {
        lines.emplace_back(line);
        bytes += line.size() + 1;
        if (bytes >= nextVerdict) {
            nextVerdict *= 2;
            if (OwnFailureIsFinal(lines, path)) {
                stoppedEarly = true;
                break;
            }
        }
    }
    if (!stoppedEarly && reader.Failed()) {
        *error = "cannot read matrix file " + QuotePath(path) + ": " + ReadErrorText(reader.Error());
        return false;
    }

    // Every block of the file is read and checked, also blocks beyond K, so
    // that a count mismatch can say how many the file really holds. Nothing
    // reaches the caller before the count is known to be right.
    MatrixFormat format = MatrixFormat::Own;
    MATRIXPARSE parsed = ParseAnyFormat(lines, path, &format);
    if (!parsed.ok) {
        *error = parsed.error;
        return false;
    }
    const std::size_t count = parsed.set.matrices.size();
    // Lines outside own-format blocks are comments. A MEME matrix among them
    // makes the file one of two formats; other MEME lines only count when
    // the number of matrices is off, as the likely reason.
    if (format == MatrixFormat::Own && count > 0) {
        long long memeLine = 0;
        const char* what = "a MEME matrix";
        for (std::size_t i = 0; i < lines.size() && memeLine == 0; ++i)
            if (IsMemeMatrixLine(lines[i]))
                memeLine = static_cast<long long>(i) + 1;
        for (std::size_t i = 0; i < lines.size() && memeLine == 0 && count != static_cast<std::size_t>(motifNum); ++i)
            if (IsMemeLine(lines[i])) {
                memeLine = static_cast<long long>(i) + 1;
                what = "a MEME motif line";
            }
        if (memeLine != 0) {
            *error = MatrixWhere(path, memeLine) + what +
                        " where the file's matrices are in Velmora's format (the first at line " +
                        std::to_string(parsed.set.lines.front()) + "); one file holds one format";
            return false;
        }
    }
    if (count != static_cast<std::size_t>(motifNum)) {
        *error = About(path) + " holds " + std::to_string(count) + (count == 1 ? " matrix" : " matrices") +
                    ", but -K asks for " + std::to_string(motifNum);
        return false;
    }
    *set = std::move(parsed.set);
    return true;
}
