#include "scanner/run/RecordStream.h"

#include <climits>
#include <utility>

#include "support/InputSource.h"
#include "support/Messages.h"

namespace {

std::string TooShortWarning(const std::string& where, const FASTARECORD& record)
{
    const auto n = static_cast<std::size_t>(record.letters.GetLength());
    if (!record.named) {
        if (n == 0)
            return where + " holds no sequence: nothing to scan";
        return where + " has no '>' header and 1 letter: too short to scan (at least 2 needed)";
    }
    return where + ", line " + std::to_string(record.line) + ": record " + QuoteForMessage(record.name) + " has " +
           std::to_string(n) + (n == 1 ? " base" : " bases") + ": too short to scan (at least 2 needed)";
}

}  // namespace

void CBackgroundWatch::RecordEnd(bool dropped)
{
    if (!dropped) {
        m_counter.EndRecord();
        m_counts = m_counter.Counts();
    }
    m_counter = CBackgroundCounter();
}

std::string RecordLabel(const std::string& name)
{
    return name.empty() ? std::string("without a header") : QuoteForMessage(name);
}

std::unique_ptr<RECORDJOB> MakeRecordJob(FASTARECORD& record, const std::string& where)
{
    const std::string at = where + ", line " + std::to_string(record.line) + ": ";
    auto job = std::make_unique<RECORDJOB>();
    if (record.ignored > 0)
        job->warnings.push_back(where + ", line " + std::to_string(record.ignoredLine) + ": " +
                                std::to_string(record.ignored) + (record.ignored == 1 ? " character" : " characters") +
                                " after the letters of the line ignored (record " + RecordLabel(record.name) + ")");
    if (record.letters.GetLength() < 2)
        job->warnings.push_back(TooShortWarning(where, record));
    const std::size_t other = record.otherLetters;
    if (other * 2 > static_cast<std::size_t>(record.letters.GetLength()))
        job->warnings.push_back(at + "record " + RecordLabel(record.name) + " has " + std::to_string(other) + " of " +
                                std::to_string(record.letters.GetLength()) +
                                " letters other than A, C, G, T and N: a protein sequence? The scan "
                                "reads them as A");
    job->label = "record " + RecordLabel(record.name) + " of " + where + " (" +
                 std::to_string(record.letters.GetLength()) + " bases)";
    job->name = std::move(record.name);
    job->letters = std::move(record.letters);
    return job;
}

CRecordStream::CRecordStream(const SCANMODEL& model, std::unique_ptr<CByteSource> source, std::string where,
                             int threads, PoolProgress progress, NULLSETTINGS nulls, std::string* doing)
    : m_lines(std::move(source)),
      m_fasta(m_lines),
      m_where(std::move(where)),
      m_pool(model, threads, std::move(progress), nulls),
      m_doing(doing)
{
    if (!model.sharedBackground) {
        m_counting = std::make_unique<CBackgroundWatch>();
        m_fasta.SetLetterWatch(m_counting.get());
    }
}

bool CRecordStream::ReadOne()
{
    FASTARECORD record;
    if (m_doing)
        *m_doing = "while reading " + m_where + " from line " + std::to_string(m_lines.LineNumber() + 1);
    if (!m_fasta.Next(&record)) {
        if (!m_fasta.Problem().empty())
            m_error = m_where + ", " + m_fasta.Problem();
        return false;
    }
    if (m_lines.Failed()) {
        m_error = "cannot read " + m_where + ": " + ReadErrorText(m_lines.Error());
        return false;
    }
    if (record.tooLong) {
        m_error = m_where + ", line " + std::to_string(record.line) + ": record " + QuoteForMessage(record.name) +
                  " is longer than " + std::to_string(INT_MAX) + " bases";
        return false;
    }
    std::unique_ptr<RECORDJOB> job = MakeRecordJob(record, m_where);
    if (m_counting)
        job->counts = m_counting->Counts();
    m_pool.Submit(std::move(job));
    return !m_fasta.Done();
}

std::unique_ptr<RECORDJOB> CRecordStream::Next()
{
    // One record at a time: its letters go to the pool before the next
    // record is gathered, and the pool takes one only when a thread is
    // free for it. A reading error comes after the records before it, as
    // with one thread.
    while (m_reading) {
        if (auto job = m_pool.WaitForRoom())
            return job;
        m_reading = ReadOne();
    }
    return m_pool.Next();
}
