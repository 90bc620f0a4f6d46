// The scan of one record: a function of values. The run's model and a
// record's name and bases go in; the record's modules, sites and module
// count come out. Nothing is shared between records but the model, which
// is only read.
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/scan/Background.h"
#include "scanner/scan/HelpPacer.h"
#include "scanner/scan/PositionScorer.h"
#include "scanner/scan/ScanModel.h"

// Told how many more bases have been scanned, every few thousand bases
// (for a progress line); may be empty. It may throw to abandon the scan.
using BasesObserver = std::function<void(long long bases)>;

// The maximizing step of one record's main pass (RecordScan.cpp).
class CMaxPass;

// How one record's main pass is shared with a helper thread. The pass is
// three stages, block by block: scoring the rows (with the half of each
// recursion step that needs no earlier position, CombineStrands), the
// chained recursion, and the maximizing step with the best-window
// screening, which read the chain's values and never feed it back. Alone,
// the scan does all three, the last two in one loop. With a helper, the
// scan does only the chain: the helper scores blocks ahead of it and takes
// the maximizing step of the blocks the chain is done with, in order.
// Every block is scored by exactly one of the two, every stage runs its
// blocks in order, and every double comes from the same code either way,
// so nothing in the results depends on who did what.
//
// Blocks go from the helper to the scan and back through a ring of kRing
// slots, so the helper runs at most that far ahead. The helper's share is
// balanced as the scan goes: one more motif's strands when the helper finds
// the ring full, one fewer when the scan waits. And the scan measures,
// now and then, whether it runs faster with the helper or alone
// (CHelpPacer); while alone is faster, the helper rests.
class CScanShare {
public:
    static constexpr int kRing = 4;
    // How long a waiting helper sleeps before it asks whether to leave.
    static constexpr std::chrono::milliseconds kNap {20};

    CScanShare(const SCANMODEL& model, const PositionScorer& scorer, const unsigned char* seq, int n, int block,
               CMaxPass& maxPass, const HelpPacing& pacing);
    ~CScanShare();
    CScanShare(const CScanShare&) = delete;
    CScanShare& operator=(const CScanShare&) = delete;

    // For the scan: the rows of block b, for b = 0, 1, ... in turn; then
    // Done(b) once the block is stepped. Rows the scan scores itself have
    // fwd null, no site terms done (folded into the chained steps, the
    // strand sums fill the time those steps wait on one another), and every
    // earlier block's maximizing step done, so the scan takes this block's
    // itself. Rows a helper scored hold the site terms of their first
    // `combined` motifs, and the scan leaves the block's forward values in
    // fwd for the maximizing step.
    struct Block {
        const double* rows;
        std::size_t combined;
        double* fwd;
    };
    Block Rows(int b);
    void Done(int b);
    // After the last block: takes every maximizing step still to be taken
    // (a helper at work may take some of them meanwhile, and stays).
    void Finish();
    // After Finish, for the traceback: runs mine here and theirs on the
    // helper, if one is at work and takes it before mine is done, else here
    // as well. Both are done when it returns; what either threw is thrown
    // here (mine's first).
    void Split(const std::function<void()>& mine, const std::function<void()>& theirs);
    // Whether a helper is at work now (and not resting).
    bool HelperAtWork() const;
    // No helper may come any more; waits for one at work to leave.
    void Close();

    // For a helper: the bases of the blocks nobody has claimed yet.
    long long BasesLeft() const;
    // Signs a helper on: false when the share is closed or already helped
    // (or the ring cannot be had). Each true is followed by one Help call.
    bool Attach();
    // Scores blocks ahead of the scan and takes the maximizing steps behind
    // it, then the part of the traceback Split offers, until the scan
    // closes the share or stop() says to leave (asked between blocks), then
    // signs the helper off.
    void Help(const std::function<bool()>& stop);

private:
    enum class Stage { kFree, kScoring, kReady, kChained };
    enum class Tail { kNone, kOffered, kRunning, kDone };
    struct Slot {
        std::vector<double> rows;
        std::vector<double> fwd;
        int block = -1;  // the block in the slot, -1 for none
        Stage stage = Stage::kFree;
        std::size_t combined = 0;
    };

    void Score(int b, double* out, std::size_t combine) const;
    // The scan and the helper each wait for their own kind of change, and
    // are woken only when somebody waits: a wake is a system call, which
    // would otherwise come with every block.
    struct Sleeper {
        std::condition_variable wakes;
        int waiting = 0;
    };
    // Waits for a change (at most `most`, when given), with the lock held.
    static void Wait(std::unique_lock<std::mutex>& lock, Sleeper& sleeper, std::chrono::milliseconds most = {});
    static void Wake(Sleeper& sleeper);
    void WakeHelper();
    Slot& SlotOf(int b) { return m_slots[static_cast<std::size_t>(b % kRing)]; }
    // Whether the next maximizing step is that of a slot the scan is done
    // with.
    bool NextChained();
    // Takes the maximizing steps of the slots the scan is done with, in
    // order; nobody else may meanwhile. Called and returns with the lock held.
    void Post(std::unique_lock<std::mutex>& lock);
    // Every maximizing step before block b taken, by this thread or another.
    void PostUpTo(int b, std::unique_lock<std::mutex>& lock);
    // Whether a helper is at work, not resting, and may still take work.
    // Called with the lock held.
    bool HelperReady() const;
    // For a helper: runs the traceback's part offered by Split. Called and
    // returns with the lock held.
    void RunTail(std::unique_lock<std::mutex>& lock);
    // For the scan: tells the pacer of a block and lets the helper work or
    // rest as it says.
    void Pace(long long bases, bool helped);

