// The tool among other bioinformatics tools: compressed and piped input,
// JASPAR and MEME matrices, BED output, --quiet, and no progress line on a
// standard error that is no terminal.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../GzipForTests.h"
#include "CliFixture.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kParams = {"-x", "0.01", "-L", "100"};  // finds a module on the example
const std::vector<std::string> kSuffixes = {"_module.txt", "_motif1.txt", "_motif2.txt", "_motif3.txt"};

std::string Echo(const std::vector<std::string>& args)
{
    std::string echo = "\n\nVelmora 1.0\n./Velmora ";
    for (const std::string& word : args)
        echo += word + " ";
    return echo + "\n\n";
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class ToolboxTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        fasta = ReadWholeFile(Example("eve_stripe2.fa"));
        for (const char* m : {"fly_bcd_hb_Kr.pwm", "fly_bcd_hb_Kr.jaspar", "fly_bcd_hb_Kr.meme"})
            CopyIn(Example(m));
    }

    std::string fasta;
};

}  // namespace

TEST_F(ToolboxTest, EveryInputFormGivesTheSameResultFiles)
{
    // The golden run of the example: Velmora's matrix format, a plain file.
    const fs::path golden = TestData("expected/eve_modules");
    const std::string goldenEcho =
        Echo(With({"-i", "eve_stripe2.fa", "-M", "fly_bcd_hb_Kr.pwm"}, With(kParams, {"-o", "eve"})));
    const std::string goldenModules = ReadWholeFile(golden / "eve_module.txt");
    ASSERT_EQ(goldenModules.rfind(goldenEcho, 0), 0u);

    const std::string jasparGz = Gzip(ReadFile("fly_bcd_hb_Kr.jaspar"));
    WriteFile("eve.fa", fasta);
    WriteFile("eve.fa.gz", Gzip(fasta));
    WriteFile("eve.txt", Gzip(fasta.substr(0, 100)) + Gzip(fasta.substr(100, 1)) + Gzip(fasta.substr(101)));
    WriteFile("matrices", Gzip(ReadFile("fly_bcd_hb_Kr.meme")));
    WriteFile("bgzip.jaspar.gz", jasparGz.empty() ? "" : Gzip("") + jasparGz + Gzip(""));
    struct Case {
        std::string seq;
        std::string matrix;
        std::string input;  // standard input
    };
    const std::vector<Case> cases = {
        {"eve.fa", "fly_bcd_hb_Kr.jaspar", ""},
        {"eve.fa", "fly_bcd_hb_Kr.meme", ""},
        {"eve.fa.gz", "fly_bcd_hb_Kr.pwm", ""},
        {"eve.txt", "matrices", ""},  // gzip recognised by content; three members
        {"-", "fly_bcd_hb_Kr.pwm", fasta},
        {"-", "fly_bcd_hb_Kr.meme", Gzip(fasta)},
        {"-", "bgzip.jaspar.gz", Gzip(fasta.substr(0, 250)) + Gzip(fasta.substr(250))},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string base = "run" + std::to_string(++n);
        SCOPED_TRACE(base + ": -i " + c.seq + " -M " + c.matrix);
        const std::vector<std::string> args = With({"-i", c.seq, "-M", c.matrix}, With(kParams, {"-o", base}));
        const RunResult r = Run(args, c.input);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(ReadFile(base + "_module.txt"), Echo(args) + goldenModules.substr(goldenEcho.size()));
        for (std::size_t k = 1; k < kSuffixes.size(); ++k)
            EXPECT_EQ(ReadFile(base + kSuffixes[k]), ReadWholeFile(golden / ("eve" + kSuffixes[k]))) << kSuffixes[k];
    }
}

TEST_F(ToolboxTest, BedFilesInSequenceAndGenomicCoordinates)
{
    WriteFile("eve.fa", fasta);
    RunResult r = Run(With({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "--bed", "-o", "eve"}, kParams));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile("eve_modules.bed"), "eve_stripe2\t380\t480\tmodule1\t3.643496\t.\t+3(417)+2(444)-1(474)\n");
    EXPECT_EQ(ReadFile("eve_sites.bed"),
              "eve_stripe2\t417\t426\t3\t0.560577\t+\n"
              "eve_stripe2\t444\t454\t2\t0.872008\t+\n"
              "eve_stripe2\t474\t480\t1\t0.662597\t-\n");  // Bicoid, width 6, reverse strand
    EXPECT_EQ(ReadFile("eve_module.txt")
                  .rfind(Echo(With({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "--bed", "-o", "eve"}, kParams)), 0),
              0u);

    // As bedtools getfasta names an interval, twice, through a pipe: the
    // second record's module is module2, positions are shifted by start.
    const std::string body = fasta.substr(fasta.find('\n'));
    const std::string getfasta = ">2R:5000-5484" + body + ">2R:9000-9484 second copy" + body;
    r = Run(With({"-i", "-", "-M", "fly_bcd_hb_Kr.meme", "-o", "g", "--bed"}, kParams), Gzip(getfasta));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile("g_modules.bed"), "2R\t5380\t5480\tmodule1\t3.643496\t.\t+3(417)+2(444)-1(474)\n"
                                         "2R\t9380\t9480\tmodule2\t3.643496\t.\t+3(417)+2(444)-1(474)\n");
    const std::string sites = ReadFile("g_sites.bed");
    EXPECT_EQ(sites.substr(0, sites.size() / 2), "2R\t5417\t5426\t3\t0.560577\t+\n2R\t5444\t5454\t2\t0.872008\t+\n"
                                                 "2R\t5474\t5480\t1\t0.662597\t-\n");
    EXPECT_EQ(sites.substr(sites.size() / 2), "2R\t9417\t9426\t3\t0.560577\t+\n2R\t9444\t9454\t2\t0.872008\t+\n"
                                              "2R\t9474\t9480\t1\t0.662597\t-\n");

    // A second run appends, numbering its modules from 1 again.
    const std::string before = ReadFile("eve_modules.bed");
    ASSERT_EQ(Run(With({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "--bed", "-o", "eve"}, kParams)).status, 0);
    EXPECT_EQ(ReadFile("eve_modules.bed"), before + before);

    // Without --bed there are no BED files.
    ASSERT_EQ(Run(With({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "-o", "plain"}, kParams)).status, 0);
    EXPECT_FALSE(Exists("plain_modules.bed") || Exists("plain_sites.bed"));
}

