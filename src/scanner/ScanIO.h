// Pieces of the scanner's file handling that the matrix reader, the sequence
// driver and the result writers share, kept out of GibbsDP.h so that they
// can be tested on their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/LineReader.h"
#include "support/MyString.h"

// ---------------------------------------------------------------------------
// Messages

// 'text' in single quotes for a message; a text longer than 60 characters is
// cut and ends in "...", so that a huge sequence name stays one short line.
std::string QuoteForMessage(std::string_view text);
// A path in single quotes, always whole: it is what the user must find.
std::string QuotePath(std::string_view path);

// ---------------------------------------------------------------------------
// Prior weights

// K + 1 weights: entries 0..K-1 are 0.8 / L (a site of each motif), entry K
// is 1 - 0.8 * K / L (a background base). A module of L positions thus
// expects 0.8 sites of each motif.
std::vector<double> PriorWeights(int motifNum, int moduleLength);

// ---------------------------------------------------------------------------
// FASTA records

struct FASTARECORD {
    std::string name;     // header line with its '>', without the line end
    CString letters;      // leading letters of each sequence line, upper-cased
    long long line = 0;   // line number of the header (0 when there is none)
    bool named = false;   // false for the letters of a file without any header
    bool tooLong = false; // more than CTextBuilder::kMaxLength letters: cut short
};

// Splits a FASTA file into records, one at a time, so that memory holds one
// record and not the file. Sequence lines are walked piece by piece as the
// line reader delivers them, and the letters go straight into one growing
// buffer that becomes the record's CString: a record costs one byte per
// base, however long its lines are.
//
// A line beginning with '>' starts a record and names it. From every other
// line the leading letters are taken, upper-cased, up to the first
// character that is not an ASCII letter (a blank, a digit, a carriage
// return, ...); the rest of the line is dropped. Letters before the first
// header belong to no record and are dropped, except in a file that has no
// header at all: there they form one unnamed record.
//
// Next always yields at least one record, even for an empty file, so that
// every run ends with a last sequence like the one its headers announced.
class CFastaReader {
public:
    explicit CFastaReader(CLineReader& lines) : m_lines(lines) {}

    // Moves the next record into *record; false when there is none left.
    // After a read error of the source the last record is cut short: check
    // the line reader's Failed() before using it.
    bool Next(FASTARECORD* record);
    // True once the last record has been handed out.
    bool Done() const { return m_finished; }

private:
    CLineReader& m_lines;
    std::string m_name;        // header of the record being gathered
    long long m_nameLine = 0;
    bool m_haveHeader = false;
    bool m_finished = false;
};

// Number of ASCII letters at the start of text (text.size() when it holds
// nothing else).
std::size_t LeadingLetters(std::string_view text);

// ---------------------------------------------------------------------------
// Result files

std::string ModuleFileName(const CString& outFile);
std::string MotifFileName(const CString& outFile, int motif);  // motif 1..K

// Checks, before anything is written, that the module file and the K motif
// files (and with bed the two BED files) can all be opened for appending.
// On failure *error names the file and the reason, and every file this
// check created is removed again, so a failed run leaves the directory as
// it found it. With `before` it also notes each file's size, for
// RestoreResultFiles.
struct RESULTFILESIZES {
    std::vector<std::string> names;
    std::vector<long long> sizes;  // -1: created by this run; -2: not a regular file
};
bool CheckResultFiles(const CString& outFile, int motifNum, std::string* error, bool bed = false,
                      RESULTFILESIZES* before = nullptr);
// Takes a run's lines back out of the result files after an input turned
// out bad half-way (a corrupt or truncated gzip stream, a read error): each
// regular file is cut back to its size before the run, and a file the run
// created is removed, so that no partial results look like a finished run.
void RestoreResultFiles(const RESULTFILESIZES& before);
