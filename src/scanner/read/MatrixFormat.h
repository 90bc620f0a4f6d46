// What every weight-matrix format shares: the interface each format file
// under formats/ fills in, the matrices they all produce, and the helpers
// their parsers have in common.
//
// A format is a name, a test for the lines that show it, and a parser. The
// reader (MatrixReader.h) holds the formats in a fixed order and decides
// from them, alike for all, which one a file is in and what counts as a
// second format in the same file. Adding a format is a new file under
// formats/ and its line in the reader's list.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/read/Matrix.h"

// Widest motif the matrix reader accepts.
inline constexpr int kMaxMotifWidth = 1000;

// The matrices of a file in file order, each normalised, with their widths,
// the line that starts each of them, what the file calls them: an ID
// ("MA0212.1") and a name ("bcd"), each empty where the file gives none,
// and the numbers each was normalised from (in the matrices' layout), so
// that the same numbers given again give the same matrix bit for bit.
// The six vectors are always equally long; Add keeps them so.
struct MATRIXSET {
    MatrixSet matrices;
    std::vector<int> widths;
    std::vector<long long> lines;
    std::vector<std::string> ids;
    std::vector<std::string> names;
    MatrixSet counts;

    void Add(Matrix matrix, int width, long long line, std::string_view id, std::string_view name, Matrix counts);
};

// A parser's verdict. On failure `error` holds the message without the
// "Velmora: " prefix, naming the file and, where it applies, the line.
struct MATRIXPARSE {
    bool ok = true;
    std::string error;
    long long errorLine = 0;  // the line the error names; 0 for the whole file
    bool truncated = false;   // the error is that the file ends too early
    MATRIXSET set;
};

// The lines of a matrix file, without line ends; line i has number i + 1.
using MatrixLines = std::vector<std::string>;

// A test of line i of a file (it may look at the lines after it).
using MatrixLineTest = bool (*)(const MatrixLines& lines, std::size_t i);

class CFormatCheck;

struct MATRIXFORMAT {
    const char* name;  // "Velmora", "JASPAR", "MEME", "TRANSFAC", "simple"
    // Line i shows a block of this format. The first line of a file that
    // shows one decides the format of a file that no format reads whole.
    MatrixLineTest shows;
    // Line i surely starts a block of this format: fewer lines than `shows`
    // where formats share a line's shape (a '>' header).
    MatrixLineTest starts;
    // What a message calls such lines in a file of another format: a line
    // that shows this format ("a MEME motif line"), and one that starts a
    // block ("a MEME matrix").
    const char* shownAs;
    const char* startedAs;
    // How the same message names a file of this format, after that:
    // " in a file of MEME matrices".
    const char* fileAs;
    // Reads every block of the file. `path` is only used in messages;
    // `check` tells whether a line belongs to another format.
    MATRIXPARSE (*parse)(const MatrixLines& lines, const std::string& path, const CFormatCheck& check);
};

// One file holds one format. A parser asks this, at the lines where its
// format could meet another, whether line i shows (or starts) a block of a
// format other than its own. The answer is the whole error message, or
// empty when there is none; `first` is the line of the file's first block
// of its own format, which the message names.
class CFormatCheck {
public:
    CFormatCheck(const MATRIXFORMAT& format, const MatrixLines& lines, const std::string& path)
        : m_format(format), m_lines(lines), m_path(path)
    {}
    std::string Shows(std::size_t i, long long first) const;
    std::string Starts(std::size_t i, long long first) const;

private:
    std::string Find(std::size_t i, long long first, MatrixLineTest MATRIXFORMAT::*test,
                     const char* MATRIXFORMAT::*what) const;

    const MATRIXFORMAT& m_format;
    const MatrixLines& m_lines;
    const std::string& m_path;
};

// Fills in a failed verdict and returns it: `fail(text, line)`.
class CFailure {
public:
    explicit CFailure(MATRIXPARSE* result) : m_result(result) {}
    MATRIXPARSE operator()(std::string text, long long line, bool truncated = false) const;
    // The same for a step of a parser, which returns whether the parse goes
    // on: fills in the failure and returns false.
    bool Stop(std::string text, long long line, bool truncated = false) const;

private:
    MATRIXPARSE* m_result;
};

// ---------------------------------------------------------------------------
// Messages

// "matrix file 'path'", the start of a message about the whole file.
std::string MatrixAbout(const std::string& path);
// "matrix file 'path', line N: ", the start of a message about one line.
std::string MatrixWhere(const std::string& path, long long line);
// "1 row", "2 rows".
std::string Rows(long count);

// ---------------------------------------------------------------------------
// Lines and numbers (the words and blanks of a line: support/Text.h)

inline constexpr char kBases[] = "ACGT";

// 0..3 for A, C, G, T in either case, -1 for anything else.
int BaseIndex(char letter);

// A '>' header line.
bool IsHeader(std::string_view line);
// A JASPAR letter row: optional blanks, one of A, C, G, T (either case),
// then a blank, a tab or '['.
bool IsLetterRow(std::string_view line);
// A line that starts like a number (a matrix row of numbers).
bool IsNumberRow(std::string_view line);
// A blank line or a '#' comment.
bool IsBlankOrComment(std::string_view line);
// The first line after line i that is neither (lines.size() when none is).
std::size_t NextContentLine(const MatrixLines& lines, std::size_t i);
// A row of the simple '>name' format, its numbers read or not: a row of
// numbers, or four words of which one at least reads as a number ("nan 2 3
// 4", "n/a 0 0 22"), which is a row with a number written wrongly. A JASPAR
// letter row is never one.
bool IsSimpleRow(std::string_view line);
// A '>' header of the simple '>name' format, never one of Velmora's own
// (see MatrixFormat.cpp for how the two are told apart).
bool IsNamedHeader(const MatrixLines& lines, std::size_t i);

// The bases of a row's four columns, 0..3 for A, C, G, T: column k holds
// base bases[k].
using ColumnBases = std::array<int, 4>;
inline constexpr ColumnBases kColumnsACGT = {0, 1, 2, 3};

// The four numbers of a row (words holds exactly four), whose columns hold
// the bases `columns`, appended to *raw in the order A, C, G, T. A number
// that does not read is named "<row>, column <k> (<base>):" in the problem,
// with `row` such as "row 3".
bool ParseRowNumbers(std::span<const std::string_view> words, const std::string& row, std::vector<double>* raw,
                     std::string* problem, const ColumnBases& columns = kColumnsACGT);

// One number of a matrix: the whole text (blanks around it allowed) must
// read as a finite, non-negative number. The problem reads
// `label` + " '" + text + "' is not a number" (or "... is negative;
// counts and frequencies cannot be", "... is not a finite number").
bool ParseMatrixNumber(std::string_view text, const std::string& label, double* value, std::string* problem);

// Normalises one position: with s = A + C + G + T (summed in this order
// from 0) each value x becomes (x + 0.0025 * s) / (1.01 * s). False when
// that is impossible; the problem then starts with `subject` ("the row",
// "position 3"): "<subject> sums to 0; ...", "<subject>'s numbers are too
// large to normalise", "... too small ...".
bool NormalisePosition(const double x[4], double* row, const std::string& subject, std::string* problem);

// Normalises width positions of four raw values each (position-major, A,
// C, G, T) into *matrix, naming position j "<positionWord> <j + 1>" in the
// problem; *bad is then the 0-based position that cannot be normalised.
bool NormaliseMatrix(const std::vector<double>& raw, int width, Matrix* matrix, int* bad, std::string* problem,
                     const std::string& positionWord);
