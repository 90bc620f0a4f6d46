// The numerical core of the scan: worked examples on hand-made position
// score tables, the background model of short records, the score table and
// the forward recursion against literal readings of their formulas, and the
// streamed scan against the whole-table scan, to the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "scanner/scan/PositionScorer.h"
#include "scanner/scan/RecordScan.h"
#include "scanner/scan/ReferenceScan.h"
#include "support/Bases.h"
#include "support/LogSum.h"

namespace {

using Cell = std::tuple<int, int, double>;  // row, column, score

// A record whose table holds `bg` in every background cell and the
// impossible score in every motif cell but `cells`.
struct Record {
    std::string seq;
    std::vector<int> widths;
    int moduleLength;
    bool both;
    std::vector<double> prior;
    std::vector<Cell> cells;
    double bg = std::log(0.25);
};

// Both strands of motif 0 at rows 1 and 2; and every motif cell of row 3.
std::vector<Cell> Rows12(double f, double r) { return {{1, 0, f}, {2, 0, f}, {1, 1, r}, {2, 1, r}}; }
const double l01 = std::log(0.01), l99 = std::log(0.99);
const std::vector<Cell> kRow3 = {{3, 0, l99}, {3, 1, l99}, {3, 2, l99}, {3, 3, l99}};

// Eight bases, a motif of width 2 on the forward strand, a strong site
// ending at 4 and weak ones elsewhere.
const std::vector<Cell> kEightCells = {{1, 0, l01}, {2, 0, l01}, {3, 0, l01}, {4, 0, std::log(0.9)},
                                       {5, 0, l01}, {6, 0, l01}, {7, 0, l01}};
const Record kEight {"ACGTACGT", {2}, 3, false, {0.8 / 3, 1 - 0.8 / 3}, kEightCells};
const Record kEightWhole {"ACGTACGT", {2}, 200, false, {0.8 / 3, 1 - 0.8 / 3}, kEightCells};
const Record kTie {"AC", {5}, 200, true, {0.1, 1.0}, {}, std::log(0.5)};  // S_bg = (l + l) + l = l + (l + l) = S_mod
// The reverse column of a one-strand record is not read.
const Record kThreeOne {"ACG", {2}, 200, false, {0.25, 0.75}, Rows12(std::log(0.1), std::nan(""))};
const Record kThreeBoth {"ACG", {2}, 200, true, {0.25, 0.75}, Rows12(std::log(0.1), std::log(0.3))};
const Record kGactOne {"GACT", {2}, 200, false, {0.25, 0.75}, Rows12(std::log(0.9), std::log(0.1))};
const Record kGactBoth {"GACT", {2}, 200, true, {0.25, 0.75}, Rows12(std::log(0.9), std::log(0.1))};
const Record kAbut {"ACGTA", {2, 2}, 200, false, {0.25, 0.25, 0.5}, {{1, 0, std::log(0.99)}, {3, 2, std::log(0.99)}}};
const Record kReverse {"AAGGTACGAA", {2, 3}, 200, true, {0.05, 0.05, 0.9}, {{2, 0, 5.0}, {7, 3, 5.0}}};
const Record kSiteTie {"ACGT", {1}, 200, false, {1.0, 0.0}, {{2, 0, std::log(0.5)}}, 0.0};  // P(site) = 0.5 = P(bg)
const Record kEqual {"ACGT", {2, 2}, 200, true, {0.3, 0.3, 0.4}, kRow3};
const Record kWide {"ACGT", {3, 2}, 200, true, {0.1, 0.1, 0.8}, kRow3};

enum class Run { Maximize, Posterior, Sites, Forward };

// A scan (at `rate`) gives "moduleCount start:sites ..." and the module
// scores and site probabilities; the site traceback of the window
// end-len+1..end its sites and their probabilities; the recursion over that
// stretch the exp of its forward values.
struct Example {
    const char* name;
    const Record& rec;
    Run run;
    double rate;
    int end, len;
    std::string want;
    std::vector<double> numbers;
};

const Example kExamples[] = {
    {"eight bases (NULL 5..7 counted)", kEight, Run::Maximize, 0.5, 0, 0, "2 2:+1(3)TA", {1.246355, 0.870933}},
    {"rate 1 marks every position", kEight, Run::Maximize, 1.0, 0, 0, "2 2:+1(3)TA", {1.246355, 0.870933}},
    {"rate 2 marks every position", kEight, Run::Maximize, 2.0, 0, 0, "2 2:+1(3)TA", {1.246355, 0.870933}},
    {"rate -0.1 marks every position", kEight, Run::Maximize, -0.1, 0, 0, "2 2:+1(3)TA", {1.246355, 0.870933}},
    {"rate 0 marks none", kEight, Run::Maximize, 0.0, 0, 0, "0", {}},
    {"a tie goes to the module", kTie, Run::Maximize, 0.5, 0, 0, "1", {}},
    {"shorter than L: the whole record is the window", kEightWhole, Run::Maximize, 0.9, 0, 0, "1 0:+1(3)TA", {}},
    {"posterior takes 3..5, score exp(d)", kEight, Run::Posterior, 0.5, 0, 0, "1 3:+1(3)TA", {0.538478, 0.839650}},
    {"posterior tie (d = -log 2) not taken", kTie, Run::Posterior, 0.5, 0, 0, "0", {}},
    {"posterior keeps a NULL window", kTie, Run::Posterior, 0.9, 0, 0, "1 0:NULL", {}},
    {"posterior at rate 0.99 tiles back from the end", kEight, Run::Posterior, 0.99, 0, 0, "2 2:+1(3)TA 5:NULL", {}},
    {"recursion, one strand", kThreeOne, Run::Forward, 0, 2, 3, "", {0.1875, 0.06015625, 0.015966796875}},
    {"recursion, both strands", kThreeBoth, Run::Forward, 0, 2, 3, "", {0.1875, 0.08515625, 0.025341796875}},
    {"GACT, one strand", kGactOne, Run::Sites, 0, 2, 3, "+1(1)AC", {32.0 / 61}},
    {"GACT, both strands", kGactBoth, Run::Sites, 0, 2, 3, "+1(0)GA", {36.0 / 55}},
    {"abutting sites, second motif", kAbut, Run::Sites, 0, 3, 4, "+1(0)AC+2(2)GT", {198.0 / 223, 396.0 / 421}},
    {"reverse site", kReverse, Run::Sites, 0, 9, 10, "+1(1)AG-2(5)CGT", {0.98653932, 0.99693942}},
    {"site tied with background is taken", kSiteTie, Run::Sites, 0, 2, 1, "+1(2)G", {0.5}},
    {"equal options: lowest option", kEqual, Run::Sites, 0, 3, 2, "+1(2)GT", {0.23990307}},
    {"window shorter than every motif", kWide, Run::Sites, 0, 2, 1, "NULL", {}},
    {"window before the record start", kWide, Run::Sites, 0, 3, 9, "NULL", {}},
};

// "+1(3)TA" per site, "NULL" for none; adds the site probabilities to probs.
std::string Sites(const std::vector<SITEINFO>& sites, std::vector<double>& probs)
{
    std::string out;
    for (const SITEINFO& s : sites) {
        out += (s.forward ? "+" : "-") + std::to_string(s.motif + 1) + "(" + std::to_string(s.pos) + ")" + s.site;
        probs.push_back(s.prob);
    }
    return out.empty() ? "NULL" : out;
}

int Code(char c) { return c == 'C' ? 1 : c == 'G' ? 2 : c == 'T' ? 3 : 0; }
int ComplementCode(char c) { return c == 'A' ? 3 : c == 'C' ? 2 : c == 'G' ? 1 : 0; }
bool HasN(const std::string& s) { return s.find_first_of("Nn") != std::string::npos; }
double Uniform(std::mt19937_64& g, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(g); }

struct Case {
    std::string seq;
    std::vector<int> widths;
    MatrixSet pwm;
    int moduleLength = 200;
    bool both = true;
    double rate = 0.0005;
    SCANMODEL Model() const { return MakeScanModel(widths, pwm, moduleLength, both, rate); }
    std::string Describe() const
    {
        return "n " + std::to_string(seq.size()) + ", L " + std::to_string(moduleLength) + ", rate " +
               std::to_string(rate) + (both ? ", both strands" : ", one strand");
    }
};

// The counters, then a line per module: its sites, then its score and their
// probabilities in hexadecimal (every bit).
std::vector<std::string> Lines(const RECORDRESULT& r)
{
    std::vector<std::string> out = {"count " + std::to_string(r.moduleCount) + ", window " + std::to_string(r.window)};
    for (const MODULEINFO& m : r.modules) {
        std::vector<double> numbers = {m.score};
        std::ostringstream line;
        line << "module " << m.start << " " << Sites(m.sites, numbers) << std::hexfloat;
        for (const double v : numbers)
            line << " " << v;
        out.push_back(line.str());
    }
    return out;
}

// "" when equal, else the first line that differs.
std::string FirstDifference(const RECORDRESULT& got, const RECORDRESULT& want)
{
    std::vector<std::string> g = Lines(got), w = Lines(want);
    g.resize(std::max(g.size(), w.size()), "(none)");
    w.resize(g.size(), "(none)");
    const std::size_t at = static_cast<std::size_t>(std::mismatch(g.begin(), g.end(), w.begin()).first - g.begin());
    return at == g.size() ? "" : "streamed '" + g[at] + "', whole table '" + w[at] + "'";
}

// The scan of c: streamed with the given block size and checkpoint interval
// (helped: with a second thread scoring blocks ahead of it), or (block 0)
// the whole-table maximizing or posterior scan.
RECORDRESULT Scan(const Case& c, int block, int interval = 0, bool posterior = false, bool helped = false)
{
    const SCANMODEL model = c.Model();
    const BACKGROUND bg = BuildBackground(c.seq);
    RECORDRESULT r;
    std::thread helper;
    const ScanHooks hooks = helped ? HelperThreadHooks(helper) : ScanHooks();
    // Every stretch of the pacer one block long: the helper comes and
    // rests every few blocks, so each change of hands is met.
    const HelpPacing restless {{}, {}, {}, 1.03, 1};
    if (block > 0)
        StreamScanCurSeq(model, c.seq, bg, &r, StreamScanOptions {block, interval, 1, false, restless}, hooks);
    else
        (posterior ? ApproxSampleCurSeq : ApproxScanCurSeq)(model, c.seq, CalLogPrPos(model, c.seq, bg).data(), &r);
    return r;
}

// Peaked random matrices; a sequence of random bases, N runs and planted
// consensus sites on either strand, now and then longer than a default
// block (and then with modules in every block); window lengths around the
// widths and the sequence length; rates from none to every position.
Case RandomCase(std::mt19937_64& gen)
{
    auto pick = [&gen](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    Case c;
    std::vector<std::string> sites;
    for (int j = pick(1, 4); j > 0; --j) {
        c.widths.push_back(pick(0, 9) == 0 ? 1 : pick(0, 15) == 0 ? pick(25, 28) : pick(2, 16));
        const double top = Uniform(gen, 0.3, 0.97);
        c.pwm.emplace_back();
        sites.emplace_back();
        for (int r = 0; r < c.widths.back(); ++r) {
            sites.back() += "ACGT"[pick(0, 3)];
            for (const char b : std::string("ACGT"))
                c.pwm.back().push_back(b == sites.back().back() ? top : (1 - top) / 3);
        }
    }
    const int n = pick(0, 5) == 0 ? pick(2, 40) : pick(0, 20) == 0 ? pick(5000, 9000) : pick(2, 3000);
    for (const int plantEvery = pick(20, 300); static_cast<int>(c.seq.size()) < n;) {
        const int roll = pick(0, plantEvery);
        const std::string& site = sites[static_cast<std::size_t>(pick(0, static_cast<int>(sites.size()) - 1))];
        c.seq += roll == 0                      ? (pick(0, 1) == 1 ? Reverse(site) : site)
                 : roll == 1 && pick(0, 3) == 0 ? std::string(static_cast<std::size_t>(pick(1, 30)), 'N')
                                                : std::string(1, "ACGT"[pick(0, 3)]);
    }
    c.seq.resize(static_cast<std::size_t>(n));
    const int lengths[] = {pick(1, 20), pick(20, 80), 200, n + pick(-2, 5), pick(1, 400)};
    // At least K, so that the background weight 1 - 0.8 K / L stays above 0.
    c.moduleLength = std::max(lengths[pick(0, 4)], static_cast<int>(c.widths.size()));
    c.both = pick(0, 2) != 0;
    c.rate = std::vector<double> {0.0005, 0.01, 0.1, 0.3, 0.6, 0.95, 0.0, 1.0}[n > 4096 ? pick(2, 4) : pick(0, 7)];
    return c;
}

// The best window score read literally: every window's module score from
// the whole-table pass minus its background summed in order.
double LiteralBestWindow(const Case& c)
{
    const SCANMODEL model = c.Model();
    const int n = static_cast<int>(c.seq.size());
    const int L = model.WindowLength(n);
    const std::vector<double> table = CalLogPrPos(model, c.seq, BuildBackground(c.seq));
    std::vector<double> fwd(static_cast<std::size_t>(n)), module(fwd.size()), best(fwd.size());
    std::vector<bool> ends;
    CalModuleLogPr(model, n - 1, n, table.data(), fwd.data());
    MaximizePass(model, n, L, table.data(), fwd.data(), module.data(), best.data(), ends);
    double most = -std::numeric_limits<double>::infinity();
    for (int j = L - 1; j < n; ++j)
        most = std::max(most, module[static_cast<std::size_t>(j)] - CalLogBgPr(model, j - L + 1, L, table.data()));
    return most;
}

}  // namespace

TEST(ScanCoreTest, HandMadeTables)
{
    for (const Example& e : kExamples) {
        const SCANMODEL model = MakeScanModel(e.rec.widths, {}, e.rec.moduleLength, e.rec.both, e.rate, e.rec.prior);
        std::vector<double> table(e.rec.seq.size() * model.columns, kImpossibleScore);
        for (std::size_t r = 0; r < e.rec.seq.size(); ++r)
            table[r * model.columns + model.bgColumn] = e.rec.bg;
        for (const auto& [row, col, value] : e.rec.cells)
            table[static_cast<std::size_t>(row) * model.columns + static_cast<std::size_t>(col)] = value;
        std::string got;
        std::vector<double> numbers;  // module score, then its site probabilities
        if (e.run == Run::Maximize || e.run == Run::Posterior) {
            RECORDRESULT r;
            (e.run == Run::Maximize ? ApproxScanCurSeq : ApproxSampleCurSeq)(model, e.rec.seq, table.data(), &r);
            got = std::to_string(r.moduleCount);
            for (const MODULEINFO& m : r.modules) {
                numbers.push_back(m.score);
                got += " " + std::to_string(m.start) + ":" + Sites(m.sites, numbers);
            }
        } else if (e.run == Run::Sites) {
            got = Sites(SampleSites(model, e.rec.seq, table.data(), e.end, e.len), numbers);
        } else {
            numbers.resize(static_cast<std::size_t>(e.len));
            CalModuleLogPr(model, e.end, e.len, table.data(), numbers.data());
            for (double& v : numbers)
                v = std::exp(v);
        }
        EXPECT_EQ(got, e.want) << e.name;
        for (std::size_t i = 0; i < e.numbers.size(); ++i)
            EXPECT_NEAR(i < numbers.size() ? numbers[i] : std::nan(""), e.numbers[i], 5e-7) << e.name << " #" << i;
    }
}

TEST(ScanCoreTest, BackgroundOfShortRecords)
{
    // Base frequencies, the non-zero transitions, and whether every base
    // looked up has a probability above 0.
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"ACGT", "0.25 0.25 0.25 0.25 | AC 1 CG 1 GT 1", true},  // T only ends the record: row T all 0
        {"AAAA", "1 0 0 0 | AA 0.75", true},                     // divided by the raw count, 4
        {"ACNGA", "0.5 0.25 0.25 0 | AC 0.5 GA 1", true},        // CN and NG skipped
        {"ARC", "0.5 0.5 0 0 | AA 1 AC 1", true},                // R adds no count; AR, RC count as AA, AC
        {"NNNN", "0 0 0 0 |", true},
        {"RRRR", "0 0 0 0 |", false},         // no count to divide by: 0, and not scorable
        {"RNCC", "0 1 0 0 | CC 0.5", false},  // the first base reads bgFreq A = 0
        {"CRC", "0 1 0 0 | CA 0.5", false},   // the pair RC reads row A, count 0
    };
    for (const auto& [seq, want, scorable] : rows) {
        const BACKGROUND bg = BuildBackground(seq);
        std::ostringstream got;
        got << bg.bgFreq[0] << " " << bg.bgFreq[1] << " " << bg.bgFreq[2] << " " << bg.bgFreq[3] << " |";
        for (int e = 0; e < 16; ++e)
            if (bg.bgTrans[e] != 0)
                got << ' ' << "ACGT"[e / 4] << "ACGT"[e % 4] << ' ' << bg.bgTrans[e];
        EXPECT_EQ(got.str(), want) << seq;
        EXPECT_EQ(BackgroundScoresEveryBase(seq, bg), scorable) << seq;
    }
}

