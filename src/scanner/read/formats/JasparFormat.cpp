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
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/read/MatrixFormat.h"
#include "support/Messages.h"

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

MATRIXPARSE Parse(const MatrixLines& lines, const std::string& path, const CFormatCheck& check)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    const std::size_t n = lines.size();

    // The block being read.
    long long header = 0;  // its header line; 0 before the first
    std::vector<double> rows[4];
    long long rowLine[4] = {};
    int rowCount = 0;
    long long first = 0;  // the first block's header line

    auto missing = [&]() {
        for (int b = 0; b < 4; ++b)
            if (rowLine[b] == 0)
                return std::string(1, kBases[b]);
        return std::string();
    };
    std::string problem;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view line = lines[i];
        const auto at = static_cast<long long>(i) + 1;
        if (IsHeader(line)) {
            if (header != 0 && rowCount < 4)
                return fail(MatrixWhere(path, at) + "a header where the " + missing() + " row of the matrix at line " +
                                std::to_string(header) + " should be",
                            at);
            // Other formats' blocks start with '>' too; a header that does
            // not surely start one is ours, and any fault is told below.
            if (std::string mixed = check.Starts(i, first); !mixed.empty())
                return fail(std::move(mixed), at);
            header = at;
            if (first == 0)
                first = at;
            rowCount = 0;
            for (int b = 0; b < 4; ++b) {
                rows[b].clear();
                rowLine[b] = 0;
            }
            continue;
        }
        if (std::string mixed = check.Shows(i, first); !mixed.empty())
            return fail(std::move(mixed), at);
        const bool inBlock = header != 0 && rowCount < 4;
        if (!inBlock) {
            // Outside a block only a row of numbers is out of place; any
            // other line is a comment.
            if (!IsLetterRow(line))
                continue;
            std::string_view rest = Trim(SkipBlanks(line).substr(1));
            if (!rest.empty() && rest.front() == '[')
                rest = SkipBlanks(rest.substr(1));
            if (!IsNumberRow(rest))
                continue;
            const char letter = kBases[BaseIndex(SkipBlanks(line)[0])];
            if (header == 0)
                return fail(MatrixWhere(path, at) + "a letter row (" + letter + ") before any '>' header", at);
            return fail(MatrixWhere(path, at) + "a second " + letter + " row for the matrix at line " +
                            std::to_string(header) + " (the first at line " +
                            std::to_string(rowLine[BaseIndex(letter)]) + ")",
                        at);
        }
        if (!IsLetterRow(line))
            return fail(MatrixWhere(path, at) + "the " + missing() + " row of the matrix at line " +
                            std::to_string(header) + " is missing; found " + QuoteForMessage(line),
                        at);
        int base = 0;
        std::vector<double> values;
        if (!ParseLetterRow(line, &base, &values, &problem))
            return fail(MatrixWhere(path, at) + problem, at);
        if (rowLine[base] != 0)
            return fail(MatrixWhere(path, at) + "a second " + kBases[base] + " row for the matrix at line " +
                            std::to_string(header) + " (the first at line " + std::to_string(rowLine[base]) + ")",
                        at);
        for (int b = 0; b < 4; ++b) {
            if (rowLine[b] == 0 || rows[b].size() == values.size())
                continue;
            return fail(MatrixWhere(path, at) + "the " + kBases[base] + " row holds " + std::to_string(values.size()) +
                            " numbers but the " + kBases[b] + " row (line " + std::to_string(rowLine[b]) + ") holds " +
                            std::to_string(rows[b].size()) + "; the rows of a matrix are equally long",
                        at);
        }
        rows[base] = std::move(values);
        rowLine[base] = at;
        if (++rowCount < 4)
            continue;

        // All four rows: the matrix is complete.
        const std::size_t width = rows[0].size();
        if (width > static_cast<std::size_t>(kMaxMotifWidth))
            return fail(MatrixWhere(path, header) + "the matrix is " + std::to_string(width) +
                            " positions wide; at most " + std::to_string(kMaxMotifWidth) + " are allowed",
                        header);
        std::vector<double> raw(width * 4);
        for (std::size_t j = 0; j < width; ++j)
            for (int b = 0; b < 4; ++b)
                raw[j * 4 + static_cast<std::size_t>(b)] = rows[b][j];
        Matrix matrix;
        int bad = 0;
        if (!NormaliseMatrix(raw, static_cast<int>(width), &matrix, &bad, &problem, "position"))
            return fail(MatrixWhere(path, header) + problem + " (column " + std::to_string(bad + 1) +
                            " of the matrix's rows)",
                        header);
        const std::string_view text = std::string_view(lines[static_cast<std::size_t>(header) - 1]).substr(1);
        result.set.Add(std::move(matrix), static_cast<int>(width), header, FirstWord(text), AfterFirstWord(text));
    }
    if (header != 0 && rowCount < 4)
        return fail(MatrixAbout(path) + " is truncated: the file ends before the " + missing() +
                        " row of the matrix at line " + std::to_string(header),
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
