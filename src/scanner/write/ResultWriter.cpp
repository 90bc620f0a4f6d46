#include "scanner/write/ResultWriter.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include "scanner/scan/NullModel.h"
#include "support/Messages.h"
#include "support/Version.h"

std::string ModuleFileName(const std::string& base) { return base + "_module.txt"; }

std::string MotifFileName(const std::string& base, int motif)
{
    return base + "_motif" + std::to_string(motif) + ".txt";
}

std::string ModulesBedFileName(const std::string& base) { return base + "_modules.bed"; }

std::string SitesBedFileName(const std::string& base) { return base + "_sites.bed"; }

std::string RecordsFileName(const std::string& base) { return base + "_records.tsv"; }

std::string PValueText(double p)
{
    char text[32];
    (void)std::snprintf(text, sizeof text, "%.6g", p);
    return text;
}

const char* const kRecordsHeader =
    "#name\tlength\tscanned\tmodules\tsites\tbest_module\tbest_window\tbest_window_p\tbest_window_q\tnote\n";

namespace {

// Numbers through a fixed format of a result file (never a stored text).
template <typename... Args>
void AppendFormat(std::string* out, const char* format, Args... args)
{
    char small[128];
    const int n = std::snprintf(small, sizeof small, format, args...);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out->append(small, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    (void)std::snprintf(big.data(), big.size(), format, args...);
    out->append(big.data(), static_cast<std::size_t>(n));
}

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

std::string WriteError(const std::string& name, int error)
{
    return "cannot write result file " + QuotePath(name) + ": " + std::strerror(error);
}

}  // namespace

bool OutputPathUsable(const std::string& path, const std::string& kind, const std::string& option,
                      const std::vector<INPUTID>& inputs, std::string* error)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return true;
    if (!S_ISREG(info.st_mode)) {
        *error = "cannot write " + kind + " " + QuotePath(path) + ": " +
                 (S_ISDIR(info.st_mode) ? std::string(std::strerror(EISDIR)) : "not a regular file");
        return false;
    }
    const auto same = std::find_if(inputs.begin(), inputs.end(), [&info](const INPUTID& input) {
        return input.device == static_cast<unsigned long long>(info.st_dev) &&
               input.inode == static_cast<unsigned long long>(info.st_ino);
    });
    if (same == inputs.end())
        return true;
    *error = same->label + " is also the " + kind + " " + QuotePath(path) + ": choose another " + option;
    return false;
}

std::string SiteString(const std::vector<SITEINFO>& sites)
{
    if (sites.empty())
        return "NULL";
    std::string text;
    for (const SITEINFO& site : sites)
        AppendFormat(&text, "%c%d(%d)", site.forward ? '+' : '-', site.motif + 1, site.pos);
    return text;
}

BEDNAME BedSequenceName(std::string_view header, bool oneBased)
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
    // name::chrom:start-end: the interval follows the last "::".
    std::string_view interval = word;
    if (const std::size_t named = word.rfind("::"); named != std::string_view::npos)
        interval = word.substr(named + 2);
    bool minus = false;
    if (interval.size() > 3 && interval.back() == ')' && interval[interval.size() - 3] == '(' &&
        (interval[interval.size() - 2] == '+' || interval[interval.size() - 2] == '-')) {
        minus = interval[interval.size() - 2] == '-';
        interval.remove_suffix(3);
    }
    const std::size_t colon = interval.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return name;
    const std::string_view range = interval.substr(colon + 1);
    const std::size_t dash = range.find('-');
    long long start = 0;
    long long stop = 0;
    if (dash == std::string_view::npos || !ReadCoordinate(range.substr(0, dash), &start) ||
        !ReadCoordinate(range.substr(dash + 1), &stop) || (oneBased && start < 1))
        return name;
    if (oneBased)
        --start;
    if (stop < start)
        return name;
    name.chrom.assign(interval.substr(0, colon));
    name.offset = start;
    name.end = stop;
    name.minus = minus;
    return name;
}

CResultWriter::CResultWriter(std::string base, std::vector<int> widths, bool bed, std::string commandLine,
                             bool overwrite)
    : m_base(std::move(base)),
      m_widths(std::move(widths)),
      m_commandLine(std::move(commandLine)),
      m_bed(bed),
      m_overwrite(overwrite)
{
    SetBedNames({}, false);
}