// A model counted from records given piece by piece, as a genome is read,
// is the model of their bases to the last bit: one record cut anywhere is
// the record's own model, and several records pool their counts with no
// pair across two of them.
TEST(ScanCoreTest, BackgroundCountedInPiecesAndRecords)
{
    const auto same = [](const BACKGROUND& a, const BACKGROUND& b) {
        return std::memcmp(a.bgFreq, b.bgFreq, sizeof a.bgFreq) == 0 &&
               std::memcmp(a.bgTrans, b.bgTrans, sizeof a.bgTrans) == 0;
    };
    std::mt19937_64 gen(11);
    std::string text;
    for (int i = 0; i < 997; ++i)
        text += "ACGTACGTACGTNRacgt"[gen() % 14];  // upper-case letters, N and R
    for (const std::size_t cut : {std::size_t {0}, std::size_t {1}, std::size_t {2}, std::size_t {500}, text.size()}) {
        CBackgroundCounter counter;
        counter.Add(text.substr(0, cut));
        counter.Add("");
        counter.Add(text.substr(cut));
        counter.EndRecord();
        EXPECT_TRUE(same(BackgroundFromCounts(counter.Counts()), BuildBackground(text))) << cut;
    }
    // Records "ACG", "T" and "" pooled: the bases of ACGT, but only the
    // pairs AC and CG (GT would straddle two records).
    CBackgroundCounter pooled;
    for (const char* record : {"ACG", "T", ""}) {
        pooled.Add(record);
        pooled.EndRecord();
    }
    const BACKGROUNDCOUNTS counts = pooled.Counts();
    EXPECT_EQ(counts.Bases(), 4);
    EXPECT_EQ(counts.pair[4 * 0 + 1] + counts.pair[4 * 1 + 2], 2);
    EXPECT_EQ(counts.pair[4 * 2 + 3], 0);
    EXPECT_TRUE(same(BackgroundFromCounts(counts), BuildBackground("ACGNT")));
}

