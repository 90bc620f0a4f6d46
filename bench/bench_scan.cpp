// Speed of the per-sequence scan, and how close it comes to the arithmetic
// floor of the module recursion.
//
// With both strands the exact forward recursion makes 2K LogSum calls per
// base that nothing can remove: K that combine the strands of each motif
// (independent of each other) and K that fold the site terms into the
// running value (a chain through that value, which also carries on to the
// next base). BM_LogSumFloor runs exactly that, on the rows of a real score
// table, and nothing else. BM_StreamScan is what the tool does per record:
// background model, then the streamed scan with its scoring, maximizing
// step and site tracebacks (/1: with the best window score of the records
// file). BM_WholeScan is the whole-table scan the tests
// compare it with, and BM_ScoreTable / BM_ScanFromTable its two halves.
//
// All use K = 3 motifs of widths 10, 12 and 14, L = 200, both strands, rate
// 0.0005, on the same synthetic sequence (with planted sites and N runs).
// Times are CPU times; items_per_second is bases per second. At the end the
// program prints the scan's time per base over the floor's (the best
// repetition of each with --benchmark_repetitions).
//
//   ./build/bench/bench_scan [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "scanner/scan/RecordScan.h"
#include "scanner/scan/ReferenceScan.h"
#include "support/LogSum.h"

namespace {

constexpr int kMotifs = 3;
const int kWidths[kMotifs] = {10, 12, 14};
constexpr int kModuleLength = 200;
constexpr double kRate = 0.0005;

// Matrices with a strong consensus and a first-order background sequence
// with sites planted in clusters every 20 kb or so, and a few N runs, so
// that the scan finds modules and the traceback does real work.
struct Input {
    std::string sequence;
    MatrixSet pwm;
};

Input MakeInput(int bases)
{
    Input in;
    std::mt19937_64 gen(20240607);
    std::vector<std::string> consensus;
    for (const int w : kWidths) {
        Matrix m;
        std::string word;
        for (int r = 0; r < w; ++r) {
            const int top = static_cast<int>(gen() % 4);
            word += "ACGT"[top];
            for (int b = 0; b < 4; ++b)
                m.push_back(b == top ? 0.85 : 0.05);
        }
        in.pwm.push_back(std::move(m));
        consensus.push_back(word);
    }
    in.sequence.reserve(static_cast<std::size_t>(bases));
    while (static_cast<int>(in.sequence.size()) < bases) {
        const auto roll = gen() % 20000;
        if (roll < 1) {
            // A cluster of sites: a module's worth of sequence.
            for (int s = 0; s < 5; ++s) {
                in.sequence += consensus[gen() % kMotifs];
                for (int g = 0; g < 20; ++g)
                    in.sequence += "ACGT"[gen() % 4];
            }
        } else if (roll < 2 && in.sequence.size() > 0) {
            in.sequence.append(1000, 'N');
        } else {
            in.sequence += "ACGT"[gen() % 4];
        }
    }
    in.sequence.resize(static_cast<std::size_t>(bases));
    return in;
}

struct Scanner {
    SCANMODEL model;
    std::string seq;
    std::vector<double> prior;
    explicit Scanner(const Input& in)
        : model(MakeScanModel({kWidths, kWidths + kMotifs}, in.pwm, kModuleLength, true, kRate)),
          seq(in.sequence),
          prior(model.priorWeight)
    {}
    std::vector<double> Table() const { return CalLogPrPos(model, seq, BuildBackground(seq)); }
};

// The inputs of the two floors: the rows of a real score table and the
// logarithms the recursion adds.
struct FloorInput {
    explicit FloorInput(int n)
        : bases(n),
          in(MakeInput(n)),
          s(in),
          table(s.Table()),
          logBg(std::log(s.prior[kMotifs])),
          logSite(std::log(0.5) + std::log(s.prior[0])),
          fwd(static_cast<std::size_t>(n))
    {}
    static constexpr int kCols = 2 * kMotifs + 1;
    const double* Row(int p) const { return table.data() + static_cast<std::size_t>(p) * kCols; }

    // One base's chained folds: strand[j] is motif j's strands combined.
    void Fold(int p, const double* strand)
    {
        double value = (Row(p)[2 * kMotifs] + fwd[static_cast<std::size_t>(p) - 1]) + logBg;
        for (int j = 0; j < kMotifs; ++j) {
            const int back = p >= kWidths[j] ? kWidths[j] : p;
            value = LogSum(value, (strand[j] + logSite) + fwd[static_cast<std::size_t>(p - back)]);
        }
        fwd[static_cast<std::size_t>(p)] = value;
    }

