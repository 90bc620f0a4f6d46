#include "scanner/write/ResultWriter.h"

#include <cmath>
#include <fstream>
#include <string>
#include <utility>

#include "scanner/results/Significance.h"
#include "support/Messages.h"

CResultWriter::CResultWriter(std::string base, std::vector<int> widths, bool bed, std::string commandLine,
                             bool overwrite)
    : m_base(std::move(base)),
      m_commandLine(std::move(commandLine)),
      m_motifs(MakeBedMotifs({}, std::move(widths))),
      m_files(overwrite),
      m_bed(bed)
{}

void CResultWriter::SetBedNames(std::vector<std::string> labels, bool oneBased)
{
    m_motifs = MakeBedMotifs(std::move(labels), std::move(m_motifs.widths));
    m_oneBased = oneBased;
}

void CResultWriter::SetSummary(bool summary, bool nulls)
{
    m_summary = summary;
    m_nulls = nulls;
}

void CResultWriter::SetPicture(std::string path) { m_picturePath = std::move(path); }

bool CResultWriter::Open(const std::vector<INPUTID>& inputs, std::string* error)
{
    const int K = static_cast<int>(m_motifs.widths.size());
    (void)m_files.AddAppended(ModuleFileName(m_base));
    for (int k = 1; k <= K; ++k)
        (void)m_files.AddAppended(MotifFileName(m_base, k));
    if (m_bed) {
        m_modulesBed = m_files.AddAppended(ModulesBedFileName(m_base));
        m_sitesBed = m_files.AddAppended(SitesBedFileName(m_base));
    }
    if (m_summary)
        m_recordsFile = m_files.AddAppended(RecordsFileName(m_base));
    if (!m_picturePath.empty())
        m_picture = m_files.AddWhole(m_picturePath, "picture file", "--svg");
    if (!m_files.Open(inputs, error))
        return false;
    m_recordsHeaderDue = m_summary && !m_files.HeldContent(m_recordsFile);
    if (m_summary && !m_recordsHeaderDue && !SameBackgroundAsRecordsFile(error)) {
        (void)m_files.CutBack();
        return false;
    }
    // Module names run through the file, on from an earlier run's.
    if (m_bed && m_files.HeldContent(m_modulesBed))
        m_bedModuleNumber = LastBedModuleNumber(ModulesBedFileName(m_base));
    m_open = true;
    return true;
}

bool CResultWriter::SameBackgroundAsRecordsFile(std::string* error) const
{
    // The background line, when there is one, comes first: records
    // appended under another run's would read as scored against its model.
    const std::string path = RecordsFileName(m_base);
    std::ifstream in(path);
    std::string first;
    (void)std::getline(in, first);
    const std::string_view head(kRecordsBackgroundHead);
    const std::string theirs = first.rfind(head, 0) == 0 ? first.substr(head.size()) : std::string();
    if (theirs == m_background)
        return true;
    const auto name = [](const std::string& background) {
        return background.empty() ? std::string("each record's own background model") : "background " + background;
    };
    *error = "records file " + QuotePath(path) + " holds records scored against " + name(theirs) +
             ": this run's, scored against " + name(m_background) +
             ", would read as of the same kind; choose another -o, or --overwrite";
    return false;
}

std::vector<std::string> ResultFilesNotWritten(const std::string& base, std::size_t K, bool bed, bool records)
{
    std::vector<std::string> names;
    for (int k = static_cast<int>(K) + 1; PathExists(MotifFileName(base, k)); ++k)
        names.push_back(MotifFileName(base, k));
    for (const std::string& name : {ModulesBedFileName(base), SitesBedFileName(base)})
        if (!bed && PathExists(name))
            names.push_back(name);
    if (!records && PathExists(RecordsFileName(base)))
        names.push_back(RecordsFileName(base));
    return names;
}

std::vector<std::string> CResultWriter::FilesNotOfThisRun() const
{
    return ResultFilesNotWritten(m_base, m_motifs.widths.size(), m_bed, m_summary);
}

bool CResultWriter::WriteRecord(const RECORDRESULT& record, std::string* error)
{
    if (!m_open)
        return true;  // nothing to write to
    const bool headings = !m_headingsWritten;
    m_headingsWritten = true;
    const int K = static_cast<int>(m_motifs.widths.size());
    if (!m_files.Append(0,
                        (headings
                             ? ModuleHeading(m_background.empty() ? m_commandLine
                                                                  : m_commandLine + kEchoBackgroundHead + m_background)
                             : std::string()) +
                            ModuleLines(record),
                        error))
        return false;
    for (int k = 1; k <= K; ++k)
        if (!m_files.Append(static_cast<std::size_t>(k),
                            (headings ? MotifHeading(k) : std::string()) + MotifLines(record, k), error))
            return false;
    if (m_bed) {
        bool misfit = false;
        const BEDNAME name = RecordBedName(record.name, record.length, m_oneBased, &misfit);
        if (misfit && !m_misfitTold) {
            m_misfitTold = true;
            const BEDNAME named = BedSequenceName(record.name, m_oneBased);
            m_warning = "record " + QuoteForMessage(record.name) + " has " + std::to_string(record.length) +
                        " bases, but its header names an interval of " + std::to_string(named.end - named.offset) +
                        " on " + QuoteForMessage(named.chrom) +
                        ": its BED lines give positions in the record (as for any later such record)";
        }
        if (!m_files.Append(m_modulesBed, BedModuleLines(record, name, m_motifs, m_nulls, &m_bedModuleNumber), error) ||
            !m_files.Append(m_sitesBed, BedSiteLines(record, name, m_motifs), error))
            return false;
    }
    return !m_summary || WriteRecordsLine(record, error);
}

bool CResultWriter::WriteRecordsLine(const RECORDRESULT& record, std::string* error)
{
    double p = 0.0;
    std::string note;
    std::string text = RecordLine(record, m_motifs.widths, m_moduleLength, &p, &note);
    if (m_nulls) {
        m_held.push_back({std::move(text), p, std::move(note)});
        return true;
    }
    text.append(RecordLineEnd({}, note));  // no q-value
    if (m_recordsHeaderDue)
        text.insert(0, RecordsHeader(m_background));
    m_recordsHeaderDue = false;
    return m_files.Append(m_recordsFile, std::move(text), error);
}

bool CResultWriter::WriteSummary(const RUNTOTALS& totals, std::string* error)
{
    if (!m_open)
        return true;
    const int K = static_cast<int>(m_motifs.widths.size());
    if (!m_files.Append(0, ModuleTotal(totals.modules), error))
        return false;
    for (int k = 1; k <= K; ++k) {
        const auto j = static_cast<std::size_t>(k - 1);
        if (!m_files.Append(static_cast<std::size_t>(k), MotifTotal(k, j < totals.sites.size() ? totals.sites[j] : 0LL),
                            error))
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
    std::string text = m_recordsHeaderDue ? RecordsHeader(m_background) : "";
    m_recordsHeaderDue = false;
    std::size_t next = 0;
    for (const HELDLINE& line : m_held) {
        text.append(line.text).append(RecordLineEnd(std::isnan(line.p) ? "" : PValueText(q[next++]), line.note));
    }
    m_held.clear();
    return m_files.Append(m_recordsFile, std::move(text), error);
}

bool CResultWriter::WritePicture(std::string_view text, std::string* error)
{
    return m_picturePath.empty() || m_files.WriteWhole(m_picture, text, error);
}
