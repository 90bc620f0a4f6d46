// The result files: outFile + "_module.txt" and outFile + "_motif<k>.txt"
// for k = 1..K.
//
// Each write operation opens its file for appending and closes it again, so
// the files grow sequence by sequence and a later run with the same base
// name adds to what earlier runs left. Stored texts (the command-line echo,
// sequence names, site strings, site bases) go out with fwrite, byte for
// byte: a '%' in a name must never reach a format string. Every write and
// close is checked, so a full disk stops the run with a message instead of
// leaving results silently cut short.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/GibbsDP.h"
#include "scanner/ScanIO.h"

std::string ModuleFileName(const CString& outFile) { return outFile.str() + "_module.txt"; }

std::string MotifFileName(const CString& outFile, int motif)
{
    return outFile.str() + "_motif" + std::to_string(motif) + ".txt";
}

bool CheckResultFiles(const CString& outFile, int motifNum, std::string* error)
{
    std::vector<std::string> names = {ModuleFileName(outFile)};
    for (int k = 1; k <= motifNum; ++k)
        names.push_back(MotifFileName(outFile, k));

    std::vector<std::string> created;
    for (const std::string& name : names) {
        struct stat info {};
        const bool existed = lstat(name.c_str(), &info) == 0;
        errno = 0;
        std::FILE* file = std::fopen(name.c_str(), "a");
        if (!file) {
            *error = "cannot write result file " + QuotePath(name) + ": " + std::strerror(errno);
            for (const std::string& made : created)
                std::remove(made.c_str());
            return false;
        }
        std::fclose(file);
        if (!existed)
            created.push_back(name);
    }
    return true;
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
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::string m_name;
    std::unique_ptr<std::FILE, Closer> m_file;
    int m_error = 0;
};

}  // namespace

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
    return out.Close(&errorText);
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
    return true;
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
