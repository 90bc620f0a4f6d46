// Null sequences, p-values and q-values: the pieces in tables, then whole
// runs showing that the p-values are calibrated on records without sites
// and small on records with a planted module.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "scanner/results/Significance.h"
#include "scanner/run/GibbsDP.h"
#include "scanner/run/RecordPool.h"
#include "scanner/scan/NullModel.h"
#include "support/Messages.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

const std::string kMatrices = std::string(VELMORA_TEST_DATA) + "/../../examples/fly_bcd_hb_Kr.pwm";

// Uniform on [0, 1) from 53 bits: the same numbers on every platform.
double Unit(std::mt19937_64& gen) { return static_cast<double>(gen() >> 11) * 0x1.0p-53; }

int Pick(std::mt19937_64& gen, const double* weights)
{
    double x = Unit(gen), below = 0;
    for (int b = 0; b < 3; ++b)
        if (x < (below += weights[b]))
            return b;
    return 3;
}

// A first-order Markov chain far from uniform, rows A, C, G, T.
constexpr double kChain[4][4] = {
    {0.4, 0.1, 0.2, 0.3}, {0.3, 0.3, 0.1, 0.3}, {0.25, 0.25, 0.3, 0.2}, {0.2, 0.2, 0.2, 0.4}};

std::string MarkovRecord(std::mt19937_64& gen, int length)
{
    const double even[4] = {0.25, 0.25, 0.25, 0.25};
    std::string s;
    for (int b = Pick(gen, even); static_cast<int>(s.size()) < length; b = Pick(gen, kChain[b]))
        s += "ACGT"[b];
    return s;
}

// The example's matrices as probabilities, rows A, C, G, T.
std::vector<std::vector<std::array<double, 4>>> ExampleMatrices()
{
    std::vector<std::vector<std::array<double, 4>>> matrices;
    std::ifstream in(kMatrices);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind('>', 0) == 0) {
            matrices.emplace_back();
            continue;
        }
        std::array<double, 4> row {};
        std::istringstream words(line);
        if (matrices.empty() || !(words >> row[0] >> row[1] >> row[2] >> row[3]))
            continue;
        const double total = row[0] + row[1] + row[2] + row[3];
        for (double& v : row)
            v /= total;
        matrices.back().push_back(row);
    }
    return matrices;
}

// The records file's best_window_p column of a run over these records,
// and the E-values of the modules BED file.
struct SIGNIFICANCE {
    std::vector<double> p;       // empirical
    std::vector<double> fitted;  // Gumbel
    std::vector<double> q;       // over the fitted ones
    std::vector<double> e;
};
SIGNIFICANCE RunSignificance(const std::vector<std::string>& records, int nulls, int threads, double rate = 0.01,
                             const std::string& background = {});

std::vector<double> BestWindowP(const std::vector<std::string>& records, int nulls, int threads)
{
    return RunSignificance(records, nulls, threads).p;
}

SIGNIFICANCE RunSignificance(const std::vector<std::string>& records, int nulls, int threads, double rate,
                             const std::string& background)
{
    const std::string dir = ::testing::TempDir() + "velmora-significance-" + std::to_string(getpid());
    {
        std::ofstream fasta(dir + ".fa");
        for (std::size_t i = 0; i < records.size(); ++i)
            fasta << ">r" << i << "\n" << records[i] << "\n";
    }
    RUNSETTINGS settings;
    settings.seqFile = CString(dir + ".fa");
    settings.pwmFile = CString(kMatrices);
    settings.outFile = CString(dir);
    settings.moduleLength = 100;
    settings.moduleRate = rate;
    settings.nulls = nulls;
    settings.threads = threads;
    settings.overwrite = true;
    settings.bedOutput = true;
    settings.background = background;
    CConsole console(true);
    CGibbsDP run(settings);
    EXPECT_TRUE(run.ModuleScan(console)) << run.ErrorText();
    SIGNIFICANCE got;
    std::vector<double>& p = got.p;
    std::ifstream in(dir + "_records.tsv");
    std::string line;
    std::getline(in, line);
    if (line.rfind("##", 0) == 0)
        std::getline(in, line);  // the header after the background line
    while (std::getline(in, line)) {
        std::vector<std::string> c;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');)
            c.push_back(field);
        const auto column = [&c](std::size_t i) {
            return c.size() > i && !c[i].empty() ? std::stod(c[i]) : std::nan("");
        };
        p.push_back(column(8));
        got.fitted.push_back(column(9));
        got.q.push_back(column(10));
    }
    std::ifstream bed(dir + "_modules.bed");
    while (std::getline(bed, line))
        got.e.push_back(std::stod(line.substr(line.rfind('\t') + 1)));
    for (const char* suffix : {".fa", "_module.txt", "_motif1.txt", "_motif2.txt", "_motif3.txt", "_records.tsv",
                               "_modules.bed", "_sites.bed"})
        std::remove((dir + suffix).c_str());
    return got;
}

