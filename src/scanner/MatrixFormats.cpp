// The matrix formats of the public motif collections: JASPAR and MEME
// minimal motif format (MatrixFormats.h tells how a file's format is
// recognised). Both end in the same normalised matrices as Velmora's own
// format, with the same kinds of messages: file, line, what is wrong.
//
// JASPAR: a header line '>' ID [name], then four letter rows, one per base,
// each the letter, optional blanks, and the counts, optionally in square
// brackets:
//     >MA0212.1 bcd
//     A  [     0    20    22     0     0     0 ]
//     C  [     0     0     0     0    22    21 ]
//     G  [     0     0     0     1     0     0 ]
//     T  [    22     2     0    21     0     1 ]
// Numbers are separated by blanks or tabs; each letter comes once, in any
// order; the rows are equally long. Lines outside blocks are comments.
//
// MEME: "MEME version", optional ALPHABET= ACGT, strands: and Background
// lines, then per motif a MOTIF id [name] line and a
//     letter-probability matrix: alength= 4 w= 6 nsites= 22 E= 0
// line followed by w rows of four probabilities (A, C, G, T). Other lines
// (URL, blank lines, text) are ignored. When every probability of a matrix
// times its nsites= value lies within 1e-6 of a whole number, the matrix is
// read as those whole numbers: the counts it was made from, so that a MEME
// file converted from counts gives the very same doubles as the counts do.
// Otherwise the probabilities are used as given (normalised like counts).
#include "scanner/MatrixFormats.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/Messages.h"

namespace {

constexpr const char kBases[] = "ACGT";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text)
{
    text = SkipBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// text begins with word, followed by its end or a blank.
bool StartsWithWord(std::string_view text, std::string_view word)
{
    return StartsWith(text, word) && (text.size() == word.size() || IsBlank(text[word.size()]));
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

int BaseIndex(char letter)
{
    switch (letter) {
    case 'A': case 'a': return 0;
    case 'C': case 'c': return 1;
    case 'G': case 'g': return 2;
    case 'T': case 't': return 3;
    default: return -1;
    }
}

// A line that starts like a number (a matrix row of numbers).
bool IsNumberRow(std::string_view line)
{
    const std::string_view t = SkipBlanks(line);
    return !t.empty() && (IsDigit(t[0]) || t[0] == '.' || t[0] == '+' || t[0] == '-');
}

// A '>' header in Velmora's own format: the text after '>' starts with the
// width, and the next line is a row of numbers.
bool IsOwnHeader(const MatrixLines& lines, std::size_t i)
{
    const std::string_view text = SkipBlanks(std::string_view(lines[i]).substr(1));
    const bool number = !text.empty() && (IsDigit(text[0]) || (text[0] == '+' && text.size() > 1 && IsDigit(text[1])));
    return number && i + 1 < lines.size() && IsNumberRow(lines[i + 1]);
}

std::string About(const std::string& path) { return "matrix file " + QuotePath(path); }

// A whole number for a key= value of MEME's matrix line.
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

// Builds the normalised matrix from width positions of four raw values
// each (position-major, A, C, G, T); *bad is the 0-based position that
// cannot be normalised.
bool Normalise(const std::vector<double>& raw, int width, Matrix* matrix, int* bad, std::string* problem,
               const std::string& positionWord)
{
    matrix->assign(static_cast<std::size_t>(width) * 4, 0.0);
    for (int j = 0; j < width; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * 4;
        if (!NormalisePosition(&raw[at], matrix->data() + at, positionWord + " " + std::to_string(j + 1), problem)) {
            *bad = j;
            return false;
        }
    }
    return true;
}

class CFailure {
public:
    explicit CFailure(MATRIXPARSE* result) : m_result(result) {}
    MATRIXPARSE operator()(std::string text, long long line, bool truncated = false) const
    {
        m_result->ok = false;
        m_result->error = std::move(text);
        m_result->errorLine = line;
        m_result->truncated = truncated;
        return *m_result;
    }

private:
    MATRIXPARSE* m_result;
};

std::string OneFormat(const char* what, const char* format, long long first)
{
    return std::string(what) + " in a file of " + format + " matrices (the first at line " + std::to_string(first) +
           "); one file holds one format";
}

}  // namespace

const char* MatrixFormatName(MatrixFormat format)
{
    switch (format) {
    case MatrixFormat::Jaspar: return "JASPAR";
    case MatrixFormat::Meme: return "MEME";
    case MatrixFormat::Own: break;
    }
    return "Velmora";
}

bool IsLetterRow(std::string_view line)
{
    const std::string_view t = SkipBlanks(line);
    return t.size() >= 2 && BaseIndex(t[0]) >= 0 && (t[1] == ' ' || t[1] == '\t' || t[1] == '[');
}

bool IsMemeLine(std::string_view line)
{
    const std::string_view t = SkipBlanks(line);
    return StartsWith(t, "MEME version") || StartsWithWord(t, "MOTIF") || IsMemeMatrixLine(t);
}

bool IsMemeMatrixLine(std::string_view line) { return StartsWith(SkipBlanks(line), "letter-probability matrix"); }

MatrixFormat FirstFormatLine(const MatrixLines& lines, long long* line)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& text = lines[i];
        if (!text.empty() && text[0] == '>') {
            *line = static_cast<long long>(i) + 1;
            return i + 1 < lines.size() && IsLetterRow(lines[i + 1]) ? MatrixFormat::Jaspar : MatrixFormat::Own;
        }
        if (IsMemeLine(text)) {
            *line = static_cast<long long>(i) + 1;
            return MatrixFormat::Meme;
        }
    }
    *line = 0;
    return MatrixFormat::Own;
}

