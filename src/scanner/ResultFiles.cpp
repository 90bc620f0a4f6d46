// The result files: outFile + "_module.txt" and outFile + "_motif<k>.txt"
// for k = 1..K.
//
// With --bed the modules and sites also go to two BED files (BedFiles.h).
//
// Each write operation opens its file for appending and closes it again, so
// the files grow sequence by sequence and a later run with the same base
// name adds to what earlier runs left. Stored texts (the command-line echo,
// sequence names, site strings, site bases) go out with fwrite, byte for
// byte: a '%' in a name must never reach a format string. Every write and
// close is checked, so a full disk stops the run with a message instead of
// leaving results silently cut short.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/BedFiles.h"
#include "scanner/GibbsDP.h"
#include "scanner/ScanIO.h"

std::string ModuleFileName(const CString& outFile) { return outFile.str() + "_module.txt"; }

std::string MotifFileName(const CString& outFile, int motif)
{
    return outFile.str() + "_motif" + std::to_string(motif) + ".txt";
}

std::string ModulesBedFileName(const CString& outFile) { return outFile.str() + "_modules.bed"; }

std::string SitesBedFileName(const CString& outFile) { return outFile.str() + "_sites.bed"; }

bool CheckResultFiles(const CString& outFile, int motifNum, std::string* error, bool bed,
                      RESULTFILESIZES* before)
{
    std::vector<std::string> names = {ModuleFileName(outFile)};
    for (int k = 1; k <= motifNum; ++k)
        names.push_back(MotifFileName(outFile, k));
    if (bed) {
        names.push_back(ModulesBedFileName(outFile));
        names.push_back(SitesBedFileName(outFile));
    }

    std::vector<std::string> created;
    if (before)
        *before = RESULTFILESIZES();
    for (const std::string& name : names) {
        struct stat info {};
        const bool existed = lstat(name.c_str(), &info) == 0;
        if (before) {
            // Only a regular file can be taken back to its size; -1 stands
            // for a file this run creates, -2 for anything else.
            struct stat target {};
            long long size = -1;
            if (existed)
                size = stat(name.c_str(), &target) == 0 && S_ISREG(target.st_mode) ? target.st_size : -2;
            before->names.push_back(name);
            before->sizes.push_back(size);
        }
        errno = 0;
        std::FILE* file = std::fopen(name.c_str(), "a");
        if (!file) {
            *error = "cannot write result file " + QuotePath(name) + ": " + std::strerror(errno);
            for (const std::string& made : created)
                (void)std::remove(made.c_str());
            return false;
        }
        (void)std::fclose(file);  // opened only to test that it can be
        if (!existed)
            created.push_back(name);
    }
    return true;
}

void RestoreResultFiles(const RESULTFILESIZES& before)
{
    for (std::size_t i = 0; i < before.names.size(); ++i) {
        const char* name = before.names[i].c_str();
        const long long size = before.sizes[i];
        if (size == -1)
            (void)std::remove(name);
        else if (size >= 0)
            (void)truncate(name, static_cast<off_t>(size));
    }
}

namespace {

// One append operation on one result file: open, write, close, each step
// checked. The first failure is kept with its errno.
class CAppender {
public:
    explicit CAppender(std::string name) : m_name(std::move(name))
    {
        errno = 0;
        m_file.reset(std::fopen(m_name.c_str(), "a+"));
        if (!m_file)
            m_error = errno ? errno : EIO;
    }

    // Stored text, written as it is.
    void Text(std::string_view text)
    {
        if (m_error != 0 || text.empty())
            return;
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), m_file.get()) != text.size())
            m_error = errno ? errno : EIO;
    }

    // Numbers through a fixed format of this file (never a stored text).
    template <typename... Args>
    void Format(const char* format, Args... args)
    {
        if (m_error != 0)
            return;
        errno = 0;
        if (std::fprintf(m_file.get(), format, args...) < 0)
            m_error = errno ? errno : EIO;
    }

    // Closes the file; false, with *error naming the file, if anything failed.
    bool Close(std::string* error)
    {
        if (m_file) {
            errno = 0;
            const bool flushed = std::fclose(m_file.release()) == 0;
            if (!flushed && m_error == 0)
                m_error = errno ? errno : EIO;
        }
        if (m_error == 0)
            return true;
        *error = "cannot write result file " + QuotePath(m_name) + ": " + std::strerror(m_error);
        return false;
    }

private:
    struct Closer {
        void operator()(std::FILE* f) const { (void)std::fclose(f); }
    };
    std::string m_name;
    std::unique_ptr<std::FILE, Closer> m_file;
    int m_error = 0;
};

bool IsNameBlank(char c) { return c == ' ' || c == '\t'; }

// A whole number of digits only, small enough to add positions to.
bool ReadCoordinate(std::string_view text, long long* value)
{
    if (text.empty() || text.size() > 15)
        return false;
    long long v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

}  // namespace

