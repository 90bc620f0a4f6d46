#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scanner/FastaReader.h"
#include "scanner/GibbsDP.h"
#include "scanner/ScanModel.h"
#include "support/LineReader.h"
#include "support/Messages.h"

namespace fs = std::filesystem;

namespace {

std::vector<FASTARECORD> Records(const std::string& bytes, std::size_t blockSize = 5)
{
    CLineReader lines(std::make_unique<CMemorySource>(bytes), blockSize);
    CFastaReader fasta(lines);
    std::vector<FASTARECORD> records;
    FASTARECORD record;
    while (fasta.Next(&record))
        records.push_back(record);
    return records;
}

struct Expected {
    std::string name;
    std::string letters;
    long long line;
};

void ExpectRecords(const std::string& bytes, const std::vector<Expected>& expected)
{
    SCOPED_TRACE(bytes);
    const auto records = Records(bytes);
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(records[i].name, expected[i].name);
        EXPECT_EQ(records[i].letters.str(), expected[i].letters);
        EXPECT_EQ(records[i].line, expected[i].line);
        EXPECT_EQ(records[i].named, expected[i].line > 0);
    }
}

}  // namespace

TEST(FastaReaderTest, NamesAreHeaderLinesWithoutTheirLineEnd)
{
    ExpectRecords(">chr1 promoter region\nACGT\n", {{">chr1 promoter region", "ACGT", 1}});
    ExpectRecords(">chr1 promoter region\r\nACGT\r\n", {{">chr1 promoter region", "ACGT", 1}});
    ExpectRecords(">a%d%s%n\nAC", {{">a%d%s%n", "AC", 1}});
    ExpectRecords("AC\n>last", {{">last", "", 2}});  // no line feed: all characters kept
    ExpectRecords(">\n", {{">", "", 1}});
}

TEST(FastaReaderTest, SequenceLinesGiveTheirLeadingLettersUpperCased)
{
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"acgtnACGT", "ACGTNACGT"}, {"ACGT ACGT", "ACGT"}, {"10 ACGT", ""},  {"", ""},
        {";comment", ""},           {"ACGT\r", "ACGT"},    {"AC\tGT", "AC"}, {"xyzRYSW-", "XYZRYSW"},
        {"AC\xc3\xa9GT", "AC"},
    };
    for (const auto& [line, letters] : lines)
        ExpectRecords(">s\n" + line + "\n", {{">s", letters, 1}});
}

TEST(FastaReaderTest, RecordsEndAtTheNextHeaderAndAtTheEnd)
{
    ExpectRecords(">r1\nAC\nGT\n>r2\n>r3\nT\nTT", {{">r1", "ACGT", 1}, {">r2", "", 4}, {">r3", "TTT", 5}});
    // Lines before the first header belong to no record.
    ExpectRecords("GGGG\n\n;x\n>s\nA\n", {{">s", "A", 4}});
}

TEST(FastaReaderTest, AFileWithoutHeadersIsOneUnnamedRecord)
{
    ExpectRecords("acg\nTT\n", {{"", "ACGTT", 0}});
    ExpectRecords("", {{"", "", 0}});  // the empty file still ends with one (empty) sequence
    ExpectRecords("\n\n", {{"", "", 0}});
}

TEST(FastaReaderTest, ReadsLongLinesAndLongHeadersWhole)
{
    const std::string header = ">" + std::string(19999, 'h');
    std::string letters;
    for (int i = 0; i < 25000; ++i)
        letters += "ACGT"[i % 4];
    const auto records = Records(header + "\n" + letters + "\n>next\nA\n", CLineReader::kDefaultBlockSize);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name.size(), 20000u);
    EXPECT_EQ(records[0].name, header);
    EXPECT_EQ(records[0].letters.str(), letters);
}

TEST(PriorWeightsTest, SiteWeightsAndBackgroundWeight)
{
    const auto w3 = PriorWeights(3, 200);
    ASSERT_EQ(w3.size(), 4u);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(w3[k], 0.004);
    EXPECT_EQ(w3[3], 0.988);
    EXPECT_EQ(w3[3], 1 - 0.8 * 3 / 200);

    const auto w5 = PriorWeights(5, 40);
    ASSERT_EQ(w5.size(), 6u);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(w5[k], 0.02);
    EXPECT_EQ(w5[5], 0.9);
}

// The whole driver on real files: every record is scanned and written, and
// the totals are the sums over the records.
TEST(ModuleScanTest, TotalsAreSummedOverTheRecords)
{
    std::string pattern = (fs::temp_directory_path() / "velmora-scan-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    RUNSETTINGS settings;
    settings.seqFile = VELMORA_TEST_DATA "/planted.fa";
    settings.pwmFile = VELMORA_TEST_DATA "/planted.pwm";
    settings.outFile = (dir / "out").c_str();
    settings.motifNum = 2;
    settings.moduleLength = 40;
    settings.moduleRate = 0.01;
    CGibbsDP scanner(settings);
    CConsole console(true);
    ASSERT_TRUE(scanner.ModuleScan(console)) << scanner.ErrorText();
    std::ifstream in(dir / "out_module.txt");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string modules = text.str();
    EXPECT_NE(modules.find(">short_30 "), std::string::npos) << modules;
    EXPECT_NE(modules.find(">abutting\t"), std::string::npos) << modules;
    std::size_t lines = 0;
    for (std::size_t at = modules.find("\t["); at != std::string::npos; at = modules.find("\t[", at + 1))
        ++lines;
    EXPECT_GE(lines, 3u);
    // Windows without sites count too, so the total is at least the lines.
    const std::size_t total = modules.rfind("# modules = ");
    ASSERT_NE(total, std::string::npos);
    EXPECT_GE(std::stoul(modules.substr(total + 12)), lines);
    fs::remove_all(dir);
}