void CResultWriter::SetBedNames(std::vector<std::string> labels, bool oneBased)
{
    labels.resize(m_widths.size());
    for (std::size_t j = 0; j < labels.size(); ++j) {
        if (labels[j].empty())
            labels[j] = "motif" + std::to_string(j + 1);
        for (char& c : labels[j])
            if (static_cast<unsigned char>(c) <= ' ')
                c = '_';
    }
    m_labels = std::move(labels);
    m_oneBased = oneBased;
}

void CResultWriter::SetSummary(bool summary, bool nulls)
{
    m_summary = summary;
    m_nulls = nulls;
}

namespace {

// A score for column 5 of a BED line: 0 to 1000, rounded.
int BedScore(double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 1000.0))); }

}  // namespace

CResultWriter::~CResultWriter() { CloseAll(); }

bool InputIdentity(const std::string& path, bool dashIsStdin, std::string label, INPUTID* id)
{
    struct stat info {};
    if ((dashIsStdin && path == "-" ? fstat(STDIN_FILENO, &info) : stat(path.c_str(), &info)) != 0)
        return false;
    *id = INPUTID {std::move(label), static_cast<unsigned long long>(info.st_dev),
                   static_cast<unsigned long long>(info.st_ino)};
    return true;
}

namespace {

// The files the signal handler cuts back: set while a writer holds them.
constexpr int kCutBackSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void BlockCutBackSignals(int how, sigset_t* before = nullptr)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kCutBackSignals)
        sigaddset(&set, signal);
    (void)pthread_sigmask(how, &set, before);
}

}  // namespace

CCutBackSignalsHeldOff::CCutBackSignalsHeldOff() { BlockCutBackSignals(SIG_BLOCK, &m_before); }

CCutBackSignalsHeldOff::~CCutBackSignalsHeldOff() { (void)pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }

// The writer whose files a signal cuts back (one run per process).
static CResultWriter* g_signalled = nullptr;

