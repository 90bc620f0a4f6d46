#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scanner/ResultWriter.h"

namespace fs = std::filesystem;

namespace {

SITEINFO Site(int motif, int pos, bool forward, double prob, const char* bases)
{
    return SITEINFO {motif, pos, forward, prob, bases};
}

MODULEINFO Module(int start, double score, std::vector<SITEINFO> sites = {})
{
    return MODULEINFO {start, score, std::move(sites)};
}

RECORDRESULT Record(const char* name, int length, std::vector<MODULEINFO> modules, int window = 200)
{
    RECORDRESULT r;
    r.name = name;
    r.length = length;
    r.window = std::min(window, length);
    r.modules = std::move(modules);
    return r;
}

class ResultFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmora-out-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        base = (dir / "r%d").string();  // a '%' in the base name stays a '%'
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Read(const std::string& suffix) const
    {
        std::ifstream in(dir / ("r%d" + suffix), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir;
    std::string base;
    std::string error;
};

}  // namespace

TEST_F(ResultFilesTest, WritesModulesSitesHeadingsAndTotalsByteForByte)
{
    CResultWriter writer(base, {3, 4}, false, "./Velmora -o 100% ");
    ASSERT_TRUE(writer.Open(&error)) << error;
    ASSERT_TRUE(writer.WriteRecord(
        Record(">s1 50%d%s", 1000,
               {Module(120, 12.5, {Site(0, 130, true, 0.5, "ACG"), Site(1, 150, false, 1.0, "TTGA")}),
                Module(640, -3.25)}),
        &error))
        << error;
    // A second record, shorter than the module: no headings, and the
    // interval ends where the window does, at the record's end.
    ASSERT_TRUE(writer.WriteRecord(Record(">s2", 57, {Module(0, 0.0000004, {Site(1, 3, false, 1, "ACGT")})}), &error));
    RUNTOTALS totals(2);
    totals.modules = 4;
    totals.sites = {1, 2};
    ASSERT_TRUE(writer.WriteSummary(totals, &error));
    ASSERT_TRUE(writer.Close(&error));

    EXPECT_EQ(Read("_module.txt"), "\n\nVelmora 1.0\n./Velmora -o 100% \n\n"
                                   ">s1 50%d%s\t[120,320]\t12.500000\t+1(130)-2(150)\n"
                                   ">s1 50%d%s\t[640,840]\t-3.250000\tNULL\n"
                                   ">s2\t[0,57]\t0.000000\t-2(3)\n"
                                   "\n# modules = 4\n");
    EXPECT_EQ(Read("_motif1.txt"), "\n\nmotif 1\n\n"
                                   ">s1 50%d%s\tf\t130\t0.500000\nACG\n"
                                   "\n # of sites for motif 1 = 1\n");
    EXPECT_EQ(Read("_motif2.txt"), "\n\nmotif 2\n\n"
                                   ">s1 50%d%s\tr\t150\t1.000000\nTTGA\n"
                                   ">s2\tr\t3\t1.000000\nACGT\n"
                                   "\n # of sites for motif 2 = 2\n");
}

TEST_F(ResultFilesTest, AppendsToWhatIsThere)
{
    std::ofstream(dir / "r%d_module.txt", std::ios::binary) << "earlier run\n";
    CResultWriter writer(base, {3, 4}, false, "");
    ASSERT_TRUE(writer.Open(&error) && writer.WriteSummary(RUNTOTALS(2), &error)) << error;
    EXPECT_EQ(Read("_module.txt"), "earlier run\n\n# modules = 0\n");
    EXPECT_EQ(Read("_motif2.txt"), "\n # of sites for motif 2 = 0\n");
}

TEST_F(ResultFilesTest, ReportsAFullDisk)
{
    fs::create_symlink("/dev/full", dir / "r%d_motif2.txt");
    CResultWriter writer(base, {3, 4}, false, "");
    ASSERT_TRUE(writer.Open(&error)) << error;
    EXPECT_FALSE(writer.WriteRecord(Record(">s", 10, {}), &error));
    EXPECT_EQ(error, "cannot write result file '" + (dir / "r%d_motif2.txt").string() + "': No space left on device");
    EXPECT_EQ(Read("_module.txt").substr(0, 14), "\n\nVelmora 1.0\n");
}

TEST_F(ResultFilesTest, OpenFindsAnUnwritableFileAndRemovesWhatItCreated)
{
    fs::create_directory(dir / "r%d_motif2.txt");
    std::ofstream(dir / "r%d_motif1.txt", std::ios::binary) << "kept";
    {
        CResultWriter writer(base, {3, 3, 3}, false, "");
        EXPECT_FALSE(writer.Open(&error));
    }
    EXPECT_EQ(error, "cannot write result file '" + (dir / "r%d_motif2.txt").string() + "': Is a directory");
    EXPECT_FALSE(fs::exists(dir / "r%d_module.txt"));  // created by the check, removed again
    EXPECT_EQ(Read("_motif1.txt"), "kept");            // there before: left alone
    EXPECT_FALSE(fs::exists(dir / "r%d_motif3.txt"));  // never reached

    fs::remove(dir / "r%d_motif2.txt");
    CResultWriter writer(base, {3, 3, 3}, false, "");
    EXPECT_TRUE(writer.Open(&error));
    EXPECT_EQ(Read("_module.txt"), "");
    EXPECT_EQ(Read("_motif1.txt"), "kept");
}

TEST_F(ResultFilesTest, BedFilesHoldModulesAndSitesInGenomicCoordinates)
{
    CResultWriter writer(base, {3, 4}, true, "");
    ASSERT_TRUE(writer.Open(&error)) << error;
    // bedtools getfasta's name; a site of motif 1 and one of motif 2 start
    // at 150: motif order.
    ASSERT_TRUE(writer.WriteRecord(Record(">chr2:1000-2000 peak 7", 1000,
                                          {Module(120, 12.5,
                                                  {Site(0, 130, true, 0.5, "ACG"), Site(0, 150, true, 0.125, "ACG"),
                                                   Site(1, 150, false, 1.0, "TTGA")}),
                                           Module(640, -3.25, {Site(1, 700, false, 0.25, "TTGA")})}),
                                   &error))
        << error;
    // Shorter than the module: the window ends at 57.
    ASSERT_TRUE(writer.WriteRecord(Record(">s2", 57, {Module(0, 0.0000004, {Site(1, 3, false, 1, "ACGT")})}), &error));

    EXPECT_EQ(Read("_modules.bed"), "chr2\t1120\t1320\tmodule1\t12.500000\t.\t+1(130)+1(150)-2(150)\n"
                                    "chr2\t1640\t1840\tmodule2\t-3.250000\t.\t-2(700)\n"
                                    "s2\t0\t57\tmodule3\t0.000000\t.\t-2(3)\n");
    EXPECT_EQ(Read("_sites.bed"), "chr2\t1130\t1133\t1\t0.500000\t+\n"
                                  "chr2\t1150\t1153\t1\t0.125000\t+\n"
                                  "chr2\t1150\t1154\t2\t1.000000\t-\n"
                                  "chr2\t1700\t1704\t2\t0.250000\t-\n"
                                  "s2\t3\t7\t2\t1.000000\t-\n");
    // The usual files keep the whole header line and record positions.
    EXPECT_EQ(Read("_motif1.txt"), "\n\nmotif 1\n\n"
                                   ">chr2:1000-2000 peak 7\tf\t130\t0.500000\nACG\n"
                                   ">chr2:1000-2000 peak 7\tf\t150\t0.125000\nACG\n");
}

TEST_F(ResultFilesTest, WithoutBedNoBedFileIsTouched)
{
    CResultWriter writer(base, {3, 4}, false, "");
    ASSERT_TRUE(writer.Open(&error) &&
                writer.WriteRecord(Record(">s", 10, {Module(1, 1, {Site(0, 2, true, 1, "ACG")})}), &error) &&
                writer.WriteSummary(RUNTOTALS(2), &error));
    EXPECT_FALSE(fs::exists(dir / "r%d_modules.bed"));
    EXPECT_FALSE(fs::exists(dir / "r%d_sites.bed"));
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
        {">chr2:2000-1000", "chr2:2000-1000", 0},  // end before start
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

TEST_F(ResultFilesTest, CutBackTakesTheRunsLinesBackOut)
{
    std::ofstream(dir / "r%d_module.txt", std::ios::binary) << "earlier run\n";
    CResultWriter writer(base, {3, 4}, true, "");
    ASSERT_TRUE(writer.Open(&error)) << error;
    ASSERT_TRUE(writer.WriteRecord(Record(">s", 10, {Module(1, 1, {Site(0, 2, true, 1, "ACG")})}), &error));
    writer.CutBack();
    EXPECT_EQ(Read("_module.txt"), "earlier run\n");
    for (const char* suffix : {"_motif1.txt", "_motif2.txt", "_modules.bed", "_sites.bed"})
        EXPECT_FALSE(fs::exists(dir / (std::string("r%d") + suffix))) << suffix;
}
