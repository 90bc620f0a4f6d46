// MEME minimal motif format: "MEME version", optional ALPHABET= ACGT,
// strands: and Background lines, then per motif a MOTIF id [name] line (the
// name, MEME's alternate name, is the rest of the line) and a
//     letter-probability matrix: alength= 4 w= 6 nsites= 22 E= 0
// line followed by w rows of four probabilities (A, C, G, T). Other lines
// (URL, blank lines, text) are ignored. When every probability of a matrix
// times its nsites= value lies within 1e-6 of a whole number, the matrix is
// read as those whole numbers: the counts it was made from, so that a MEME
// file converted from counts gives the very same doubles as the counts do.
// Otherwise the probabilities are used as given (normalised like counts).
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/read/MatrixFormat.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

// text begins with word, followed by its end or a blank.
bool StartsWithWord(std::string_view text, std::string_view word)
{
    return StartsWith(text, word) && (text.size() == word.size() || IsBlank(text[word.size()]));
}

// The line that starts a matrix: "letter-probability matrix".
bool IsMatrixLine(std::string_view line) { return StartsWith(SkipBlanks(line), "letter-probability matrix"); }

// A line that belongs to this format: "MEME version", "MOTIF" as a word,
// or "letter-probability matrix".
bool Shows(const MatrixLines& lines, std::size_t i)
{
    const std::string_view t = SkipBlanks(lines[i]);
    return StartsWith(t, "MEME version") || StartsWithWord(t, "MOTIF") || IsMatrixLine(t);
}

bool Starts(const MatrixLines& lines, std::size_t i) { return IsMatrixLine(lines[i]); }

