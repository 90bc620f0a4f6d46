// Records scanned side by side. The driver reads records one at a time and
// hands them over; the pool scans up to `threads` of them at once and hands
// them back in the order they came, so the driver writes them as one thread
// would. A thread without a record of its own helps scan the longest record
// under way (CScanShare), so a single long record keeps two cores busy.
//
// Memory: a record's letters are held from Submit until its scan is done;
// the driver reads the next record only when no record waits for a thread
// (WaitForRoom), so at most `threads` records are scanned while one more is
// read. Scanned records wait for their turn to be written as results only,
// and at most kWaitingPerThread * threads of them.
//
// With null sequences, a record is 1 + N pieces of work: its own scan and
// one scan per null sequence. Threads take the pieces of the oldest record
// first, any of them in any order, so the nulls of one record are spread
// over every thread; the record is handed back when its last piece is
// done. Its letters are held until then (the nulls are drawn in their
// image), and every thread at work on a null holds one null sequence as
// long as the record.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/scan/Background.h"
#include "scanner/scan/RecordScan.h"
#include "scanner/scan/ScanModel.h"
#include "support/MyString.h"

// One record on its way from the reader to the writer.
struct RECORDJOB {
    std::string name;                   // header with its '>'
    CString letters;                    // released once scanned
    std::vector<std::string> warnings;  // found while reading; shown when the record is written
    std::string label;                  // "record 'x' of sequence file 'f' (n bases)"
    RECORDRESULT result;
    std::string failure;                           // the message when the scan could not be done
    std::vector<double> nullScores;                // one per null sequence, in draw order, until the record is done
    std::vector<std::vector<double>> nullModules;  // the module scores of each null sequence, likewise
    BACKGROUND background;                         // the model the null sequences are drawn from
    std::optional<BACKGROUNDCOUNTS> counts;        // of the letters for their own model, made while reading
};

// How many null sequences each record gets (0: none), and the run's seed.
struct NULLSETTINGS {
    int count = 0;
    std::uint64_t seed = 0;
};

// Told of bases scanned (records' and null sequences') and of null scans
// done, always on the driver's thread.
using PoolProgress = std::function<void(long long bases, long long nullScans)>;

class CRecordPool {
public:
    static constexpr std::size_t kWaitingPerThread = 4;

    // threads <= 1, or no thread to be had: Submit scans each record
    // itself. progress hears of bases scanned, always on the driver's thread.
    CRecordPool(const SCANMODEL& model, int threads, PoolProgress progress, NULLSETTINGS nulls = {});
    // Scans still under way are abandoned; every thread is joined.
    ~CRecordPool();
    CRecordPool(const CRecordPool&) = delete;
    CRecordPool& operator=(const CRecordPool&) = delete;

    int Threads() const { return static_cast<int>(m_threads.size()); }

    void Submit(std::unique_ptr<RECORDJOB> job);
    // Before the next record is read: the oldest record, when it is scanned
    // (write it, then ask again); null when there is room for another record.
    std::unique_ptr<RECORDJOB> WaitForRoom();
    // The oldest record once scanned; null when every record is back.
    std::unique_ptr<RECORDJOB> Next();

private:
    struct Entry {
        std::unique_ptr<RECORDJOB> job;
        int pieces = 1;     // the record's scan, then its null scans
        int nextPiece = 0;  // the first piece no thread has taken
        int piecesLeft = 1;
        bool done = false;
    };

    void StartThreads();
    // Piece 0: the record's scan; piece k > 0: null sequence k. Returns
    // the message of a failure, "" when there was none.
    std::string Scan(RECORDJOB& job, int piece);
    // After the last piece: the null scores sorted into the result, the
    // letters released.
    static void Finish(RECORDJOB& job);
    void Work();
    CScanShare* ShareToHelp();
    // Waits for a change (or a while), telling progress what was scanned.
    void WaitAndReport(std::unique_lock<std::mutex>& lock);
    // Tells progress what was scanned since it last heard.
    void Report(std::unique_lock<std::mutex>& lock);

    const SCANMODEL& m_model;
    PoolProgress m_progress;
    NULLSETTINGS m_nulls;
    int m_wanted;
    bool m_started = false;
    ScanHooks m_hooks;  // set before the threads start, then only read

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Entry>> m_order;  // submitted, not yet handed back
    std::deque<Entry*> m_queue;                  // submitted, no thread yet
    std::vector<CScanShare*> m_shares;           // long records under way
    bool m_full = false;                         // the driver waits for the oldest record
    bool m_inputDone = false;                    // the driver has no more records
    std::atomic<bool> m_cancel {false};
    std::atomic<long long> m_bases {0};      // scanned, not yet reported
    std::atomic<long long> m_nullScans {0};  // done, not yet reported
    std::vector<std::thread> m_threads;
};
