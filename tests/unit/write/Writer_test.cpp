// The result writer on what the golden runs do not reach: the BED name of
// every kind of header, and BED sites that share a start.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scanner/write/ResultWriter.h"

namespace fs = std::filesystem;

TEST(WriterTest, BedNameIsTheHeadersFirstWordOrItsInterval)
{
    // header (read 1-based or not), then the name and interval read from
    // it: "chrom offset end", and "-" after a minus-strand interval.
    const struct {
        const char* header;
        bool oneBased;
        const char* want;
    } rows[] = {
        {">chr1", false, "chr1 0 0"},
        {">chr1 Homo sapiens", false, "chr1 0 0"},
        {">chr1\tdescription", false, "chr1 0 0"},
        {"> eve_stripe2", false, "eve_stripe2 0 0"},
        {">", false, "unnamed 0 0"},
        {"", false, "unnamed 0 0"},
        {">chr2:1000-2000", false, "chr2 1000 2000"},
        {">chr2:1000-2000 peak", false, "chr2 1000 2000"},
        {">HLA:A:0-99", false, "HLA:A 0 99"},
        {">chrUn:5-5", false, "chrUn 5 5"},
        {">chr2:2000-1000", false, "chr2:2000-1000 0 0"},
        {">chr2:1e3-2000", false, "chr2:1e3-2000 0 0"},
        {">chr2:-5-10", false, "chr2:-5-10 0 0"},
        {">chr2:1000-", false, "chr2:1000- 0 0"},
        {">chr2:1234567890123456-1234567890123457", false, "chr2:1234567890123456-1234567890123457 0 0"},
        {">:1-2", false, ":1-2 0 0"},
        {">gene:7", false, "gene:7 0 0"},
        {">chr2:1000-2000(+)", false, "chr2 1000 2000"},
        {">chr2:1000-2000(-)", false, "chr2 1000 2000 -"},
        {">peak7::chr2:1000-2000", false, "chr2 1000 2000"},
        {">peak7::chr2:1000-2000(-) x", false, "chr2 1000 2000 -"},
        {">peak7::", false, "peak7:: 0 0"},
        {">chr2:1000-2000(*)", false, "chr2:1000-2000(*) 0 0"},
        {">chr2:1001-2000", true, "chr2 1000 2000"},
        {">chr2:0-2000", true, "chr2:0-2000 0 0"},
        {">chr2:5-4", true, "chr2 4 4"},
    };
    for (const auto& row : rows) {
        const BEDNAME name = BedSequenceName(row.header, row.oneBased);
        const std::string got =
            name.chrom + " " + std::to_string(name.offset) + " " + std::to_string(name.end) + (name.minus ? " -" : "");
        EXPECT_EQ(got, row.want) << row.header;
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
    EXPECT_EQ(sites.str(), "chr2\t1130\t1134\tmotif2\t1000\t-\t1.000000\t2\tTTGA\n"
                           "chr2\t1150\t1153\tmotif1\t125\t+\t0.125000\t1\tACG\n"
                           "chr2\t1150\t1154\tmotif2\t500\t-\t0.500000\t2\tTTGA\n");
    fs::remove_all(dir);
}
