// The result writer on what the golden runs do not reach: the BED name of
// every kind of header, and BED sites that share a start.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scanner/ResultWriter.h"

namespace fs = std::filesystem;

TEST(WriterTest, BedNameIsTheHeadersFirstWordOrItsInterval)
{
    const struct {
        const char* header;
        const char* chrom;
        long long offset;
    } rows[] = {
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
        {">chr2:2000-1000", "chr2:2000-1000", 0},
        {">chr2:1000-2000(+)", "chr2:1000-2000(+)", 0},
        {">chr2:1e3-2000", "chr2:1e3-2000", 0},
        {">chr2:-5-10", "chr2:-5-10", 0},
        {">chr2:1000-", "chr2:1000-", 0},
        {">chr2:1234567890123456-1234567890123457", "chr2:1234567890123456-1234567890123457", 0},
        {">:1-2", ":1-2", 0},
        {">gene:7", "gene:7", 0},
    };
    for (const auto& row : rows) {
        const BEDNAME name = BedSequenceName(row.header);
        EXPECT_EQ(name.chrom + " " + std::to_string(name.offset), row.chrom + (" " + std::to_string(row.offset)));
    }
}

TEST(WriterTest, BedSitesSortedByStartThenMotif)
{
    std::string pattern = (fs::temp_directory_path() / "velmora-out-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    RECORDRESULT r;
    r.name = ">chr2:1000-2000 peak 7";
    r.length = 1000;
    r.window = 200;
    r.modules = {MODULEINFO {120,
                             12.5,
                             {SITEINFO {1, 130, false, 1.0, "TTGA"}, SITEINFO {0, 150, true, 0.125, "ACG"},
                              SITEINFO {1, 150, false, 0.5, "TTGA"}}}};
    CResultWriter writer((dir / "r").string(), {3, 4}, true, "");
    std::string error;
    ASSERT_TRUE(writer.Open({}, &error) && writer.WriteRecord(r, &error) && writer.Close(&error)) << error;
    std::ostringstream sites;
    sites << std::ifstream(dir / "r_sites.bed").rdbuf();
    EXPECT_EQ(sites.str(), "chr2\t1130\t1134\t2\t1.000000\t-\nchr2\t1150\t1153\t1\t0.125000\t+\n"
                           "chr2\t1150\t1154\t2\t0.500000\t-\n");
    fs::remove_all(dir);
}
