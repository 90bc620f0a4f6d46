// The scan of one record: a function of values. The run's model and a
// record's name and bases go in; the record's modules, sites and module
// count come out. Nothing is shared between records but the model, which
// is only read.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "scanner/Background.h"
#include "scanner/Results.h"
#include "scanner/ScanModel.h"

// Told how many more bases have been scanned, every few thousand bases
// (for a progress line); may be empty.
using BasesObserver = std::function<void(long long bases)>;

// Background model, position scores and the maximizing scan of one record,
// with the sites traced inside every module. A record of fewer than two
// bases is not scanned (no modules), nor is one whose background model
// gives one of its bases probability 0 (`unscorable` is then set).
RECORDRESULT DataAugmentation(const SCANMODEL& model, std::string name, std::string_view bases,
                              const BasesObserver& progress = {});

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
// fixed buffers of (2K + 1) * 8 * (blockSize + checkpointInterval) bytes).
// Adds to result->moduleCount and result->modules; sets result->window.
void StreamScanCurSeq(const SCANMODEL& model, std::string_view seq, const BACKGROUND& background, RECORDRESULT* result,
                      const StreamScanOptions& options = StreamScanOptions(), const BasesObserver& progress = {});
