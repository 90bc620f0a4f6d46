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
// step and site tracebacks. BM_WholeScan is the whole-table scan the tests
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
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scanner/GibbsDP.h"

namespace
{

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
    CGibbsDP dp;
    std::vector<double> prior;
    explicit Scanner(const Input& in)
    {
        dp.motifNum = kMotifs;
        dp.motifWidth.assign(kWidths, kWidths + kMotifs);
        dp.moduleLength = kModuleLength;
        dp.bothStrands = true;
        dp.seq = in.sequence.c_str();
        dp.seqLength = dp.seq.GetLength();
        dp.siteCount.assign(kMotifs + 1, 0);
        prior.assign(kMotifs + 1, 0.8 / kModuleLength);
        prior[kMotifs] = 1 - 0.8 * kMotifs / kModuleLength;
        ResetLists();
    }
    void ResetLists()
    {
        dp.moduleList = std::make_unique<MODULEINFO>();
        dp.siteList.clear();
        for (int j = 0; j < kMotifs; ++j)
            dp.siteList.push_back(std::make_unique<SITEINFO>());
    }
};

// 2K LogSum calls per base with the recursion's dependencies: per base, K
// independent strand combinations, then K folds chained through the running
// value, which also feeds the next base (through the background option) and
// the site terms w bases on. Arguments are the rows of the real table.
void BM_LogSumFloor(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    s.dp.BuildBackground();
    constexpr int cols = 2 * kMotifs + 1;
    std::vector<double> table(static_cast<std::size_t>(cols) * static_cast<std::size_t>(bases));
    s.dp.CalLogPrPos(table.data(), bases, in.pwm);
    const double logBg = std::log(s.prior[kMotifs]);
    const double logSite = std::log(0.5) + std::log(s.prior[0]);
    std::vector<double> fwd(static_cast<std::size_t>(bases));
    for (auto _ : state) {
        fwd[0] = logBg + table[2 * kMotifs];
        for (int p = 1; p < bases; ++p) {
            const double* row = table.data() + static_cast<std::size_t>(p) * cols;
            double strand[kMotifs];
            for (int j = 0; j < kMotifs; ++j)
                strand[j] = LogSum(row[2 * j], row[2 * j + 1]);
            double value = (row[2 * kMotifs] + fwd[static_cast<std::size_t>(p) - 1]) + logBg;
            for (int j = 0; j < kMotifs; ++j) {
                const int back = p >= kWidths[j] ? kWidths[j] : p;
                value = LogSum(value, (strand[j] + logSite) + fwd[static_cast<std::size_t>(p - back)]);
            }
            fwd[static_cast<std::size_t>(p)] = value;
        }
        benchmark::DoNotOptimize(fwd.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// What the driver does per record with the streamed scan.
void BM_StreamScan(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    for (auto _ : state) {
        s.dp.BuildBackground();
        s.ResetLists();
        s.dp.StreamScanCurSeq(kRate, s.prior.data(), in.pwm);
        benchmark::DoNotOptimize(s.dp.moduleList.get());
    }
    state.SetItemsProcessed(state.iterations() * bases);
    state.counters["modules"] = static_cast<double>(s.dp.moduleCount) / static_cast<double>(state.iterations());
}

// The whole-table scan: background, table, maximizing scan.
void BM_WholeScan(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    constexpr std::size_t cols = 2 * kMotifs + 1;
    for (auto _ : state) {
        s.dp.BuildBackground();
        s.ResetLists();
        std::vector<double> table(cols * static_cast<std::size_t>(bases));
        s.dp.CalLogPrPos(table.data(), bases, in.pwm);
        s.dp.ApproxScanCurSeq(kRate, s.prior.data(), in.pwm, table.data());
        benchmark::DoNotOptimize(s.dp.moduleList.get());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The score table alone.
void BM_ScoreTable(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const Input in = MakeInput(bases);
    Scanner s(in);
    s.dp.BuildBackground();
    std::vector<double> table((2 * kMotifs + 1) * static_cast<std::size_t>(bases));
    for (auto _ : state) {
        s.dp.CalLogPrPos(table.data(), bases, in.pwm);
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
    s.dp.BuildBackground();
    std::vector<double> table((2 * kMotifs + 1) * static_cast<std::size_t>(bases));
    s.dp.CalLogPrPos(table.data(), bases, in.pwm);
    for (auto _ : state) {
        s.ResetLists();
        s.dp.ApproxScanCurSeq(kRate, s.prior.data(), in.pwm, table.data());
        benchmark::DoNotOptimize(s.dp.moduleList.get());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The console report, then the scan's time per base over the floor's.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Plain text: the report often goes to a file or a pipe.
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        // With repetitions, the best one of each benchmark: the least
        // disturbed by other work on the machine.
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (run.error_occurred || run.run_type == Run::RT_Aggregate ||
                items == run.counters.end() || items->second.value <= 0)
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
        std::printf("floor %.1f ns/base, streamed scan %.1f ns/base: scan / floor = %.3f\n",
                    floor->second, scan->second, scan->second / floor->second);
    }

private:
    std::map<std::string, double> m_nsPerBase;
};

}  // namespace

BENCHMARK(BM_LogSumFloor)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamScan)->Arg(1000000)->Unit(benchmark::kMillisecond);
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
