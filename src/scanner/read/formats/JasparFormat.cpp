// JASPAR matrices: a header line '>' ID [name] (the name is the rest of the
// line), then four letter rows, one per base, each the letter, optional
// blanks, and the counts, optionally in square brackets:
//     >MA0212.1 bcd
//     A  [     0    20    22     0     0     0 ]
//     C  [     0     0     0     0    22    21 ]
//     G  [     0     0     0     1     0     0 ]
//     T  [    22     2     0    21     0     1 ]
// Numbers are separated by blanks or tabs; each letter comes once, in any
// order; the rows are equally long. Lines outside blocks are comments.
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/read/MatrixFormat.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

// One letter row: which base, and its numbers.
bool ParseLetterRow(std::string_view line, int* base, std::vector<double>* values, std::string* problem)
{
    std::string_view t = SkipBlanks(line);
    *base = t.empty() ? -1 : BaseIndex(t[0]);
    if (*base < 0) {
        *problem = "not a letter row";  // callers check IsLetterRow first
        return false;
    }
    const std::string row = std::string("the ") + kBases[*base] + " row";
    t = Trim(t.substr(1));
    if (!t.empty() && t.front() == '[') {
        t.remove_prefix(1);
        if (t.empty() || t.back() != ']') {
            *problem = row + " opens '[' but does not close it with ']'";
            return false;
        }
        t.remove_suffix(1);
    }
    values->clear();
    const std::vector<std::string_view> words = Words(t);
    for (std::size_t j = 0; j < words.size(); ++j) {
        double v = 0;
        if (!ParseMatrixNumber(words[j], row + ", column " + std::to_string(j + 1) + ":", &v, problem))
            return false;
        values->push_back(v);
    }
    if (values->empty()) {
        *problem = row + " holds no numbers";
        return false;
    }
    return true;
}

// The block being read.
struct JASPARBLOCK {
    long long header = 0;  // its header line; 0 before the first
    std::array<std::vector<double>, 4> rows;
    std::array<long long, 4> rowLine {};  // 0: that row is not read yet
    int rowCount = 0;

    // Its header is read, and not all of its rows.
    bool Open() const { return header != 0 && rowCount < 4; }
    // The letter of the first row that is not read yet.
    std::string Missing() const
    {
        for (int b = 0; b < 4; ++b)
            if (rowLine[b] == 0)
                return std::string(1, kBases[b]);
        return {};
    }
};

// A line outside a block, line `at`: only a row of numbers is out of place
// there; any other line is a comment.
bool ReadOutsideLine(std::string_view line, long long at, const JASPARBLOCK& block, const std::string& path,
                     const CFailure& fail)
{
    if (!IsLetterRow(line))
        return true;
    std::string_view rest = Trim(SkipBlanks(line).substr(1));
    if (!rest.empty() && rest.front() == '[')
        rest = SkipBlanks(rest.substr(1));
    if (!IsNumberRow(rest))
        return true;
    const char letter = kBases[BaseIndex(SkipBlanks(line)[0])];
    if (block.header == 0)
        return fail.Stop(MatrixWhere(path, at) + "a letter row (" + letter + ") before any '>' header", at);
    return fail.Stop(MatrixWhere(path, at) + "a second " + letter + " row for the matrix at line " +
                         std::to_string(block.header) + " (the first at line " +
                         std::to_string(block.rowLine[BaseIndex(letter)]) + ")",
                     at);
}

