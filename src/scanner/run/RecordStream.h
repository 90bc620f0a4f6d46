// The records of a FASTA source, read one at a time, scanned by a pool of
// threads (RecordPool.h) and handed back in input order: what the run
// writes into the result files, and what other front ends (the Python
// module) take one record at a time. Memory is the pool's: a record is read
// only when a thread is free for it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "scanner/read/FastaReader.h"
#include "scanner/run/RecordPool.h"
#include "scanner/scan/Background.h"
#include "scanner/scan/ScanModel.h"
#include "support/LineReader.h"

// Counts each record's bases for its own background model as the reader
// reads them.
class CBackgroundWatch final : public CLetterWatch {
public:
    void Letters(std::string_view letters) override { m_counter.Add(letters); }
    void RecordEnd(bool dropped) override;
    // The counts of the record the reader handed out last.
    const BACKGROUNDCOUNTS& Counts() const { return m_counts; }

private:
    CBackgroundCounter m_counter;
    BACKGROUNDCOUNTS m_counts;
};

class CRecordStream {
public:
    // where: the source as messages name it ("sequence file 'x'"). doing,
    // when given, is kept telling what is being read, for a message about
    // memory running out.
    CRecordStream(const SCANMODEL& model, std::unique_ptr<CByteSource> source, std::string where, int threads,
                  PoolProgress progress, NULLSETTINGS nulls, std::string* doing = nullptr);

    // The next record, scanned, with the warnings found while reading it
    // (its failure, if its scan could not be done, in job->failure); null
    // after the last one. A source that cannot be read on comes after the
    // records before it: then Error() says why.
    std::unique_ptr<RECORDJOB> Next();
    const std::string& Error() const { return m_error; }

private:
    // Reads the next record into the pool; false when there is none left.
    bool ReadOne();

    CLineReader m_lines;
    CFastaReader m_fasta;
    std::unique_ptr<CBackgroundWatch> m_counting;  // when records are scored against their own model
    std::string m_where;
    CRecordPool m_pool;
    std::string* m_doing;
    bool m_reading = true;
    std::string m_error;
};

// A record as messages name it: its header, quoted, or "without a header".
std::string RecordLabel(const std::string& name);

// A record read, as the pool takes it: its letters, the warnings found
// while reading it (characters ignored, too short, a protein?) and its
// label for messages. where: as for CRecordStream.
std::unique_ptr<RECORDJOB> MakeRecordJob(FASTARECORD& record, const std::string& where);