TEST_F(ToolboxTest, BadInputsStopTheRunAndLeaveTheResultFilesAsTheyWere)
{
    const std::string three = fasta + fasta + fasta;  // results are written before the end is reached
    const std::string gz = Gzip(three);
    std::string crc = gz;
    crc[crc.size() - 7] ^= 1;
    WriteFile("cut.fa.gz", gz.substr(0, gz.size() - 20));
    WriteFile("crc.fa.gz", crc);
    WriteFile("tail.fa.gz", gz + "\n");
    const std::string meme = Gzip(ReadFile("fly_bcd_hb_Kr.meme"));
    WriteFile("cut.meme.gz", meme.substr(0, meme.size() / 2));
    WriteFile("eve.fa", fasta);
    fs::create_directory(dir / "out_sites.bed");  // in the way of --bed only
    const std::string cut = "gzip data ends unexpectedly (truncated file?)";
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-i", "cut.fa.gz", "-M", "fly_bcd_hb_Kr.pwm"}, "", "cannot read sequence file 'cut.fa.gz': " + cut},
        {{"-i", "-", "-M", "fly_bcd_hb_Kr.pwm"},
         gz.substr(0, gz.size() / 2),
         "cannot read sequence file '-' (standard input): " + cut},
        {{"-i", "crc.fa.gz", "-M", "fly_bcd_hb_Kr.pwm"},
         "",
         "cannot read sequence file 'crc.fa.gz': corrupt gzip data (checksum mismatch)"},
        {{"-i", "-", "-M", "fly_bcd_hb_Kr.pwm"},
         gz + "\n",
         "cannot read sequence file '-' (standard input): corrupt gzip data"},
        {{"-i", "tail.fa.gz", "-M", "fly_bcd_hb_Kr.pwm"},
         "",
         "cannot read sequence file 'tail.fa.gz': corrupt gzip data"},
        {{"-i", "eve.fa", "-M", "cut.meme.gz"}, "", "cannot read matrix file 'cut.meme.gz': " + cut},
        {{"-i", "eve.fa", "-M", "-"}, "", "cannot open matrix file '-': No such file or directory"},
        {{"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.jaspar", "-K", "2"},
         "",
         "matrix file 'fly_bcd_hb_Kr.jaspar' holds 3 matrices, but -K asks for 2"},
    };
    // Results of an earlier run under one base name, none under the other.
    ASSERT_EQ(Run(With({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "-o", "old", "--bed"}, kParams)).status, 0);
    for (const Case& c : cases)
        for (const std::string base : {"old", "new"}) {
            SCOPED_TRACE(c.message + " / -o " + base);
            const auto before = Snapshot();
            const RunResult r = Run(With(c.args, With(kParams, {"-o", base, "--bed"})), c.input);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "Velmora: " + c.message + "\n");
            EXPECT_EQ(Snapshot(), before);
        }
    // --bed adds its two files to the check made before the run.
    const auto before = Snapshot();
    RunResult r = Run({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "-o", "out", "--bed"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: cannot write result file 'out_sites.bed': Is a directory\n");
    EXPECT_EQ(Snapshot(), before);
    r = Run({"-i", "eve.fa", "-M", "fly_bcd_hb_Kr.pwm", "-o", "out"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(ToolboxTest, QuietSilencesWarningsButNotErrors)
{
    WriteFile("short.fa", ">one\nA\n>ok\nACGTACGT\n");
    const std::vector<std::string> args = {"-i", "short.fa", "-M", "fly_bcd_hb_Kr.pwm", "-q", "-o"};
    RunResult r = Run(With(args, {"loud"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Velmora: warning: unknown option -q ignored\n"
                     "Velmora: warning: sequence file 'short.fa', line 1: record '>one' has 1 base: "
                     "too short to scan (at least 2 needed)\n");
    r = Run(With(args, {"quiet", "--quiet"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile("quiet_motif1.txt"), ReadFile("loud_motif1.txt"));
    EXPECT_EQ(ReadFile("quiet_module.txt").rfind(Echo(With(args, {"quiet", "--quiet"})), 0), 0u);
    r = Run({"--quiet", "-i", "missing.fa", "-M", "fly_bcd_hb_Kr.pwm"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: cannot open sequence file 'missing.fa': No such file or directory\n");
}

TEST_F(ToolboxTest, NoProgressLineWhenStandardErrorIsAFile)
{
    // Large enough (over 10 million bases) for the line on a terminal.
    std::string big = ">big\n";
    const std::string line = fasta.substr(fasta.find('\n') + 1, 45) + "\n";
    while (big.size() < 10'500'000)
        big += line;
    const RunResult r = Run({"-i", "-", "-M", "fly_bcd_hb_Kr.pwm", "-K", "3", "-o", "big"}, Gzip(big));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}
