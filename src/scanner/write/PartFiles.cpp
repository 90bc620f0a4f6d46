#include "scanner/write/PartFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "scanner/read/FastaReader.h"
#include "scanner/results/Significance.h"
#include "scanner/write/FileSet.h"
#include "scanner/write/ResultFormat.h"
#include "scanner/write/ResultWriter.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"

namespace {

std::string PartName(const std::string& prefix, std::size_t number)
{
    char digits[32];
    (void)std::snprintf(digits, sizeof digits, ".part%03zu.fa", number);
    return prefix + digits;
}

// The list of a split's parts, one file name a line: merge tells from it
// that a set of parts is whole.
std::string PartListName(const std::string& prefix) { return prefix + ".parts"; }

// "g.part007.fa": the part's number 7; 0 for a name of another form.
std::size_t SplitNumber(const std::string& input, std::string* prefix)
{
    const std::size_t at = input.rfind(".part");
    if (at == std::string::npos || input.size() < at + 9 || input.compare(input.size() - 3, 3, ".fa") != 0)
        return 0;
    const std::string digits = input.substr(at + 5, input.size() - 3 - at - 5);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    *prefix = input.substr(0, at);
    return static_cast<std::size_t>(std::stoul(digits));
}

// Parts of an older split of the same prefix, beyond the `made` parts of
// this one: with them the numbered set would be drawn from two inputs.
bool NoOlderParts(const std::string& prefix, std::size_t made, std::string* error)
{
    const std::filesystem::path where = std::filesystem::path(prefix).parent_path();
    std::vector<std::string> older;
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(where.empty() ? "." : where, failed)) {
        const std::string name = (where / entry.path().filename()).string();
        std::string own;
        if (SplitNumber(name, &own) > made && own == prefix && name == PartName(prefix, SplitNumber(name, &own)))
            older.push_back(name);
    }
    if (older.empty())
        return true;
    std::sort(older.begin(), older.end());
    *error = "older parts lie beside the new ones: " + QuotePath(older.front()) +
             (older.size() > 1 ? " and " + std::to_string(older.size() - 1) + " more" : std::string()) +
             " of another split: remove them or choose another -o";
    return false;
}

}  // namespace

bool SplitFasta(const std::string& path, const std::string& prefix, long long partBases,
                std::vector<std::string>* parts, std::string* error)
{
    std::string why;
    auto source = OpenInput(path, true, &why);
    const std::string where = "sequence file " + InputLabel(path, true);
    if (!source) {
        *error = "cannot open " + where + ": " + why;
        return false;
    }
    CLineReader lines(std::move(source));
    CFastaReader fasta(lines);
    CNewFileSet files;
    CWholeFile* part = nullptr;  // the part being written
    std::size_t partNumber = 0;
    long long inPart = 0;       // bases in it
    long long partRecords = 0;  // records in it
    auto startPart = [&]() {
        if (part && !part->Close(error))
            return false;
        part = files.Add(PartName(prefix, ++partNumber), error);
        inPart = 0;
        partRecords = 0;
        return part != nullptr;
    };
    auto readFailed = [&]() {
        *error = "cannot read " + where + ": " + ReadErrorText(lines.Error());
        return false;
    };
    FASTARECORD record;
    while (fasta.Next(&record)) {
        if (lines.Failed())
            return readFailed();
        if (record.tooLong) {
            *error = where + ", line " + std::to_string(record.line) + ": record " + QuoteForMessage(record.name) +
                     " is too long to hold";
            return false;
        }
        const auto n = static_cast<long long>(record.letters.GetLength());
        if ((!part || (partRecords > 0 && inPart + n > partBases)) && !startPart())
            return false;
        // The record as the scan reads it: its header, its letters in lines.
        std::string text;
        if (record.named)
            text.append(record.name).append("\n");
        const std::string_view letters = record.letters.view();
        for (std::size_t at = 0; at < letters.size(); at += 60)
            text.append(letters.substr(at, 60)).append("\n");
        if (!part->Write(text, error))
            return false;
        inPart += n;
        ++partRecords;
    }
    if (!fasta.Problem().empty()) {
        *error = where + ", " + fasta.Problem();
        return false;
    }
    if (lines.Failed())
        return readFailed();
    if (!part && !startPart())
        return false;
    if (!part->Close(error) || !NoOlderParts(prefix, partNumber, error))
        return false;
    std::string list;
    for (const std::string& name : files.Paths())
        list += name + "\n";
    CWholeFile* listing = files.Add(PartListName(prefix), error);
    if (!listing || !listing->Write(list, error))
        return false;
    *parts = files.Paths();
    parts->pop_back();
    // Only now, all parts complete, do they take their names.
    return files.CommitAll(error);
}

