// TRANSFAC matrices, as in JASPAR's *_transfac.txt downloads: records of
// two-letter coded lines, each ended by '//':
//     AC MA0212.1
//     XX
//     ID bcd
//     XX
//     DE MA0212.1 bcd ; From JASPAR
//     PO      A       C       G       T
//     01      0.0     0.0     0.0     22.0
//     02      20.0    0.0     0.0     2.0
//     XX
//     CC tax_group:insects
//     //
// The AC value is the matrix's ID and the ID value its name. The P0 line
// (JASPAR writes it PO, with the letter O) names the columns, A, C, G and T
// each once in either case and in any order, and one row per position
// follows it: the position, numbered 1, 2, 3, ... in order, then the counts
// in the columns the P0 line names, and, in TRANSFAC's own files, a
// consensus letter, which is not needed. Any other line of a record (XX,
// DE, CC, ...) is not needed either, and a record without AC, ID and P0
// lines, such as TRANSFAC's release line "VV", holds no matrix. The counts
// are normalised as every format's are (NormaliseMatrix), so a record gives
// the very probabilities its counts give in Velmora's own format, whether
// written 22 or 22.0.
#include <cctype>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/read/MatrixFormat.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

bool IsP0Word(std::string_view word) { return word == "P0" || word == "PO"; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A P0 line that names columns by letters: what shows the format. One that
// names them wrongly ("P0 A C G U", "P0 A C G") shows it too, so that a file
// whose only P0 line cannot be read is told about that line rather than
// that it holds no matrix.
bool Shows(const MatrixLines& lines, std::size_t i)
{
    if (!IsP0Word(SkipBlanks(lines[i]).substr(0, 2)))
        return false;  // most lines, without splitting them into words
    const std::vector<std::string_view> words = Words(lines[i]);
    if (words.size() < 2 || !IsP0Word(words[0]))
        return false;
    for (std::size_t k = 1; k < words.size(); ++k)
        if (words[k].size() != 1 || !IsLetter(words[k][0]))
            return false;
    return true;
}

// The bases of the columns the P0 line names, in *columns; false unless it
// names A, C, G and T each once.
bool ReadColumns(std::string_view line, ColumnBases* columns)
{
    const std::vector<std::string_view> words = Words(line);
    if (words.size() != 5)
        return false;
    bool named[4] = {false, false, false, false};
    for (std::size_t k = 0; k < 4; ++k) {
        const std::string_view word = words[k + 1];
        const int base = word.size() == 1 ? BaseIndex(word[0]) : -1;
        if (base < 0 || named[base])
            return false;
        named[base] = true;
        (*columns)[k] = base;
    }
    return true;
}

bool Starts(const MatrixLines& lines, std::size_t i)
{
    return Shows(lines, i) && i + 1 < lines.size() && IsNumberRow(lines[i + 1]);
}

// A row's position number, "01" or "1" alike, is `position`.
bool IsPosition(std::string_view word, std::size_t position)
{
    while (word.size() > 1 && word.front() == '0')
        word.remove_prefix(1);
    return word == std::to_string(position);
}

// The record being read.
struct TRANSFACRECORD {
    long long start = 0;       // its first line; 0 between records
    bool holdsMatrix = false;  // it has an AC, ID or P0 line
    std::string_view id, name;
    long long p0 = 0;                    // its P0 line
    ColumnBases columns = kColumnsACGT;  // the bases of its columns, as the P0 line names them
    bool inRows = false;                 // the lines since the P0 line are all rows
    std::vector<double> raw;             // four counts a row
    std::vector<long long> rowLines;
};

// The end of a record that holds a matrix, at line `at` ('//', or the end of
// the file): its matrix joins the set.
bool FinishRecord(const TRANSFACRECORD& record, long long at, const std::string& path, const CFailure& fail,
                  MATRIXSET* set)
{
    const auto width = static_cast<int>(record.raw.size() / 4);
    if (width == 0)
        return fail.Stop(MatrixWhere(path, at) + "the record at line " + std::to_string(record.start) +
                             " ends without matrix rows",
                         at);
    Matrix matrix;
    int bad = 0;
    std::string problem;
    if (!NormaliseMatrix(record.raw, width, &matrix, &bad, &problem, "row")) {
        const long long row = record.rowLines[static_cast<std::size_t>(bad)];
        return fail.Stop(MatrixWhere(path, row) + problem, row);
    }
    set->Add(std::move(matrix), width, record.start, record.id, record.name, record.raw);
    return true;
}

// The P0 line lines[i], which starts the record's rows.
bool ReadP0Line(const MatrixLines& lines, std::size_t i, const std::string& path, const CFailure& fail,
                TRANSFACRECORD* record)
{
    const auto at = static_cast<long long>(i) + 1;
    if (record->p0 != 0)
        return fail.Stop(MatrixWhere(path, at) + "a second P0 line in the record at line " +
                             std::to_string(record->start) + " (the first at line " + std::to_string(record->p0) + ")",
                         at);
    if (!ReadColumns(lines[i], &record->columns))
        return fail.Stop(MatrixWhere(path, at) + "the P0 line names the columns " +
                             QuoteForMessage(AfterFirstWord(lines[i])) +
                             "; it must name A, C, G and T, each once, in any order",
                         at);
    record->p0 = at;
    record->holdsMatrix = record->inRows = true;
    return true;
}

// A line of the record other than a row or a P0 line, such as "AC MA0212.1";
// it ends the rows.
void ReadCodedLine(std::string_view code, std::string_view line, TRANSFACRECORD* record)
{
    record->inRows = false;
    if (code == "AC" || code == "ID")
        record->holdsMatrix = true;
    // The first AC and ID lines count; TRANSFAC's own records may carry more
    // (older accessions).
    if (code == "AC" && record->id.empty())
        record->id = AfterFirstWord(line);
    if (code == "ID" && record->name.empty())
        record->name = AfterFirstWord(line);
}

// A row, line `at`: its position, four counts, perhaps a consensus letter.
bool ReadRow(const std::vector<std::string_view>& words, long long at, const std::string& path, const CFailure& fail,
             TRANSFACRECORD* record)
{
    if (!record->inRows)
        return fail.Stop(
            MatrixWhere(path, at) + "a numbered row outside a matrix; the rows of a matrix follow its P0 line", at);
    const std::size_t position = record->raw.size() / 4 + 1;
    if (!IsPosition(words[0], position))
        return fail.Stop(MatrixWhere(path, at) + "a row numbered " + QuoteForMessage(words[0]) + " where row " +
                             std::to_string(position) + " of the record at line " + std::to_string(record->start) +
                             " should be",
                         at);
    if (position > static_cast<std::size_t>(kMaxMotifWidth))
        return fail.Stop(MatrixWhere(path, record->start) + "the record at line " + std::to_string(record->start) +
                             " is more than " + std::to_string(kMaxMotifWidth) + " positions wide",
                         record->start);
    std::size_t counts = words.size() - 1;
    const std::string_view last = words.back();
    if (counts == 5 && last.size() == 1 && std::isalpha(static_cast<unsigned char>(last[0])))
        counts = 4;  // the consensus letter
    const std::string row = "row " + std::to_string(position);
    if (counts != 4)
        return fail.Stop(MatrixWhere(path, at) + row + " holds " + std::to_string(counts) +
                             " counts; a row holds its number and one count each for A, C, G, T",
                         at);
    std::string problem;
    if (!ParseRowNumbers(std::span(words).subspan(1, 4), row, &record->raw, &problem, record->columns))
        return fail.Stop(MatrixWhere(path, at) + problem, at);
    record->rowLines.push_back(at);
    return true;
}

MATRIXPARSE Parse(const MatrixLines& lines, const std::string& path, const CFormatCheck& check)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    long long first = 0;  // the first record with a P0 line
    TRANSFACRECORD record;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto at = static_cast<long long>(i) + 1;
        const std::vector<std::string_view> words = Words(line);
        if (words.empty())
            continue;
        if (std::string mixed = check.Shows(i, first); !mixed.empty())
            return fail(std::move(mixed), at);
        if (record.start == 0)
            record.start = at;
        const std::string_view code = words[0];
        if (code == "//") {
            if (record.holdsMatrix && !FinishRecord(record, at, path, fail, &result.set))
                return result;
            record = TRANSFACRECORD();
        } else if (IsP0Word(code)) {
            if (!ReadP0Line(lines, i, path, fail, &record))
                return result;
            if (first == 0)
                first = record.start;
        } else if (!IsNumberRow(line)) {
            ReadCodedLine(code, line, &record);
        } else if (!ReadRow(words, at, path, fail, &record)) {
            return result;
        }
    }
    if (record.holdsMatrix) {
        if (record.raw.empty())
            return fail(MatrixAbout(path) + " is truncated: the file ends before the rows of the record at line " +
                            std::to_string(record.start),
                        0, true);
        // The last '//' may be missing.
        (void)FinishRecord(record, static_cast<long long>(lines.size()), path, fail, &result.set);
    }
    return result;
}

}  // namespace

extern const MATRIXFORMAT kTransfacFormat = {
    .name = "TRANSFAC",
    .shows = Shows,
    .starts = Starts,
    .shownAs = "a TRANSFAC P0 line",
    .startedAs = "a TRANSFAC matrix",
    .fileAs = " in a file of TRANSFAC matrices",
    .parse = Parse,
};