double FractionAtMost(const std::vector<double>& p, double alpha)
{
    double n = 0;
    for (const double v : p)
        n += v <= alpha;
    return n / static_cast<double>(p.size());
}

// Markov records of 300 bases with one site of each example matrix, drawn
// from the matrix, planted in one 100-base window (either strand).
std::vector<std::string> PlantedRecords(std::mt19937_64& gen, int count)
{
    const auto matrices = ExampleMatrices();
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i) {
        std::string s = MarkovRecord(gen, 300);
        std::size_t at = 100 + gen() % 10;
        for (const auto& matrix : matrices) {
            std::string site;
            for (const auto& row : matrix)
                site += "ACGT"[Pick(gen, row.data())];
            if (gen() % 2 == 1) {
                std::string reverse(site.rbegin(), site.rend());
                for (char& c : reverse)
                    c = "TGCA"[std::string("ACGT").find(c)];
                site = reverse;
            }
            s.replace(at, site.size(), site);
            at += site.size() + gen() % 15;
        }
        records.push_back(s);
    }
    return records;
}

}  // namespace

TEST(SignificanceTest, EmpiricalPCountsNullsAtLeastAsHigh)
{
    // Null scores (ascending), score, p.
    const std::vector<std::tuple<std::vector<double>, double, double>> rows = {
        {{1, 2, 3}, 2.5, 2.0 / 4},   {{1, 2, 3}, 2, 3.0 / 4}, {{1, 2, 3}, 3.5, 1.0 / 4},
        {{1, 2, 3}, 0, 4.0 / 4},     {{2, 2, 2}, 2, 4.0 / 4}, {{}, 7, 1.0},
        {{-INFINITY, 1}, 0, 2.0 / 3}};
    for (const auto& [nulls, score, p] : rows)
        EXPECT_EQ(EmpiricalP(nulls, score), p) << score;
}

TEST(SignificanceTest, BenjaminiHochbergInInputOrder)
{
    // p-values, their q-values: m p(i) / i, then the least from the
    // largest p down; ties; at most 1.
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> rows = {
        {{0.01, 0.04, 0.03, 0.5}, {0.04, 0.04 * 4 / 3, 0.04 * 4 / 3, 0.5}},
        {{0.9, 0.01}, {0.9, 0.02}},
        {{0.02, 0.02, 0.02}, {0.02, 0.02, 0.02}},
        {{1, 1}, {1, 1}},
        {{0.6, 0.7}, {0.7, 0.7}},
        {{}, {}}};
    for (const auto& [p, q] : rows) {
        const std::vector<double> got = BenjaminiHochberg(p);
        ASSERT_EQ(got.size(), q.size());
        for (std::size_t i = 0; i < q.size(); ++i) {
            EXPECT_DOUBLE_EQ(got[i], q[i]) << i;
        }
    }
}

