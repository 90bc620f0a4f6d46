#include "scanner/write/PartFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <utility>

#include "scanner/read/FastaReader.h"
#include "scanner/scan/NullModel.h"
#include "scanner/write/ResultWriter.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"
#include "support/Version.h"
#include "support/WholeFile.h"

namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// Every file takes its name, or none does: those that took theirs before a
// failure are removed again.
bool CommitAll(const std::vector<std::unique_ptr<CWholeFile>>& files, std::string* error)
{
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!files[i]->Commit(error)) {
            for (std::size_t done = 0; done < i; ++done)
                (void)std::remove(files[done]->Path().c_str());
            return false;
        }
    return true;
}

std::string PartName(const std::string& prefix, std::size_t number)
{
    char digits[32];
    (void)std::snprintf(digits, sizeof digits, ".part%03zu.fa", number);
    return prefix + digits;
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
    std::vector<std::unique_ptr<CWholeFile>> files;
    long long inPart = 0;       // bases in the part being written
    long long partRecords = 0;  // records in it
    auto startPart = [&]() {
        files.push_back(std::make_unique<CWholeFile>(PartName(prefix, files.size() + 1)));
        inPart = 0;
        partRecords = 0;
        return Exists(files.back()->Path())
                   ? (*error = "cannot write " + QuotePath(files.back()->Path()) + ": it exists already", false)
                   : files.back()->Open(error);
    };
    auto finishPart = [&]() { return files.empty() || files.back()->Close(error); };
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
        if (files.empty() || (partRecords > 0 && inPart + n > partBases)) {
            if (!finishPart() || !startPart())
                return false;
        }
        // The record as the scan reads it: its header, its letters in lines.
        std::string text;
        if (record.named)
            text.append(record.name).append("\n");
        const std::string_view letters = record.letters.view();
        for (std::size_t at = 0; at < letters.size(); at += 60)
            text.append(letters.substr(at, 60)).append("\n");
        if (!files.back()->Write(text, error))
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
    if (files.empty() && !startPart())
        return false;
    // Only now, all parts complete, do they take their names.
    if (!CommitAll(files, error))
        return false;
    parts->clear();
    for (const auto& file : files)
        parts->push_back(file->Path());
    return true;
}

