#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/VelmoraU.h"

namespace {

struct Parsed {
    INPUTPARAMETER param;
    bool ok = false;
    std::string error;
};

Parsed Parse(std::vector<std::string> words)
{
    Parsed result;
    SetDefaultParam(&result.param);
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    result.ok = ParseInputParam(&result.param, static_cast<int>(words.size()), argv.data(), &result.error);
    return result;
}

std::string ProblemOf(const std::vector<std::string>& words)
{
    const Parsed p = Parse(words);
    EXPECT_TRUE(p.ok) << p.error;
    const auto problem = ValidateParam(p.param);
    return problem ? problem->text : "";
}

}  // namespace

TEST(ParamsTest, DefaultsMatchTheUsageText)
{
    INPUTPARAMETER p;
    SetDefaultParam(&p);
    EXPECT_EQ(p.bothStrands, 1);
    EXPECT_EQ(p.seqFile.str(), "");
    EXPECT_EQ(p.outFile.str(), "Output.txt");
    EXPECT_EQ(p.motifNum, 3);
    EXPECT_EQ(p.minWidth, 10);
    EXPECT_EQ(p.maxWidth, 14);
    EXPECT_EQ(p.moduleLength, 200);
    EXPECT_EQ(p.moduleRate, 0.0005);
}

TEST(ParamsTest, EchoHoldsBannerAndEveryWordFollowedByOneBlank)
{
    const Parsed p = Parse({"./Velmora", "-i", "a.fa", "-M", "m.txt"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.param.cmdLine.str(), "./Velmora -i a.fa -M m.txt ");
    EXPECT_EQ(p.param.seqFile.str(), "a.fa");
    EXPECT_EQ(p.param.pwmFile.str(), "m.txt");
}

TEST(ParamsTest, OptionsInAnyOrderLaterOccurrenceWins)
{
    const Parsed p = Parse({"V", "-K", "2", "-L", "50", "-x", "0.01", "-o", "out", "-K", "4", "-L", " 60 "});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.param.motifNum, 4);
    EXPECT_EQ(p.param.moduleLength, 60);
    EXPECT_EQ(p.param.moduleRate, 0.01);
    EXPECT_EQ(p.param.outFile.str(), "out");
}