TEST(SignificanceTest, GumbelFitRecoversItsParameters)
{
    // mu, beta of the distribution the scores are drawn from.
    const double rows[][2] = {{0.0, 1.0}, {3.5, 0.4}, {-10.0, 2.0}};
    std::mt19937_64 gen(5);
    for (const auto& row : rows) {
        std::vector<double> x;
        for (int i = 0; i < 5000; ++i) {
            const double u = (static_cast<double>(gen() >> 11) + 0.5) * 0x1.0p-53;
            x.push_back(row[0] - row[1] * std::log(-std::log(u)));
        }
        std::sort(x.begin(), x.end());
        const GUMBEL fit = FitGumbel(x);
        ASSERT_TRUE(fit.ok) << row[0];
        EXPECT_NEAR(fit.mu, row[0], 0.05 * row[1]) << row[0];
        EXPECT_NEAR(fit.beta, row[1], 0.05 * row[1]) << row[0];
        EXPECT_NEAR(GumbelP(fit, fit.mu), 1.0 - std::exp(-1.0), 1e-12);
        EXPECT_GT(GumbelP(fit, fit.mu + 30 * fit.beta), 0.0);  // far in the tail, not rounded to 0
    }
    // Too few distinct finite scores to fit: 9 values, repeats, nulls that
    // could not be scored.
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::vector<double>> unfit = {
        {1, 2, 3, 4, 5, 6, 7, 8, 9}, {-inf, 1, 1, 2, 2, 3, 3, 4, 5, 6, 7, 8, 9}, {-inf, -inf}, {}};
    for (const auto& nulls : unfit)
        EXPECT_FALSE(FitGumbel(nulls).ok) << nulls.size();
}

TEST(SignificanceTest, NullSequencesFollowTheRecordsModelAndKeepItsGaps)
{
    std::mt19937_64 gen(3);
    const std::string record = MarkovRecord(gen, 200000) + std::string(50, 'N') + "ACGTRY";
    const BACKGROUND bg = BuildBackground(record);
    const std::string a = DrawNullSequence(record, bg, NullSeed(1, ">r", 1));
    ASSERT_EQ(a.size(), record.size());
    EXPECT_EQ(a, DrawNullSequence(record, bg, NullSeed(1, ">r", 1)));
    EXPECT_NE(a, DrawNullSequence(record, bg, NullSeed(1, ">r", 2)));
    EXPECT_NE(a, DrawNullSequence(record, bg, NullSeed(2, ">r", 1)));
    EXPECT_NE(a, DrawNullSequence(record, bg, NullSeed(1, ">s", 1)));
    for (std::size_t i = 0; i < record.size(); ++i)
        ASSERT_EQ(a[i] == 'N', record[i] == 'N') << i;
    EXPECT_EQ(a.find_first_not_of("ACGTN"), std::string::npos);
    // The null's own model is the record's, within sampling error.
    const BACKGROUND drawn = BuildBackground(a);
    for (int e = 0; e < 16; ++e)
        EXPECT_NEAR(drawn.bgTrans[e], bg.bgTrans[e], 0.01) << e;
    // A transition the record never makes, the null never makes either.
    const std::string noCG = "ACCAGGTTACAGTCCTGGA";
    const std::string null = DrawNullSequence(noCG + noCG + noCG, BuildBackground(noCG + noCG + noCG), 9);
    EXPECT_EQ(null.find("CG"), std::string::npos) << null;
}

// Records without sites: their best windows' p-values are uniform. With 99
// nulls a p-value is a multiple of 0.01, so "at most alpha" is the event of
// probability alpha.
TEST(SignificanceTest, PValuesOfMarkovRecordsAreCalibrated)
{
    const int count = kSanitized ? 40 : 2000;  // the sanitizers run the code paths only
    std::mt19937_64 gen(2026);
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i)
        records.push_back(MarkovRecord(gen, 300));
    const SIGNIFICANCE got = RunSignificance(records, 99, 2);
    const std::vector<double>& p = got.p;
    ASSERT_EQ(p.size(), records.size());
    const double at05 = FractionAtMost(p, 0.05), at01 = FractionAtMost(p, 0.01);
    std::cout << "calibration over " << count << " Markov records, 99 nulls: p <= 0.05 in " << at05 << ", p <= 0.01 in "
              << at01 << "\n";
    // The fitted p-values resolve below 1 / (N + 1): their shares at 1 %
    // and 0.1 % within about 3 standard deviations of a binomial count.
    const double fit01 = FractionAtMost(got.fitted, 0.01), fit001 = FractionAtMost(got.fitted, 0.001);
    std::cout << "fitted (Gumbel) p: p <= 0.01 in " << fit01 << ", p <= 0.001 in " << fit001 << "\n";
    if (!kSanitized) {
        EXPECT_GE(fit01, 0.004);
        EXPECT_LE(fit01, 0.016);
        EXPECT_LE(fit001, 0.0035);
    }
    if (kSanitized)
        return;
    EXPECT_GE(at05, 0.035);
    EXPECT_LE(at05, 0.065);
    EXPECT_GE(at01, 0.004);
    EXPECT_LE(at01, 0.016);
}