namespace {

// What merging needs to know of one part's results.
struct PARTRUN {
    std::string base;
    bool headings = false;           // the part had records: its files start with headings
    std::vector<std::string> words;  // its echo's words that must agree between parts
    std::string input;               // its -i value
    long long modules = 0;
    std::vector<long long> sites;  // per motif
    bool records = false;          // it has a records file (--summary, --null)
    int nulls = 0;                 // null sequences per record (--null), 0 for none
};

// What checking a result file needs of it, read line by line: its first
// lines, its last two, its number of lines and how many begin as a summary
// line does. No file is held whole.
struct FILESHAPE {
    std::vector<std::string> head;  // the first lines, up to 5
    std::string beforeLast;
    std::string last;
    std::size_t lines = 0;
    std::size_t summaries = 0;
};

bool OpenForReading(const std::string& path, std::ifstream* in, std::string* error)
{
    errno = 0;
    in->open(path, std::ios::binary);
    if (*in)
        return true;
    *error = "cannot read " + QuotePath(path) + ": " + std::strerror(errno != 0 ? errno : ENOENT);
    return false;
}

bool Shape(const std::string& path, const std::string& summary, FILESHAPE* shape, std::string* error)
{
    std::ifstream in;
    if (!OpenForReading(path, &in, error))
        return false;
    *shape = FILESHAPE();
    for (std::string line; std::getline(in, line);) {
        ++shape->lines;
        shape->summaries += line.rfind(summary, 0) == 0 ? 1 : 0;
        if (shape->head.size() < 5)
            shape->head.push_back(line);
        shape->beforeLast = std::move(shape->last);
        shape->last = std::move(line);
    }
    if (in.bad()) {
        *error = "cannot read " + QuotePath(path) + ": " + std::strerror(EIO);
        return false;
    }
    return true;
}

// The count at the end of a summary line such as "# modules = 12".
bool Count(const std::string& line, const std::string& head, long long* count)
{
    if (line.rfind(head, 0) != 0 || line.size() == head.size() ||
        line.find_first_not_of("0123456789", head.size()) != std::string::npos || line.size() - head.size() > 18)
        return false;
    *count = std::stoll(line.substr(head.size()));
    return true;
}

// The echo's words with those that may differ between the parts of one
// input taken out: the program's path, the input, the base name, the
// thread count, the picture, --overwrite and --quiet.
void EchoWords(const std::string& echo, PARTRUN* part)
{
    std::istringstream words(echo);
    std::string word;
    words >> word;  // the program
    while (words >> word) {
        const bool valued = word == "-i" || word == "-o" || word == "-t" || word == "--threads" || word == "--svg";
        if (valued) {
            std::string value;
            words >> value;
            if (word == "-i")
                part->input = value;
            continue;
        }
        if (word != "--overwrite" && word != "--quiet")
            part->words.push_back(word);
    }
}

// A result file of one run: headings of `headingLines` lines (when the run
// had records), the body, then "" and the summary line.
bool Layout(const FILESHAPE& shape, const std::string& path, std::size_t headingLines, const std::string& summary,
            bool* headings, long long* count, std::string* error)
{
    const bool ok =
        shape.summaries == 1 && shape.lines >= 2 && shape.beforeLast.empty() && Count(shape.last, summary, count);
    *headings = shape.lines > 2;
    if (!ok || (*headings && (shape.lines < headingLines + 2 || !shape.head[0].empty() || !shape.head[1].empty()))) {
        *error = "result file " + QuotePath(path) +
                 (shape.summaries > 1 ? " holds more than one run: merge takes the results of one run per part"
                                      : " is not a complete result file of one run");
        return false;
    }
    return true;
}

bool ReadPart(const std::string& base, bool bed, PARTRUN* part, std::string* error)
{
    part->base = base;
    FILESHAPE shape;
    const std::string module = ModuleFileName(base);
    if (!Shape(module, "# modules = ", &shape, error) ||
        !Layout(shape, module, 5, "# modules = ", &part->headings, &part->modules, error))
        return false;
    if (part->headings) {
        if (shape.head[2].rfind("Velmora ", 0) != 0 || !shape.head[4].empty()) {
            *error = "result file " + QuotePath(module) + " is not a complete result file of one run";
            return false;
        }
        EchoWords(shape.head[3], part);
    }
    for (int k = 1; Exists(MotifFileName(base, k)); ++k) {
        const std::string motif = MotifFileName(base, k);
        const std::string summary = " # of sites for motif " + std::to_string(k) + " = ";
        bool headings = false;
        long long sites = 0;
        if (!Shape(motif, summary, &shape, error) || !Layout(shape, motif, 4, summary, &headings, &sites, error))
            return false;
        part->sites.push_back(sites);
    }
    if (part->sites.empty()) {
        *error = "cannot read " + QuotePath(MotifFileName(base, 1)) + ": " + std::strerror(ENOENT);
        return false;
    }
    const std::string records = RecordsFileName(base);
    part->records = Exists(records);
    if (part->records) {
        const std::string header(kRecordsHeader, std::strlen(kRecordsHeader) - 1);
        if (!Shape(records, header, &shape, error))
            return false;
        if (shape.summaries != 1 || shape.head.empty() || shape.head[0] != header) {
            *error = "result file " + QuotePath(records) +
                     (shape.summaries > 1 ? " holds more than one run: merge takes the results of one run per part"
                                          : " is not a complete result file of one run");
            return false;
        }
    }
    // The null count, where --null was given (the last one counts).
    for (std::size_t w = 0; w + 1 < part->words.size(); ++w)
        if (part->words[w] == "--null")
            part->nulls = static_cast<int>(std::strtol(part->words[w + 1].c_str(), nullptr, 10));
    for (const std::string& name : {ModulesBedFileName(base), SitesBedFileName(base)})
        if (bed != Exists(name)) {
            *error = bed ? "cannot read " + QuotePath(name) + ": " + std::strerror(ENOENT) +
                               " (merge --bed needs "
                               "the BED files of every part)"
                         : "part " + QuotePath(base) + " has BED files: merge them too with --bed";
            return false;
        }
    return true;
}

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

// The parts fit together: one set of options and matrices, each part once,
// and none missing where the split's names tell.
bool Fit(const std::vector<PARTRUN>& parts, std::string* error)
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
        if (model && part.words != model->words) {
            *error = "parts " + QuotePath(model->base) + " and " + QuotePath(part.base) +
                     " were made with different options or matrices: they are not of one run";
            return false;
        }
        model = model ? model : &part;
    }
    for (std::size_t i = 0; i < parts.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (parts[i].base == parts[j].base || (!parts[i].input.empty() && parts[i].input == parts[j].input)) {
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
    return true;
}

// Reads the body lines of one part's result file, one at a time, into
// take: from line `headingLines` on, and, when `summary`, without the last
// two lines (the blank line and the summary; a file of those two alone has
// no body). take returns false to stop, with *error set.
bool ReadBody(const std::string& path, std::size_t headingLines, bool summary,
              const std::function<bool(std::string&)>& take, std::string* error)
{
    std::ifstream in;
    if (!OpenForReading(path, &in, error))
        return false;
    const std::size_t holdBack = summary ? 2 : 0;
    std::deque<std::string> held;  // the last lines read: they may be the summary's
    std::size_t next = 0;          // index of the next line to leave `held`
    for (std::string line; std::getline(in, line);) {
        held.push_back(std::move(line));
        if (held.size() <= holdBack)
            continue;
        std::string body = std::move(held.front());
        held.pop_front();
        if (next++ >= headingLines && !take(body))
            return false;
    }
    if (in.bad()) {
        *error = "cannot read " + QuotePath(path) + ": " + std::strerror(EIO);
        return false;
    }
    return true;
}

// Streams the body lines of one part's result file into out, a block at a
// time (see ReadBody). fix, when given, rewrites each line first.
bool CopyBody(const std::string& path, std::size_t headingLines, bool summary, CWholeFile& out,
              const std::function<void(std::string&)>& fix, std::string* error)
{
    std::string text;
    const auto take = [&](std::string& line) {
        if (fix)
            fix(line);
        text.append(line).append("\n");
        if (text.size() < std::size_t {1} << 16)
            return true;
        const bool written = out.Write(text, error);
        text.clear();
        return written;
    };
    return ReadBody(path, headingLines, summary, take, error) && out.Write(text, error);
}

// The exact p-value (1 + k) / (1 + nulls) that prints as text: the count k
// is found back from the six digits printed, so that the q-values over all
// parts are those of one run over the whole input.
double ExactP(const std::string& text, int nulls)
{
    const double printed = std::strtod(text.c_str(), nullptr);
    const long long guess = std::llround(printed * (1.0 + nulls)) - 1;
    for (long long k = std::max(0LL, guess - 2); k <= std::min<long long>(nulls, guess + 2); ++k) {
        const double p = (1.0 + static_cast<double>(k)) / (1.0 + nulls);
        if (PValueText(p) == text)
            return p;
    }
    return printed;
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

// The records files of the parts, their lines in order under one header.
// With null sequences the q-values are taken again over every record of
// every part, as one run over the whole input takes them.
bool MergeRecords(const std::vector<PARTRUN>& parts, CWholeFile& out, std::string* error)
{
    constexpr int kP = 7;  // best_window_p
    constexpr int kQ = 8;  // best_window_q
    const int nulls = parts.front().nulls;
    std::vector<double> p;
    if (nulls > 0)
        for (const PARTRUN& part : parts) {
            const auto collect = [&](std::string& line) {
                std::size_t from = 0, to = 0;
                if (Column(line, kP, &from, &to) && to > from)
                    p.push_back(ExactP(line.substr(from, to - from), nulls));
                return true;
            };
            if (!ReadBody(RecordsFileName(part.base), 1, false, collect, error))
                return false;
        }
    const std::vector<double> q = BenjaminiHochberg(p);
    std::size_t next = 0;
    const auto requalify = [&](std::string& line) {
        std::size_t from = 0, to = 0;
        if (nulls > 0 && Column(line, kQ, &from, &to) && to > from && next < q.size())
            line.replace(from, to - from, PValueText(q[next++]));
    };
    if (!out.Write(kRecordsHeader, error))
        return false;
    for (const PARTRUN& part : parts)
        if (!CopyBody(RecordsFileName(part.base), 1, false, out, requalify, error))
            return false;
    return true;
}

}  // namespace

bool MergeResults(const std::string& base, const std::vector<std::string>& partBases, bool bed, const std::string& echo,
                  std::string* error)
{
    if (partBases.empty()) {
        *error = "merge needs the base names of the parts";
        return false;
    }
    std::vector<PARTRUN> parts(partBases.size());
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!ReadPart(partBases[i], bed, &parts[i], error))
            return false;
    if (!Fit(parts, error))
        return false;

    const std::size_t K = parts.front().sites.size();
    std::vector<std::string> names = {ModuleFileName(base)};
    for (std::size_t k = 1; k <= K; ++k)
        names.push_back(MotifFileName(base, static_cast<int>(k)));
    if (bed) {
        names.push_back(ModulesBedFileName(base));
        names.push_back(SitesBedFileName(base));
    }
    const bool records = parts.front().records;
    for (const PARTRUN& part : parts)
        if (part.records != records) {
            *error = "parts " + QuotePath(parts.front().base) + " and " + QuotePath(part.base) +
                     " differ in records files: they are not of one run";
            return false;
        }
    if (records)
        names.push_back(RecordsFileName(base));
    for (const std::string& name : names)
        if (Exists(name)) {
            *error =
                "result file " + QuotePath(name) + " exists: merge writes new files; remove it or choose another -o";
            return false;
        }
    std::vector<std::unique_ptr<CWholeFile>> out;
    for (const std::string& name : names) {
        out.push_back(std::make_unique<CWholeFile>(name));
        if (!out.back()->Open(error))
            return false;
    }
    // As one run: headings when any part had a record, every part's lines
    // in order, the summed totals.
    const bool headings = std::any_of(parts.begin(), parts.end(), [](const PARTRUN& p) { return p.headings; });
    long long modules = 0;
    std::vector<long long> sites(K, 0);
    for (const PARTRUN& part : parts) {
        modules += part.modules;
        for (std::size_t k = 0; k < K; ++k)
            sites[k] += part.sites[k];
    }
    if (headings && !out[0]->Write("\n\n" + std::string(kVersionLine) + "\n" + echo + "\n\n", error))
        return false;
    for (const PARTRUN& part : parts)
        if (!CopyBody(ModuleFileName(part.base), 5, true, *out[0], {}, error))
            return false;
    if (!out[0]->Write("\n# modules = " + std::to_string(modules) + "\n", error))
        return false;
    for (std::size_t k = 1; k <= K; ++k) {
        const int motif = static_cast<int>(k);
        if (headings && !out[k]->Write("\n\nmotif " + std::to_string(k) + "\n\n", error))
            return false;
        for (const PARTRUN& part : parts)
            if (!CopyBody(MotifFileName(part.base, motif), 4, true, *out[k], {}, error))
                return false;
        if (!out[k]->Write("\n # of sites for motif " + std::to_string(k) + " = " + std::to_string(sites[k - 1]) + "\n",
                           error))
            return false;
    }
    if (bed) {
        // Modules are numbered through the file: on from the parts before.
        long long number = 0;
        const auto renumber = [&number](std::string& line) {
            std::size_t from = 0, to = 0;  // the name column
            if (Column(line, 3, &from, &to) && to < line.size())
                line.replace(from, to - from, "module" + std::to_string(++number));
        };
        for (const PARTRUN& part : parts)
            if (!CopyBody(ModulesBedFileName(part.base), 0, false, *out[K + 1], renumber, error) ||
                !CopyBody(SitesBedFileName(part.base), 0, false, *out[K + 2], {}, error))
                return false;
    }
    if (records && !MergeRecords(parts, *out.back(), error))
        return false;
    for (auto& file : out)
        if (!file->Close(error))
            return false;
    return CommitAll(out, error);
}
