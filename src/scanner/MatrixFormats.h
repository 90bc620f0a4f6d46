// Weight-matrix files: Velmora's own format and the formats of the public
// motif collections (JASPAR, MEME minimal motif format), all read into the
// same normalised matrices.
//
// ReadInputPWM (PwmReader.cpp) reads the whole file into lines and picks
// the format from the content:
//   1. Velmora's own format whenever the file reads as it, with at least one
//      matrix: '>' and the width, then that many rows of four tab-separated
//      numbers. Lines outside its blocks stay comments, whatever they say,
//      except a MEME "letter-probability matrix" line: a MEME matrix in the
//      file makes it one of two formats.
//   2. Otherwise the first line that shows a format decides: a '>' header
//      followed by a letter row ("A [", "C 12 ...") is JASPAR, any other '>'
//      header is Velmora's own (whose error is then reported), and a
//      "MEME version", "MOTIF" or "letter-probability matrix" line is MEME.
// One file holds one format: a block of another format is an error naming
// its line. Matrices keep file order as motifs 1..K, and each position's
// four values (A, C, G, T) are normalised alike, so the same counts give the
// same matrices bit for bit in every format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scanner/ScanModel.h"

// Widest motif the matrix readers accept.
inline constexpr int kMaxMotifWidth = 1000;

enum class MatrixFormat { Own, Jaspar, Meme };

// Display name of a format, for messages: "Velmora", "JASPAR", "MEME".
const char* MatrixFormatName(MatrixFormat format);

// The matrices of a file in file order, each normalised (Matrix layout of
// GibbsDP.h), with their widths and the line that starts each of them.
struct MATRIXSET {
    std::vector<Matrix> matrices;
    std::vector<int> widths;
    std::vector<long long> lines;
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

// Parsers, one per format. `path` is only used in messages.
MATRIXPARSE ParseOwnMatrices(const MatrixLines& lines, const std::string& path);
MATRIXPARSE ParseJasparMatrices(const MatrixLines& lines, const std::string& path);
MATRIXPARSE ParseMemeMatrices(const MatrixLines& lines, const std::string& path);

// The format that the first format-showing line points to (rule 2 above),
// and that line's number in *line (0 and Own when no line shows a format).
MatrixFormat FirstFormatLine(const MatrixLines& lines, long long* line);

// A JASPAR letter row: optional blanks, one of A, C, G, T (either case),
// then a blank, a tab or '['.
bool IsLetterRow(std::string_view line);
// A line that belongs to MEME motif format: "MEME version", "MOTIF" as a
// word, or "letter-probability matrix".
bool IsMemeLine(std::string_view line);
// The line that starts a MEME matrix: "letter-probability matrix".
bool IsMemeMatrixLine(std::string_view line);

// "matrix file 'path', line N: ", the start of a message about one line.
std::string MatrixWhere(const std::string& path, long long line);

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

// Reads the matrix file at path ("-" is not allowed; gzip is read as such),
// which must hold motifNum matrices. On failure *error holds the one-line
// message, without the "Velmora: " prefix.
bool ReadMatrixFile(const std::string& path, int motifNum, MATRIXSET* set, std::string* error);