// Records drawn from one model and scored against it with --background:
// their nulls come from that model too, so the p-values are uniform again.
// The model file holds counts whose ratios are the chain's exactly.
TEST(SignificanceTest, PValuesUnderASharedModelAreCalibrated)
{
    const int count = kSanitized ? 20 : 1000;
    const std::string model = ::testing::TempDir() + "velmora-chain-" + std::to_string(getpid()) + ".bg";
    {
        std::ofstream out(model);
        out << "#Velmora background model 1\n";
        for (int a = 0; a < 4; ++a)
            out << "ACGT"[a] << "\t1000\n";
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b)
                out << "ACGT"[a] << "ACGT"[b] << '\t' << std::lround(1000 * kChain[a][b]) << '\n';
    }
    std::mt19937_64 gen(1207);
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i)
        records.push_back(MarkovRecord(gen, 300));
    const SIGNIFICANCE got = RunSignificance(records, 99, 2, 0.01, model);
    std::remove(model.c_str());
    ASSERT_EQ(got.p.size(), records.size());
    const double at05 = FractionAtMost(got.p, 0.05), at01 = FractionAtMost(got.p, 0.01);
    std::cout << "calibration under a shared model over " << count << " records, 99 nulls: p <= 0.05 in " << at05
              << ", p <= 0.01 in " << at01 << "\n";
    if (kSanitized)
        return;
    EXPECT_GE(at05, 0.03);
    EXPECT_LE(at05, 0.07);
    EXPECT_LE(at01, 0.02);
}

// Records without sites hold, on average, e modules whose E-value is at
// most e: E counts the modules background of the record's length holds.
// The rate is high enough for records to hold several modules each.
TEST(SignificanceTest, EValuesOfMarkovRecordsAreCalibrated)
{
    const int count = kSanitized ? 10 : 400;
    std::mt19937_64 gen(2027);
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i)
        records.push_back(MarkovRecord(gen, 3000));
    const SIGNIFICANCE got = RunSignificance(records, 19, 2, 0.05);
    double e01 = 0, e1 = 0;
    for (const double e : got.e) {
        e01 += e <= 0.1;
        e1 += e <= 1;
    }
    e01 /= count;
    e1 /= count;
    std::cout << "E over " << count << " Markov records, 19 nulls, " << got.e.size() << " modules: per record " << e01
              << " with E <= 0.1, " << e1 << " with E <= 1\n";
    if (kSanitized)
        return;
    EXPECT_GE(e01, 0.05);
    EXPECT_LE(e01, 0.15);
    EXPECT_GE(e1, 0.85);
    EXPECT_LE(e1, 1.15);
}

// Records with one site of each matrix, drawn from the matrix, planted in
// one 100-base window (either strand): most get a p-value below 0.01.
TEST(SignificanceTest, PlantedModulesAreSignificant)
{
    const int count = kSanitized ? 10 : 300;
    ASSERT_EQ(ExampleMatrices().size(), 3u);
    std::mt19937_64 gen(16);
    const std::vector<std::string> records = PlantedRecords(gen, count);
    const std::vector<double> p = BestWindowP(records, 299, 2);
    ASSERT_EQ(p.size(), records.size());
    double below = 0;
    for (const double v : p)
        below += v < 0.01;
    std::cout << "planted modules, 299 nulls: p < 0.01 in " << below / count << "\n";
    if (!kSanitized) {
        EXPECT_GT(below / count, 0.5);
    }
}

