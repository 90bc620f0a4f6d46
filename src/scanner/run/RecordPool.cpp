#include "scanner/run/RecordPool.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>
#include <utility>

#include "scanner/scan/NullModel.h"
#include "scanner/write/FileSet.h"

namespace {

// Thrown through a scan that is abandoned (the run has failed).
struct CScanAbandoned {};

// A record helped only when this many of its bases are still to be scored:
// less is over before a helper would pay for its start.
constexpr long long kMinBasesToHelp = 16384;

// How long a thread without a record waits for one before it helps.
constexpr auto kWaitBeforeHelping = std::chrono::milliseconds(2);

// How often a waiting driver reports progress.
constexpr auto kReportEvery = std::chrono::milliseconds(250);

}  // namespace

CRecordPool::CRecordPool(const SCANMODEL& model, int threads, PoolProgress progress, NULLSETTINGS nulls)
    : m_model(model), m_progress(std::move(progress)), m_nulls(nulls), m_wanted(threads)
{
    m_hooks.progress = [this](long long bases) {
        if (m_progress)
            m_progress(bases, 0);
    };
}

// Threads start with the first record, so that a run that fails before it
// (or reads none) never holds them.
void CRecordPool::StartThreads()
{
    {
        const CCutBackSignalsHeldOff heldOff;  // the threads are born with them blocked
        for (int t = 0; t < m_wanted && m_wanted > 1; ++t) {
            try {
                m_threads.emplace_back(&CRecordPool::Work, this);
            } catch (const std::system_error&) {
                break;  // fewer threads than asked for; none: Submit scans itself
            }
        }
    }
    if (m_threads.empty())
        return;
    m_hooks.progress = [this](long long bases) {
        if (m_cancel.load(std::memory_order_relaxed))
            throw CScanAbandoned {};
        m_bases.fetch_add(bases, std::memory_order_relaxed);
    };
    m_hooks.offer = [this](CScanShare& share) {
        const std::lock_guard lock(m_mutex);
        m_shares.push_back(&share);
        m_changed.notify_all();
    };
    m_hooks.withdraw = [this](CScanShare& share) {
        const std::lock_guard lock(m_mutex);
        m_shares.erase(std::remove(m_shares.begin(), m_shares.end(), &share), m_shares.end());
    };
}

CRecordPool::~CRecordPool()
{
    {
        const std::lock_guard lock(m_mutex);
        m_cancel = true;
        m_changed.notify_all();
    }
    for (std::thread& thread : m_threads)
        thread.join();
}

std::string CRecordPool::Scan(RECORDJOB& job, int piece)
{
    try {
        if (piece == 0) {
            // The null pieces still need the name: their draws depend on it.
            job.result = DataAugmentation(m_model, m_nulls.count > 0 ? job.name : std::move(job.name),
                                          job.letters.view(), m_hooks, job.counts ? &*job.counts : nullptr);
        } else {
            NULLSCAN null =
                NullScan(m_model, job.letters.view(), job.background, NullSeed(m_nulls.seed, job.name, piece), m_hooks);
            job.nullScores[static_cast<std::size_t>(piece - 1)] = null.bestWindow;
            job.nullModules[static_cast<std::size_t>(piece - 1)] = std::move(null.modules);
        }
    } catch (const CScanAbandoned&) {
        // nobody waits for this record any more
    } catch (const std::bad_alloc&) {
        return "out of memory while scanning " + std::string(piece > 0 ? "null sequences of " : "") + job.label;
    }
    return {};
}

void CRecordPool::Finish(RECORDJOB& job)
{
    if (job.result.scanned) {
        std::sort(job.nullScores.begin(), job.nullScores.end());
        job.result.nullScores = std::move(job.nullScores);
        for (const std::vector<double>& modules : job.nullModules)
            job.result.nullModuleScores.insert(job.result.nullModuleScores.end(), modules.begin(), modules.end());
        std::sort(job.result.nullModuleScores.begin(), job.result.nullModuleScores.end());
    }
    job.nullScores = {};
    job.nullModules = {};
    job.letters = CString();
}

