// Option parsing, one row per command line: the parameters it leaves,
// written out as one line, or the message of the first word that cannot be
// read. The checks of the parameters, and every message of a whole run, are
// in tests/cli/cases.tst.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/VelmoraU.h"

namespace {

std::string Parse(std::vector<std::string> words)
{
    INPUTPARAMETER p;
    SetDefaultParam(&p);
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    std::string error;
    if (!ParseInputParam(&p, static_cast<int>(words.size()), argv.data(), &error))
        return error;
    std::string text = "K" + std::to_string(p.motifNum) + " L" + std::to_string(p.moduleLength) + " x" +
                       std::to_string(p.moduleRate) + " r" + std::to_string(p.bothStrands) + " i" + p.seqFile.str() +
                       " M" + p.pwmFile.str() + " o" + p.outFile.str();
    for (const auto& [flag, name] : {std::pair {p.showHelp, " help"},
                                     {p.showVersion, " version"},
                                     {p.bedOutput, " bed"},
                                     {p.quiet, " quiet"},
                                     {p.summary, " summary"}})
        if (flag)
            text += name;
    if (p.nulls != 0 || p.seed != 1)
        text += " null" + std::to_string(p.nulls) + " seed" + std::to_string(p.seed);
    for (const std::string& warning : p.warnings)
        text += " [" + warning + "]";
    return text + " |" + p.cmdLine.str();
}

}  // namespace

TEST(ParamsTest, EachCommandLineGivesItsParameters)
{
    const struct {
        std::vector<std::string> words;
        std::string parsed;
    } rows[] = {
        {{"V"}, "K3 L200 x0.000500 r1 i M oOutput.txt |V "},
        {{"./Velmora", "-i", "a.fa", "-M", "m.txt"},
         "K3 L200 x0.000500 r1 ia.fa Mm.txt oOutput.txt |./Velmora -i a.fa -M m.txt "},
        // Any order; a later occurrence wins; blanks around numbers.
        {{"V", "-K", "2", "-L", "50", "-x", "0.01", "-o", "out", "-K", "4", "-L", " 60 "},
         "K4 L60 x0.010000 r1 i M oout |V -K 2 -L 50 -x 0.01 -o out -K 4 -L  60  "},
        // A value word is examined as a word too; only the second character counts.
        {{"V", "-o", "-K", "5"}, "K5 L200 x0.000500 r1 i M o-K |V -o -K 5 "},
        {{"V", "-Kx", "7", "-input", "s.fa"}, "K7 L200 x0.000500 r1 is.fa M oOutput.txt |V -Kx 7 -input s.fa "},
        {{"V", "-r", "0"}, "K3 L200 x0.000500 r0 i M oOutput.txt |V -r 0 "},
        {{"V", "-r", "0abc"}, "K3 L200 x0.000500 r0 i M oOutput.txt |V -r 0abc "},
        {{"V", "-r", "2"}, "K3 L200 x0.000500 r1 i M oOutput.txt |V -r 2 "},
        {{"V", "-r", ""}, "K3 L200 x0.000500 r1 i M oOutput.txt |V -r  "},
        {{"V", "-x", "5e-4", "-L", "-7", "-K", "+2"}, "K2 L-7 x0.000500 r1 i M oOutput.txt |V -x 5e-4 -L -7 -K +2 "},
        {{"V", "-x", ".5"}, "K3 L200 x0.500000 r1 i M oOutput.txt |V -x .5 "},
        {{"V", "-x", "5E-4"}, "K3 L200 x0.000500 r1 i M oOutput.txt |V -x 5E-4 "},
        {{"V", "-h"}, "K3 L200 x0.000500 r1 i M oOutput.txt help |V -h "},
        {{"V", "--help", "--version"}, "K3 L200 x0.000500 r1 i M oOutput.txt help version |V --help --version "},
        {{"V", "-o", "-h"}, "K3 L200 x0.000500 r1 i M o-h |V -o -h "},
        {{"V", "-i", "-", "--bed", "--quiet"},
         "K3 L200 x0.000500 r1 i- M oOutput.txt bed quiet |V -i - --bed --quiet "},
        {{"V", "--be", "-bed", "-", "-o", "--bed"}, "unknown option --be: did you mean --bed?"},
        {{"V", "-k", "5", "--frobnicate"}, "unknown option --frobnicate (see --help)"},
        {{"V", "--output", "x", "--K", "3"}, "unknown option --output: did you mean -o?"},
        {{"V", "--k", "3"}, "unknown option --k: did you mean -K?"},
        {{"V", "--thread=2"}, "unknown option --thread=2: did you mean --threads?"},
        {{"V", "--sumary"}, "unknown option --sumary: did you mean --summary?"},
        {{"V", "--nulls", "9"}, "unknown option --nulls: did you mean --null?"},
        {{"V", "--summary", "--null", " 99 ", "--seed", "0", "--null", "1000000"},
         "K3 L200 x0.000500 r1 i M oOutput.txt summary null1000000 seed0 |V --summary --null  99  --seed 0 --null "
         "1000000 "},
        {{"V", "--seed", "18446744073709551615"},
         "K3 L200 x0.000500 r1 i M oOutput.txt null0 seed18446744073709551615 [option --seed has no effect without "
         "--null] |V --seed 18446744073709551615 "},
        {{"V", "--null", "1e2"}, "option --null expects a whole number of null sequences from 1 to 1000000, got '1e2'"},
        {{"V", "--seed", "-5"}, "option --seed expects a whole number from 0 to 18446744073709551615, got '-5'"},
        {{"V", "-o", "--anything", "-K", "4"}, "K4 L200 x0.000500 r1 i M o--anything |V -o --anything -K 4 "},
        // The first word that cannot be read is reported.
        {{"V", "-i", "a.fa", "-r"}, "option -r needs a value"},
        {{"V", "-L", "20O", "-K", "x"}, "option -L expects a whole number, got '20O'"},
        {{"V", "-K", "2147483648"}, "option -K expects a whole number, got '2147483648'"},
        {{"V", "-K", "-2147483649"}, "option -K expects a whole number, got '-2147483649'"},
        {{"V", "-K", ""}, "option -K expects a whole number, got ''"},
        {{"V", "-x", "1e"}, "option -x expects a decimal number, got '1e'"},
        {{"V", "-x", "0x1p-3"}, "option -x expects a decimal number, got '0x1p-3'"},
        {{"V", "-x", "nan"}, "option -x expects a decimal number, got 'nan'"},
        {{"V", "-x", "1e999"}, "option -x expects a decimal number, got '1e999'"},
        {{"V", "-x", "."}, "option -x expects a decimal number, got '.'"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Parse(row.words), row.parsed);
}
