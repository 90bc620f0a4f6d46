// The scan of one record: a function of values. The run's model and a
// record's name and bases go in; the record's modules, sites and module
// count come out. Nothing is shared between records but the model, which
// is only read.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/scan/Background.h"
#include "scanner/scan/PositionScorer.h"
#include "scanner/scan/ScanModel.h"

// Told how many more bases have been scanned, every few thousand bases
// (for a progress line); may be empty. It may throw to abandon the scan.
using BasesObserver = std::function<void(long long bases)>;

// The rows of one record's main pass, block by block. The scan scores each
// block itself unless a helper thread scores blocks ahead of it and also
// combines strands (CombineStrands), the half of a recursion step that needs
// no earlier position. Every block is claimed by exactly one of
// the two and the scan reads the blocks in order either way, so nothing in
// the results depends on who scored which block. Blocks are handed over
// through a ring of kRing buffers, so the helper runs at most that far ahead.
class CScanShare {
public:
    static constexpr int kRing = 4;

    CScanShare(const SCANMODEL& model, const PositionScorer& scorer, const unsigned char* seq, int n, int block);
    ~CScanShare();
    CScanShare(const CScanShare&) = delete;
    CScanShare& operator=(const CScanShare&) = delete;

    // For the scan: the rows of block b, for b = 0, 1, ... in turn; then
    // Done(b) once they have been read. The first `combined` motifs of each
    // row hold their site terms already. Rows the scan scores itself have
    // none: folded into the chained steps, the strand sums fill the time
    // those steps wait on one another, which a separate pass would lose.
    // How many a helper does is balanced as the scan goes: one more when
    // the helper finds the ring full, one fewer when the scan waits.
    struct Block {
        const double* rows;
        std::size_t combined;
    };
    Block Rows(int b);
    void Done(int b);
    // No helper may come any more; waits for one at work to leave.
    void Close();

    // For a helper: the bases of the blocks nobody has claimed yet.
    long long BasesLeft() const;
    // Signs a helper on: false when the share is closed or already helped
    // (or the ring cannot be had). Each true is followed by one Help call.
    bool Attach();
    // Scores blocks ahead of the scan until none is left or stop() says to
    // leave (asked between blocks), then signs the helper off.
    void Help(const std::function<bool()>& stop);

private:
    void Score(int b, double* out, std::size_t combine) const;

    const SCANMODEL& m_model;
    const PositionScorer& m_scorer;
    const unsigned char* m_seq;
    int m_n;
    int m_block;
    int m_blocks;
    std::vector<double> m_own;  // the block the scan scores itself

    struct Slot {
        std::vector<double> rows;
        int block = -1;  // the block whose rows are in `rows`, -1 for none
        std::size_t combined = 0;
    };
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Slot> m_slots;  // kRing of them once a helper has come
    int m_nextClaim = 0;        // first block nobody has claimed
    int m_consumed = 0;         // blocks the scan is done with
    std::size_t m_split;        // motifs a helper combines
    int m_helpers = 0;
    bool m_closed = false;
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

// Background model, position scores and the maximizing scan of one record,
// with the sites traced inside every module. A record of fewer than two
// bases is not scanned (no modules), nor is one whose background model
// gives one of its bases probability 0 (`unscorable` is then set).
RECORDRESULT DataAugmentation(const SCANMODEL& model, std::string name, std::string_view bases,
                              const ScanHooks& hooks = {});

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
// and kRing more blocks of rows once a helper works on the record).
// Adds to result->moduleCount and result->modules; sets result->window,
// result->scanned and result->bestWindow.
void StreamScanCurSeq(const SCANMODEL& model, std::string_view seq, const BACKGROUND& background, RECORDRESULT* result,
                      const StreamScanOptions& options = StreamScanOptions(), const ScanHooks& hooks = {});