void CRecordPool::Submit(std::unique_ptr<RECORDJOB> job)
{
    if (!m_started) {
        m_started = true;
        StartThreads();
    }
    auto entry = std::make_unique<Entry>();
    entry->job = std::move(job);
    // Null sequences for the records that are scanned: two bases at least,
    // and a background model that scores every base. Every null is drawn
    // from that one model, estimated here once.
    RECORDJOB& added = *entry->job;
    if (m_nulls.count > 0 && added.letters.GetLength() >= 2) {
        added.background = m_model.BackgroundOf(added.letters.view(), added.counts ? &*added.counts : nullptr);
        if (BackgroundScoresEveryBase(added.letters.view(), added.background)) {
            entry->pieces = 1 + m_nulls.count;
            entry->piecesLeft = entry->pieces;
            added.nullScores.assign(static_cast<std::size_t>(m_nulls.count), 0.0);
            added.nullModules.assign(static_cast<std::size_t>(m_nulls.count), {});
        }
    }
    if (m_threads.empty()) {
        RECORDJOB& alone = *entry->job;
        for (int piece = 0; piece < entry->pieces && alone.failure.empty(); ++piece) {
            alone.failure = Scan(alone, piece);
            if (piece > 0 && m_progress)
                m_progress(0, 1);
        }
        Finish(alone);
        entry->done = true;
        m_order.push_back(std::move(entry));
        return;
    }
    const std::lock_guard lock(m_mutex);
    m_queue.push_back(entry.get());
    m_order.push_back(std::move(entry));
    m_changed.notify_all();
}

void CRecordPool::WaitAndReport(std::unique_lock<std::mutex>& lock)
{
    m_changed.wait_for(lock, kReportEvery);
    Report(lock);
}

void CRecordPool::Report(std::unique_lock<std::mutex>& lock)
{
    const long long bases = m_bases.exchange(0);
    const long long nullScans = m_nullScans.exchange(0);
    if ((bases > 0 || nullScans > 0) && m_progress) {
        lock.unlock();
        m_progress(bases, nullScans);
        lock.lock();
    }
}

std::unique_ptr<RECORDJOB> CRecordPool::WaitForRoom()
{
    const std::size_t room = kWaitingPerThread * std::max<std::size_t>(1, m_threads.size());
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_order.empty() && m_order.front()->done) {
            std::unique_ptr<RECORDJOB> job = std::move(m_order.front()->job);
            m_order.pop_front();
            return job;
        }
        if (m_queue.empty() && m_order.size() < room)
            return nullptr;
        // Full: no record comes until the oldest is written, so an idle
        // thread had better help with a record under way.
        if (m_order.size() >= room && !m_full) {
            m_full = true;
            m_changed.notify_all();
        }
        WaitAndReport(lock);
        m_full = false;
    }
}

std::unique_ptr<RECORDJOB> CRecordPool::Next()
{
    std::unique_lock lock(m_mutex);
    if (!m_inputDone) {
        m_inputDone = true;  // no more records: idle threads help at once
        m_changed.notify_all();
    }
    for (;;) {
        if (m_order.empty()) {
            Report(lock);  // every record is back: what is left is all there is
            return nullptr;
        }
        if (m_order.front()->done) {
            std::unique_ptr<RECORDJOB> job = std::move(m_order.front()->job);
            m_order.pop_front();
            return job;
        }
        WaitAndReport(lock);
    }
}

CScanShare* CRecordPool::ShareToHelp()
{
    CScanShare* longest = nullptr;
    long long most = kMinBasesToHelp - 1;
    for (CScanShare* share : m_shares) {
        const long long left = share->BasesLeft();
        if (left > most) {
            most = left;
            longest = share;
        }
    }
    return longest && longest->Attach() ? longest : nullptr;
}

void CRecordPool::Work()
{
    // A helper leaves its record as soon as a record waits for a thread, or
    // the run is over.
    const auto leave = [this] {
        const std::lock_guard lock(m_mutex);
        return m_cancel || !m_queue.empty();
    };
    std::unique_lock lock(m_mutex);
    // A thread that runs out of records helps with one under way, but not
    // at once while more records may come: the driver is usually about to
    // hand one over, and a helper that comes and goes costs more than it
    // brings. It waits a little first, unless no record can come.
    bool waited = false;
    while (!m_cancel) {
        if (!m_queue.empty()) {
            waited = false;
            Entry* entry = m_queue.front();
            const int piece = entry->nextPiece++;
            if (entry->nextPiece == entry->pieces) {
                m_queue.pop_front();
                m_changed.notify_all();  // the driver may read the next record
            }
            lock.unlock();
            std::string failure = Scan(*entry->job, piece);
            if (piece > 0)
                m_nullScans.fetch_add(1, std::memory_order_relaxed);
            lock.lock();
            if (!failure.empty() && entry->job->failure.empty())
                entry->job->failure = std::move(failure);
            if (--entry->piecesLeft > 0)
                continue;
            // The last piece: nobody else touches the record now.
            lock.unlock();
            Finish(*entry->job);
            lock.lock();
            entry->done = true;
            m_changed.notify_all();
            continue;
        }
        const bool helpNow = m_inputDone || m_full || waited;
        if (CScanShare* share = helpNow ? ShareToHelp() : nullptr) {
            lock.unlock();
            share->Help(leave);
            lock.lock();
            continue;
        }
        if (!waited)
            waited = m_changed.wait_for(lock, kWaitBeforeHelping) == std::cv_status::timeout;
        else
            m_changed.wait(lock);
    }
}