bool CResultWriter::OpenFile(RESULTFILE& file, std::string* error)
{
    // O_EXCL first: a file this run creates is removed again on failure,
    // one that was there is only cut back to its size.
    file.fd = open(file.name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const bool created = file.fd >= 0;
    if (!created && errno == EEXIST) {
        file.fd = open(file.name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        // O_EXCL does not follow a symlink: one that points nowhere gets
        // here. Creating through it would leave a file the cut-back cannot
        // find by the result file's name.
        if (file.fd < 0 && errno == ENOENT) {
            *error = "cannot write result file " + QuotePath(file.name) + ": a symbolic link to a missing file";
            return false;
        }
    }
    if (file.fd < 0) {
        *error = WriteError(file.name, errno);
        return false;
    }
    file.sizeBefore = created ? -1 : 0;  // the size is taken once the run holds the lock
    return true;
}

bool CResultWriter::Open(const std::vector<INPUTID>& inputs, std::string* error)
{
    std::vector<std::string> names = {ModuleFileName(m_base)};
    for (std::size_t k = 1; k <= m_widths.size(); ++k)
        names.push_back(MotifFileName(m_base, static_cast<int>(k)));
    if (m_bed) {
        names.push_back(ModulesBedFileName(m_base));
        names.push_back(SitesBedFileName(m_base));
    }
    m_recordsFile = names.size();
    if (m_summary)
        names.push_back(RecordsFileName(m_base));
    // Every path is checked before the first file is created.
    for (const std::string& name : names)
        if (!OutputPathUsable(name, "result file", "-o", inputs, error))
            return false;
    BlockCutBackSignals(SIG_BLOCK);
    m_files.clear();
    // The module file is locked for the whole run. With overwrite it is
    // opened for the lock alone, and the results go to new files beside
    // the result files, which they replace only when the run succeeds.
    auto lock = [&](RESULTFILE& file) {
        if (flock(file.fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        // Another run holds it: its file, not ours to remove.
        file.sizeBefore = -2;
        *error = "result file " + QuotePath(file.name) +
                 " is in use by another run: wait for it to end or choose another -o";
        return false;
    };
    bool ok = true;
    if (m_overwrite) {
        m_lock = RESULTFILE();
        m_lock.name = names.front();
        ok = OpenFile(m_lock, error) && lock(m_lock);
    }
    for (std::string& name : names) {
        if (!ok)
            break;
        RESULTFILE file;
        if (m_overwrite) {
            file.target = name;
            file.name = name + ".velmora-part-" + std::to_string(getpid());
        } else {
            file.name = std::move(name);
        }
        ok = OpenFile(file, error);
        if (file.fd >= 0)
            m_files.push_back(file);
        if (ok && m_overwrite && m_files.back().sizeBefore != -1) {
            *error = "cannot write result file " + QuotePath(file.name) + ": it exists already";
            m_files.back().sizeBefore = -2;
            ok = false;
        }
        if (ok && !m_overwrite && m_files.size() == 1)
            ok = lock(m_files.back());
        if (!ok)
            break;
        struct stat info {};
        if (m_files.back().sizeBefore != -1 && fstat(m_files.back().fd, &info) == 0)
            m_files.back().sizeBefore = info.st_size;
    }
    if (!ok) {
        CloseAll();
        for (const RESULTFILE& made : m_files)
            if (made.sizeBefore == -1)
                (void)std::remove(made.name.c_str());
        if (m_lock.sizeBefore == -1)
            (void)std::remove(m_lock.name.c_str());
        m_files.clear();
        m_lock = RESULTFILE();
        BlockCutBackSignals(SIG_UNBLOCK);
        return false;
    }
    m_recordsHeaderDue = m_summary && m_files[m_recordsFile].sizeBefore <= 0;
    g_signalled = this;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : kCutBackSignals)
        (void)sigaction(signal, &action, nullptr);
    (void)std::signal(SIGXFSZ, SIG_IGN);
    BlockCutBackSignals(SIG_UNBLOCK);
    return true;
}

void CResultWriter::OnSignal(int signal)
{
    // Only calls that are safe in a signal handler: ftruncate and unlink on
    // what Open prepared, then the signal again, now with its default action.
    // errno is the interrupted code's: it is put back as it was.
    const int interrupted = errno;
    if (g_signalled) {
        for (const RESULTFILE& file : g_signalled->m_files) {
            if (file.sizeBefore == -1)
                (void)unlink(file.name.c_str());
            else if (file.sizeBefore >= 0 && file.fd >= 0)
                (void)ftruncate(file.fd, static_cast<off_t>(file.sizeBefore));
        }
        if (g_signalled->m_lock.sizeBefore == -1)
            (void)unlink(g_signalled->m_lock.name.c_str());
    }
    errno = interrupted;
    (void)raise(signal);
}

bool CResultWriter::Append(RESULTFILE& file, std::string_view text, std::string* error)
{
    while (!text.empty()) {
        const ssize_t written = write(file.fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *error = WriteError(file.name, written < 0 ? errno : EIO);
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string CResultWriter::RecordLine(const RECORDRESULT& record, double* p) const
{
    // The name as the module file gives it, without its '>' and the blanks
    // after it; a tab in it would shift every column after it.
    std::string text = record.name.substr(!record.name.empty() && record.name[0] == '>' ? 1 : 0);
    text.erase(0, std::min(text.find_first_not_of(" \t"), text.size()));
    std::replace(text.begin(), text.end(), '\t', ' ');
    RUNTOTALS counts(static_cast<int>(m_widths.size()));  // the record's sites per motif
    counts.Add(record);
    AppendFormat(&text, "\t%d\t%lld\t%zu\t", record.length, record.scannedBases, record.modules.size());
    for (std::size_t j = 0; j < counts.sites.size(); ++j)
        AppendFormat(&text, j > 0 ? ",%lld" : "%lld", counts.sites[j]);
    text += '\t';
    if (!record.modules.empty()) {
        double best = record.modules.front().score;
        for (const MODULEINFO& module : record.modules)
            best = std::max(best, module.score);
        AppendFormat(&text, "%.6lf", best);
    }
    text += '\t';
    *p = std::nan("");
    if (record.scanned) {
        AppendFormat(&text, "%.6lf", record.bestWindow);
        if (!record.nullScores.empty())
            *p = EmpiricalP(record.nullScores, record.bestWindow);
    }
    text += '\t';
    if (!std::isnan(*p))
        text.append(PValueText(*p));
    text += '\t';
    return text;
}

namespace {

// The note column of a record that was not scanned.
std::string RecordNote(const RECORDRESULT& record)
{
    if (record.length < 2)
        return "too short to scan (fewer than 2 bases)";
    if (record.unscorable)
        return "not scanned: its background model gives one of its bases probability 0";
    return {};
}

}  // namespace

bool CResultWriter::WriteRecord(const RECORDRESULT& record, std::string* error)
{
    const std::size_t K = m_widths.size();
    if (m_files.size() < K + 1 + (m_bed ? 2 : 0) + (m_summary ? 1 : 0))
        return true;  // not open: nothing to write to
    const bool headings = !m_headingsWritten;
    m_headingsWritten = true;

    std::string text;
    if (headings)
        text.append("\n\n").append(kVersionLine).append("\n").append(m_commandLine).append("\n\n");
    for (const MODULEINFO& module : record.modules) {
        text.append(record.name);
        AppendFormat(&text, "\t[%d,%d]\t%.6lf\t", module.start, module.start + record.window, module.score);
        text.append(SiteString(module.sites)).append("\n");
    }
    if (!Append(m_files[0], text, error))
        return false;

    BEDNAME bedName;
    if (m_bed) {
        // bed6+2: the module's score 0 to 1000 (100 times the module score),
        // then the exact score and its sites, on chrom, in chrom order.
        bedName = BedSequenceName(record.name, m_oneBased);
        text.clear();
        for (const MODULEINFO& module : record.modules) {
            const long long start = bedName.Start(module.start, record.window);
            text.append(bedName.chrom);
            AppendFormat(&text, "\t%lld\t%lld\tmodule%lld\t%d\t.\t%.6lf\t", start, start + record.window,
                         ++m_bedModuleNumber, BedScore(100.0 * module.score), module.score);
            std::vector<const SITEINFO*> sites;
            for (const SITEINFO& site : module.sites)
                sites.push_back(&site);
            if (bedName.minus)
                std::reverse(sites.begin(), sites.end());
            if (sites.empty())
                text.append("NULL");
            for (const SITEINFO* site : sites) {
                const std::size_t j = static_cast<std::size_t>(site->motif);
                text += bedName.Strand(site->forward ? '+' : '-');
                text.append(j < m_labels.size() ? m_labels[j] : "motif" + std::to_string(j + 1));
                AppendFormat(&text, "(%lld)", bedName.Start(site->pos, j < m_widths.size() ? m_widths[j] : 0));
            }
            // With null sequences, bed6+3: the module's empirical p-value.
            if (m_nulls)
                text.append("\t").append(PValueText(EmpiricalP(record.nullScores, module.score)));
            text.append("\n");
        }
        if (!Append(m_files[K + 1], text, error))
            return false;
    }

    // The sites of every motif, for the motif files and the sites BED file.
    struct SITEREF {
        const SITEINFO* site;
        int motif;  // 1..K
    };
    std::vector<SITEREF> all;
    for (std::size_t k = 1; k <= K; ++k) {
        text.clear();
        if (headings)
            AppendFormat(&text, "\n\nmotif %d\n\n", static_cast<int>(k));
        for (const MODULEINFO& module : record.modules)
            for (const SITEINFO& site : module.sites) {
                if (static_cast<std::size_t>(site.motif) + 1 != k)
                    continue;
                text.append(record.name).append(site.forward ? "\tf\t" : "\tr\t");
                AppendFormat(&text, "%d\t%.6lf\n", site.pos, site.prob);
                text.append(site.site).append("\n");
                all.push_back({&site, static_cast<int>(k)});
            }
        if (!Append(m_files[k], text, error))
            return false;
    }
    if (m_summary) {
        double p = 0.0;
        text = RecordLine(record, &p);
        if (m_nulls) {
            m_held.push_back({std::move(text), p, RecordNote(record)});
        } else {
            text.append("\t").append(RecordNote(record)).append("\n");  // no q-value
            if (m_recordsHeaderDue)
                text.insert(0, kRecordsHeader);
            m_recordsHeaderDue = false;
            if (!Append(m_files[m_recordsFile], text, error))
                return false;
        }
    }
    if (!m_bed)
        return true;

    // bed6+3: the motif's name, the site's probability as 0 to 1000, the
    // strand on chrom; then the exact probability, the motif number and the
    // site's bases as read on its strand. In chrom order.
    const auto onChrom = [&](const SITEREF& ref) {
        return bedName.Start(ref.site->pos, m_widths[static_cast<std::size_t>(ref.motif - 1)]);
    };
    std::stable_sort(all.begin(), all.end(),
                     [&](const SITEREF& a, const SITEREF& b) { return onChrom(a) < onChrom(b); });
    text.clear();
    for (const SITEREF& ref : all) {
        const long long start = onChrom(ref);
        const int width = m_widths[static_cast<std::size_t>(ref.motif - 1)];
        text.append(bedName.chrom);
        AppendFormat(&text, "\t%lld\t%lld\t", start, start + width);
        text.append(m_labels[static_cast<std::size_t>(ref.motif - 1)]);
        AppendFormat(&text, "\t%d\t%c\t%.6lf\t%d\t", BedScore(1000.0 * ref.site->prob),
                     bedName.Strand(ref.site->forward ? '+' : '-'), ref.site->prob, ref.motif);
        text.append(ref.site->site).append("\n");
    }
    return Append(m_files[K + 2], text, error);
}

bool CResultWriter::WriteSummary(const RUNTOTALS& totals, std::string* error)
{
    const std::size_t K = m_widths.size();
    if (m_files.size() < K + 1)
        return true;
    std::string text;
    AppendFormat(&text, "\n# modules = %lld\n", totals.modules);
    if (!Append(m_files[0], text, error))
        return false;
    for (std::size_t k = 1; k <= K; ++k) {
        text.clear();
        AppendFormat(&text, "\n # of sites for motif %d = %lld\n", static_cast<int>(k),
                     k - 1 < totals.sites.size() ? totals.sites[k - 1] : 0LL);
        if (!Append(m_files[k], text, error))
            return false;
    }
    if (!m_summary)
        return true;
    // The q-values over every record of the run that has a p-value.
    std::vector<double> p;
    for (const HELDLINE& line : m_held)
        if (!std::isnan(line.p))
            p.push_back(line.p);
    const std::vector<double> q = BenjaminiHochberg(p);
    text = m_recordsHeaderDue ? kRecordsHeader : "";
    m_recordsHeaderDue = false;
    std::size_t next = 0;
    for (const HELDLINE& line : m_held) {
        text.append(line.text);
        if (!std::isnan(line.p))
            text.append(PValueText(q[next++]));
        text.append("\t").append(line.note).append("\n");
    }
    m_held.clear();
    return Append(m_files[m_recordsFile], text, error);
}

bool CResultWriter::Close(std::string* error)
{
    bool ok = true;
    for (RESULTFILE& file : m_files) {
        if (file.fd < 0)
            continue;
        if (close(file.fd) != 0 && ok) {
            *error = WriteError(file.name, errno);
            ok = false;
        }
        file.fd = -1;
    }
    // With overwrite the run's files now take the result files' names, the
    // module file last: until then the lock on it keeps other runs out.
    for (auto file = m_files.rbegin(); ok && file != m_files.rend(); ++file)
        if (!file->target.empty()) {
            if (std::rename(file->name.c_str(), file->target.c_str()) != 0) {
                *error = "cannot replace result file " + QuotePath(file->target) + ": " + std::strerror(errno);
                ok = false;
            } else {
                file->name = file->target;
                file->target.clear();
                file->sizeBefore = -2;  // done: a later cut-back leaves it
            }
        }
    if (ok && m_lock.fd >= 0)
        m_lock.sizeBefore = -2;
    CloseAll();
    return ok;
}

std::vector<std::string> CResultWriter::FilesWithContent() const
{
    std::vector<std::string> names;
    for (const RESULTFILE& file : m_files)
        if (file.sizeBefore > 0)
            names.push_back(file.name);
    return names;
}

void CResultWriter::CloseAll()
{
    // From here a signal ends the process by its default action again.
    if (g_signalled == this) {
        for (const int signal : kCutBackSignals)
            (void)std::signal(signal, SIG_DFL);
        g_signalled = nullptr;
    }
    for (RESULTFILE& file : m_files) {
        if (file.fd >= 0)
            (void)close(file.fd);
        file.fd = -1;
    }
    if (m_lock.fd >= 0)
        (void)close(m_lock.fd);
    m_lock.fd = -1;
}

std::string CResultWriter::CutBack()
{
    CloseAll();
    std::string problems;
    for (const RESULTFILE& file : m_files) {
        const bool created = file.sizeBefore == -1;
        int failed = 0;
        if (created ? std::remove(file.name.c_str()) != 0 && errno != ENOENT
                    : file.sizeBefore >= 0 && truncate(file.name.c_str(), static_cast<off_t>(file.sizeBefore)) != 0)
            failed = errno;
        if (failed == 0)
            continue;
        struct stat info {};
        const long long now = stat(file.name.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
        problems += "; could not restore " + QuotePath(file.name) + " (" + std::strerror(failed) + "): it now holds " +
                    std::to_string(now) + " bytes, " +
                    (file.sizeBefore == -1 ? std::string("none before the run")
                                           : std::to_string(file.sizeBefore) + " before the run");
    }
    if (m_lock.sizeBefore == -1)
        (void)std::remove(m_lock.name.c_str());
    m_lock = RESULTFILE();
    return problems;
}