namespace {

// What merging needs to know of one part's results.
struct PARTRUN {
    std::string base;
    bool headings = false;           // the part had records: its files start with headings
    std::vector<std::string> words;  // its echo's words that must agree between parts
    std::string background;          // the shared background model it was scored against, "" for none
    std::string input;               // its -i value
    long long modules = 0;
    std::vector<long long> sites;  // per motif
    bool records = false;          // it has a records file (--summary, --null)
    int nulls = 0;                 // null sequences per record (--null), 0 for none
    std::vector<double> p;         // its records' best window p-values, with nulls
    // What the files tell of each motif's matrix: its width (from its
    // sites' bases; 0 without a site) and its name (from the sites BED
    // file; "" without). Parts of one run agree on both.
    std::vector<std::size_t> widths;
    std::vector<std::string> labels;
    timespec written {};  // when its module file was last written (its scan's end)
};

// A word of the echo that starts an option: a one-letter option is told
// by its second character, as the command line reads it.
bool IsOptionWord(const std::string& word)
{
    return word.size() >= 2 && word[0] == '-' &&
           (word[1] == '-' || std::string_view("iorKLMxth").find(word[1]) != std::string_view::npos);
}

// The value of the option at words[*w]: the words after it up to the next
// option (at least one), joined with blanks as the echo joined them, so a
// path that holds blanks comes back whole. *w ends on its last word.
std::string TakeValue(const std::vector<std::string>& words, std::size_t* w)
{
    std::string value;
    while (*w + 1 < words.size() && (value.empty() || !IsOptionWord(words[*w + 1])))
        value += (value.empty() ? "" : " ") + words[++*w];
    return value;
}

// The echo's words with those that may differ between the parts of one
// input taken out: the program's path, the input, the base name, the
// thread count, the picture and its options, --overwrite and --quiet, and the path of the
// background file (one model may come from a FASTA file in one part and
// from its saved model in another: the model itself, named after the
// echo, must agree). The echo joins the words typed with blanks, so a
// path that holds blanks is several words here: a value runs on to the
// next option.
void EchoWords(std::string echo, PARTRUN* part)
{
    if (const std::size_t at = echo.rfind(kEchoBackgroundHead); at != std::string::npos) {
        part->background = echo.substr(at + std::strlen(kEchoBackgroundHead));
        echo.resize(at);
    }
    std::istringstream in(echo);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    for (std::size_t w = 1; w < words.size(); ++w) {
        const std::string& word = words[w];
        const bool valued = word == "-i" || word == "-o" || word == "-t" || word == "--threads" || word == "--svg" ||
                            word == "--svg-region" || word == "--svg-bed" || word == "--background";
        if (valued) {
            const std::string value = TakeValue(words, &w);
            if (word == "-i")
                part->input = value;
            continue;
        }
        if (word != "--overwrite" && word != "--quiet")
            part->words.push_back(word);
    }
}

// The value of the last one-letter option `letter` (-M file, say).
std::string OptionValue(const std::vector<std::string>& words, char letter)
{
    std::string value;
    for (std::size_t w = 0; w < words.size(); ++w)
        if (words[w].size() >= 2 && words[w][0] == '-' && words[w][1] == letter)
            value = TakeValue(words, &w);
    return value;
}

// The null count, where --null was given (the last one counts).
int NullCount(const std::vector<std::string>& words)
{
    int nulls = 0;
    for (std::size_t w = 0; w + 1 < words.size(); ++w)
        if (words[w] == "--null")
            nulls = static_cast<int>(std::strtol(words[w + 1].c_str(), nullptr, 10));
    return nulls;
}

// Column `column` (0-based) of a tab-separated line: [*from, *to).
bool Column(const std::string& line, int column, std::size_t* from, std::size_t* to)
{
    std::size_t at = 0;
    for (int c = 0; c < column; ++c) {
        at = line.find('\t', at);
        if (at == std::string::npos)
            return false;
        ++at;
    }
    *from = at;
    *to = std::min(line.find('\t', at), line.size());
    return true;
}

constexpr int kPColumn = 9;   // best_window_p_gumbel of a records line
constexpr int kQColumn = 10;  // best_window_q_gumbel

// The module and motif files of a part: its options, totals and motifs.
bool ReadPartTotals(const std::string& base, PARTRUN* part, std::string* error)
{
    RESULTFILEINFO info;
    if (!ReadResultFile(ModuleFileName(base), {RESULTKIND::Module}, {}, &info, error))
        return false;
    part->headings = info.headings;
    part->modules = info.total;
    struct stat file {};
    if (stat(ModuleFileName(base).c_str(), &file) == 0)
        part->written = file.st_mtim;
    if (part->headings)
        EchoWords(info.echo, part);
    for (int k = 1; PathExists(MotifFileName(base, k)); ++k) {
        std::size_t width = 0;
        bool bases = false;  // a site's lines: its place, then its bases
        const auto widthOf = [&](std::string& line, long long) {
            width = bases ? line.size() : width;
            bases = !bases;
            return true;
        };
        if (!ReadResultFile(MotifFileName(base, k), {RESULTKIND::Motif, k}, widthOf, &info, error))
            return false;
        part->sites.push_back(info.total);
        part->widths.push_back(width);
    }
    part->labels.assign(part->sites.size(), {});
    if (part->sites.empty()) {
        *error = "cannot read " + QuotePath(MotifFileName(base, 1)) + ": " + std::strerror(ENOENT);
        return false;
    }
    part->nulls = NullCount(part->words);
    return true;
}

// A part's results, read whole and checked line by line.
bool ReadPart(const std::string& base, bool bed, PARTRUN* part, std::string* error)
{
    part->base = base;
    if (!ReadPartTotals(base, part, error))
        return false;
    const int K = static_cast<int>(part->sites.size());
    const std::string records = RecordsFileName(base);
    part->records = PathExists(records);
    const auto collect = [part](std::string& line, long long) {
        std::size_t from = 0, to = 0;
        if (part->nulls > 0 && Column(line, kPColumn, &from, &to) && to > from)
            part->p.push_back(std::strtod(line.substr(from, to - from).c_str(), nullptr));
        return true;
    };
    // The motif's name of a site: column 4, by its number in column 8.
    const auto labelOf = [part](std::string& line, long long) {
        std::size_t from = 0, to = 0, at = 0, end = 0;
        if (Column(line, 3, &from, &to) && Column(line, 7, &at, &end)) {
            const std::size_t k = std::strtoul(line.substr(at, end - at).c_str(), nullptr, 10);
            if (k >= 1 && k <= part->labels.size())
                part->labels[k - 1] = line.substr(from, to - from);
        }
        return true;
    };
    RESULTFILEINFO info;
    if (part->records && !ReadResultFile(records, {RESULTKIND::Records, 0, K}, collect, &info, error))
        return false;
    for (const std::string& name : {ModulesBedFileName(base), SitesBedFileName(base)})
        if (bed != PathExists(name)) {
            *error = bed ? "cannot read " + QuotePath(name) + ": " + std::strerror(ENOENT) +
                               " (merge --bed needs the BED files of every part)"
                         : "part " + QuotePath(base) + " has BED files: merge them too with --bed";
            return false;
        }
    return !bed || (ReadResultFile(ModulesBedFileName(base), {RESULTKIND::ModulesBed, 0, K, part->nulls > 0}, {}, &info,
                                   error) &&
                    ReadResultFile(SitesBedFileName(base), {RESULTKIND::SitesBed, 0, K}, labelOf, &info, error));
}

// The parts agree on what their files tell of the matrices: a matrix file
// edited between the parts' scans has the same path in every echo.
bool SameMatrices(const std::vector<PARTRUN>& parts, std::string* error)
{
    const auto differ = [&](const PARTRUN& first, const PARTRUN& second, std::size_t k, const std::string& how) {
        *error = "parts " + QuotePath(first.base) + " and " + QuotePath(second.base) +
                 " were made with different matrices: motif " + std::to_string(k + 1) + " " + how +
                 ": they are not of one run";
        return false;
    };
    for (std::size_t k = 0; k < parts.front().widths.size(); ++k) {
        const PARTRUN* width = nullptr;  // the first part that tells the motif's width
        const PARTRUN* label = nullptr;  // ... and its name
        for (const PARTRUN& part : parts) {
            if (part.widths[k] > 0 && width != nullptr && part.widths[k] != width->widths[k])
                return differ(*width, part, k,
                              "is " + std::to_string(width->widths[k]) + " and " + std::to_string(part.widths[k]) +
                                  " bases wide");
            if (!part.labels[k].empty() && label != nullptr && part.labels[k] != label->labels[k])
                return differ(*label, part, k,
                              "is named " + QuoteForMessage(label->labels[k]) + " and " +
                                  QuoteForMessage(part.labels[k]));
            if (part.widths[k] > 0 && width == nullptr)
                width = &part;
            if (!part.labels[k].empty() && label == nullptr)
                label = &part;
        }
    }
    return true;
}

// A matrix file edited between the parts' scans with its widths and names
// kept (counts changed) leaves no trace in the result files, whose formats
// have no room for the matrices. The file's modification time tells it: a
// part whose scan ended before the file last changed, beside one whose
// scan ended after, were scanned with two versions of it. File times are
// coarse (a clock tick of a few milliseconds), so a part that ended in the
// very tick of the change tells nothing either way. Where the file is not
// found from here (a relative path of another folder) there is nothing to
// tell.
bool MatrixFileKept(const std::vector<PARTRUN>& parts, std::string* error)
{
    const auto scanned = std::find_if(parts.begin(), parts.end(), [](const PARTRUN& p) { return p.headings; });
    if (scanned == parts.end())
        return true;
    const std::string path = OptionValue(scanned->words, 'M');
    struct stat file {};
    if (path.empty() || stat(path.c_str(), &file) != 0)
        return true;
    const auto order = [](const timespec& a, const timespec& b) {
        return a.tv_sec != b.tv_sec ? (a.tv_sec < b.tv_sec ? -1 : 1)
                                    : (a.tv_nsec == b.tv_nsec ? 0 : (a.tv_nsec < b.tv_nsec ? -1 : 1));
    };
    const PARTRUN* before = nullptr;
    const PARTRUN* after = nullptr;
    for (const PARTRUN& part : parts) {
        const int side = part.headings ? order(part.written, file.st_mtim) : 0;
        if (side < 0 && !before)
            before = &part;
        if (side > 0 && !after)
            after = &part;
    }
    if (before && after) {
        *error = "matrix file " + QuotePath(path) + " was changed between the scans of parts " +
                 QuotePath(before->base) + " and " + QuotePath(after->base) +
                 ": they may hold different matrices; scan the parts again with the file as it is";
        return false;
    }
    return true;
}

// The model of a background's description, "<given> (model <digest>)":
// one model may be given as a FASTA file to one part and as its saved
// counts to another.
std::string ModelDigest(const std::string& background)
{
    const std::size_t at = background.rfind("(model ");
    return at == std::string::npos ? background : background.substr(at);
}

// The parts are of one run: one set of options and matrices.
bool SameRun(const std::vector<PARTRUN>& parts, std::string* error)
{
    const PARTRUN* model = nullptr;
    for (const PARTRUN& part : parts) {
        if (part.sites.size() != parts.front().sites.size()) {
            *error = "parts " + QuotePath(parts.front().base) + " and " + QuotePath(part.base) + " have " +
                     std::to_string(parts.front().sites.size()) + " and " + std::to_string(part.sites.size()) +
                     " motif files: they are not of one run";
            return false;
        }
        if (!part.headings)
            continue;  // no records, no options to compare
        if (model && ModelDigest(part.background) != ModelDigest(model->background)) {
            const auto name = [](const std::string& background) {
                return background.empty() ? std::string("each record's own") : background;
            };
            *error = "parts " + QuotePath(model->base) + " and " + QuotePath(part.base) +
                     " were scored against different background models (" + name(model->background) + "; " +
                     name(part.background) + "): they are not of one run";
            return false;
        }
        if (model && part.words != model->words) {
            *error = "parts " + QuotePath(model->base) + " and " + QuotePath(part.base) +
                     " were made with different options or matrices: they are not of one run";
            return false;
        }
        model = model ? model : &part;
    }
    return SameMatrices(parts, error) && MatrixFileKept(parts, error);
}

// The parts fit together: one run's, each part once, and none missing
// where the split's names tell.
bool Fit(const std::vector<PARTRUN>& parts, std::string* error)
{
    if (!SameRun(parts, error))
        return false;
    for (std::size_t i = 0; i < parts.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (parts[i].base == parts[j].base ||
                (!parts[i].input.empty() && parts[i].input != "-" && parts[i].input == parts[j].input)) {
                *error = "part " + QuotePath(parts[i].base) + " is given twice" +
                         (parts[i].base == parts[j].base ? std::string()
                                                         : " (the same input as " + QuotePath(parts[j].base) + ")");
                return false;
            }
    // Parts named by the split: numbered 1, 2, 3, ... in the order given.
    std::string prefix;
    std::size_t expected = 1;
    for (const PARTRUN& part : parts) {
        std::string own;
        const std::size_t number = part.input.empty() ? 0 : SplitNumber(part.input, &own);
        if (number == 0 || (expected > 1 && own != prefix))
            return true;  // not the split's names: nothing to tell
        prefix = own;
        if (number != expected) {
            *error = "part " + std::to_string(expected) + " of " + QuotePath(prefix + ".part*.fa") +
                     " is missing: " + QuotePath(part.base) + " scanned part " + std::to_string(number);
            return false;
        }
        ++expected;
    }
    // The split's list of its parts, where it is found, tells a missing last part.
    std::ifstream listing(PartListName(prefix));
    std::size_t made = 0;
    for (std::string line; std::getline(listing, line);)
        made += line.empty() ? 0 : 1;
    if (made >= expected) {
        *error = "part " + std::to_string(expected) + " of " + QuotePath(prefix + ".part*.fa") +
                 " is missing: the split made " + std::to_string(made) + " parts (" + QuotePath(PartListName(prefix)) +
                 ")";
        return false;
    }
    return true;
}

// Streams the body lines of one part's result file into out, a block at a
// time, each read through the strict reader. fix, when given, rewrites
// each line first.
bool CopyBody(const std::string& path, const RESULTSHAPE& shape, CWholeFile& out,
              const std::function<void(std::string&)>& fix, std::string* error)
{
    std::string text;
    const auto take = [&](std::string& line, long long) {
        if (fix)
            fix(line);
        text.append(line).append("\n");
        if (text.size() < std::size_t {1} << 16)
            return true;
        const bool written = out.Write(text, error);
        text.clear();
        return written;
    };
    RESULTFILEINFO info;
    return ReadResultFile(path, shape, take, &info, error) && out.Write(text, error);
}

// The records files of the parts, their lines in order under one header.
// With null sequences the q-values are taken again over every record of
// every part, as one run over the whole input takes them.
bool MergeRecords(const std::vector<PARTRUN>& parts, CWholeFile& out, std::string* error)
{
    std::vector<double> p;
    for (const PARTRUN& part : parts)
        p.insert(p.end(), part.p.begin(), part.p.end());
    const std::vector<double> q = BenjaminiHochberg(p);
    std::size_t next = 0;
    const auto requalify = [&](std::string& line) {
        std::size_t from = 0, to = 0;
        if (parts.front().nulls > 0 && Column(line, kQColumn, &from, &to) && to > from && next < q.size())
            line.replace(from, to - from, PValueText(q[next++]));
    };
    const auto scanned = std::find_if(parts.begin(), parts.end(), [](const PARTRUN& p) { return p.headings; });
    if (!out.Write(RecordsHeader(scanned != parts.end() ? scanned->background : std::string()), error))
        return false;
    const int K = static_cast<int>(parts.front().sites.size());
    for (const PARTRUN& part : parts)
        if (!CopyBody(RecordsFileName(part.base), {RESULTKIND::Records, 0, K}, out, requalify, error))
            return false;
    return true;
}

// The merged module and motif files: headings when any part had a record,
// every part's lines in order, the summed totals.
bool MergeTotalled(const std::vector<PARTRUN>& parts, const std::string& echo, const std::vector<CWholeFile*>& out,
                   std::string* error)
{
    const std::size_t K = parts.front().sites.size();
    const bool headings = std::any_of(parts.begin(), parts.end(), [](const PARTRUN& p) { return p.headings; });
    long long modules = 0;
    std::vector<long long> sites(K, 0);
    for (const PARTRUN& part : parts) {
        modules += part.modules;
        for (std::size_t k = 0; k < K; ++k)
            sites[k] += part.sites[k];
    }
    // The merge's own words, then the words the parts were scanned with:
    // the options that made these results.
    std::string words = echo;
    const auto scanned = std::find_if(parts.begin(), parts.end(), [](const PARTRUN& p) { return p.headings; });
    if (scanned != parts.end()) {
        words += "; parts scanned with: ";
        for (const std::string& word : scanned->words)
            words += word + " ";
        if (!scanned->background.empty())
            words += kEchoBackgroundHead + scanned->background;
    }
    if (headings && !out[0]->Write(ModuleHeading(words), error))
        return false;
    for (const PARTRUN& part : parts)
        if (!CopyBody(ModuleFileName(part.base), {RESULTKIND::Module}, *out[0], {}, error))
            return false;
    if (!out[0]->Write(ModuleTotal(modules), error))
        return false;
    for (std::size_t k = 1; k <= K; ++k) {
        const int motif = static_cast<int>(k);
        if (headings && !out[k]->Write(MotifHeading(motif), error))
            return false;
        for (const PARTRUN& part : parts)
            if (!CopyBody(MotifFileName(part.base, motif), {RESULTKIND::Motif, motif}, *out[k], {}, error))
                return false;
        if (!out[k]->Write(MotifTotal(motif, sites[k - 1]), error))
            return false;
    }
    return true;
}

// The merged BED files; modules are numbered through the file, on from the
// parts before.
bool MergeBed(const std::vector<PARTRUN>& parts, CWholeFile& modules, CWholeFile& sites, std::string* error)
{
    long long number = 0;
    const auto renumber = [&number](std::string& line) {
        std::size_t from = 0, to = 0;  // the name column
        if (Column(line, 3, &from, &to) && to < line.size())
            line.replace(from, to - from, "module" + std::to_string(++number));
    };
    const int K = static_cast<int>(parts.front().sites.size());
    for (const PARTRUN& part : parts)
        if (!CopyBody(ModulesBedFileName(part.base), {RESULTKIND::ModulesBed, 0, K, part.nulls > 0}, modules, renumber,
                      error) ||
            !CopyBody(SitesBedFileName(part.base), {RESULTKIND::SitesBed, 0, K}, sites, {}, error))
            return false;
    return true;
}

// The names of the merged result files, checked: none may exist yet.
bool MergedNames(const std::string& base, const std::vector<PARTRUN>& parts, bool bed, std::vector<std::string>* names,
                 std::string* error)
{
    const std::size_t K = parts.front().sites.size();
    *names = {ModuleFileName(base)};
    for (std::size_t k = 1; k <= K; ++k)
        names->push_back(MotifFileName(base, static_cast<int>(k)));
    if (bed) {
        names->push_back(ModulesBedFileName(base));
        names->push_back(SitesBedFileName(base));
    }
    const bool records = parts.front().records;
    for (const PARTRUN& part : parts)
        if (part.records != records) {
            *error = "parts " + QuotePath(parts.front().base) + " and " + QuotePath(part.base) +
                     " differ in records files: they are not of one run";
            return false;
        }
    if (records)
        names->push_back(RecordsFileName(base));
    for (const std::string& name : *names)
        if (PathExists(name)) {
            *error =
                "result file " + QuotePath(name) + " exists: merge writes new files; remove it or choose another -o";
            return false;
        }
    return true;
}

}  // namespace

bool MergeResults(const std::string& base, const std::vector<std::string>& partBases, bool bed, const std::string& echo,
                  std::string* error, std::vector<std::string>* others)
{
    if (partBases.empty()) {
        *error = "merge needs the base names of the parts";
        return false;
    }
    std::vector<PARTRUN> parts(partBases.size());
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!ReadPart(partBases[i], bed, &parts[i], error))
            return false;
    std::vector<std::string> names;
    if (!Fit(parts, error) || !MergedNames(base, parts, bed, &names, error))
        return false;
    if (others)
        *others = ResultFilesNotWritten(base, parts.front().sites.size(), bed, parts.front().records);
    CNewFileSet files;
    std::vector<CWholeFile*> out;
    for (const std::string& name : names) {
        out.push_back(files.Add(name, error));
        if (!out.back())
            return false;
    }
    const std::size_t K = parts.front().sites.size();
    return MergeTotalled(parts, echo, out, error) && (!bed || MergeBed(parts, *out[K + 1], *out[K + 2], error)) &&
           (!parts.front().records || MergeRecords(parts, *out.back(), error)) && files.CommitAll(error);
}
