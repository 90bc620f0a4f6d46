// The first-order background model: estimated from a record's own bases,
// or once for a whole run from a genome, a set of background sequences or
// every record of the input.
#pragma once

#include <cstdint>
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

// What the estimate is made of: how often each base occurs (A, C, G, T)
// and each ordered pair of adjacent bases without N (other letters coded as
// A), summed over any number of records. Whole numbers, so that a model
// saved as counts reads back to the last bit.
struct BACKGROUNDCOUNTS {
    std::int64_t base[4] = {};
    std::int64_t pair[16] = {};  // [4 * preceding + following]

    long long Bases() const { return base[0] + base[1] + base[2] + base[3]; }
};

// The estimate from counts: each pair count over the count of its
// preceding base, each base count over the sum of the four; 0 where that
// count is 0. BuildBackground(seq) is BackgroundFromCounts of seq's counts.
BACKGROUND BackgroundFromCounts(const BACKGROUNDCOUNTS& counts);

// Counts the bases of records given piece by piece (a chromosome need not
// be held whole): pairs are counted within a record, never across two.
class CBackgroundCounter {
public:
    // The next letters of the current record.
    void Add(std::string_view letters);
    // The current record is complete; the next Add starts another.
    void EndRecord();
    // The counts of every record ended so far.
    BACKGROUNDCOUNTS Counts() const;

private:
    // Adjacent pairs by the classes of their bytes (Background.cpp).
    std::int64_t m_pairs[256] = {};
    std::int64_t m_last[4] = {};  // bases that ended a record: first of no pair
    int m_previous = -1;          // class of the current record's last byte, -1 before its first
};

// False when the model gives some base of seq probability 0 (a record of
// letters coded as A while holding no A, say): its scores would be minus
// infinity and the module scores not numbers, so such a record is not
// scanned.
bool BackgroundScoresEveryBase(std::string_view seq, const BACKGROUND& bg);