BEDNAME BedSequenceName(std::string_view header)
{
    if (!header.empty() && header.front() == '>')
        header.remove_prefix(1);
    while (!header.empty() && IsNameBlank(header.front()))
        header.remove_prefix(1);
    std::size_t end = 0;
    while (end < header.size() && !IsNameBlank(header[end]))
        ++end;
    const std::string_view word = header.substr(0, end);
    BEDNAME name;
    if (word.empty()) {
        name.chrom = "unnamed";
        return name;
    }
    name.chrom.assign(word);
    // chrom:start-end, as bedtools getfasta names an interval.
    const std::size_t colon = word.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return name;
    const std::string_view range = word.substr(colon + 1);
    const std::size_t dash = range.find('-');
    long long start = 0;
    long long stop = 0;
    if (dash == std::string_view::npos || !ReadCoordinate(range.substr(0, dash), &start) ||
        !ReadCoordinate(range.substr(dash + 1), &stop) || stop < start)
        return name;
    name.chrom.assign(word.substr(0, colon));
    name.offset = start;
    return name;
}

bool CGibbsDP::OutputModules()
{
    CAppender out(ModuleFileName(outFile));
    if (firstSeq)
        out.Text(cmdLine.view());
    // The interval ends one past the last base of the window actually used,
    // which is shorter than moduleLength when the sequence is.
    const int windowLength = std::min(moduleLength, seqLength);
    for (const MODULEINFO* node = moduleList ? moduleList->next.get() : nullptr; node;
         node = node->next.get()) {
        out.Text(seqName.view());
        out.Format("\t[%d,%d]\t%.6lf\t", node->start, node->start + windowLength, node->score);
        out.Text(node->sites.view());
        out.Text("\n");
    }
    if (!out.Close(&errorText))
        return false;
    if (!bedOutput)
        return true;

    CAppender bed(ModulesBedFileName(outFile));
    const BEDNAME name = BedSequenceName(seqName.view());
    for (const MODULEINFO* node = moduleList ? moduleList->next.get() : nullptr; node;
         node = node->next.get()) {
        const long long start = name.offset + node->start;
        bed.Text(name.chrom);
        bed.Format("\t%lld\t%lld\tmodule%lld\t%.6lf\t.\t", start, start + windowLength, ++bedModuleNumber,
                   node->score);
        bed.Text(node->sites.view());
        bed.Text("\n");
    }
    return bed.Close(&errorText);
}

bool CGibbsDP::OutputMotifs()
{
    for (int k = 1; k <= motifNum; ++k) {
        CAppender out(MotifFileName(outFile, k));
        if (firstSeq)
            out.Format("\n\nmotif %d\n\n", k);
        const std::size_t index = static_cast<std::size_t>(k - 1);
        const SITEINFO* head = index < siteList.size() ? siteList[index].get() : nullptr;
        for (const SITEINFO* node = head ? head->next.get() : nullptr; node; node = node->next.get()) {
            out.Text(seqName.view());
            out.Text(node->forward ? "\tf\t" : "\tr\t");
            out.Format("%d\t%.6lf\n", node->pos, node->prob);
            out.Text(node->site.view());
            out.Text("\n");
        }
        if (!out.Close(&errorText))
            return false;
    }
    return !bedOutput || OutputSitesBed();
}

bool CGibbsDP::OutputSitesBed()
{
    // The sites of every motif, ordered by start; ties keep motif order.
    struct Site {
        const SITEINFO* node;
        int motif;  // 1..K
    };
    std::vector<Site> sites;
    for (int k = 1; k <= motifNum; ++k) {
        const std::size_t index = static_cast<std::size_t>(k - 1);
        const SITEINFO* head = index < siteList.size() ? siteList[index].get() : nullptr;
        for (const SITEINFO* node = head ? head->next.get() : nullptr; node; node = node->next.get())
            sites.push_back({node, k});
    }
    std::stable_sort(sites.begin(), sites.end(),
                     [](const Site& a, const Site& b) { return a.node->pos < b.node->pos; });

    CAppender bed(SitesBedFileName(outFile));
    const BEDNAME name = BedSequenceName(seqName.view());
    for (const Site& site : sites) {
        const std::size_t index = static_cast<std::size_t>(site.motif - 1);
        const int width = index < motifWidth.size() ? motifWidth[index] : 0;
        const long long start = name.offset + site.node->pos;
        bed.Text(name.chrom);
        bed.Format("\t%lld\t%lld\t%d\t%.6lf\t%c\n", start, start + width, site.motif, site.node->prob,
                   site.node->forward ? '+' : '-');
    }
    return bed.Close(&errorText);
}

bool CGibbsDP::WriteSummary()
{
    CAppender modules(ModuleFileName(outFile));
    modules.Format("\n# modules = %d\n", moduleCount);
    if (!modules.Close(&errorText))
        return false;
    for (int k = 1; k <= motifNum; ++k) {
        CAppender out(MotifFileName(outFile, k));
        const std::size_t index = static_cast<std::size_t>(k - 1);
        out.Format("\n # of sites for motif %d = %d\n", k, index < siteCount.size() ? siteCount[index] : 0);
        if (!out.Close(&errorText))
            return false;
    }
    return true;
}
