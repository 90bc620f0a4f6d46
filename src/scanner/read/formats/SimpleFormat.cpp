// The simple matrix format that many motif-cluster scanners read: a header
// line '>' and a name, then one row per position of four numbers for A, C,
// G and T (counts or probabilities) standing apart by blanks, up to the
// next header:
//     >bcd
//     0 0 0 22
//     20 0 0 2
// The name is the header's whole text; there is no ID. Blank lines and '#'
// comments may stand anywhere; lines before the first header are not read.
// Which '>' headers are this format's and which are Velmora's own is
// IsNamedHeader's to say (MatrixFormat.cpp).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/read/MatrixFormat.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

MATRIXPARSE Parse(const MatrixLines& lines, const std::string& path, const CFormatCheck& check)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    std::string problem;
    long long first = 0;   // the first header
    long long header = 0;  // the header of the matrix being read; 0 before the first
    std::vector<double> raw;
    std::vector<long long> rowLines;

    auto finish = [&]() {
        if (header == 0)
            return true;
        Matrix matrix;
        int bad = 0;
        const auto width = static_cast<int>(rowLines.size());
        if (!NormaliseMatrix(raw, width, &matrix, &bad, &problem, "row")) {
            const long long at = rowLines[static_cast<std::size_t>(bad)];
            fail(MatrixWhere(path, at) + problem, at);
            return false;
        }
        const std::string_view text = std::string_view(lines[static_cast<std::size_t>(header) - 1]).substr(1);
        result.set.Add(std::move(matrix), width, header, {}, Trim(text), std::move(raw));
        return true;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto at = static_cast<long long>(i) + 1;
        if (IsBlankOrComment(line))
            continue;
        if (IsHeader(line)) {
            // A header of another format: every header that is not ours
            // shows one (Velmora's or JASPAR's).
            if (!IsNamedHeader(lines, i))
                return fail(check.Shows(i, first), at);
            if (!finish())
                return result;
            header = at;
            if (first == 0)
                first = at;
            raw.clear();
            rowLines.clear();
            continue;
        }
        if (std::string mixed = check.Shows(i, first); !mixed.empty())
            return fail(std::move(mixed), at);
        if (header == 0)
            continue;
        const std::string row = "row " + std::to_string(rowLines.size() + 1);
        if (!IsSimpleRow(line))
            return fail(MatrixWhere(path, at) + "found " + QuoteForMessage(line) + " where " + row +
                            " of the matrix at line " + std::to_string(header) + " or a '>' header should be",
                        at);
        if (rowLines.size() == static_cast<std::size_t>(kMaxMotifWidth))
            return fail(MatrixWhere(path, header) + "the matrix at line " + std::to_string(header) + " is more than " +
                            std::to_string(kMaxMotifWidth) + " positions wide",
                        header);
        const std::vector<std::string_view> words = Words(line);
        if (words.size() != 4)
            return fail(MatrixWhere(path, at) + row + " holds " + std::to_string(words.size()) +
                            " numbers; a row holds four, for A, C, G, T",
                        at);
        if (!ParseRowNumbers(words, row, &raw, &problem))
            return fail(MatrixWhere(path, at) + problem, at);
        rowLines.push_back(at);
    }
    finish();
    return result;
}

}  // namespace

extern const MATRIXFORMAT kSimpleFormat = {
    .name = "simple",
    .shows = IsNamedHeader,
    .starts = IsNamedHeader,
    .shownAs = "a '>' matrix header",
    .startedAs = "a '>name' matrix",
    .fileAs = " in a file of '>name' matrices",
    .parse = Parse,
};
