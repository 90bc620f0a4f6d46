#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "scanner/BedFiles.h"
#include "scanner/GibbsDP.h"
#include "scanner/ScanIO.h"

namespace fs = std::filesystem;

namespace {

class ResultFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmora-out-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        scanner.outFile = (dir / "r%d").c_str();  // a '%' in the base name stays a '%'
        scanner.motifNum = 2;
        scanner.moduleLength = 200;
        scanner.siteCount.assign(3, 0);
        scanner.moduleList = std::make_unique<MODULEINFO>();
        scanner.siteList.resize(2);
        for (auto& head : scanner.siteList)
            head = std::make_unique<SITEINFO>();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Read(const std::string& suffix) const
    {
        std::ifstream in(dir / ("r%d" + suffix), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Puts nodes after the head the way the tracebacks do: the last one
    // added comes first.
    void AddModule(int start, double score, const char* sites)
    {
        auto node = std::make_unique<MODULEINFO>();
        node->start = start;
        node->score = score;
        node->sites = sites;
        CGibbsDP::AddSite(scanner.moduleList.get(), std::move(node));
    }
    void AddSite(int motif, int pos, bool forward, double prob, const char* bases)
    {
        auto node = std::make_unique<SITEINFO>();
        node->pos = pos;
        node->forward = forward;
        node->prob = prob;
        node->site = bases;
        CGibbsDP::AddSite(scanner.siteList[static_cast<std::size_t>(motif)].get(), std::move(node));
    }

    fs::path dir;
    CGibbsDP scanner;
};

}  // namespace

TEST_F(ResultFilesTest, WritesModulesSitesHeadingsAndTotalsByteForByte)
{
    scanner.cmdLine = "\n\nVelmora 1.0\n./Velmora -o 100% \n\n";
    scanner.firstSeq = true;
    scanner.seqName = ">s1 50%d%s";
    scanner.seqLength = 1000;
    AddModule(640, -3.25, "NULL");
    AddModule(120, 12.5, "+1(130)-2(150)");
    AddSite(0, 130, true, 0.5, "ACG");
    AddSite(1, 150, false, 1.0, "TTGA");
    ASSERT_TRUE(scanner.OutputModules()) << scanner.errorText;
    ASSERT_TRUE(scanner.OutputMotifs()) << scanner.errorText;

    // A second sequence, shorter than the module: no headings, and the
    // interval ends where the window does, at the sequence end.
    scanner.firstSeq = false;
    scanner.seqName = ">s2";
    scanner.seqLength = 57;
    scanner.moduleList = std::make_unique<MODULEINFO>();
    scanner.siteList[0] = std::make_unique<SITEINFO>();
    scanner.siteList[1] = std::make_unique<SITEINFO>();
    AddModule(0, 0.0000004, "-2(3)");
    AddSite(1, 3, false, 1, "ACGT");
    ASSERT_TRUE(scanner.OutputModules());
    ASSERT_TRUE(scanner.OutputMotifs());

    scanner.moduleCount = 4;
    scanner.siteCount = {1, 2, 99};  // the extra entry is never written
    ASSERT_TRUE(scanner.WriteSummary());

    EXPECT_EQ(Read("_module.txt"),
              "\n\nVelmora 1.0\n./Velmora -o 100% \n\n"
              ">s1 50%d%s\t[120,320]\t12.500000\t+1(130)-2(150)\n"
              ">s1 50%d%s\t[640,840]\t-3.250000\tNULL\n"
              ">s2\t[0,57]\t0.000000\t-2(3)\n"
              "\n# modules = 4\n");
    EXPECT_EQ(Read("_motif1.txt"),
              "\n\nmotif 1\n\n"
              ">s1 50%d%s\tf\t130\t0.500000\nACG\n"
              "\n # of sites for motif 1 = 1\n");
    EXPECT_EQ(Read("_motif2.txt"),
              "\n\nmotif 2\n\n"
              ">s1 50%d%s\tr\t150\t1.000000\nTTGA\n"
              ">s2\tr\t3\t1.000000\nACGT\n"
              "\n # of sites for motif 2 = 2\n");
}

TEST_F(ResultFilesTest, AppendsToWhatIsThere)
{
    std::ofstream(dir / "r%d_module.txt", std::ios::binary) << "earlier run\n";
    ASSERT_TRUE(scanner.WriteSummary());
    EXPECT_EQ(Read("_module.txt"), "earlier run\n\n# modules = 0\n");
    EXPECT_EQ(Read("_motif2.txt"), "\n # of sites for motif 2 = 0\n");
}

TEST_F(ResultFilesTest, ReportsAFullDisk)
{
    fs::create_symlink("/dev/full", dir / "r%d_motif2.txt");
    scanner.firstSeq = true;
    EXPECT_TRUE(scanner.OutputModules());
    EXPECT_FALSE(scanner.OutputMotifs());
    EXPECT_EQ(scanner.errorText,
              "cannot write result file '" + (dir / "r%d_motif2.txt").string() + "': No space left on device");
}

TEST_F(ResultFilesTest, CheckFindsAnUnwritableFileAndRemovesWhatItCreated)
{
    fs::create_directory(dir / "r%d_motif2.txt");
    std::ofstream(dir / "r%d_motif1.txt", std::ios::binary) << "kept";
    std::string error;
    EXPECT_FALSE(CheckResultFiles(scanner.outFile, 3, &error));
    EXPECT_EQ(error, "cannot write result file '" + (dir / "r%d_motif2.txt").string() + "': Is a directory");
    EXPECT_FALSE(fs::exists(dir / "r%d_module.txt"));  // created by the check, removed again
    EXPECT_EQ(Read("_motif1.txt"), "kept");             // there before: left alone
    EXPECT_FALSE(fs::exists(dir / "r%d_motif3.txt"));   // never reached

    fs::remove(dir / "r%d_motif2.txt");
    EXPECT_TRUE(CheckResultFiles(scanner.outFile, 3, &error));
    EXPECT_EQ(Read("_module.txt"), "");
    EXPECT_EQ(Read("_motif1.txt"), "kept");
}

TEST_F(ResultFilesTest, BedFilesHoldModulesAndSitesInGenomicCoordinates)
{
    scanner.bedOutput = true;
    scanner.motifWidth = {3, 4};
    scanner.seqName = ">chr2:1000-2000 peak 7";  // bedtools getfasta's name
    scanner.seqLength = 1000;
    AddModule(640, -3.25, "-2(700)");
    AddModule(120, 12.5, "+1(130)-2(150)");
    // Added last to first, as the tracebacks do.
    AddSite(1, 700, false, 0.25, "TTGA");
    AddSite(1, 150, false, 1.0, "TTGA");
    AddSite(0, 150, true, 0.125, "ACG");  // same start as motif 2's: motif order
    AddSite(0, 130, true, 0.5, "ACG");
    ASSERT_TRUE(scanner.OutputModules() && scanner.OutputMotifs()) << scanner.errorText;

    scanner.seqName = ">s2";  // shorter than the module: the window ends at 57
    scanner.seqLength = 57;
    scanner.moduleList = std::make_unique<MODULEINFO>();
    scanner.siteList[0] = std::make_unique<SITEINFO>();
    scanner.siteList[1] = std::make_unique<SITEINFO>();
    AddModule(0, 0.0000004, "-2(3)");
    AddSite(1, 3, false, 1, "ACGT");
    ASSERT_TRUE(scanner.OutputModules() && scanner.OutputMotifs()) << scanner.errorText;

    EXPECT_EQ(Read("_modules.bed"),
              "chr2\t1120\t1320\tmodule1\t12.500000\t.\t+1(130)-2(150)\n"
              "chr2\t1640\t1840\tmodule2\t-3.250000\t.\t-2(700)\n"
              "s2\t0\t57\tmodule3\t0.000000\t.\t-2(3)\n");
    EXPECT_EQ(Read("_sites.bed"),
              "chr2\t1130\t1133\t1\t0.500000\t+\n"
              "chr2\t1150\t1153\t1\t0.125000\t+\n"
              "chr2\t1150\t1154\t2\t1.000000\t-\n"
              "chr2\t1700\t1704\t2\t0.250000\t-\n"
              "s2\t3\t7\t2\t1.000000\t-\n");
    // The usual files keep the whole header line and sequence positions.
    EXPECT_EQ(Read("_motif1.txt"), ">chr2:1000-2000 peak 7\tf\t130\t0.500000\nACG\n"
                                   ">chr2:1000-2000 peak 7\tf\t150\t0.125000\nACG\n");
}

TEST_F(ResultFilesTest, WithoutBedNoBedFileIsTouched)
{
    scanner.seqName = ">s";
    AddModule(1, 1, "+1(2)");
    ASSERT_TRUE(scanner.OutputModules() && scanner.OutputMotifs() && scanner.WriteSummary());
    EXPECT_FALSE(fs::exists(dir / "r%d_modules.bed"));
    EXPECT_FALSE(fs::exists(dir / "r%d_sites.bed"));
    std::string error;
    ASSERT_TRUE(CheckResultFiles(scanner.outFile, 2, &error, true)) << error;
    EXPECT_TRUE(fs::exists(dir / "r%d_modules.bed"));
    EXPECT_TRUE(fs::exists(dir / "r%d_sites.bed"));
}

TEST(BedNameTest, FirstWordOfTheHeaderAndBedtoolsIntervals)
{
    struct Case {
        const char* header;
        const char* chrom;
        long long offset;
    };
    const Case cases[] = {
        {">chr1", "chr1", 0},
        {">chr1 Homo sapiens", "chr1", 0},
        {">chr1\tdescription", "chr1", 0},
        {"> eve_stripe2", "eve_stripe2", 0},
        {">", "unnamed", 0},
        {"", "unnamed", 0},
        {">chr2:1000-2000", "chr2", 1000},
        {">chr2:1000-2000 peak", "chr2", 1000},
        {">HLA:A:0-99", "HLA:A", 0},
        {">chrUn:5-5", "chrUn", 5},
        {">chr2:2000-1000", "chr2:2000-1000", 0},    // end before start
        {">chr2:1000-2000(+)", "chr2:1000-2000(+)", 0},
        {">chr2:1e3-2000", "chr2:1e3-2000", 0},
        {">chr2:-5-10", "chr2:-5-10", 0},
        {">chr2:1000-", "chr2:1000-", 0},
        {">:1-2", ":1-2", 0},
        {">gene:7", "gene:7", 0},
    };
    for (const Case& c : cases) {
        const BEDNAME name = BedSequenceName(c.header);
        EXPECT_EQ(name.chrom, c.chrom) << c.header;
        EXPECT_EQ(name.offset, c.offset) << c.header;
    }
}

TEST_F(ResultFilesTest, RestoreTakesTheRunsLinesBackOut)
{
    std::ofstream(dir / "r%d_module.txt", std::ios::binary) << "earlier run\n";
    RESULTFILESIZES before;
    std::string error;
    ASSERT_TRUE(CheckResultFiles(scanner.outFile, 2, &error, true, &before)) << error;
    scanner.firstSeq = true;
    scanner.bedOutput = true;
    scanner.seqName = ">s";
    AddModule(1, 1, "+1(2)");
    ASSERT_TRUE(scanner.OutputModules() && scanner.OutputMotifs());
    RestoreResultFiles(before);
    EXPECT_EQ(Read("_module.txt"), "earlier run\n");
    for (const char* suffix : {"_motif1.txt", "_motif2.txt", "_modules.bed", "_sites.bed"})
        EXPECT_FALSE(fs::exists(dir / (std::string("r%d") + suffix))) << suffix;
}
