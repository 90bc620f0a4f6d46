// The matrix file reader (MatrixReader.h): the list of formats, the choice
// of a file's format, the one-format-per-file check the parsers ask, and
// the count of matrices against -K.
#include "scanner/read/MatrixReader.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"
#include "support/Text.h"
#include "support/TextDistance.h"

// Every format the reader knows, one line each, in the order a file is
// tried with them. Each is defined in its own file under formats/.
#define VELMORA_MATRIX_FORMATS(FORMAT)                                                                                 \
    FORMAT(kVelmoraFormat)                                                                                             \
    FORMAT(kJasparFormat)                                                                                              \
    FORMAT(kMemeFormat)                                                                                                \
    FORMAT(kTransfacFormat)                                                                                            \
    FORMAT(kSimpleFormat)

#define VELMORA_DECLARE_FORMAT(format) extern const MATRIXFORMAT format;
VELMORA_MATRIX_FORMATS(VELMORA_DECLARE_FORMAT)
#undef VELMORA_DECLARE_FORMAT

namespace {

#define VELMORA_LIST_FORMAT(format) &(format),
const MATRIXFORMAT* const kFormats[] = {VELMORA_MATRIX_FORMATS(VELMORA_LIST_FORMAT)};
#undef VELMORA_LIST_FORMAT

// Matrix files are small; a huge one is most likely a sequence file given
// to -M. From this size on the own-format reading is tried on what has been
// read so far (again at every doubling), so that such a file is rejected
// without being held in memory whole.
// The longest line a matrix file may have: far beyond a row of the widest
// matrix in any format (1000 numbers).
constexpr std::size_t kMaxMatrixLine = std::size_t {1} << 20;

constexpr std::size_t kEarlyVerdictBytes = std::size_t {16} << 20;

MATRIXPARSE ReadAs(const MATRIXFORMAT& format, const MatrixLines& lines, const std::string& path)
{
    return format.parse(lines, path, CFormatCheck(format, lines, path));
}

// Picks the format (rules 1 and 2 of MatrixReader.h) and reads the file
// with it.
MATRIXPARSE ReadAnyFormat(const MatrixLines& lines, const std::string& path, const MATRIXFORMAT** format)
{
    for (const MATRIXFORMAT* candidate : kFormats) {
        MATRIXPARSE parsed = ReadAs(*candidate, lines, path);
        if (parsed.ok && !parsed.set.matrices.empty()) {
            *format = candidate;
            return parsed;
        }
    }
    long long at = 0;
    *format = &FirstFormatLine(lines, &at);
    return ReadAs(**format, lines, path);
}

// True when the lines read so far already settle the file as a bad file of
// Velmora's own format (the first of the list): its first format line is an
// own header, and the own reading fails at a line that the rest of the file
// cannot change.
bool OwnFailureIsFinal(const MatrixLines& lines, const std::string& path)
{
    long long at = 0;
    const MATRIXFORMAT& format = FirstFormatLine(lines, &at);
    if (&format != kFormats[0] || at == 0)
        return false;
    // Whether a header is ours or the simple format's is told by its first
    // row, which may come after blank lines and comments.
    if (NextContentLine(lines, static_cast<std::size_t>(at) - 1) >= lines.size())
        return false;
    const MATRIXPARSE own = ReadAs(format, lines, path);
    // A truncation, or a failure at the last line read (a header whose next
    // line is not known yet), may still change with the rest of the file.
    return !own.ok && !own.truncated && own.errorLine < static_cast<long long>(lines.size());
}

// Reads the file into *lines, or stops early once OwnFailureIsFinal.
bool ReadLines(const std::string& path, MatrixLines* lines, std::string* error)
{
    std::string why;
    auto source = OpenInput(path, false, &why);
    if (!source) {
        *error = "cannot open matrix file " + QuotePath(path) + ": " + why;
        return false;
    }
    CLineReader reader(std::move(source));
    reader.SetLineLimit(kMaxMatrixLine);
    std::size_t bytes = 0;
    std::size_t nextVerdict = kEarlyVerdictBytes;
    std::string_view line;
    while (reader.Next(&line)) {
        lines->emplace_back(line);
        bytes += line.size() + 1;
        if (bytes >= nextVerdict) {
            nextVerdict *= 2;
            if (OwnFailureIsFinal(*lines, path))
                return true;
        }
    }
    if (reader.LineTooLong()) {
        *error = MatrixWhere(path, reader.LineNumber()) + "longer than " + std::to_string(kMaxMatrixLine) +
                 " bytes: not a matrix file";
        return false;
    }
    if (reader.Failed()) {
        *error = "cannot read matrix file " + QuotePath(path) + ": " + ReadErrorText(reader.Error());
        return false;
    }
    return true;
}

// Lines outside the blocks of a file read whole in `format` are its
// comments. One that starts a block of another format makes the file one of
// two formats; one that only shows another format counts when the number of
// matrices is off, as the likely reason. The message, or empty.
std::string OtherFormatAmongComments(const MATRIXFORMAT& format, const MatrixLines& lines, const std::string& path,
                                     long long first, bool countIsOff)
{
    const CFormatCheck check(format, lines, path);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (std::string mixed = check.Starts(i, first); !mixed.empty())
            return mixed;
    for (std::size_t i = 0; i < lines.size() && countIsOff; ++i)
        if (std::string mixed = check.Shows(i, first); !mixed.empty())
            return mixed;
    return {};
}

// A letter of a nucleotide sequence, either case: A, C, G, T, U, N and the
// other IUPAC codes.
bool IsSequenceLetter(char c)
{
    constexpr std::string_view kLetters = "ACGTUNRYKMSWBDHVacgtunrykmswbdhv";
    return kLetters.find(c) != std::string_view::npos;
}

// A sequence file given to -M (the inputs swapped) fails as a matrix file
// with a message about widths or rows that does not say what is wrong. Such
// a file starts with a '>' header followed by a line of sequence letters
// only; no matrix file of any format does, as every matrix row holds
// numbers. The number of that line of bases, or 0 when the file does not
// look so.
long long FastaBasesLine(const MatrixLines& lines)
{
    std::size_t i = 0;
    while (i < lines.size() && Trim(lines[i]).empty())
        ++i;
    if (i >= lines.size() || !IsHeader(lines[i]))
        return 0;
    while (++i < lines.size() && Trim(lines[i]).empty()) {
    }
    if (i >= lines.size())
        return 0;
    const std::string_view bases = Trim(lines[i]);
    return std::all_of(bases.begin(), bases.end(), IsSequenceLetter) ? static_cast<long long>(i) + 1 : 0;
}

// The matrices a word asks for: the one whose ID is the word (the first,
// should a file repeat an ID), else every one whose name is. An ID is what
// a collection keeps unique; names repeat (a collection may hold several
// matrices of one factor), so more than one is the caller's to refuse.
std::vector<std::size_t> FindMatrices(const MATRIXSET& set, const std::string& word)
{
    std::vector<std::size_t> found;
    if (word.empty())
        return found;
    for (std::size_t k = 0; k < set.ids.size(); ++k)
        if (set.ids[k] == word)
            return {k};
    for (std::size_t k = 0; k < set.names.size(); ++k)
        if (set.names[k] == word)
            found.push_back(k);
    return found;
}

// Why a name shared by the matrices `same` picks none of them: each is
// listed by its ID, or by its line where it has none, with what the user
// can do instead (a matrix without an ID can only be told apart by a name
// of its own).
std::string SharedName(const MATRIXSET& set, const std::vector<std::size_t>& same, const std::string& word,
                       const std::string& path)
{
    std::string list;
    std::size_t withId = 0;
    for (const std::size_t k : same) {
        list += list.empty() ? "" : ", ";
        if (set.ids[k].empty()) {
            list += "line " + std::to_string(set.lines[k]);
        } else {
            list += set.ids[k];
            ++withId;
        }
    }
    const char* remedy = withId == same.size() ? "pick one by its ID"
                         : withId == 0         ? "give each its own name in the file"
                                               : "pick one by its ID or give each its own name in the file";
    return MatrixAbout(path) + ": " + std::to_string(same.size()) + " matrices are named " + QuoteForMessage(word) +
           " (" + list + "): " + remedy;
}

// "; nearest: A, B, C": the three IDs and names of the file nearest to an
// unknown word (Nearness), nearest first (file order among equals); empty
// for a file without them.
std::string Nearest(const MATRIXSET& set, const std::string& word)
{
    std::vector<std::pair<std::size_t, std::string>> labels;  // distance, label
    for (std::size_t k = 0; k < set.matrices.size(); ++k)
        for (const std::string* label : {&set.ids[k], &set.names[k]}) {
            const bool known =
                std::any_of(labels.begin(), labels.end(), [&](const auto& seen) { return seen.second == *label; });
            if (!label->empty() && !known)
                labels.emplace_back(Nearness(word, *label), *label);
        }
    std::stable_sort(labels.begin(), labels.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string list;
    for (std::size_t k = 0; k < labels.size() && k < 3; ++k)
        list += (k == 0 ? "; nearest: " : ", ") + labels[k].second;
    return list;
}

}  // namespace

std::span<const MATRIXFORMAT* const> MatrixFormats() { return kFormats; }

const MATRIXFORMAT& FirstFormatLine(const MatrixLines& lines, long long* line)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (const MATRIXFORMAT* format : kFormats)
            if (format->shows(lines, i)) {
                *line = static_cast<long long>(i) + 1;
                return *format;
            }
    *line = 0;
    return *kFormats[0];
}