// Every cell as the formulas read: window i-w+1..i, impossible before the
// start or over an N, rows k = 0..w-1 summed from 0.0, the reverse strand
// from the complement of the window's last base, whatever stretch of rows
// is scored at a time.
TEST(ScanCoreTest, ScoreTableMatchesLiteralReading)
{
    std::mt19937_64 gen(7);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += i == 1 || (i >= 100 && i < 109) ? 'N' : "ACGTACGTACGTACGTNRYSWn"[gen() % 22];
    const std::vector<int> widths = {3, 0, 7, 1, 26};  // 26: wider than any fixed-width kernel
    MatrixSet pwm;
    for (const int w : widths)
        for (pwm.emplace_back(static_cast<std::size_t>(4 * w)); double& e : pwm.back())
            e = Uniform(gen, 0.01, 1.0);
    const BACKGROUND bg = BuildBackground(text);
    const int n = static_cast<int>(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (const bool both : {true, false}) {
        const SCANMODEL model = MakeScanModel(widths, pwm, 200, both, 0.5);
        const std::size_t cols = model.columns;
        std::vector<double> table(text.size() * cols, std::nan(""));  // in stretches of 1 to 13 rows
        for (int first = 0, count = 1; first < n; first += count, count = count % 13 + 1)
            PositionScorer(model, bg).ScoreRows(s, first, std::min(count, n - first), table.data() + first * cols);
        for (int i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < widths.size(); ++j) {
                const int w = widths[j];
                // A window reaching before the start is as impossible as one over an N.
                const std::string win = i >= w - 1 ? text.substr(static_cast<std::size_t>(i - w + 1), w) : "N";
                double f = HasN(win) ? kImpossibleScore : 0.0, r = both ? f : kImpossibleScore;
                for (int k = 0; k < w && !HasN(win); ++k) {
                    f += std::log(pwm[j][static_cast<std::size_t>(4 * k + Code(win[k]))]);
                    r += both ? std::log(pwm[j][static_cast<std::size_t>(4 * k + ComplementCode(win[w - 1 - k]))]) : 0;
                }
                ASSERT_EQ(HasN(win) ? f : CalLogMotifPr(win, pwm[j].data()), f) << win;
                ASSERT_EQ(table[i * cols + 2 * j], f) << "row " << i << " motif " << j << " forward, both " << both;
                ASSERT_EQ(table[i * cols + 2 * j + 1], r) << "row " << i << " motif " << j << " reverse, both " << both;
            }
            const std::string pair = text.substr(i == 0 ? 0 : i - 1, i == 0 ? 1 : 2);
            const double b = HasN(pair) ? kBackgroundAtN
                             : i == 0   ? std::log(bg.bgFreq[Code(pair[0])])
                                        : std::log(bg.bgTrans[4 * Code(pair[0]) + Code(pair[1])]);
            ASSERT_EQ(table[i * cols + cols - 1], b) << "background of row " << i;
        }
        EXPECT_EQ(CalLogBgPr(model, 40, 2, table.data()), (0.0 + table[41 * cols - 1]) + table[42 * cols - 1]);
        EXPECT_EQ(CalLogBgPr(model, 40, 0, table.data()), 0.0);
    }
}

