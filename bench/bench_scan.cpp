// Throughput of the whole per-sequence scan: background model, position
// score table and maximizing module scan (with its site tracebacks), on a
// synthetic sequence drawn with a fixed seed. K = 3 motifs of widths 10, 12
// and 14 with random count matrices, L = 200, both strands, rate 0.0005.
//
//   ./build/bench/bench_scan [--benchmark_filter=...]
//
// Reports bases per second as items_per_second.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scanner/GibbsDP.h"

namespace
{

struct ScanInput {
    std::string sequence;
    MatrixSet pwm;
    std::vector<int> widths = {10, 12, 14};
};

ScanInput MakeInput(int bases)
{
    ScanInput in;
    std::mt19937_64 gen(424242);
    // Count matrices turned into probabilities as the matrix reader does:
    // (x + 0.0025 s) / (1.01 s) for a row sum s.
    for (const int w : in.widths) {
        Matrix m;
        for (int r = 0; r < w; ++r) {
            double counts[4];
            double s = 0.0;
            for (double& c : counts) {
                c = static_cast<double>(gen() % 30);
                s += c;
            }
            if (s == 0)
                counts[0] = s = 1;
            for (const double c : counts)
                m.push_back((c + 0.0025 * s) / (1.01 * s));
        }
        in.pwm.push_back(std::move(m));
    }
    in.sequence.reserve(static_cast<std::size_t>(bases));
    for (int i = 0; i < bases; ++i)
        in.sequence += "ACGT"[gen() % 4];
    // A few N runs, as in assembled genomes.
    for (int i = 5000; i + 100 < bases; i += 250000)
        in.sequence.replace(static_cast<std::size_t>(i), 100, 100, 'N');
    return in;
}

// A scanner holding the input, ready for a scan (list heads made).
struct Scanner {
    CGibbsDP dp;
    std::vector<double> prior;
    explicit Scanner(const ScanInput& in)
    {
        dp.motifNum = 3;
        dp.motifWidth = in.widths;
        dp.moduleLength = 200;
        dp.bothStrands = true;
        dp.seq = in.sequence.c_str();
        dp.seqLength = dp.seq.GetLength();
        dp.siteCount.assign(4, 0);
        prior.assign(4, 0.8 / dp.moduleLength);
        prior[3] = 1 - 0.8 * 3 / dp.moduleLength;
        ResetLists();
    }
    void ResetLists()
    {
        dp.moduleList = std::make_unique<MODULEINFO>();
        dp.siteList.clear();
        for (int j = 0; j < 3; ++j)
            dp.siteList.push_back(std::make_unique<SITEINFO>());
    }
};

constexpr double kRate = 0.0005;

// What the driver does per sequence: background, table, maximizing scan.
void BM_WholeScan(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const ScanInput in = MakeInput(bases);
    Scanner s(in);
    for (auto _ : state) {
        s.dp.BuildBackground();
        s.ResetLists();
        std::vector<double> table(static_cast<std::size_t>(7) * static_cast<std::size_t>(bases));
        s.dp.CalLogPrPos(table.data(), s.dp.seqLength, in.pwm);
        s.dp.ApproxScanCurSeq(kRate, s.prior.data(), in.pwm, table.data());
        benchmark::DoNotOptimize(s.dp.moduleList.get());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

// The two halves on their own: the score table, and the scan from a table.
void BM_ScoreTable(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const ScanInput in = MakeInput(bases);
    Scanner s(in);
    s.dp.BuildBackground();
    std::vector<double> table(static_cast<std::size_t>(7) * static_cast<std::size_t>(bases));
    for (auto _ : state) {
        s.dp.CalLogPrPos(table.data(), s.dp.seqLength, in.pwm);
        benchmark::DoNotOptimize(table.data());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

void BM_ScanFromTable(benchmark::State& state)
{
    const int bases = static_cast<int>(state.range(0));
    const ScanInput in = MakeInput(bases);
    Scanner s(in);
    s.dp.BuildBackground();
    std::vector<double> table(static_cast<std::size_t>(7) * static_cast<std::size_t>(bases));
    s.dp.CalLogPrPos(table.data(), s.dp.seqLength, in.pwm);
    for (auto _ : state) {
        s.ResetLists();
        s.dp.ApproxScanCurSeq(kRate, s.prior.data(), in.pwm, table.data());
        benchmark::DoNotOptimize(s.dp.moduleList.get());
    }
    state.SetItemsProcessed(state.iterations() * bases);
}

}  // namespace

BENCHMARK(BM_WholeScan)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScoreTable)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanFromTable)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