// ---------------------------------------------------------------------------
// JASPAR

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

}  // namespace

MATRIXPARSE ParseJasparMatrices(const MatrixLines& lines, const std::string& path)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    const std::size_t n = lines.size();

    // The block being read.
    long long header = 0;              // its header line; 0 before the first
    std::vector<double> rows[4];
    long long rowLine[4] = {};
    int rowCount = 0;
    long long first = 0;               // the first block's header line

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
        if (!line.empty() && line[0] == '>') {
            if (header != 0 && rowCount < 4)
                return fail(MatrixWhere(path, at) + "a header where the " + missing() + " row of the matrix at line " +
                                std::to_string(header) + " should be",
                            at);
            if (IsOwnHeader(lines, i))
                return fail(MatrixWhere(path, at) + OneFormat("a Velmora matrix", "JASPAR", first), at);
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
        if (IsMemeLine(line))
            return fail(MatrixWhere(path, at) + OneFormat("a MEME motif line", "JASPAR", first), at);
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
                            " numbers but the " + kBases[b] + " row (line " + std::to_string(rowLine[b]) +
                            ") holds " + std::to_string(rows[b].size()) + "; the rows of a matrix are equally long",
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
        if (!Normalise(raw, static_cast<int>(width), &matrix, &bad, &problem, "position"))
            return fail(MatrixWhere(path, header) + problem + " (column " + std::to_string(bad + 1) +
                            " of the matrix's rows)",
                        header);
        result.set.matrices.push_back(std::move(matrix));
        result.set.widths.push_back(static_cast<int>(width));
        result.set.lines.push_back(header);
    }
    if (header != 0 && rowCount < 4)
        return fail(About(path) + " is truncated: the file ends before the " + missing() +
                        " row of the matrix at line " + std::to_string(header),
                    0, true);
    return result;
}

// ---------------------------------------------------------------------------
// MEME