// The forward values against the recursion written out literally: options
// in order background, motif 0, 1, ..., one LogSum each.
TEST(ScanCoreTest, RecursionMatchesLiteralReading)
{
    std::mt19937_64 gen(11);
    const std::vector<int> widths = {3, 1, 5};
    const std::vector<double> prior = {0.004, 0.004, 0.004, 0.988};
    std::vector<double> t(300 * 7);  // rows 20..269 are read
    for (double& cell : t)
        cell = Uniform(gen, -30.0, -0.1);
    for (const bool both : {true, false}) {
        std::vector<double> out(251, 1e3), ref(250);  // out[0]: nothing may read before the stretch
        CalModuleLogPr(MakeScanModel(widths, {}, 200, both, 0.5, prior), 269, 250, t.data(), out.data() + 1);
        for (int m = 0, p = 20; m < 250; ++m, ++p) {
            ref[m] = m == 0 ? std::log(prior[3]) + t[p * 7 + 6] : (t[p * 7 + 6] + ref[m - 1]) + std::log(prior[3]);
            for (int j = 0; j < 3 && m > 0; ++j) {
                const int w = widths[j];
                const double site =
                    (both ? LogSum(t[p * 7 + 2 * j], t[p * 7 + 2 * j + 1]) + std::log(0.5) : t[p * 7 + 2 * j]) +
                    std::log(prior[j]);
                if (w <= m + 1)
                    ref[m] = LogSum(ref[m], w < m + 1 ? site + ref[m - w] : site);
            }
            ASSERT_EQ(out[m + 1], ref[m]) << "offset " << m << ", both " << both;
        }
    }
}