// A whole number for a key= value of the matrix line.
bool ReadWhole(std::string_view text, long* value)
{
    if (text.empty() || text.size() > 9)
        return false;
    long v = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

bool ReadDecimal(std::string_view text, double* value)
{
    const std::string number(text);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// The key= value pairs of a letter-probability matrix line, after its
// colon: "alength= 4 w= 6" and "alength=4 w=6" alike.
struct MEMEMATRIXLINE {
    long alength = 4;
    long width = -1;    // -1: not given, the rows end at the first other line
    double nsites = 0;  // 0: not given
};

bool ParseMatrixLine(std::string_view line, MEMEMATRIXLINE* info, std::string* problem)
{
    std::string_view t = SkipBlanks(line).substr(std::string_view("letter-probability matrix").size());
    t = SkipBlanks(t);
    if (!t.empty() && t.front() == ':')
        t.remove_prefix(1);
    const std::vector<std::string_view> words = Words(t);
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::size_t eq = words[k].find('=');
        if (eq == std::string_view::npos)
            continue;  // not a key
        const std::string_view key = words[k].substr(0, eq);
        std::string_view value = words[k].substr(eq + 1);
        if (value.empty() && k + 1 < words.size())
            value = words[++k];
        const std::string shown = std::string(key) + "= " + QuoteForMessage(value);
        if (key == "alength") {
            if (!ReadWhole(value, &info->alength)) {
                *problem = shown + " is not a whole number";
                return false;
            }
            if (info->alength != 4) {
                *problem = "alength= " + std::string(value) + ": only the four letters A, C, G, T can be read";
                return false;
            }
        } else if (key == "w") {
            if (value.size() > 1 && value[0] == '-' && ReadWhole(value.substr(1), &info->width)) {
                *problem = "w= " + std::string(value) + " is negative: a motif is 1 to " +
                           std::to_string(kMaxMotifWidth) + " positions wide";
                return false;
            }
            if (!ReadWhole(value, &info->width)) {
                *problem = shown + " is not a whole number";
                return false;
            }
            if (info->width < 1 || info->width > kMaxMotifWidth) {
                *problem = "w= " + std::string(value) + ": a motif is 1 to " + std::to_string(kMaxMotifWidth) +
                           " positions wide";
                return false;
            }
        } else if (key == "nsites") {
            if (!ReadDecimal(value, &info->nsites)) {
                *problem = shown + " is not a number";
                return false;
            }
        }
        // E= and anything else: not needed.
    }
    return true;
}

// The counts behind a matrix of probabilities, when every probability
// times nsites is a whole number (within 1e-6).
void RestoreCounts(std::vector<double>* raw, double nsites)
{
    if (!(nsites > 0))
        return;
    for (const double p : *raw) {
        const double count = p * nsites;
        if (!std::isfinite(count) || std::fabs(count - std::round(count)) > 1e-6)
            return;
    }
    for (double& p : *raw)
        p = std::round(p * nsites);
}

// An ALPHABET line: only DNA can be read. What is wrong with it, or empty.
std::string AlphabetProblem(std::string_view t)
{
    const std::string_view rest = SkipBlanks(t.substr(std::string_view("ALPHABET").size()));
    if (rest.empty() || rest.front() != '=')
        return "only the DNA alphabet (ALPHABET= ACGT) can be read";
    const std::string_view letters = Trim(rest.substr(1));
    if (letters != "ACGT" && letters != "acgt")
        return "the alphabet " + QuoteForMessage(letters) + " is not ACGT; only DNA motifs can be read";
    return {};
}

// The motif being read: its MOTIF line and what that line calls it.
struct MEMEMOTIF {
    long long line = 0;  // 0 before the first MOTIF line
    std::string_view id, name;
    bool hasMatrix = false;
};

// The MOTIF line t, line `at` of the file: id, then the rest as the name.
MEMEMOTIF ReadMotifLine(std::string_view t, long long at)
{
    const std::string_view text = SkipBlanks(t.substr(std::string_view("MOTIF").size()));
    return {.line = at, .id = FirstWord(text), .name = AfterFirstWord(text)};
}

// The rows under the matrix line lines[*i], whose four numbers join *raw:
// w= of them, or without w= every row up to the first line that is not
// one. *i ends at the last row.
bool ReadRows(const MatrixLines& lines, std::size_t* i, const MEMEMATRIXLINE& info, const std::string& path,
              const CFailure& fail, std::vector<double>* raw)
{
    const auto header = static_cast<long long>(*i) + 1;
    const std::string matrixAt = "the matrix at line " + std::to_string(header);
    long rowCount = 0;
    while (info.width < 0 || rowCount != info.width) {
        if (*i + 1 >= lines.size()) {
            if (info.width < 0)
                break;
            return fail.Stop(MatrixAbout(path) + " is truncated: " + matrixAt +
                                 " has w= " + std::to_string(info.width) + " but the file ends after " + Rows(rowCount),
                             0, true);
        }
        const auto rowAt = static_cast<long long>(*i) + 2;
        if (!IsNumberRow(lines[*i + 1])) {
            if (info.width < 0)
                break;
            return fail.Stop(MatrixWhere(path, rowAt) + matrixAt + " has " + Rows(rowCount) + " where w= says " +
                                 std::to_string(info.width) + "; found " + QuoteForMessage(lines[*i + 1]),
                             rowAt);
        }
        ++*i;
        if (++rowCount > kMaxMotifWidth)
            return fail.Stop(MatrixWhere(path, header) + matrixAt + " is more than " + std::to_string(kMaxMotifWidth) +
                                 " positions wide",
                             header);
        const std::vector<std::string_view> words = Words(lines[*i]);
        if (words.size() != 4)
            return fail.Stop(MatrixWhere(path, rowAt) + "row " + std::to_string(rowCount) + " holds " +
                                 std::to_string(words.size()) + " numbers; alength= 4 needs one for each of A, C, G, T",
                             rowAt);
        std::string problem;
        if (!ParseRowNumbers(words, "row " + std::to_string(rowCount), raw, &problem))
            return fail.Stop(MatrixWhere(path, rowAt) + problem, rowAt);
    }
    return true;
}

// The letter-probability matrix at lines[*i] for *motif: its line, its
// rows and the end of them. The matrix joins the set; *i ends at its last
// row.
bool ReadMatrix(const MatrixLines& lines, std::size_t* i, const std::string& path, const CFailure& fail,
                MEMEMOTIF* motif, MATRIXSET* set)
{
    const auto header = static_cast<long long>(*i) + 1;
    if (motif->line == 0)
        return fail.Stop(MatrixWhere(path, header) + "a letter-probability matrix before any MOTIF line", header);
    if (motif->hasMatrix)
        return fail.Stop(MatrixWhere(path, header) + "a second letter-probability matrix for the MOTIF at line " +
                             std::to_string(motif->line),
                         header);
    MEMEMATRIXLINE info;
    std::string problem;
    if (!ParseMatrixLine(lines[*i], &info, &problem))
        return fail.Stop(MatrixWhere(path, header) + problem, header);
    std::vector<double> raw;
    if (!ReadRows(lines, i, info, path, fail, &raw))
        return false;
    const auto width = static_cast<int>(raw.size() / 4);
    const std::string matrixAt = "the matrix at line " + std::to_string(header);
    if (width == 0)
        return fail.Stop(MatrixWhere(path, header) + matrixAt + " has no rows", header);
    const auto next = static_cast<long long>(*i) + 2;  // the line after the rows
    if (*i + 1 < lines.size() && IsNumberRow(lines[*i + 1]))
        return fail.Stop(MatrixWhere(path, next) + "a row beyond the w= " + std::to_string(info.width) + " rows of " +
                             matrixAt,
                         next);
    RestoreCounts(&raw, info.nsites);
    Matrix matrix;
    int bad = 0;
    if (!NormaliseMatrix(raw, width, &matrix, &bad, &problem, "row"))
        return fail.Stop(MatrixWhere(path, header + 1 + bad) + problem, header + 1 + bad);
    set->Add(std::move(matrix), width, header, motif->id, motif->name, std::move(raw));
    motif->hasMatrix = true;
    return true;
}

MATRIXPARSE Parse(const MatrixLines& lines, const std::string& path, const CFormatCheck& check)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    long long first = 0;  // the first MEME line
    MEMEMOTIF motif;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view t = SkipBlanks(lines[i]);
        const auto at = static_cast<long long>(i) + 1;
        if (first == 0 && Shows(lines, i))
            first = at;
        if (std::string mixed = check.Shows(i, first); !mixed.empty())
            return fail(std::move(mixed), at);
        if (StartsWith(t, "ALPHABET")) {
            if (std::string problem = AlphabetProblem(t); !problem.empty())
                return fail(MatrixWhere(path, at) + problem, at);
        } else if (StartsWithWord(t, "MOTIF")) {
            if (motif.line != 0 && !motif.hasMatrix)
                return fail(MatrixWhere(path, at) + "a new MOTIF, but the MOTIF at line " + std::to_string(motif.line) +
                                " has no letter-probability matrix",
                            at);
            motif = ReadMotifLine(t, at);
        } else if (IsMatrixLine(t) && !ReadMatrix(lines, &i, path, fail, &motif, &result.set)) {
            return result;
        }
        // Any other line (MEME version, strands, Background, URL, text) is
        // not needed.
    }
    if (motif.line != 0 && !motif.hasMatrix)
        return fail(MatrixAbout(path) + " is truncated: the MOTIF at line " + std::to_string(motif.line) +
                        " has no letter-probability matrix",
                    0, true);
    return result;
}

}  // namespace

extern const MATRIXFORMAT kMemeFormat = {
    .name = "MEME",
    .shows = Shows,
    .starts = Starts,
    .shownAs = "a MEME motif line",
    .startedAs = "a MEME matrix",
    .fileAs = " in a file of MEME matrices",
    .parse = Parse,
};
