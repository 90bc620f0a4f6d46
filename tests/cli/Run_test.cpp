// End-to-end runs of the scanner: matrix file, FASTA driver, result files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "CliFixture.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kSuffixes = {"_module.txt", "_motif1.txt", "_motif2.txt", "_motif3.txt"};

// What a run over sequences without modules leaves: the echo, the headings,
// the zero totals.
std::string NoModuleFile(const std::string& echoedArgs)
{
    return "\n\nVelmora 1.0\n./Velmora " + echoedArgs + " \n\n\n# modules = 0\n";
}
std::string NoSiteFile(int k)
{
    const std::string n = std::to_string(k);
    return "\n\nmotif " + n + "\n\n\n # of sites for motif " + n + " = 0\n";
}

class RunTest : public CliTest {
protected:
    // Compares a produced file with tests/data/expected/<golden>. With
    // VELMORA_UPDATE_GOLDEN=1 in the environment it rewrites the golden file
    // instead (see tests/data/README.md).
    void ExpectGolden(const std::string& produced, const std::string& golden)
    {
        const fs::path path = TestData("expected/" + golden);
        const std::string actual = ReadFile(produced);
        if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << actual;
            return;
        }
        ASSERT_TRUE(fs::exists(path)) << path;
        EXPECT_EQ(actual, ReadWholeFile(path)) << "differs from " << path;
    }
    void ExpectGoldenResults(const std::string& base, const std::string& goldenDir)
    {
        for (const std::string& suffix : kSuffixes)
            ExpectGolden(base + suffix, goldenDir + "/" + base + suffix);
    }

    std::string Concat(const std::string& base) const
    {
        std::string all;
        for (const std::string& suffix : kSuffixes)
            all += ReadFile(base + suffix);
        return all;
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Golden runs

TEST_F(RunTest, OneRecordGivesEchoHeadingsAndTotals)
{
    CopyIn(TestData("one_record.fa"));
    CopyIn(TestData("small3.pwm"));
    const RunResult r = Run({"-i", "one_record.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    ExpectGoldenResults("out", "one_record");
}

TEST_F(RunTest, ThreeRecordsWriteHeadingsOnceAndTotalsAtTheEnd)
{
    CopyIn(TestData("three_records.fa"));
    CopyIn(TestData("small3.pwm"));
    const RunResult r = Run({"-i", "three_records.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ExpectGoldenResults("out", "three_records");
}

TEST_F(RunTest, ExampleData)
{
    CopyIn(Example("eve_stripe2.fa"));
    CopyIn(Example("fly_bcd_hb_Kr.pwm"));
    const RunResult r = Run({"-i", "eve_stripe2.fa", "-M", "fly_bcd_hb_Kr.pwm", "-o", "eve"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ExpectGoldenResults("eve", "eve");
}

// The example enhancer at a higher module rate and a shorter module: one
// module holding a site of each factor.
TEST_F(RunTest, ExampleDataFindsAModule)
{
    CopyIn(Example("eve_stripe2.fa"));
    CopyIn(Example("fly_bcd_hb_Kr.pwm"));
    const RunResult r =
        Run({"-i", "eve_stripe2.fa", "-M", "fly_bcd_hb_Kr.pwm", "-x", "0.01", "-L", "100", "-o", "eve"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ExpectGoldenResults("eve", "eve_modules");
}

// Planted consensus sites on both strands, abutting sites, an N run and a
// record shorter than the module (see tests/data/README.md for why each
// module and site is where it is). With -r 0 the reverse-strand sites go.
TEST_F(RunTest, PlantedSitesOnBothStrandsAndForwardOnly)
{
    CopyIn(TestData("planted.fa"));
    CopyIn(TestData("planted.pwm"));
    for (const std::string strands : {"1", "0"}) {
        const std::string base = strands == "1" ? "both" : "forward";
        const RunResult r = Run(
            {"-i", "planted.fa", "-M", "planted.pwm", "-K", "2", "-L", "40", "-x", "0.01", "-r", strands, "-o", base});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        for (const std::string suffix : {"_module.txt", "_motif1.txt", "_motif2.txt"})
            ExpectGolden(base + suffix, "planted/" + base + suffix);
    }
}

TEST_F(RunTest, ShortRecordsAreReportedAndStillTakePart)
{
    CopyIn(TestData("short_records.fa"));
    CopyIn(TestData("small3.pwm"));
    const RunResult r = Run({"-i", "short_records.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'short_records.fa', line 1: record '>empty' has 0 bases: "
                     "too short to scan (at least 2 needed)\n"
                     "Velmora: warning: sequence file 'short_records.fa', line 2: record '>one letter' has 1 base: "
                     "too short to scan (at least 2 needed)\n"
                     "Velmora: warning: sequence file 'short_records.fa', line 6: record '>digits only' has 0 bases: "
                     "too short to scan (at least 2 needed)\n");
    ExpectGoldenResults("out", "short_records");
}

TEST_F(RunTest, FilesWithoutRecords)
{
    CopyIn(TestData("small3.pwm"));
    // An empty file: one empty sequence, headings and totals all the same.
    WriteFile("empty.fa", "");
    RunResult r = Run({"-i", "empty.fa", "-M", "small3.pwm", "-o", "e"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'empty.fa' holds no sequence: nothing to scan\n");
    EXPECT_EQ(ReadFile("e_module.txt"), NoModuleFile("-i empty.fa -M small3.pwm -o e"));
    EXPECT_EQ(ReadFile("e_motif3.txt"), NoSiteFile(3));

    // No header at all: the letters form one unnamed sequence.
    WriteFile("bare.fa", "acgt\nACGT\n");
    r = Run({"-i", "bare.fa", "-M", "small3.pwm", "-o", "b"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    WriteFile("one.fa", "A\n");
    r = Run({"-i", "one.fa", "-M", "small3.pwm", "-o", "o"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'one.fa' has no '>' header and 1 letter: "
                     "too short to scan (at least 2 needed)\n");
    EXPECT_EQ(ReadFile("o_motif1.txt"), NoSiteFile(1));
}

TEST_F(RunTest, RecordWhoseBackgroundCannotScoreItIsSkippedWithAWarning)
{
    CopyIn(TestData("small3.pwm"));
    // R and Y are scored as A, but the record holds no A to estimate it from.
    WriteFile("in.fa", ">odd\nRRRRYY\n>fine\nACGTAC\n");
    const RunResult r = Run({"-i", "in.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'in.fa': record '>odd' not scanned: "
                     "its background model gives one of its bases probability 0\n");
    EXPECT_EQ(ReadFile("out_motif1.txt"), NoSiteFile(1));
}

// ---------------------------------------------------------------------------
// Reading rules, seen through the short-record warnings (which name records)

TEST_F(RunTest, LinesBeforeTheFirstHeaderBelongToNoRecord)
{
    CopyIn(TestData("small3.pwm"));
    WriteFile("in.fa", "ACGT\nacgt\n\n>late\nA\n");
    const RunResult r = Run({"-i", "in.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'in.fa', line 4: record '>late' has 1 base: "
                     "too short to scan (at least 2 needed)\n");
}

TEST_F(RunTest, CrlfFileGivesTheSameResultsAsLfFile)
{
    CopyIn(TestData("small3.pwm"));
    const std::string lf = ">r1 first\nACGTacgt\nGGCC\n>r2\nT\n>r3 x\n\n>r4\nTTTT";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    crlf += "\r\n";

    WriteFile("in.fa", lf);
    const RunResult first = Run({"-i", "in.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string firstResults = Concat("out");
    for (const std::string& suffix : kSuffixes)
        fs::remove(dir / ("out" + suffix));

    WriteFile("in.fa", crlf);
    const RunResult second = Run({"-i", "in.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(Concat("out"), firstResults);
    EXPECT_EQ(second.err, first.err);
    EXPECT_NE(first.err.find("record '>r2' has 1 base"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("record '>r3 x' has 0 bases"), std::string::npos) << first.err;
}

TEST_F(RunTest, LongLinesAndLongHeadersAreReadWhole)
{
    CopyIn(TestData("small3.pwm"));
    std::string letters;
    for (int i = 0; i < 25000; ++i)
        letters += "ACGT"[(i * 7) % 4];
    const std::string longName = ">" + std::string(19999, 'n');
    // The one-letter record after the long header shows that the header did
    // not spill into the sequence.
    WriteFile("in.fa", ">long line\n" + letters + "\n" + longName + "\nA\n");
    const RunResult r = Run({"-i", "in.fa", "-M", "small3.pwm", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'in.fa', line 3: record '>" + std::string(59, 'n') +
                         "...' has 1 base: too short to scan (at least 2 needed)\n");
    EXPECT_EQ(ReadFile("out_module.txt"), NoModuleFile("-i in.fa -M small3.pwm -o out"));
}

TEST_F(RunTest, PercentSignsInNamesAndBaseNameStayAsTheyAre)
{
    CopyIn(TestData("small3.pwm"));
    WriteFile("in.fa", ">%s%n%d%%\nA\n");
    const RunResult r = Run({"-i", "in.fa", "-M", "small3.pwm", "-o", "p%d%s"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Velmora: warning: sequence file 'in.fa', line 1: record '>%s%n%d%%' has 1 base: "
                     "too short to scan (at least 2 needed)\n");
    EXPECT_EQ(ReadFile("p%d%s_module.txt"), NoModuleFile("-i in.fa -M small3.pwm -o p%d%s"));
    EXPECT_EQ(ReadFile("p%d%s_motif2.txt"), NoSiteFile(2));
}

TEST_F(RunTest, SecondRunAppendsToTheFirst)
{
    CopyIn(TestData("one_record.fa"));
    CopyIn(TestData("small3.pwm"));
    const std::vector<std::string> args = {"-i", "one_record.fa", "-M", "small3.pwm", "-o", "out"};
    ASSERT_EQ(Run(args).status, 0);
    std::map<std::string, std::string> once;
    for (const std::string& suffix : kSuffixes)
        once[suffix] = ReadFile("out" + suffix);
    ASSERT_EQ(Run(args).status, 0);
    for (const std::string& suffix : kSuffixes)
        EXPECT_EQ(ReadFile("out" + suffix), once[suffix] + once[suffix]) << suffix;
}

// ---------------------------------------------------------------------------
// Errors: one line, exit status 1, and no result file created or changed

TEST_F(RunTest, InputErrorsStopTheRunBeforeAnyResultIsWritten)
{
    CopyIn(TestData("one_record.fa"));
    CopyIn(TestData("small3.pwm"));
    fs::create_directory(dir / "adir");
    // Results of an earlier run, which a failed run must leave alone.
    ASSERT_EQ(Run({"-i", "one_record.fa", "-M", "small3.pwm", "-o", "old"}).status, 0);

    struct Case {
        std::string matrix;  // content of bad.pwm, used when not empty
        std::vector<std::string> args;
        std::string message;
    };
    const std::string row = "1\t1\t1\t1\n";
    const std::vector<Case> cases = {
        {"",
         {"-i", "one_record.fa", "-M", "nope.pwm"},
         "cannot open matrix file 'nope.pwm': No such file or directory"},
        {"", {"-i", "one_record.fa", "-M", "adir"}, "cannot open matrix file 'adir': Is a directory"},
        {"",
         {"-i", "one_record.fa", "-M", "small3.pwm", "-K", "4"},
         "matrix file 'small3.pwm' holds 3 matrices, but -K asks for 4"},
        {"",
         {"-i", "one_record.fa", "-M", "small3.pwm", "-K", "2"},
         "matrix file 'small3.pwm' holds 3 matrices, but -K asks for 2"},
        {">abc\n" + row,
         {"-K", "1"},
         "matrix file 'bad.pwm', line 1: the width after '>' must be a whole number from 1 to 1000, got 'abc'"},
        {">0\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 1: the width after '>' must be a whole number from 1 to 1000, got '0'"},
        {">-3\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 1: the width after '>' must be a whole number from 1 to 1000, got '-3'"},
        {">1001 wide\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 1: the width after '>' must be a whole number from 1 to 1000, got '1001 wide'"},
        {">3\n" + row + row,
         {"-K", "1"},
         "matrix file 'bad.pwm' is truncated: the matrix at line 1 has width 3 but the file ends after 2 rows"},
        {">1\n1\t\t1\t1\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 2: field 2 (C) is empty; a row holds four tab-separated numbers for A, C, G, T"},
        {">1\n1\tx\t1\t1\n", {"-K", "1"}, "matrix file 'bad.pwm', line 2: field 2 (C) 'x' is not a number"},
        {">1\n3abc\t1\t1\t1\n", {"-K", "1"}, "matrix file 'bad.pwm', line 2: field 1 (A) '3abc' is not a number"},
        {">1\n1 1 1 1\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 2: found 1 field where a row needs four numbers for A, C, G, T separated by "
         "tabs"},
        {">1\n1\t1\t1\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 2: found 3 fields where a row needs four numbers for A, C, G, T separated by "
         "tabs"},
        {">1\n1\t1\t-1\t1\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 2: field 3 (G) '-1' is negative; counts and frequencies cannot be"},
        {">1\n1\t1\t1\tinf\n", {"-K", "1"}, "matrix file 'bad.pwm', line 2: field 4 (T) 'inf' is not a finite number"},
        {">1\nnan\t1\t1\t1\n", {"-K", "1"}, "matrix file 'bad.pwm', line 2: field 1 (A) 'nan' is not a finite number"},
        {"x\n>1\n0\t0\t0\t0\n",
         {"-K", "1"},
         "matrix file 'bad.pwm', line 3: the row sums to 0; at least one of A, C, G, T must be positive"},
        {"", {"-i", "nope.fa", "-M", "small3.pwm"}, "cannot open sequence file 'nope.fa': No such file or directory"},
        {"", {"-i", "adir", "-M", "small3.pwm"}, "cannot open sequence file 'adir': Is a directory"},
    };
    for (const Case& c : cases) {
        for (const std::string base : {"old", "new"}) {
            SCOPED_TRACE(c.message + " / -o " + base);
            if (!c.matrix.empty())
                WriteFile("bad.pwm", c.matrix);
            std::vector<std::string> args = c.args;
            if (!c.matrix.empty())
                args.insert(args.end(), {"-i", "one_record.fa", "-M", "bad.pwm"});
            args.insert(args.end(), {"-o", base});
            const auto before = Snapshot();
            const RunResult r = Run(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "Velmora: " + c.message + "\n");
            EXPECT_EQ(Snapshot(), before);
        }
    }
}

TEST_F(RunTest, ResultFileThatCannotBeCreatedStopsTheRunFirst)
{
    CopyIn(TestData("one_record.fa"));
    CopyIn(TestData("small3.pwm"));
    RunResult r = Run({"-i", "one_record.fa", "-M", "small3.pwm", "-o", "missing/out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: cannot write result file 'missing/out_module.txt': No such file or directory\n");

    // A directory in the way of motif file 2: the files the check created
    // before it are removed again.
    fs::create_directory(dir / "out_motif2.txt");
    r = Run({"-i", "one_record.fa", "-M", "small3.pwm", "-o", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: cannot write result file 'out_motif2.txt': Is a directory\n");
    EXPECT_EQ(Files(), (std::vector<std::string> {"one_record.fa", "out_motif2.txt", "small3.pwm"}));

    if (geteuid() != 0) {  // permissions do not stop root
        fs::create_directory(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        r = Run({"-i", "one_record.fa", "-M", "small3.pwm", "-o", "ro/out"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Velmora: cannot write result file 'ro/out_module.txt': Permission denied\n");
    }
}

TEST_F(RunTest, FullDiskDuringTheRunIsAnError)
{
    CopyIn(TestData("one_record.fa"));
    CopyIn(TestData("small3.pwm"));
    fs::create_symlink("/dev/full", dir / "out_motif2.txt");
    const RunResult r = Run({"-i", "one_record.fa", "-M", "small3.pwm", "-o", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: cannot write result file 'out_motif2.txt': No space left on device\n");
}
