// The weight-matrix file: Velmora's own format, the formats of the public
// motif collections (JASPAR, MEME minimal motif format, TRANSFAC) or the
// simple '>name' format that motif-cluster scanners read, plain or
// gzip-compressed, all read into the same normalised matrices.
//
// The whole file is read into lines, and its format is chosen from the
// content with the formats of MatrixFormats() in their order:
//   1. The first format that reads the whole file, with at least one
//      matrix, is the file's format. Velmora's own comes first, so a file
//      that reads as it is in it: lines outside its blocks stay comments,
//      whatever they say.
//   2. Otherwise the first line that shows a format decides, and that
//      format's error is reported: a '>' header followed by a letter row
//      ("A [", "C 12 ...") is JASPAR, a '>' name (not a number) above a row
//      of numbers apart by blanks is the simple format (IsNamedHeader), any
//      other '>' header is Velmora's own, a "MEME version", "MOTIF" or
//      "letter-probability matrix" line is MEME, and a P0 line naming the
//      columns by letters ("P0 A C G T", in any order) is TRANSFAC. With
//      no such line, the file is in Velmora's own.
// One file holds one format: a block of another format is an error naming
// its line. Among the lines outside the chosen format's blocks, one that
// starts a block of another format (a MEME matrix among own-format
// comments) is an error too; one that only shows another format is, when
// the number of matrices is not the one asked for, as its likely reason.
// Matrices keep file order as motifs 1..K, and each position's four values
// (A, C, G, T) are normalised alike, so the same counts give the same
// matrices bit for bit in every format.
//
// Every problem stops the run with one message naming the file and line,
// before anything is written: a matrix read wrongly would only show up as
// odd modules much later. A file that fails and starts like FASTA (a '>'
// header above a line of bases) is said to be a sequence file instead: the
// inputs swapped are far likelier than a matrix broken that way.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "scanner/read/MatrixFormat.h"

// Reads the matrix file at `path`, which must hold motifNum matrices (at
// least one when motifNum is 0), into *set. False with the message (without the "Velmora: " prefix) in *error
// when it cannot; *set is then left alone.
bool ReadMatrixFile(const std::string& path, int motifNum, MATRIXSET* set, std::string* error);

// Keeps of *set only the matrices asked for by `wanted`, in that order:
// for each word the matrix whose ID is the word, or else the one whose name
// is (exactly, case and all). No words keep the set whole. False with the
// message in *error, the set left alone, when a word names no matrix (the
// message then lists the nearest IDs and names of the file), when no ID but
// several names are the word (the message lists their IDs: taking the
// first would scan with a matrix the user may not have meant), or when two
// words ask for the same matrix, which a scan cannot use twice. `path` is
// the matrix file, for the messages.
bool SelectMatrices(MATRIXSET* set, const std::vector<std::string>& wanted, const std::string& path,
                    std::string* error);

// The formats a file can be in, in the order a file is tried with them.
std::span<const MATRIXFORMAT* const> MatrixFormats();

// The format that the first format-showing line points to (rule 2 above),
// and that line's number in *line (0 and Velmora's own when no line shows a
// format).
const MATRIXFORMAT& FirstFormatLine(const MatrixLines& lines, long long* line);