// Block sizes and checkpoint intervals small enough that module ends and
// the windows the traceback rescores fall on and next to every block border
// and checkpoint: each case with every block size (the intervals rotated
// over the cases), and as a run scans it, with the default options.
TEST(ScanCoreTest, StreamedScanMatchesWholeTableScan)
{
    std::mt19937_64 gen(5);
    const int blocks[] = {1, 3, 7, 64, StreamScanOptions().blockSize};
    const int intervals[] = {1, 2, 7, 64, StreamScanOptions().checkpointInterval};
    int atStart = 0, modules = 0, atBorder = 0;
    for (int index = 0; index < 300; ++index) {
        Case c = RandomCase(gen);
        // Now and then a repeat, whose windows tie in score.
        if (index % 25 == 3)
            for (std::size_t i = 0; i < c.seq.size(); ++i)
                c.seq[i] = "ACGTTGCA"[i % static_cast<std::size_t>(1 + index % 8)];
        const RECORDRESULT want = Scan(c, 0);
        const double bestWindow = c.seq.size() >= 2 ? LiteralBestWindow(c) : 0.0;
        for (int b = 0; b < 5; ++b) {
            const int interval = intervals[(index + b) % 5];
            const bool helped = (index + b) % 2 == 1;
            const RECORDRESULT got = Scan(c, blocks[b], interval, false, helped);
            ASSERT_EQ(FirstDifference(got, want), "")
                << "case " << index << " (" << c.Describe() << "), block " << blocks[b] << ", interval " << interval
                << (helped ? ", helped" : "");
            // The best window to the last bit: the screening running sum
            // never hides it.
            if (c.seq.size() >= 2) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(got.bestWindow), std::bit_cast<std::uint64_t>(bestWindow))
                    << "case " << index << " (" << c.Describe() << "), block " << blocks[b] << ": " << got.bestWindow
                    << " against " << bestWindow;
            }
        }
        ASSERT_EQ(FirstDifference(DataAugmentation(c.Model(), ">r", c.seq), want), "")
            << "case " << index << " (" << c.Describe() << "), as a run";
        for (const MODULEINFO& m : want.modules) {
            atStart += m.start == 0;
            atBorder += (m.start + want.window) % 64 <= 1 || (m.start + want.window) % 7 <= 1;  // ends at a border
        }
        modules += static_cast<int>(want.modules.size());
    }
    // The inputs did exercise the traceback, at the borders and the start.
    EXPECT_GT(modules, 800);
    EXPECT_GT(atBorder, 250);
    EXPECT_GE(atStart, 10);
}

