// Significance from the tool's own null hypothesis: a record's bases are
// drawn from the first-order background model it is scored against (its
// own, or the run's shared one). Null sequences are drawn
// from that model, scanned as records are, and their best window scores
// make the null distribution a record's scores are ranked against.
//
// Draws are reproducible: null sequence k of a record is a function of the
// run's seed, the record's name and k alone, so a record gets the same
// nulls whichever thread draws them, in whatever order, and in a run over
// any part of the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/scan/Background.h"
#include "scanner/scan/RecordScan.h"
#include "scanner/scan/ScanModel.h"

// The seed of null sequence k (1-based) of the record with this header.
std::uint64_t NullSeed(std::uint64_t runSeed, std::string_view header, long long k);

// A sequence as long as record, drawn from bg: an N of the record stays N
// (so the null has the record's gaps, and its windows the same chances to
// hold them); every other letter becomes a base drawn given the base before
// it (bgTrans, each row taken in proportion to its entries), or from
// bgFreq at the start and after an N.
std::string DrawNullSequence(std::string_view record, const BACKGROUND& bg, std::uint64_t seed);

// What the scan of a null sequence yields: its best window score (minus
// infinity in the unlikely case that its model cannot score it) and the
// scores of the modules the maximizing scan takes in it (those with sites,
// as a record's module lines are), for modules' E-values.
struct NULLSCAN {
    double bestWindow = 0.0;
    std::vector<double> modules;
};

// The scan of a null sequence drawn from `drawFrom`, the model the record is
// scored against, scanned as records are: against the run's shared model,
// or else against a model estimated from the null's own bases.
NULLSCAN NullScan(const SCANMODEL& model, std::string_view record, const BACKGROUND& drawFrom, std::uint64_t seed,
                  const ScanHooks& hooks);
