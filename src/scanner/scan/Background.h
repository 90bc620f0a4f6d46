// The first-order background model of one record, estimated from the
// record's own bases.
#pragma once

#include <string_view>

struct BACKGROUND {
    double bgFreq[4] = {};    // A, C, G, T
    double bgTrans[16] = {};  // [4 * preceding + following]
};

// Counts first (letters other than A, C, G, T add no base count; a pair
// holding an upper-case N is skipped; any other letter in a pair is coded
// as A), then each transition count is divided by the RAW count of its
// preceding base, and only then are the base counts turned into
// frequencies. Where a count or the total is 0 the entry is 0 instead of a
// division by zero; BackgroundScoresEveryBase tells whether the scores
// would look such an entry up.
BACKGROUND BuildBackground(std::string_view seq);

// False when the model gives some base of seq probability 0 (a record of
// letters coded as A while holding no A, say): its scores would be minus
// infinity and the module scores not numbers, so such a record is not
// scanned.
bool BackgroundScoresEveryBase(std::string_view seq, const BACKGROUND& bg);