// Power: 900 records of background and 100 with a planted module, 99 nulls
// each. With the fitted p-values most planted records are called at q <=
// 0.05, which the empirical ones (at least 0.01 each) never allowed, and
// few of the calls are background.
TEST(SignificanceTest, PlantedModulesReachQOfFivePercent)
{
    const int planted = kSanitized ? 2 : 100;
    const int background = kSanitized ? 18 : 900;
    std::mt19937_64 gen(23);
    std::vector<std::string> records;
    for (int i = 0; i < background; ++i)
        records.push_back(MarkovRecord(gen, 300));
    std::vector<std::string> modules = PlantedRecords(gen, planted);
    records.insert(records.end(), modules.begin(), modules.end());
    const SIGNIFICANCE got = RunSignificance(records, 99, 2);
    ASSERT_EQ(got.q.size(), records.size());
    double calledPlanted = 0, calledBackground = 0;
    for (std::size_t i = 0; i < records.size(); ++i)
        (static_cast<int>(i) < background ? calledBackground : calledPlanted) += got.q[i] <= 0.05;
    const double falseShare = calledBackground / std::max(1.0, calledBackground + calledPlanted);
    std::cout << "q <= 0.05: " << calledPlanted << " of " << planted << " planted records, " << calledBackground
              << " of " << background << " background records (" << falseShare << " of the calls)\n";
    if (kSanitized)
        return;
    EXPECT_GT(calledPlanted / planted, 0.5);
    EXPECT_LE(falseShare, 0.1);
}

// The p-values do not depend on the thread count.
TEST(SignificanceTest, SameForEveryThreadCount)
{
    std::mt19937_64 gen(8);
    std::vector<std::string> records;
    for (const int length : {50, 3000, 2, 800, 20000})
        records.push_back(MarkovRecord(gen, length));
    // Every p-value, q-value and E-value, at a rate that gives modules.
    const auto all = [](const SIGNIFICANCE& got) {
        std::vector<double> values = got.p;
        for (const auto* column : {&got.fitted, &got.q, &got.e})
            values.insert(values.end(), column->begin(), column->end());
        return values;
    };
    const std::vector<double> one = all(RunSignificance(records, 19, 1, 0.05));
    for (const int threads : {2, 5}) {
        const std::vector<double> many = all(RunSignificance(records, 19, threads, 0.05));
        ASSERT_EQ(one.size(), many.size());
        for (std::size_t i = 0; i < one.size(); ++i)
            EXPECT_TRUE(one[i] == many[i] || (std::isnan(one[i]) && std::isnan(many[i])))
                << i << ": " << one[i] << " on one thread, " << many[i] << " on " << threads;
    }
}

// Records with null sequences come back in order with their sorted null
// scores, on one thread or several, and the progress hears of every base
// scanned, nulls' included, and of every null scan.
TEST(SignificanceTest, PoolScansTheNullsAndCountsThem)
{
    std::vector<double> matrix;
    for (const char* row : {"A", "C", "G"})
        for (const char base : std::string("ACGT"))
            matrix.push_back(base == row[0] ? 0.85 : 0.05);
    // Null scans find their best windows even when the records' own scans
    // are not asked to.
    SCANMODEL model = MakeScanModel({3}, {matrix}, 20, true, 0.01);
    model.bestWindow = false;
    std::mt19937_64 gen(4);
    const std::vector<std::string> records = {MarkovRecord(gen, 500), "A", MarkovRecord(gen, 20000), "ACNNGT"};
    for (const int threads : {1, 3}) {
        long long bases = 0, nullScans = 0;
        CRecordPool pool(
            model, threads,
            [&](long long b, long long n) {
                bases += b;
                nullScans += n;
            },
            NULLSETTINGS {4, 9});
        for (std::size_t i = 0; i < records.size(); ++i) {
            auto job = std::make_unique<RECORDJOB>();
            job->name = ">r" + std::to_string(i);
            job->letters = CString(records[i]);
            pool.Submit(std::move(job));
        }
        std::vector<std::size_t> nulls;
        while (const auto job = pool.Next()) {
            EXPECT_TRUE(std::is_sorted(job->result.nullScores.begin(), job->result.nullScores.end()));
            for (const double score : job->result.nullScores)
                EXPECT_TRUE(score != 0.0 && std::isfinite(score)) << score;
            nulls.push_back(job->result.nullScores.size());
        }
        EXPECT_EQ(nulls, (std::vector<std::size_t> {4, 0, 4, 4})) << threads;
        EXPECT_EQ(nullScans, 12) << threads;
        EXPECT_EQ(bases, 5 * (500 + 20000 + 6)) << threads;
    }
}
