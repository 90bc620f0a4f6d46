// The FASTA reader and the matrix reader, on what their messages cannot
// show: the records and the matrices they hand on. Their messages are in
// tests/cli/cases.tst.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../GzipForTests.h"
#include "scanner/FastaReader.h"
#include "scanner/MatrixReader.h"

namespace fs = std::filesystem;

namespace {

// Every record as "name|letters|line", read with the given block size.
std::vector<std::string> Records(const std::string& bytes, std::size_t block)
{
    CLineReader lines(std::make_unique<CMemorySource>(bytes), block);
    CFastaReader fasta(lines);
    std::vector<std::string> records;
    FASTARECORD r;
    while (fasta.Next(&r))
        records.push_back(r.name + "|" + r.letters.str() + "|" + std::to_string(r.line) + (r.named ? "" : " unnamed"));
    EXPECT_TRUE(fasta.Done());
    return records;
}

}  // namespace

TEST(FastaReaderTest, RecordsWhateverTheBlockSize)
{
    const struct {
        std::string bytes;
        std::vector<std::string> records;
    } rows[] = {
        {">chr1 promoter region\nACGT\n", {">chr1 promoter region|ACGT|1"}},
        {">a%d%s\r\nac\r\ngt\r\n", {">a%d%s|ACGT|1"}},
        {"AC\n>last", {">last||2"}},
        {">s\nacgtnACGT\nACGT ACGT\n10 ACGT\n\n;x\nAC\tGT\nxyzRYSW-\nAC\xc3\xa9GT\n",
         {">s|ACGTNACGTACGTACXYZRYSWAC|1"}},
        {">r1\nAC\nGT\n>r2\n>r3\nT\nTT", {">r1|ACGT|1", ">r2||4", ">r3|TTT|5"}},
        {"GGGG\n\n;x\n>s\nA\n", {">s|A|4"}},
        {"acg\nTT\n", {"|ACGTT|0 unnamed"}},
        {"", {"||0 unnamed"}},
        {"\n\n", {"||0 unnamed"}},
        {">r1 name\r\nacgtNNac\r\nAC GT\r\nTT\r\n;x\r\n>r2\r\n" + std::string(50, 'g') + "\r\n>r3\r\nA1CCCC\r\n",
         {">r1 name|ACGTNNACACTT|1", ">r2|" + std::string(50, 'G') + "|6", ">r3|A|8"}},
        {">" + std::string(70, 'h') + "\n" + std::string(90, 'c') + "\n",
         {">" + std::string(70, 'h') + "|" + std::string(90, 'C') + "|1"}},
    };
    for (const auto& row : rows)
        for (const std::size_t block : {1, 2, 3, 5, 8, 64, 1 << 17})
            EXPECT_EQ(Records(row.bytes, block), row.records) << row.bytes << "\nblock " << block;
}

class MatrixReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmora-matrix-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // The matrices of a file holding K of them, or none with the message.
    MatrixSet Read(const std::string& content, int K = 1)
    {
        std::ofstream(dir / "m", std::ios::binary) << content;
        return ReadPath((dir / "m").string(), K);
    }
    MatrixSet ReadPath(const std::string& path, int K)
    {
        MATRIXSET set;
        error.clear();
        EXPECT_TRUE(ReadMatrixFile(path, K, &set, &error)) << error;
        widths = set.widths;
        return set.matrices;
    }

    fs::path dir;
    std::string error;
    std::vector<int> widths;
};

TEST_F(MatrixReaderTest, RowsAreNormalisedWithThePseudocountToTheLastBit)
{
    const MatrixSet m = Read(">2\n8\t0\t2\t0\n1\t1\t1\t5\n");
    const double s = 10.0;
    EXPECT_EQ(m.at(0), (Matrix {(8 + 0.0025 * s) / (1.01 * s), (0 + 0.0025 * s) / (1.01 * s),
                                (2 + 0.0025 * s) / (1.01 * s), (0 + 0.0025 * s) / (1.01 * s),
                                (1 + 0.0025 * 8.0) / (1.01 * 8.0), (1 + 0.0025 * 8.0) / (1.01 * 8.0),
                                (1 + 0.0025 * 8.0) / (1.01 * 8.0), (5 + 0.0025 * 8.0) / (1.01 * 8.0)}));
}