TEST(ParamsTest, ValueWordsAreExaminedAsWordsAndOnlySecondCharacterCounts)
{
    // "-K" is the value of -o and then acts as an option itself.
    Parsed p = Parse({"V", "-o", "-K", "5"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.param.outFile.str(), "-K");
    EXPECT_EQ(p.param.motifNum, 5);
    p = Parse({"V", "-Kx", "7", "-input", "s.fa"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.param.motifNum, 7);
    EXPECT_EQ(p.param.seqFile.str(), "s.fa");
}

TEST(ParamsTest, StrandValueIsZeroOnlyWhenItsFirstCharacterIsZero)
{
    for (const char* v : {"0", "00", "0abc"})
        EXPECT_EQ(Parse({"V", "-r", v}).param.bothStrands, 0) << v;
    for (const char* v : {"1", "2", "x", ""})
        EXPECT_EQ(Parse({"V", "-r", v}).param.bothStrands, 1) << v;
}

TEST(ParamsTest, OptionWithoutValueIsRejectedNamingTheOption)
{
    for (const char* opt : {"-K", "-L", "-M", "-i", "-o", "-r", "-x"}) {
        const Parsed p = Parse({"V", "-i", "a.fa", opt});
        EXPECT_FALSE(p.ok) << opt;
        EXPECT_EQ(p.error, std::string("option ") + opt + " needs a value");
    }
}

TEST(ParamsTest, MalformedNumbersAreRejectedNamingOptionAndValue)
{
    const std::vector<std::vector<std::string>> cases = {
        {"-L", "20O"},        {"-K", "3x"},          {"-K", "abc"}, {"-K", ""},
        {"-K", "2147483648"}, {"-L", "-2147483649"}, {"-K", "1.5"}, {"-K", "0x10"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse({"V", c[0], c[1]});
        EXPECT_FALSE(p.ok) << c[0] << " " << c[1];
        EXPECT_EQ(p.error, "option " + c[0] + " expects a whole number, got '" + c[1] + "'");
    }
    for (const char* v : {"abc", "0.1x", "", "nan", "inf", "0x1p-3", "1e", ".", "1e999"}) {
        const Parsed p = Parse({"V", "-x", v});
        EXPECT_FALSE(p.ok) << v;
        EXPECT_EQ(p.error, std::string("option -x expects a decimal number, got '") + v + "'");
    }
    for (const char* v : {"0.0005", "5e-4", ".5", "1.", " 0.25\t", "+0.1"})
        EXPECT_TRUE(Parse({"V", "-x", v}).ok) << v;
    EXPECT_EQ(Parse({"V", "-K", "2147483647"}).param.motifNum, 2147483647);
}

TEST(ParamsTest, FirstReadingErrorIsReportedEvenWhenLaterWordsAreBad)
{
    const Parsed p = Parse({"V", "-K", "abc", "-L", "x", "-i"});
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "option -K expects a whole number, got 'abc'");
}

TEST(ParamsTest, ClassicChecksComeFirstAndInOrder)
{
    // Number of factors before module length, both before every new check.
    EXPECT_EQ(ProblemOf({"V", "-K", "0", "-L", "9"}), "Input number of transcription factors error!");
    EXPECT_EQ(ProblemOf({"V", "-K", "-2"}), "Input number of transcription factors error!");
    EXPECT_EQ(ProblemOf({"V", "-L", "9", "-x", "5"}), "Input module length too small!");
    EXPECT_EQ(ProblemOf({"V", "-L", "10", "-i", "a", "-M", "m"}), "");
    INPUTPARAMETER p;
    SetDefaultParam(&p);
    p.minWidth = 4;
    ASSERT_TRUE(ValidateParam(p));
    EXPECT_EQ(ValidateParam(p)->text, "input motif width range error!");
    EXPECT_TRUE(ValidateParam(p)->classic);
}

TEST(ParamsTest, NewChecksCoverFilesRateAndBackgroundWeight)
{
    EXPECT_EQ(ProblemOf({"V", "-M", "m"}), "no sequence file given: -i FILE is required");
    EXPECT_EQ(ProblemOf({"V", "-i", "a"}), "no matrix file given: -M FILE is required");
    EXPECT_EQ(ProblemOf({"V", "-i", "", "-M", "m"}), "no sequence file given: -i FILE is required");
    for (const char* rate : {"0", "1", "1.5", "-0.1"})
        EXPECT_EQ(ProblemOf({"V", "-i", "a", "-M", "m", "-x", rate})
                      .rfind("module rate -x must lie strictly between 0 and 1", 0),
                  0u)
            << rate;
    // 0.8 * 250 = 200 leaves nothing for background bases at L = 200.
    EXPECT_EQ(ProblemOf({"V", "-i", "a", "-M", "m", "-K", "250"}),
              "-K 250 with -L 200 leaves no weight for background bases (0.8 * K must be below L)");
    EXPECT_EQ(ProblemOf({"V", "-i", "a", "-M", "m", "-K", "249"}), "");
    EXPECT_FALSE(ValidateParam(Parse({"V", "-i", "a", "-M", "m", "-K", "13", "-L", "10"}).param)->classic);
}

TEST(ParamsTest, HelpAndVersionAreRecognised)
{
    EXPECT_TRUE(Parse({"V", "-h"}).param.showHelp);
    EXPECT_TRUE(Parse({"V", "--help"}).param.showHelp);
    EXPECT_TRUE(Parse({"V", "--version"}).param.showVersion);
    EXPECT_FALSE(Parse({"V", "-o", "-h"}).param.showHelp);  // a value, not a request
}

TEST(ParamsTest, LongOptionsBedAndQuietAndTheDashAsAValue)
{
    INPUTPARAMETER defaults;
    SetDefaultParam(&defaults);
    EXPECT_FALSE(defaults.bedOutput);
    EXPECT_FALSE(defaults.quiet);

    Parsed p = Parse({"V", "-i", "-", "-M", "m", "--bed", "--quiet"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.param.seqFile.str(), "-");
    EXPECT_TRUE(p.param.bedOutput);
    EXPECT_TRUE(p.param.quiet);
    EXPECT_EQ(p.param.cmdLine.str(), "V -i - -M m --bed --quiet ");

    // Long options are spelt whole; single letters keep their meaning.
    p = Parse({"V", "--be", "--bedx", "-bed", "-quiet", "--Quiet", "-", "-o", "-"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.param.bedOutput);
    EXPECT_FALSE(p.param.quiet);
    EXPECT_EQ(p.param.outFile.str(), "-");
    // A value word is still examined as a word, as for every option.
    p = Parse({"V", "-o", "--bed"});
    EXPECT_EQ(p.param.outFile.str(), "--bed");
    EXPECT_TRUE(p.param.bedOutput);
}
