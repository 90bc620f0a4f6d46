// The model of a run: everything the scan of a record reads besides the
// record itself, built once from the matrix file and the options and never
// changed afterwards. Records are scanned against it as values, so any
// number of them can be scanned against one model.
//
// Conventions of the scanner:
//   - positions are 0-based indexes into the record's bases;
//   - motifs are numbered j = 0..K-1 in matrix-file order (1..K in output);
//   - probabilities are natural logarithms held in doubles;
//   - base codes are A = 0, C = 1, G = 2, T = 3, every other letter 0.
//
// Results are compared bit for bit, so the logarithms of constants are taken
// here once and every use reads the same double.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "scanner/read/Matrix.h"
#include "scanner/scan/Background.h"

// Score of a site that cannot be there (window before the sequence start,
// window holding N, reverse strand when only the forward one is searched).
inline constexpr double kImpossibleScore = -2000.0;
// Background score of a base whose pair holds N: the decimal -1.386, not log(0.25).
inline constexpr double kBackgroundAtN = -1.386;

struct SCANMODEL {
    int motifNum = 0;                 // K
    bool bothStrands = true;          // score the reverse strand as well
    int moduleLength = 200;           // L
    double moduleRate = 0.0005;       // expected module occurrence rate per position
    std::vector<int> widths;          // K motif widths
    MatrixSet matrices;               // K matrices of probabilities (may be empty in hand-made models)
    std::vector<double> priorWeight;  // K + 1: a site of each motif, then a background base
    // Whether the scans find each record's best window score (a few per
    // cent of the scan's time; a run needs it for its records file only).
    bool bestWindow = true;
    // One background model for every record (--background), or none: each
    // record is then scored against a model estimated from its own bases.
    std::optional<BACKGROUND> sharedBackground;

    // The model record `bases` is scored against; counted, when given, are
    // the counts of those bases, made while they were read.
    BACKGROUND BackgroundOf(std::string_view bases, const BACKGROUNDCOUNTS* counted = nullptr) const
    {
        if (sharedBackground)
            return *sharedBackground;
        return counted ? BackgroundFromCounts(*counted) : BuildBackground(bases);
    }

    // log of every matrix entry, same layout. A motif without a usable
    // matrix (none, or one shorter than its width) scores impossible.
    std::vector<std::vector<double>> logMatrices;
    std::vector<bool> usable;

    // Logarithms, taken once.
    std::vector<double> logPrior;  // log priorWeight[j], j < K
    double logBg = 0.0;            // log priorWeight[K]
    double logHalf = 0.0;          // log 0.5
    double logRate = 0.0;          // log(rate), -inf or NaN outside (0, 1)
    double logStay = 0.0;          // log(1 - rate)

    // Table layout: row p holds 2K + 1 doubles, the forward and reverse
    // score of each motif for the window ending at p, then the background
    // score of base p.
    std::size_t motifCount = 0;  // K as an index bound
    std::size_t bgColumn = 0;    // 2K
    std::size_t columns = 1;     // 2K + 1
    int minWidth = 1;            // smallest motif width, at least 1
    int maxWidth = 1;            // widest motif, at least 1

    // The scans' window length: L, or the whole record when it is shorter.
    int WindowLength(int n) const { return std::min(moduleLength, n); }
};

// K + 1 weights: entries 0..K-1 are 0.8 / L (a site of each motif), entry K
// is 1 - 0.8 * K / L (a background base). A module of L positions thus
// expects 0.8 sites of each motif.
std::vector<double> PriorWeights(int motifNum, int moduleLength);

// The model of K = widths.size() motifs. `matrices` may hold fewer than K
// matrices (hand-made models of tests): a motif without one scores
// impossible everywhere. A priorWeight of other than K + 1 entries is
// replaced by PriorWeights(K, moduleLength).
SCANMODEL MakeScanModel(std::vector<int> widths, MatrixSet matrices, int moduleLength, bool bothStrands,
                        double moduleRate, std::vector<double> priorWeight = {});