    const SCANMODEL& m_model;
    const PositionScorer& m_scorer;
    const unsigned char* m_seq;
    int m_n;
    int m_block;
    int m_blocks;
    CMaxPass& m_maxPass;
    std::vector<double> m_own;  // the block the scan scores itself
    CHelpPacer m_pacer;         // started afresh by each helper that comes

    mutable std::mutex m_mutex;
    Sleeper m_scanSleeps;       // for a block, a maximizing step or the helper's leaving
    Sleeper m_helperSleeps;     // for a slot, a block to step, the end of a rest or of the scan
    std::vector<Slot> m_slots;  // kRing of them once a helper has come
    int m_nextClaim = 0;        // first block nobody has claimed
    int m_posted = 0;           // blocks whose maximizing step is taken
    bool m_posting = false;     // somebody is taking maximizing steps
    std::size_t m_split;        // motifs a helper combines
    int m_helpers = 0;
    bool m_resting = false;  // the scan runs faster alone: the helper waits
    bool m_closed = false;
    // Work of the traceback offered to the helper (Split).
    const std::function<void()>* m_tail = nullptr;
    Tail m_tailStage = Tail::kNone;
    std::exception_ptr m_tailError;
};

// What a scan tells, and whom, while it runs; every member may be empty.
struct ScanHooks {
    BasesObserver progress;
    // A record long enough to be worth a second thread is offered before
    // its main pass and withdrawn after it, on every way out. In between,
    // another thread may Attach to the share and Help.
    std::function<void(CScanShare&)> offer;
    std::function<void(CScanShare&)> withdraw;
};

// Hooks that give a long record a helper thread of its own, started in
// *helper when the record is offered and joined when it is withdrawn: the
// second thread of a scan run without a pool of threads.
ScanHooks HelperThreadHooks(std::thread& helper);

// Background model, position scores and the maximizing scan of one record,
// with the sites traced inside every module. A record of fewer than two
// bases is not scanned (no modules), nor is one whose background model
// gives one of its bases probability 0 (`unscorable` is then set).
// counted: the counts of the record's bases for its own background model,
// when the reader made them.
RECORDRESULT DataAugmentation(const SCANMODEL& model, std::string name, std::string_view bases,
                              const ScanHooks& hooks = {}, const BACKGROUNDCOUNTS* counted = nullptr);

// Tuning of the streamed scan. Neither value changes any result; tests
// shrink both to reach every border case.
struct StreamScanOptions {
    // Rows scored and stepped at a time: the scan holds this many rows,
    // never the whole table.
    int blockSize = 4096;
    // Positions between saved states of the forward recursion, from which
    // the traceback recomputes the forward values it needs. Each state is
    // the widest motif's width in doubles.
    int checkpointInterval = 1024;
    // Blocks a record needs before it is offered for a second thread.
    int blocksToShare = 8;
    // The best window score too, whatever the model's bestWindow says (a
    // null sequence's, which its p-value needs).
    bool bestWindow = false;
    // How often a helper's worth is measured; tests shorten every stretch
    // to change between helped and alone every few blocks.
    HelpPacing pacing;
};

// The maximizing module scan of seq under its background model, with the
// results of the whole-table scan (ReferenceScan.h) to the last bit, but
// without a whole-record table: rows are scored block by block and fed to
// the forward recursion and the maximizing step, which keep only the
// history they read; module ends are kept as one bit per position. The
// traceback recomputes the forward values it needs from saved recursion
// states and rescores the rows of each module window. Memory beyond seq
// grows with n by n/8 + n/checkpointInterval * (widest motif) * 8 bytes,
// and with the window length L by about 32 L + (2K + 1) * 8 L bytes (plus
// fixed buffers of (2K + 1) * 8 * (blockSize + checkpointInterval) bytes,
// and kRing more blocks of rows and forward values once a helper works on
// the record).
// Adds to result->moduleCount and result->modules; sets result->window,
// result->scanned and result->bestWindow.
void StreamScanCurSeq(const SCANMODEL& model, std::string_view seq, const BACKGROUND& background, RECORDRESULT* result,
                      const StreamScanOptions& options = StreamScanOptions(), const ScanHooks& hooks = {});