// The same counts, 8 0 2 0 and 1 1 1 5, in every form every format allows.
TEST_F(MatrixReaderTest, EveryFormOfTheSameCountsGivesTheSameMatrix)
{
    const MatrixSet expected = Read(">2 x\n8\t0\t2\t0\n1\t1\t1\t5\n");
    const std::string jaspar = ">MA1 x\nA [ 8 1 ]\nC [ 0 1 ]\nG [ 2 1 ]\nT [ 0 5 ]\n";
    const std::vector<std::string> forms = {
        ">2\r\n8\t0\t2\t0\r\n1\t1\t1\t5\r\n",
        "comment\n> 2\n8.0\t0.000\t2.\t0\n1e0\t1E+0\t0.1e1\t5\n",
        ">+2 name\n 8 \t0 \t 2\t0 \n1\t1\t1\t5\t99\tnot read\n\n",
        ">2\n0.8\t0\t0.2\t0\n0.125\t0.125\t0.125\t0.625",
        jaspar,
        ">MA1\nA\t8\t1\nC\t0\t1\nG\t2\t1\nT\t0\t5\n",
        "\n>MA1 x\r\nG  [2  1]\r\nt[0 5]\r\nA [ 8 1 ]\r\nC [0 1]\r\n",
        "JASPAR matrices\n>7 numeric ID\nA [8 1]\nC [0 1]\nG [2 1]\nT [0 5]\nend\n",
        "MEME version 4\n\nALPHABET= ACGT\n\nMOTIF MA1 x\nletter-probability matrix: alength= 4 w= 2 nsites= 8 E= 0\n"
        "0.8 0 0.2 0\n0.125 0.125 0.125 0.625\n",
        "MOTIF MA1\nletter-probability matrix: alength=4 w=2 nsites=8\n0.8 0 0.2 0\n.125 .125 .125 .625\nURL x\n",
        "MOTIF MA1\nletter-probability matrix:\n  8 0 2 0\n\t1 1 1 5\n\n",
        "MOTIF MA1\nletter-probability matrix: w= 2\n0.8 0 0.2 0\n0.125 0.125 0.125 0.625",
        "MOTIF list: bcd\nMEME version none\n>2 x\n8\t0\t2\t0\n1\t1\t1\t5\n",
        Gzip(jaspar),
    };
    for (const std::string& form : forms) {
        EXPECT_EQ(Read(form), expected) << form;
        EXPECT_EQ(widths, std::vector<int> {2}) << form;
    }
}

TEST_F(MatrixReaderTest, FilesInFileOrderAndMemeCountsRestoredOnlyWhenWhole)
{
    const std::string data = VELMORA_TEST_DATA;
    const MatrixSet small = ReadPath(data + "/small3.pwm", 3);
    EXPECT_EQ(widths, (std::vector<int> {3, 4, 2}));
    EXPECT_EQ(small.at(1)[0], 0.25);
    EXPECT_EQ(small.at(2)[3], (4 + 0.0025 * 4.0) / (1.01 * 4.0));
    const MatrixSet own = ReadPath(data + "/../../examples/fly_bcd_hb_Kr.pwm", 3);
    for (const char* other : {"jaspar", "meme"})
        EXPECT_EQ(ReadPath(data + "/../../examples/fly_bcd_hb_Kr." + other, 3), own) << other;
    EXPECT_EQ(widths, (std::vector<int> {6, 10, 9}));

    // 1/3 to six decimals times 3 is not within 1e-6 of 1: taken as given.
    const double s = 0.333333 + 0.333333 + 0.333334 + 0.0;
    EXPECT_EQ(Read("MOTIF a\nletter-probability matrix: w= 1 nsites= 3\n0.333333 0.333333 0.333334 0\n").at(0)[2],
              (0.333334 + 0.0025 * s) / (1.01 * s));
    EXPECT_EQ(
        Read("MOTIF a\nletter-probability matrix: w= 1 nsites= 3\n0.3333333333 0.3333333333 0.3333333334 0\n").at(0)[2],
        (1 + 0.0025 * 3.0) / (1.01 * 3.0));
}