    int bases;
    Input in;
    Scanner s;
    std::vector<double> table;
    double logBg;
    double logSite;
    std::vector<double> fwd;
};

// 2K LogSum calls per base with the recursion's dependencies: per base, K
// independent strand combinations, then K folds chained through the running
// value, which also feeds the next base (through the background option) and
// the site terms w bases on (kStrandsAhead false). With kStrandsAhead the
// strands are combined before the clock runs and only the chained half is
// timed: however many threads share one record's scan, that chain runs on
// one of them, so it bounds the speed of a single record.
template <bool kStrandsAhead>
void Floor(benchmark::State& state)
{
    FloorInput f(static_cast<int>(state.range(0)));
    std::vector<double> strands(kStrandsAhead ? static_cast<std::size_t>(f.bases) * kMotifs : 0);
    for (int p = 0; kStrandsAhead && p < f.bases; ++p)
        for (int j = 0; j < kMotifs; ++j)
            strands[static_cast<std::size_t>(p) * kMotifs + static_cast<std::size_t>(j)] =
                LogSum(f.Row(p)[2 * j], f.Row(p)[2 * j + 1]);
    for (auto _ : state) {
        f.fwd[0] = f.logBg + f.Row(0)[2 * kMotifs];
        for (int p = 1; p < f.bases; ++p) {
            if constexpr (kStrandsAhead) {
                f.Fold(p, strands.data() + static_cast<std::size_t>(p) * kMotifs);
            } else {
                double strand[kMotifs];
                for (int j = 0; j < kMotifs; ++j)
                    strand[j] = LogSum(f.Row(p)[2 * j], f.Row(p)[2 * j + 1]);
                f.Fold(p, strand);
            }
        }
        benchmark::DoNotOptimize(f.fwd.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * f.bases);
}

void BM_LogSumFloor(benchmark::State& state) { Floor<false>(state); }
void BM_ChainFloor(benchmark::State& state) { Floor<true>(state); }

// What the driver does per record with the streamed scan.
void BM_StreamScan(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    // Second argument 1: the best window score too (--summary, --null).
    s.model.bestWindow = state.range(1) != 0;
    long long modules = 0;
    for (auto _ : state) {
        const RECORDRESULT result = DataAugmentation(s.model, ">bench", s.seq);
        modules += result.moduleCount;
        benchmark::DoNotOptimize(result.modules.data());
    }
    state.SetItemsProcessed(state.iterations() * bases);
    state.counters["modules"] = static_cast<double>(modules) / static_cast<double>(state.iterations());
}

// The streamed scan of one record with a helper thread at work throughout
// (the pacer never gets to try the scan alone): how close two threads come
// to the chain's bound.
void BM_StreamScanHelped(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    const BACKGROUND background = BuildBackground(s.seq);
    StreamScanOptions options;
    options.pacing.measure = std::chrono::hours(1);
    std::thread helper;
    const ScanHooks hooks = HelperThreadHooks(helper);
    for (auto _ : state) {
        RECORDRESULT result;
        StreamScanCurSeq(s.model, s.seq, background, &result, options, hooks);
        benchmark::DoNotOptimize(result.modules.data());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The whole-table scan: background, table, maximizing scan.
void BM_WholeScan(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    for (auto _ : state) {
        const std::vector<double> table = s.Table();
        RECORDRESULT result;
        ApproxScanCurSeq(s.model, s.seq, table.data(), &result);
        benchmark::DoNotOptimize(result.modules.data());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The score table alone.
void BM_ScoreTable(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    const BACKGROUND background = BuildBackground(s.seq);
    for (auto _ : state) {
        const std::vector<double> table = CalLogPrPos(s.model, s.seq, background);
        benchmark::DoNotOptimize(table.data());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The whole-table scan from a ready table.
void BM_ScanFromTable(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    const std::vector<double> table = s.Table();
    for (auto _ : state) {
        RECORDRESULT result;
        ApproxScanCurSeq(s.model, s.seq, table.data(), &result);
        benchmark::DoNotOptimize(result.modules.data());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The console report, then the scan's time per base over the floor's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Plain text: the report often goes to a file or a pipe.
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        // With repetitions, the best one of each benchmark: the least
        // disturbed by other work on the machine.
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (run.error_occurred || run.run_type == Run::RT_Aggregate || items == run.counters.end() ||
                items->second.value <= 0)
                continue;
            const std::string name = run.benchmark_name();
            const double ns = 1e9 / items->second.value;
            const auto [at, fresh] = m_nsPerBase.emplace(name.substr(0, name.find('/')), ns);
            if (!fresh)
                at->second = std::min(at->second, ns);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto floor = m_nsPerBase.find("BM_LogSumFloor");
        const auto scan = m_nsPerBase.find("BM_StreamScan");
        if (floor == m_nsPerBase.end() || scan == m_nsPerBase.end())
            return;
        std::printf("floor %.1f ns/base, streamed scan %.1f ns/base: scan / floor = %.3f\n", floor->second,
                    scan->second, scan->second / floor->second);
        const auto chain = m_nsPerBase.find("BM_ChainFloor");
        if (chain == m_nsPerBase.end())
            return;
        std::printf("chain %.1f ns/base: one record on any number of threads at most %.2f times as fast\n",
                    chain->second, scan->second / chain->second);
        const auto helped = m_nsPerBase.find("BM_StreamScanHelped");
        if (helped != m_nsPerBase.end())
            std::printf("two threads %.1f ns/base: %.2f times as fast, %.0f%% of that bound\n", helped->second,
                        scan->second / helped->second, 100 * chain->second / helped->second);
    }

private:
    std::map<std::string, double> m_nsPerBase;
};

}  // namespace

BENCHMARK(BM_LogSumFloor)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainFloor)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamScan)->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamScanHelped)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeScan)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreTable)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanFromTable)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
