// The strict reader of the result files (ResultFormat.h): every line of a
// part checked against what its writer writes, before merge trusts it.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/write/ResultFormat.h"
#include "support/Messages.h"
#include "support/Text.h"

namespace {

bool AllDigits(std::string_view text)
{
    return !text.empty() && text.size() <= 18 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A whole number as the files print one: digits, perhaps a minus sign.
bool IsWhole(std::string_view text) { return AllDigits(!text.empty() && text[0] == '-' ? text.substr(1) : text); }

// A number as "%.6f" prints it.
bool IsFixed(std::string_view text)
{
    if (text == "inf" || text == "-inf" || text == "nan" || text == "-nan")
        return true;
    const std::size_t dot = text.find('.');
    return dot != std::string_view::npos && IsWhole(text.substr(0, dot)) && text.size() - dot == 7 &&
           AllDigits(text.substr(dot + 1));
}

// A number as %g prints it, read whole; NaN for anything else.
double GeneralNumber(std::string_view text)
{
    if (text.empty() || text.size() > 24 || text.find_first_not_of("0123456789.e-+") != std::string_view::npos)
        return std::nan("");
    const std::string number(text);
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    return end == number.c_str() + number.size() ? value : std::nan("");
}

// A p- or q-value: a number above 0 and at most 1.
bool IsPValue(std::string_view text)
{
    const double p = GeneralNumber(text);
    return p > 0.0 && p <= 1.0;
}

// An E-value: a number of 0 or more.
bool IsEValue(std::string_view text) { return GeneralNumber(text) >= 0.0; }

// The sites column of the module file: "NULL" or "+k(pos)" / "-k(pos)" pieces.
bool IsSiteString(std::string_view text)
{
    if (text == "NULL")
        return true;
    if (text.empty())
        return false;
    while (!text.empty()) {
        if (text[0] != '+' && text[0] != '-')
            return false;
        const std::size_t open = text.find('(');
        const std::size_t close = text.find(')');
        if (open == std::string_view::npos || close == std::string_view::npos || close < open ||
            !AllDigits(text.substr(1, open - 1)) || !AllDigits(text.substr(open + 1, close - open - 1)))
            return false;
        text.remove_prefix(close + 1);
    }
    return true;
}

// "[start,end]"
bool IsInterval(std::string_view text)
{
    const std::size_t comma = text.find(',');
    return text.size() >= 5 && text.front() == '[' && text.back() == ']' && comma != std::string_view::npos &&
           AllDigits(text.substr(1, comma - 1)) && AllDigits(text.substr(comma + 1, text.size() - comma - 2));
}

// The last n fields of a line whose first field (a sequence name) may hold
// tabs of its own; empty when the line has fewer.
std::vector<std::string_view> LastFields(std::string_view line, std::size_t n)
{
    std::vector<std::string_view> fields(n);
    for (std::size_t i = n; i-- > 0;) {
        const std::size_t tab = line.rfind('\t');
        if (tab == std::string_view::npos)
            return {};
        fields[i] = line.substr(tab + 1);
        line = line.substr(0, tab);
    }
    return fields;
}

bool IsBases(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// What is wrong with a body line of a module or motif file ("" when nothing
// is). A motif file's lines come in pairs: the site, then its bases.
std::string ModuleLineProblem(std::string_view line)
{
    const std::vector<std::string_view> f = LastFields(line, 3);
    if (f.empty() || !IsInterval(f[0]) || !IsFixed(f[1]) || !IsSiteString(f[2]))
        return "not a module line (name, [start,end], score, sites)";
    return {};
}

std::string MotifLineProblem(std::string_view line, bool bases)
{
    if (bases)
        return IsBases(line) ? std::string() : "not the bases of a site";
    const std::vector<std::string_view> f = LastFields(line, 3);
    if (f.empty() || (f[0] != "f" && f[0] != "r") || !AllDigits(f[1]) || !IsFixed(f[2]))
        return "not a site line (name, strand, position, probability)";
    return {};
}

std::string ColumnCount(std::size_t got, std::size_t want, const char* what)
{
    return std::to_string(got) + (got == 1 ? " column" : " columns") + " where " + what + " has " +
           std::to_string(want);
}

std::string ModulesBedProblem(std::string_view line, bool withP)
{
    const std::vector<std::string_view> f = TabFields(line);
    const std::size_t want = withP ? 10 : 8;
    if (f.size() != want)
        return ColumnCount(f.size(), want, "a modules BED line");
    if (f[0].empty() || !IsWhole(f[1]) || !IsWhole(f[2]) || f[3].substr(0, 6) != "module" ||
        !AllDigits(f[3].substr(6)) || !AllDigits(f[4]) || f[5] != "." || !IsFixed(f[6]) || f[7].empty() ||
        (withP && (!IsPValue(f[8]) || !IsEValue(f[9]))))
        return "not a modules BED line";
    return {};
}

std::string SitesBedProblem(std::string_view line)
{
    const std::vector<std::string_view> f = TabFields(line);
    if (f.size() != 9)
        return ColumnCount(f.size(), 9, "a sites BED line");
    if (f[0].empty() || !IsWhole(f[1]) || !IsWhole(f[2]) || f[3].empty() || !AllDigits(f[4]) ||
        (f[5] != "+" && f[5] != "-") || !IsFixed(f[6]) || !AllDigits(f[7]) || !IsBases(f[8]))
        return "not a sites BED line";
    return {};
}

std::string RecordsLineProblem(std::string_view line, int motifNum)
{
    const std::vector<std::string_view> f = TabFields(line);
    if (f.size() != 13)
        return ColumnCount(f.size(), 13, "a records line");
    std::size_t counts = 0;
    for (std::string_view rest = f[4];; ++counts) {
        const std::size_t comma = rest.find(',');
        if (!AllDigits(rest.substr(0, comma)))
            return "sites '" + std::string(f[4]) + "' is not one count per motif";
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    if (counts + 1 != static_cast<std::size_t>(motifNum))
        return "sites '" + std::string(f[4]) + "' is not one count per motif";
    if (!AllDigits(f[1]) || !AllDigits(f[2]) || !AllDigits(f[3]) || (!f[5].empty() && !IsFixed(f[5])) ||
        (!f[6].empty() && (f[5].empty() || !IsEValue(f[6]))) || (!f[7].empty() && !IsFixed(f[7])))
        return "not a records line (name, length, scanned, modules, sites, scores)";
    constexpr const char* kColumns[] = {"best_window_p", "best_window_p_gumbel", "best_window_q_gumbel"};
    for (int c = 8; c <= 10; ++c)
        if (!f[c].empty() && !IsPValue(f[c]))
            return std::string(kColumns[c - 8]) + " '" + std::string(f[c]) + "' is not a number above 0 and at most 1";
    for (int c = 9; c <= 10; ++c)
        if (f[c - 1].empty() != f[c].empty())
            return f[c - 1].empty() ? std::string("a ") + kColumns[c - 8] + " without its " + kColumns[c - 9]
                                    : std::string("a ") + kColumns[c - 9] + " without its " + kColumns[c - 8];
    return {};
}

// The count at the end of a totals line such as "# modules = 12".
bool TotalCount(const std::string& line, const std::string& head, long long* count)
{
    if (line.rfind(head, 0) != 0 || !AllDigits(std::string_view(line).substr(head.size())))
        return false;
    *count = std::stoll(line.substr(head.size()));
    return true;
}

// The lines of a file, each with its number and whether it ended with a
// line end.
class CResultLines {
public:
    CResultLines(const std::string& path) : m_path(path) {}
    bool Open(std::string* error)
    {
        errno = 0;
        m_in.open(m_path, std::ios::binary);
        if (m_in)
            return true;
        *error = "cannot read " + QuotePath(m_path) + ": " + std::strerror(errno != 0 ? errno : ENOENT);
        return false;
    }
    // The next line; false at the end of the file or on a read error.
    bool Next(std::string* line)
    {
        if (!std::getline(m_in, *line))
            return false;
        ++m_number;
        m_whole = !m_in.eof();
        return true;
    }
    bool Failed() const { return m_in.bad(); }
    long long Number() const { return m_number; }
    bool Whole() const { return m_whole; }

private:
    const std::string& m_path;
    std::ifstream m_in;
    long long m_number = 0;
    bool m_whole = true;
};

// Reads a file of one shape; the messages name path.
class CResultFileCheck {
public:
    CResultFileCheck(const std::string& path, const RESULTSHAPE& shape, const ResultLineSink& body,
                     RESULTFILEINFO* info, std::string* error)
        : m_path(path), m_shape(shape), m_body(body), m_info(info), m_error(error), m_lines(path)
    {}

    bool Read()
    {
        *m_info = RESULTFILEINFO();
        if (!m_lines.Open(m_error))
            return false;
        switch (m_shape.kind) {
        case RESULTKIND::Module:
        case RESULTKIND::Motif:
            return ReadWithTotals();
        case RESULTKIND::Records:
            return ReadRecords();
        case RESULTKIND::ModulesBed:
        case RESULTKIND::SitesBed:
            break;
        }
        return ReadBodyOnly();
    }

private:
    bool Fail(const std::string& text)
    {
        *m_error = "result file " + QuotePath(m_path) + text;
        return false;
    }
    bool Incomplete() { return Fail(" is not a complete result file of one run"); }
    bool MoreThanOneRun() { return Fail(" holds more than one run: merge takes the results of one run per part"); }
    bool AtLine(const std::string& text) { return Fail(", line " + std::to_string(m_lines.Number()) + ": " + text); }

    // The next line, which must be whole. False at the end of the file
    // (m_atEnd set) and on a failure (with the message).
    bool Next(std::string* line)
    {
        m_atEnd = false;
        if (!m_lines.Next(line)) {
            if (m_lines.Failed())
                *m_error = "cannot read " + QuotePath(m_path) + ": " + std::strerror(EIO);
            m_atEnd = !m_lines.Failed();
            return false;
        }
        if (!m_lines.Whole())
            return AtLine("cut short (no line end)");
        return true;
    }
    bool ReadError() const { return !m_atEnd; }

    bool Take(std::string& line) { return !m_body || m_body(line, m_lines.Number()); }

    // Module and motif files: headings (when the run had records), body
    // lines, a blank line and the totals line, and nothing after it.
    bool ReadWithTotals()
    {
        const bool module = m_shape.kind == RESULTKIND::Module;
        const std::string head = module ? kModuleTotalHead : MotifTotalHead(m_shape.motif);
        std::string line;
        if (!Next(&line))
            return ReadError() ? false : Incomplete();
        if (!line.empty())
            return Incomplete();
        if (!Next(&line))
            return ReadError() ? false : Incomplete();
        if (!TotalCount(line, head, &m_info->total)) {
            m_info->headings = true;
            if (!ReadHeadings(line, module))
                return false;
            if (!ReadBodyToTotals(head, module))
                return false;
        } else if (m_info->total != 0) {
            return AtLine("the total " + std::to_string(m_info->total) + " of a run without records");
        }
        return ReadAfterTotals(head);
    }

    // The heading lines after the first blank one; line is the second.
    bool ReadHeadings(std::string& line, bool module)
    {
        std::vector<std::string> rest;
        for (int i = 0; i < (module ? 3 : 2); ++i) {
            std::string next;
            if (!Next(&next))
                return ReadError() ? false : Incomplete();
            rest.push_back(std::move(next));
        }
        const bool ok = module ? line.empty() && rest[0].rfind(kBannerHead, 0) == 0 && rest[2].empty()
                               : line.empty() && rest[0] == "motif " + std::to_string(m_shape.motif) && rest[1].empty();
        if (!ok)
            return Incomplete();
        if (module)
            m_info->echo = std::move(rest[1]);
        return true;
    }

    // Body lines up to the blank line, then the totals line.
    bool ReadBodyToTotals(const std::string& head, bool module)
    {
        std::string line;
        long long bodyLines = 0;
        for (;;) {
            if (!Next(&line))
                return ReadError() ? false : Incomplete();
            if (line.empty())
                break;
            const std::string problem = module ? ModuleLineProblem(line) : MotifLineProblem(line, bodyLines % 2 == 1);
            if (!problem.empty())
                return line.rfind(head, 0) == 0 ? Incomplete() : AtLine(problem);
            ++bodyLines;
            if (!Take(line))
                return false;
        }
        if (!module && bodyLines % 2 == 1)
            return AtLine("a site line without the line of its bases");
        if (!Next(&line))
            return ReadError() ? false : Incomplete();
        if (!TotalCount(line, head, &m_info->total))
            return AtLine("not a totals line");
        // Every site has its two lines and counts once; a module counts even
        // where its traceback found no site and it has no line.
        const long long items = module ? bodyLines : bodyLines / 2;
        if (module ? m_info->total < items : m_info->total != items)
            return AtLine("the total " + std::to_string(m_info->total) + " does not fit the " + std::to_string(items) +
                          (module ? " module" : " site") + (items == 1 ? " line" : " lines") + " above it");
        return true;
    }

    // Nothing may follow the totals line; another run's lines would.
    bool ReadAfterTotals(const std::string& head)
    {
        std::string line;
        if (!Next(&line))
            return !ReadError();
        const long long at = m_lines.Number();
        do {
            if (line.rfind(head, 0) == 0)
                return MoreThanOneRun();
        } while (m_lines.Next(&line));
        return Fail(", line " + std::to_string(at) + ": a line after the totals line");
    }

    // The records file: its header, then one line per record.
    bool ReadRecords()
    {
        const std::string header(kRecordsHeader, std::strlen(kRecordsHeader) - 1);
        std::string line;
        if (!Next(&line))
            return ReadError() ? false : Incomplete();
        const std::string_view background(kRecordsBackgroundHead);
        if (line.rfind(background, 0) == 0 && !Next(&line))
            return ReadError() ? false : Incomplete();
        if (line != header)
            return Incomplete();
        while (Next(&line)) {
            if (line == header || line.rfind(background, 0) == 0)
                return MoreThanOneRun();
            const std::string problem = RecordsLineProblem(line, m_shape.motifNum);
            if (!problem.empty())
                return AtLine(problem);
            if (!Take(line))
                return false;
        }
        return !ReadError();
    }

    // The BED files: body lines only.
    bool ReadBodyOnly()
    {
        std::string line;
        while (Next(&line)) {
            const std::string problem =
                m_shape.kind == RESULTKIND::ModulesBed ? ModulesBedProblem(line, m_shape.withP) : SitesBedProblem(line);
            if (!problem.empty())
                return AtLine(problem);
            if (!Take(line))
                return false;
        }
        return !ReadError();
    }

    const std::string& m_path;
    const RESULTSHAPE& m_shape;
    const ResultLineSink& m_body;
    RESULTFILEINFO* m_info;
    std::string* m_error;
    CResultLines m_lines;
    bool m_atEnd = false;
};

}  // namespace

long long LastBedModuleNumber(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    // The last line lies in the file's last few kilobytes.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff from = std::max<std::streamoff>(0, size - 65536);
    in.seekg(from);
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    while (!tail.empty() && tail.back() == '\n')
        tail.pop_back();
    const std::size_t start = tail.rfind('\n');
    const std::vector<std::string_view> f =
        TabFields(std::string_view(tail).substr(start == std::string::npos ? 0 : start + 1));
    if (f.size() > 3 && f[3].substr(0, 6) == "module" && AllDigits(f[3].substr(6)))
        return std::stoll(std::string(f[3].substr(6)));
    in.clear();
    in.seekg(0);
    long long lines = 0;
    for (std::string line; std::getline(in, line);)
        lines += line.empty() ? 0 : 1;
    return lines;
}

bool ReadResultFile(const std::string& path, const RESULTSHAPE& shape, const ResultLineSink& body, RESULTFILEINFO* info,
                    std::string* error)
{
    return CResultFileCheck(path, shape, body, info, error).Read();
}
