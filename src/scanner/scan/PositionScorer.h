// The position scores of a record: for every position, the forward and
// reverse score of each motif for the window ending there, then the
// background score of the base. Every later step reads its site and
// background scores from these rows, so their doubles decide every module
// and site.
#pragma once

#include <vector>

#include "scanner/scan/Background.h"
#include "scanner/scan/ScanModel.h"

// The per-row scoring state of one record: the model's log matrices and the
// logarithms of the record's background model. ScoreRows then fills rows
// from the record's bytes alone, so a caller holding the record can produce
// any stretch of rows on demand, in any order, with the same doubles.
class PositionScorer {
public:
    PositionScorer(const SCANMODEL& model, const BACKGROUND& background);

    // Fills the rows of positions first .. first+count-1 into out
    // (model.columns doubles per row, all overwritten). s is the record; the
    // bytes from first - (widest motif) + 1 (or 0) to first + count - 1 are
    // read. Each window sum starts at 0.0 and adds matrix rows k = 0..w-1 in
    // order, so every stretch gets the very doubles of a whole-record table.
    //   motif columns  kImpossibleScore where the window starts before 0 or
    //                  holds N, and on the reverse strand when only the
    //                  forward one is searched;
    //   background     log bgFreq of the first base, log bgTrans of the pair
    //                  ending at the base elsewhere, kBackgroundAtN where
    //                  either is N.
    void ScoreRows(const unsigned char* s, int first, int count, double* out) const;

private:
    const SCANMODEL& m_model;
    int m_widest = 1;  // widest motif with a usable matrix
    double m_logFreq[4] = {};
    double m_logTrans[16] = {};
};