std::string CFormatCheck::Shows(std::size_t i, long long first) const
{
    return Find(i, first, &MATRIXFORMAT::shows, &MATRIXFORMAT::shownAs);
}

std::string CFormatCheck::Starts(std::size_t i, long long first) const
{
    return Find(i, first, &MATRIXFORMAT::starts, &MATRIXFORMAT::startedAs);
}

std::string CFormatCheck::Find(std::size_t i, long long first, MatrixLineTest MATRIXFORMAT::*test,
                               const char* MATRIXFORMAT::*what) const
{
    for (const MATRIXFORMAT* other : kFormats)
        if (other != &m_format && (other->*test)(m_lines, i))
            return MatrixWhere(m_path, static_cast<long long>(i) + 1) + other->*what + m_format.fileAs +
                   " (the first at line " + std::to_string(first) + "); one file holds one format";
    return {};
}

bool ReadMatrixFile(const std::string& path, int motifNum, MATRIXSET* set, std::string* error)
{
    MatrixLines lines;
    if (!ReadLines(path, &lines, error))
        return false;

    // Every block of the file is read and checked, also blocks beyond K, so
    // that a count mismatch can say how many the file really holds. Nothing
    // reaches *set before the count is known to be right.
    const MATRIXFORMAT* format = nullptr;
    MATRIXPARSE parsed = ReadAnyFormat(lines, path, &format);
    if (!parsed.ok) {
        const long long bases = FastaBasesLine(lines);
        *error = bases == 0 ? std::move(parsed.error)
                            : MatrixAbout(path) + " looks like a FASTA sequence file (line " + std::to_string(bases) +
                                  " holds bases): give it to -i and the matrices to -M";
        return false;
    }
    const std::size_t count = parsed.set.matrices.size();
    const bool countIsOff = motifNum > 0 ? count != static_cast<std::size_t>(motifNum) : count == 0;
    if (count > 0) {
        std::string mixed = OtherFormatAmongComments(*format, lines, path, parsed.set.lines.front(), countIsOff);
        if (!mixed.empty()) {
            *error = std::move(mixed);
            return false;
        }
    }
    if (countIsOff) {
        *error = motifNum > 0
                     ? MatrixAbout(path) + " holds " + std::to_string(count) + (count == 1 ? " matrix" : " matrices") +
                           ", but -K asks for " + std::to_string(motifNum)
                     : MatrixAbout(path) + " holds no matrix";
        return false;
    }
    *set = std::move(parsed.set);
    return true;
}

