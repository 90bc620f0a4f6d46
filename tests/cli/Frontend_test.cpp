// The command line as a user meets it: usage text, messages, exit statuses.
#include "CliFixture.h"

namespace {

const char* const kUsage =
    "\n******************************\n"
    "   Velmora 1.0 \n"
    "******************************\n"
    "\nUsage: ./Velmora -i Seqfile (options)\n"
    "Seqfile must be in FASTA format and each line in the file should contain no more than 10K characters\n\n"
    "Options:\n"
    "\t-o\tOutput file (default output.txt)\n"
    "\t-r\t1: search for both strands; 0: only search for forward strand (default 1)\n"
    "\t-K\tNumber of transcription factors (default 3)\n"
    "\t-L\tModule length (default 200)\n"
    "\t-M\tInput text files for weight matrices\n"
    "\t-x\tExpected module occurrent rate (default 0.0005)\n";

using FrontendTest = CliTest;

}  // namespace

TEST_F(FrontendTest, UsageTextWithoutArgumentsOrOnRequest)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string> {}, {"-h"}, {"--help"}, {"-i", "a.fa", "--help", "-K"}}) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, kUsage);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(FrontendTest, VersionPrintsTheBannerLine)
{
    const RunResult r = Run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Velmora 1.0\n");
}

TEST_F(FrontendTest, ClassicMessagesGoToStandardOutputWithStatusOne)
{
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"-i", "a.fa", "-M", "m.txt", "-K", "0"}, "Input number of transcription factors error!\n"},
        {{"-i", "a.fa", "-M", "m.txt", "-K", "-2"}, "Input number of transcription factors error!\n"},
        {{"-i", "a.fa", "-M", "m.txt", "-L", "9"}, "Input module length too small!\n"},
        {{"-K", "0", "-L", "9"}, "Input number of transcription factors error!\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(FrontendTest, RejectedWordsAndParametersGiveOneLineOnStandardError)
{
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"-i", "a.fa", "-K"}, "Velmora: option -K needs a value\n"},
        {{"-i", "a.fa", "-M", "m", "-L", "20O"}, "Velmora: option -L expects a whole number, got '20O'\n"},
        {{"-i", "a.fa", "-M", "m", "-K", "3x"}, "Velmora: option -K expects a whole number, got '3x'\n"},
        {{"-i", "a.fa", "-M", "m", "-K", "99999999999"},
         "Velmora: option -K expects a whole number, got '99999999999'\n"},
        {{"-i", "a.fa", "-M", "m", "-x", "abc"}, "Velmora: option -x expects a decimal number, got 'abc'\n"},
        {{"-i", "a.fa", "-M", "m", "-x", "0"}, "Velmora: module rate -x must lie strictly between 0 and 1, got 0\n"},
        {{"-i", "a.fa", "-M", "m", "-x", "1.5"},
         "Velmora: module rate -x must lie strictly between 0 and 1, got 1.5\n"},
        {{"-i", "a.fa", "-M", "m", "-x", "-0.1"},
         "Velmora: module rate -x must lie strictly between 0 and 1, got -0.1\n"},
        {{"-i", "a.fa", "-M", "m", "-K", "13", "-L", "10"},
         "Velmora: -K 13 with -L 10 leaves no weight for background bases (0.8 * K must be below L)\n"},
        {{"-M", "m"}, "Velmora: no sequence file given: -i FILE is required\n"},
        {{"-i", "a.fa"}, "Velmora: no matrix file given: -M FILE is required\n"},
        // Reading errors come before the classic checks.
        {{"-K", "0", "-L", "x"}, "Velmora: option -L expects a whole number, got 'x'\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(FrontendTest, UnknownOptionLettersAreIgnoredWithAWarning)
{
    const RunResult r = Run({"-k", "5", "-q", "--frobnicate", "-M", "m"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: warning: unknown option -k ignored\n"
                     "Velmora: warning: unknown option -q ignored\n"
                     "Velmora: warning: unknown option --frobnicate ignored\n"
                     "Velmora: no sequence file given: -i FILE is required\n");
    // Negative numbers given as values are not mistaken for options.
    const RunResult values = Run({"-o", "-weird", "-M", "m"});
    EXPECT_EQ(values.err, "Velmora: no sequence file given: -i FILE is required\n");
}

TEST_F(FrontendTest, LongOptionsBedAndQuietAreKnown)
{
    RunResult r = Run({"--bed", "--quiet", "-M", "m"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Velmora: no sequence file given: -i FILE is required\n");
    // --quiet also silences warnings about words before it.
    r = Run({"-k", "5", "--frobnicate", "-M", "m", "--quiet"});
    EXPECT_EQ(r.err, "Velmora: no sequence file given: -i FILE is required\n");
    r = Run({"--bedx", "-M", "m", "-i", "-"});
    EXPECT_EQ(r.err, "Velmora: warning: unknown option --bedx ignored\n"
                     "Velmora: cannot open matrix file 'm': No such file or directory\n");
    EXPECT_TRUE(Files().empty());
}