// Records shorter than the widest motif, windows of one base, a window
// length equal to the record: the streamed and the whole-table scan agree
// and, like the posterior decoding, stay inside the record and inside every
// array (run under the sanitizer build too).
TEST(ScanCoreTest, EveryShortLengthStaysInRange)
{
    const MatrixSet pwm = {Matrix(4, 0.25), Matrix(16, 0.25), Matrix(48, 0.25)};
    for (int n = 0; n < 12; ++n)
        for (const int moduleLength : {1, 2, 3, 10, 200})
            for (const bool both : {false, true}) {
                const Case c {std::string("ACNGTRACGTNNA").substr(0, n), {1, 4, 12}, pwm, moduleLength, both, 0.3};
                for (const int block : {1, 2, 5})
                    EXPECT_EQ(FirstDifference(Scan(c, block, 3), Scan(c, 0)), "") << c.Describe() << ", " << block;
                for (const MODULEINFO& m : Scan(c, 0, 0, true).modules)
                    EXPECT_TRUE(m.start >= 0 && m.start + std::min(moduleLength, n) <= n) << c.Describe();
            }
    // A run scans neither a record of one base nor one it cannot score.
    const SCANMODEL model = MakeScanModel({1, 4, 12}, pwm, 200, true, 0.3);
    EXPECT_EQ(Lines(DataAugmentation(model, ">one", "A")), std::vector<std::string> {"count 0, window 1"});
    EXPECT_TRUE(DataAugmentation(model, ">r", "RRRR").unscorable);
}
