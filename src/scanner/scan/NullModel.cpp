#include "scanner/scan/NullModel.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "support/Hash.h"

namespace {

// SplitMix64: turns any 64-bit value into a well-mixed one; seeds the
// generator below from the (seed, name, k) triple.
std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// xoshiro256**: small, fast, and the same stream on every platform (the
// standard library's distributions are not).
class CGenerator {
public:
    explicit CGenerator(std::uint64_t seed)
    {
        for (std::uint64_t& word : m_state) {
            seed = Mix(seed);
            word = seed;
        }
    }

    // Uniform on [0, 1), 53 random bits.
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t Next()
    {
        const std::uint64_t result = Rotate(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = Rotate(m_state[3], 45);
        return result;
    }

    std::uint64_t m_state[4] = {};
};

constexpr char kBases[4] = {'A', 'C', 'G', 'T'};

// One base drawn in proportion to four weights; -1 when they are all 0.
int Draw(const double* weights, CGenerator& generator)
{
    double total = 0.0;
    for (int b = 0; b < 4; ++b)
        total += weights[b];
    if (!(total > 0))
        return -1;
    const double x = generator.Unit() * total;
    double below = 0.0;
    int last = 0;
    for (int b = 0; b < 4; ++b) {
        if (!(weights[b] > 0))
            continue;
        below += weights[b];
        last = b;
        if (x < below)
            return b;
    }
    return last;  // x reached the total by rounding
}

}  // namespace

std::uint64_t NullSeed(std::uint64_t runSeed, std::string_view header, long long k)
{
    // The header's hash, mixed with the seed and k.
    return Mix(Mix(runSeed) ^ Mix(Fnv1a(header)) ^ Mix(static_cast<std::uint64_t>(k) * 0xd1342543de82ef95ULL));
}

std::string DrawNullSequence(std::string_view record, const BACKGROUND& bg, std::uint64_t seed)
{
    CGenerator generator(seed);
    std::string drawn(record.size(), 'N');
    int previous = -1;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (record[i] == 'N') {
            previous = -1;
            continue;
        }
        int base = previous >= 0 ? Draw(&bg.bgTrans[static_cast<std::size_t>(4 * previous)], generator) : -1;
        if (base < 0)
            base = Draw(bg.bgFreq, generator);
        if (base < 0)
            base = 0;  // a model without any base: the record holds no A, C, G or T
        drawn[i] = kBases[base];
        previous = base;
    }
    return drawn;
}

NULLSCAN NullScan(const SCANMODEL& model, std::string_view record, const BACKGROUND& drawFrom, std::uint64_t seed,
                  const ScanHooks& hooks)
{
    NULLSCAN scan;
    scan.bestWindow = -std::numeric_limits<double>::infinity();
    const std::string null = DrawNullSequence(record, drawFrom, seed);
    const BACKGROUND background = model.BackgroundOf(null);
    if (null.size() < 2 || !BackgroundScoresEveryBase(null, background))
        return scan;
    RECORDRESULT result;
    StreamScanOptions options;
    options.bestWindow = true;
    StreamScanCurSeq(model, null, background, &result, options, hooks);
    if (!result.scanned)
        return scan;
    scan.bestWindow = result.bestWindow;
    for (const MODULEINFO& module : result.modules)
        scan.modules.push_back(module.score);
    return scan;
}