namespace {

// The key= value pairs of a letter-probability matrix line, after its
// colon: "alength= 4 w= 6" and "alength=4 w=6" alike.
struct MEMEMATRIXLINE {
    long alength = 4;
    long width = -1;       // -1: not given, the rows end at the first other line
    double nsites = 0;     // 0: not given
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

}  // namespace

MATRIXPARSE ParseMemeMatrices(const MatrixLines& lines, const std::string& path)
{
    MATRIXPARSE result;
    const CFailure fail(&result);
    const std::size_t n = lines.size();
    long long first = 0;       // the first MEME line
    long long motif = 0;       // the current MOTIF line
    bool motifHasMatrix = false;
    std::string problem;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view line = lines[i];
        const std::string_view t = SkipBlanks(line);
        const auto at = static_cast<long long>(i) + 1;
        if (first == 0 && IsMemeLine(line))
            first = at;
        if (!line.empty() && line[0] == '>')
            return fail(MatrixWhere(path, at) + OneFormat("a '>' matrix header", "MEME", first), at);
        if (StartsWith(t, "ALPHABET")) {
            const std::string_view rest = SkipBlanks(t.substr(8));
            if (rest.empty() || rest.front() != '=')
                return fail(MatrixWhere(path, at) + "only the DNA alphabet (ALPHABET= ACGT) can be read", at);
            const std::string_view letters = Trim(rest.substr(1));
            if (letters != "ACGT" && letters != "acgt")
                return fail(MatrixWhere(path, at) + "the alphabet " + QuoteForMessage(letters) +
                                " is not ACGT; only DNA motifs can be read",
                            at);
            continue;
        }
        if (StartsWithWord(t, "MOTIF")) {
            if (motif != 0 && !motifHasMatrix)
                return fail(MatrixWhere(path, at) + "a new MOTIF, but the MOTIF at line " + std::to_string(motif) +
                                " has no letter-probability matrix",
                            at);
            motif = at;
            motifHasMatrix = false;
            continue;
        }
        if (!IsMemeMatrixLine(t))
            continue;  // MEME version, strands, Background, URL, text

        if (motif == 0)
            return fail(MatrixWhere(path, at) + "a letter-probability matrix before any MOTIF line", at);
        if (motifHasMatrix)
            return fail(MatrixWhere(path, at) + "a second letter-probability matrix for the MOTIF at line " +
                            std::to_string(motif),
                        at);
        MEMEMATRIXLINE info;
        if (!ParseMatrixLine(line, &info, &problem))
            return fail(MatrixWhere(path, at) + problem, at);
        const long long header = at;
        const std::string matrixAt = "the matrix at line " + std::to_string(header);
        std::vector<double> raw;
        long rowCount = 0;
        for (;;) {
            if (info.width >= 0 && rowCount == info.width)
                break;
            if (i + 1 >= n) {
                if (info.width < 0)
                    break;
                return fail(About(path) + " is truncated: " + matrixAt + " has w= " + std::to_string(info.width) +
                                " but the file ends after " + std::to_string(rowCount) +
                                (rowCount == 1 ? " row" : " rows"),
                            0, true);
            }
            const auto rowAt = static_cast<long long>(i) + 2;
            if (!IsNumberRow(lines[i + 1])) {
                if (info.width < 0)
                    break;
                return fail(MatrixWhere(path, rowAt) + matrixAt + " has " + std::to_string(rowCount) +
                                (rowCount == 1 ? " row" : " rows") + " where w= says " +
                                std::to_string(info.width) + "; found " + QuoteForMessage(lines[i + 1]),
                            rowAt);
            }
            ++i;
            ++rowCount;
            if (rowCount > kMaxMotifWidth)
                return fail(MatrixWhere(path, header) + matrixAt + " is more than " +
                                std::to_string(kMaxMotifWidth) + " positions wide",
                            header);
            const std::vector<std::string_view> words = Words(lines[i]);
            if (words.size() != 4)
                return fail(MatrixWhere(path, rowAt) + "row " + std::to_string(rowCount) + " holds " +
                                std::to_string(words.size()) +
                                " numbers; alength= 4 needs one for each of A, C, G, T",
                            rowAt);
            for (int b = 0; b < 4; ++b) {
                double v = 0;
                const std::string label = "row " + std::to_string(rowCount) + ", column " + std::to_string(b + 1) +
                                          " (" + kBases[b] + "):";
                if (!ParseMatrixNumber(words[static_cast<std::size_t>(b)], label, &v, &problem))
                    return fail(MatrixWhere(path, rowAt) + problem, rowAt);
                raw.push_back(v);
            }
        }
        if (rowCount == 0)
            return fail(MatrixWhere(path, header) + matrixAt + " has no rows", header);
        if (i + 1 < n && IsNumberRow(lines[i + 1]))
            return fail(MatrixWhere(path, static_cast<long long>(i) + 2) + "a row beyond the w= " +
                            std::to_string(info.width) + " rows of " + matrixAt,
                        static_cast<long long>(i) + 2);
        RestoreCounts(&raw, info.nsites);
        Matrix matrix;
        int bad = 0;
        if (!Normalise(raw, static_cast<int>(rowCount), &matrix, &bad, &problem, "row")) {
            const long long rowAt = header + 1 + bad;
            return fail(MatrixWhere(path, rowAt) + problem, rowAt);
        }
        result.set.matrices.push_back(std::move(matrix));
        result.set.widths.push_back(static_cast<int>(rowCount));
        result.set.lines.push_back(header);
        motifHasMatrix = true;
    }
    if (motif != 0 && !motifHasMatrix)
        return fail(About(path) + " is truncated: the MOTIF at line " + std::to_string(motif) +
                        " has no letter-probability matrix",
                    0, true);
    return result;
}