bool SelectMatrices(MATRIXSET* set, const std::vector<std::string>& wanted, const std::string& path, std::string* error)
{
    if (wanted.empty())
        return true;
    std::vector<std::size_t> chosen;
    for (std::size_t w = 0; w < wanted.size(); ++w) {
        const std::string& word = wanted[w];
        const std::vector<std::size_t> found = FindMatrices(*set, word);
        if (found.empty()) {
            *error =
                MatrixAbout(path) + " has no matrix with ID or name " + QuoteForMessage(word) + Nearest(*set, word);
            return false;
        }
        if (found.size() > 1) {
            *error = SharedName(*set, found, word, path);
            return false;
        }
        const std::size_t k = found.front();
        for (std::size_t v = 0; v < chosen.size(); ++v) {
            if (chosen[v] != k)
                continue;
            *error = wanted[v] == word
                         ? MatrixAbout(path) + ": " + QuoteForMessage(word) + " is asked for twice"
                         : MatrixAbout(path) + ": " + QuoteForMessage(wanted[v]) + " and " + QuoteForMessage(word) +
                               " are the same matrix (line " + std::to_string(set->lines[k]) + ")";
            return false;
        }
        chosen.push_back(k);
    }
    MATRIXSET kept;
    for (const std::size_t k : chosen)
        kept.Add(std::move(set->matrices[k]), set->widths[k], set->lines[k], set->ids[k], set->names[k],
                 std::move(set->counts[k]));
    *set = std::move(kept);
    return true;
}