// A line inside a block, line `at`: the next of its letter rows.
bool ReadBlockRow(std::string_view line, long long at, const std::string& path, const CFailure& fail,
                  JASPARBLOCK* block)
{
    if (!IsLetterRow(line))
        return fail.Stop(MatrixWhere(path, at) + "the " + block->Missing() + " row of the matrix at line " +
                             std::to_string(block->header) + " is missing; found " + QuoteForMessage(line),
                         at);
    int base = 0;
    std::vector<double> values;
    std::string problem;
    if (!ParseLetterRow(line, &base, &values, &problem))
        return fail.Stop(MatrixWhere(path, at) + problem, at);
    if (block->rowLine[base] != 0)
        return fail.Stop(MatrixWhere(path, at) + "a second " + kBases[base] + " row for the matrix at line " +
                             std::to_string(block->header) + " (the first at line " +
                             std::to_string(block->rowLine[base]) + ")",
                         at);
    for (int b = 0; b < 4; ++b) {
        if (block->rowLine[b] == 0 || block->rows[b].size() == values.size())
            continue;
        return fail.Stop(MatrixWhere(path, at) + "the " + kBases[base] + " row holds " + std::to_string(values.size()) +
                             " numbers but the " + kBases[b] + " row (line " + std::to_string(block->rowLine[b]) +
                             ") holds " + std::to_string(block->rows[b].size()) +
                             "; the rows of a matrix are equally long",
                         at);
    }
    block->rows[base] = std::move(values);
    block->rowLine[base] = at;
    ++block->rowCount;
    return true;
}

// The block has all four rows: its matrix joins the set.
bool FinishBlock(const MatrixLines& lines, const JASPARBLOCK& block, const std::string& path, const CFailure& fail,
                 MATRIXSET* set)
{
    const std::size_t width = block.rows[0].size();
    if (width > static_cast<std::size_t>(kMaxMotifWidth))
        return fail.Stop(MatrixWhere(path, block.header) + "the matrix is " + std::to_string(width) +
                             " positions wide; at most " + std::to_string(kMaxMotifWidth) + " are allowed",
                         block.header);
    std::vector<double> raw(width * 4);
    for (std::size_t j = 0; j < width; ++j)
        for (int b = 0; b < 4; ++b)
            raw[j * 4 + static_cast<std::size_t>(b)] = block.rows[b][j];
    Matrix matrix;
    int bad = 0;
    std::string problem;
    if (!NormaliseMatrix(raw, static_cast<int>(width), &matrix, &bad, &problem, "position"))
        return fail.Stop(MatrixWhere(path, block.header) + problem + " (column " + std::to_string(bad + 1) +
                             " of the matrix's rows)",
                         block.header);
    const std::string_view text = std::string_view(lines[static_cast<std::size_t>(block.header) - 1]).substr(1);
    set->Add(std::move(matrix), static_cast<int>(width), block.header, FirstWord(text), AfterFirstWord(text),
             std::move(raw));
    return true;
}

MATRIXPARSE Parse(const MatrixLines& lines, const std::string& path, const CFormatCheck& check)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    long long first = 0;  // the first block's header line
    JASPARBLOCK block;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto at = static_cast<long long>(i) + 1;
        if (IsHeader(line)) {
            if (block.Open())
                return fail(MatrixWhere(path, at) + "a header where the " + block.Missing() +
                                " row of the matrix at line " + std::to_string(block.header) + " should be",
                            at);
            // Other formats' blocks start with '>' too; a header that does
            // not surely start one is ours, and any fault is told below.
            if (std::string mixed = check.Starts(i, first); !mixed.empty())
                return fail(std::move(mixed), at);
            block = JASPARBLOCK();
            block.header = at;
            if (first == 0)
                first = at;
            continue;
        }
        if (std::string mixed = check.Shows(i, first); !mixed.empty())
            return fail(std::move(mixed), at);
        if (!block.Open()) {
            if (!ReadOutsideLine(line, at, block, path, fail))
                return result;
            continue;
        }
        if (!ReadBlockRow(line, at, path, fail, &block))
            return result;
        if (block.rowCount == 4 && !FinishBlock(lines, block, path, fail, &result.set))
            return result;
    }
    if (block.Open())
        return fail(MatrixAbout(path) + " is truncated: the file ends before the " + block.Missing() +
                        " row of the matrix at line " + std::to_string(block.header),
                    0, true);
    return result;
}

// A '>' header followed by a letter row.
bool Starts(const MatrixLines& lines, std::size_t i)
{
    return IsHeader(lines[i]) && i + 1 < lines.size() && IsLetterRow(lines[i + 1]);
}

}  // namespace

extern const MATRIXFORMAT kJasparFormat = {
    .name = "JASPAR",
    .shows = Starts,
    .starts = Starts,
    .shownAs = "a '>' matrix header",
    .startedAs = "a JASPAR matrix",
    .fileAs = " in a file of JASPAR matrices",
    .parse = Parse,
};
