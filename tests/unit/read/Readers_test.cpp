// The FASTA reader and the matrix reader, on what their messages cannot
// show: the records and the matrices they hand on. Their messages are in
// tests/cli/cases.tst.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../../GzipForTests.h"
#include "scanner/read/FastaReader.h"
#include "scanner/read/MatrixReader.h"
#include "scanner/run/RecordStream.h"

namespace fs = std::filesystem;

namespace {

// The counts of a background model of letters, counted in one piece.
BACKGROUNDCOUNTS CountsOf(std::string_view letters)
{
    CBackgroundCounter counter;
    counter.Add(letters);
    counter.EndRecord();
    return counter.Counts();
}

// Every record as "name|letters|line", read with the given block size. The
// letters' other-letter count and background counts, made piece by piece
// while reading, must be those of the record's letters taken whole.
std::vector<std::string> Records(const std::string& bytes, std::size_t block)
{
    CLineReader lines(std::make_unique<CMemorySource>(bytes), block);
    CFastaReader fasta(lines);
    CBackgroundWatch watch;
    fasta.SetLetterWatch(&watch);
    std::vector<std::string> records;
    FASTARECORD r;
    while (fasta.Next(&r)) {
        records.push_back(r.name + "|" + r.letters.str() + "|" + std::to_string(r.line) + (r.named ? "" : " unnamed"));
        EXPECT_EQ(r.otherLetters, OtherLetters(r.letters.view())) << records.back();
        const BACKGROUNDCOUNTS whole = CountsOf(r.letters.view());
        const BACKGROUNDCOUNTS& read = watch.Counts();
        EXPECT_TRUE(std::equal(std::begin(whole.base), std::end(whole.base), std::begin(read.base)) &&
                    std::equal(std::begin(whole.pair), std::end(whole.pair), std::begin(read.pair)))
            << records.back();
    }
    EXPECT_TRUE(fasta.Done());
    return records;
}

}  // namespace

// Both counters work on stretches without a branch per letter:
// OtherLetters counts 255 into one byte (lower case, never left by the
// reader, counts as other); LeadingLetters checks 32 at a time (the bytes
// next to 'A'-'Z' and 'a'-'z', and bytes above 127, are no letters).
// Counts before, at and across the stretches' borders.
TEST(FastaReaderTest, CountsAcrossStretches)
{
    using Count = std::size_t (*)(std::string_view);
    const std::string a31(31, 'A');
    const std::string z32(32, 'z');
    const struct {
        Count count;
        std::string text;
        std::size_t expected;
    } rows[] = {
        {OtherLetters, "", 0},
        {OtherLetters, "ACGTN", 0},
        {OtherLetters, "acgtRYX", 7},
        {OtherLetters, std::string(255, 'A'), 0},
        {OtherLetters, std::string(255, 'R'), 255},
        {OtherLetters, std::string(256, 'R'), 256},
        {OtherLetters, std::string(600, 'R') + std::string(600, 'G'), 600},
        {OtherLetters, std::string(1000, 'T') + "X" + std::string(254, 'C') + "YY", 3},
        {LeadingLetters, "", 0},
        {LeadingLetters, "AZaz", 4},
        {LeadingLetters, "@", 0},
        {LeadingLetters, "[", 0},
        {LeadingLetters, "`", 0},
        {LeadingLetters, "{", 0},
        {LeadingLetters, a31 + "@", 31},
        {LeadingLetters, z32 + "[", 32},
        {LeadingLetters, z32 + "g`", 33},
        {LeadingLetters, z32 + z32, 64},
        {LeadingLetters, z32 + a31 + "{" + z32, 63},
        {LeadingLetters, z32 + z32 + z32 + "\xc1" + "A", 96},
        {LeadingLetters, a31 + "\xfa" + z32, 31},
        {LeadingLetters, "A\n" + z32, 1},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(rows[i].count(rows[i].text), rows[i].expected)
            << "row " << i << ", " << rows[i].text.size() << " bytes";
}

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
        {"RYRY\n>s\nAC\n", {">s|AC|2"}},
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
        last = set;
        return set.matrices;
    }
    // The message for a file of any number of matrices, naming it 'm'.
    std::string ErrorFor(const std::string& content)
    {
        const std::string path = (dir / "m").string();
        std::ofstream(path, std::ios::binary) << content;
        MATRIXSET set;
        std::string message;
        EXPECT_FALSE(ReadMatrixFile(path, 0, &set, &message)) << content;
        for (std::size_t at; (at = message.find(path)) != std::string::npos;)
            message.replace(at, path.size(), "m");
        return message;
    }

    fs::path dir;
    std::string error;
    std::vector<int> widths;
    MATRIXSET last;  // the whole set of the last Read
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
        "AC MA1\nXX\nP0      A      C      G      T\n01      8      0      2      0\n02 1 1 1 5\nXX\n//\n",
        "VV  release\nXX\n//\nPO\tA\tC\tG\tT\n1\t8.0\t0.0\t2.0\t0.0\tG\n\n2\t1\t1\t1\t5\tN\n",
        "AC MA1\nP0 T G C A\n01 0 2 0 8\n02 5 1 1 1\n//\n",
        "PO\tc\tA\tt\tg\n1\t0\t8\t0\t2\tA\n2\t1\t1\t5\t1\tT\n",
        "preamble\n>MA1 x\n# counts\n\n8 0 2 0\n0.125 0.125   0.125 0.625\n\n",
        ">3prime\r\n8 0 2 0\r\n1\t1\t1\t5\r\n",
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

TEST_F(MatrixReaderTest, IdsAndNamesOfEveryFormat)
{
    const struct {
        std::string file;
        std::vector<std::string> ids, names;
        std::vector<int> widths;
    } rows[] = {
        {">1 bcd  site \n1\t2\t3\t4\n> 2\n1\t1\t1\t1\n1\t1\t1\t1\n", {"", ""}, {"bcd  site", ""}, {1, 2}},
        {">MA0212.1\tbcd\nA [1]\nC [1]\nG [1]\nT [1]\n>MA2\nA 1\nC 1\nG 1\nT 1\n",
         {"MA0212.1", "MA2"},
         {"bcd", ""},
         {1, 1}},
        {"MOTIF MA0212.1 bcd\nletter-probability matrix: w= 1\n1 1 1 1\nMOTIF m2\nletter-probability matrix:\n1 1 1 "
         "1\n",
         {"MA0212.1", "m2"},
         {"bcd", ""},
         {1, 1}},
        {"AC MA0212.1\nAC MA9\nID bcd\nP0 A C G T\n01 1 1 1 1\n02 1 1 1 1\n//\nID hb\nPO A C G T\n01 1 1 1 1\n",
         {"MA0212.1", ""},
         {"bcd", "hb"},
         {2, 1}},
        {"# list\n>bcd site\n1 2 3 4\n\n#\n1 2 3 4\n>-\n1 1 1 1\n", {"", ""}, {"bcd site", "-"}, {2, 1}},
        // Letter rows of three numbers, four words like a simple row: JASPAR's.
        {">MA1 x\nA 1 2 3\nC 1 2 3\nG 1 2 3\nT 1 2 3\n", {"MA1"}, {"x"}, {3}},
    };
    for (const auto& row : rows) {
        Read(row.file, 0);
        EXPECT_EQ(last.ids, row.ids) << row.file;
        EXPECT_EQ(last.names, row.names) << row.file;
        EXPECT_EQ(last.widths, row.widths) << row.file;
        EXPECT_EQ(last.lines.size(), row.widths.size()) << row.file;
    }
}

TEST_F(MatrixReaderTest, TransfacAndSimpleFormatMessages)
{
    std::string wide = ">wide\n", wideTransfac = "P0 A C G T\n";
    for (int j = 1; j <= 1001; ++j) {
        wide += "1 1 1 1\n";
        wideTransfac += std::to_string(j) + " 1 1 1 1\n";
    }
    const std::string at = "matrix file 'm', line ";
    const struct {
        std::string file, message;
    } rows[] = {
        {"AC a\nP0 A C G T\n01 1 x 3 4\n//\n", at + "3: row 1, column 2 (C): 'x' is not a number"},
        {"P0 A C G T\n01 1 2 3\n//\n",
         at + "2: row 1 holds 3 counts; a row holds its number and one count each for A, C, G, T"},
        {"P0 A C G T\n01 1 2 3 4 5\n//\n",
         at + "2: row 1 holds 5 counts; a row holds its number and one count each for A, C, G, T"},
        {"AC a\nID b\nP0 A C G T\nXX\n//\n", at + "5: the record at line 1 ends without matrix rows"},
        {"P0 A C G T\n01 1 1 1 1\n03 1 1 1 1\n//\n",
         at + "3: a row numbered '03' where row 2 of the record at line 1 should be"},
        {"P0 A C G T\n01 1 1 1 1\nXX\n02 1 1 1 1\n//\n",
         at + "4: a numbered row outside a matrix; the rows of a matrix follow its P0 line"},
        {"AC a\nP0 A C G T\n01 1 1 1 1\nPO A C G T\n//\n",
         at + "4: a second P0 line in the record at line 1 (the first at line 2)"},
        {"P0 A C G T\n01 1 1 1 1\n//\nP0 A C G U\n01 1 1 1 1\n",
         at + "4: the P0 line names the columns 'A C G U'; it must name A, C, G and T, each once, in any order"},
        // A P0 line that cannot be read is named also where it is the file's only one.
        {"AC MA1\nP0 T G C\n01 1 1 1\n//\n",
         at + "2: the P0 line names the columns 'T G C'; it must name A, C, G and T, each once, in any order"},
        {"AC MA1\nPO  a C G A\n01 1 1 1 1\n//\n",
         at + "2: the P0 line names the columns 'a C G A'; it must name A, C, G and T, each once, in any order"},
        {"AC MA1\nP0 A C G T N\n01 1 1 1 1 1\n//\n",
         at + "2: the P0 line names the columns 'A C G T N'; it must name A, C, G and T, each once, in any order"},
        {"AC a\nP0 T G C A\n01 1 x 3 4\n//\n", at + "3: row 1, column 2 (G): 'x' is not a number"},
        {"P0 A C G T\n01 1 1 1 1\n//\nAC MA2\nP0 A C G T\n",
         "matrix file 'm' is truncated: the file ends before the rows of the record at line 4"},
        {wideTransfac, at + "1: the record at line 1 is more than 1000 positions wide"},
        {"P0 A C G T\n01 1 1 1 1\n02 0 0 0 0\n//\n",
         at + "3: row 2 sums to 0; at least one of A, C, G, T must be positive"},
        {"P0 A C G T\n01 1 1 1 1\n//\nMOTIF x\n",
         at + "4: a MEME motif line in a file of TRANSFAC matrices (the first at line 1); one file holds one format"},
        {">1 x\n1\t1\t1\t1\nP0 A C G T\n01 1 1 1 1\n",
         at + "3: a TRANSFAC matrix where the file's matrices are in Velmora's format (the first at line 1); one file "
              "holds one format"},
        {">bcd\n1 2 3 4\nend\n", at + "3: found 'end' where row 2 of the matrix at line 1 or a '>' header should be"},
        {">bcd\n1 2 3\n", at + "2: row 1 holds 3 numbers; a row holds four, for A, C, G, T"},
        {">bcd\n1 2 x 4\n", at + "2: row 1, column 3 (G): 'x' is not a number"},
        // A row with a wrong number where a number should start it is still a row.
        {">bcd\nnan 2 3 4\n", at + "2: row 1, column 1 (A): 'nan' is not a finite number"},
        {">bcd\n\n# c\ninf inf inf inf\n", at + "4: row 1, column 1 (A): 'inf' is not a finite number"},
        {">bcd\n1 2 3 4\nn/a 0 0 22\n", at + "3: row 2, column 1 (A): 'n/a' is not a number"},
        {">bcd\nno such row\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got 'bcd'"},
        {wide, at + "1: the matrix at line 1 is more than 1000 positions wide"},
        {">bcd\n1 1 1 1\n\n0 0 0 0\n", at + "4: row 2 sums to 0; at least one of A, C, G, T must be positive"},
        {">1 x\n1\t1\t1\t1\n>bcd\n1 1 1 1\n", at + "3: a '>name' matrix where the file's matrices are in Velmora's "
                                                   "format (the first at line 1); one file holds one format"},
        {">bcd\n1 1 1 1\n>2\n1\t1\t1\t1\n1\t1\t1\t1\n",
         at + "3: a '>' matrix header in a file of '>name' matrices (the first at line 1); one file holds one format"},
        // Where the two '>' formats meet: a number, or rows split by tabs, make the header Velmora's.
        {">12.5\n1 1 1 1\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got '12.5'"},
        {">bcd\n# c\n1\t2\t3\t4\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got 'bcd'"},
        {">\n1 2 3 4\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got ''"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ErrorFor(row.file), row.message) << row.file;
}

// A sequence file given as the matrix file is told to be one; a broken
// matrix file of any format keeps its own message, as its rows hold numbers
// or brackets, never bases alone.
TEST_F(MatrixReaderTest, ASequenceFileIsToldFromABrokenMatrixFile)
{
    const std::string fasta = "matrix file 'm' looks like a FASTA sequence file (line ";
    const std::string tail = " holds bases): give it to -i and the matrices to -M";
    const std::string at = "matrix file 'm', line ";
    const struct {
        std::string file, message;
    } rows[] = {
        {">chr2L\nGGTTACCCGG\nACAG\n>chr3\nTT\n", fasta + "2" + tail},
        {"\n\n>s\n\nnnnnacgtu\n", fasta + "5" + tail},
        {">6 bcd\nACGTACGTNN\n", fasta + "2" + tail},
        {">6 bcd\n0\t0\t0\t22\n", "matrix file 'm' is truncated: the matrix at line 1 has width 6 but the file ends "
                                  "after 1 row"},
        {">MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\n", "matrix file 'm' is truncated: the file ends before the G row of the "
                                           "matrix at line 1"},
        {">bcd\nACGT ACGT\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got 'bcd'"},
        {"# seqs\n>bcd\nACGT\n", at + "2: the width after '>' must be a whole number from 1 to 1000, got 'bcd'"},
        {">bcd\n>hb\nACGT\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got 'bcd'"},
        {">bcd\n", at + "1: the width after '>' must be a whole number from 1 to 1000, got 'bcd'"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ErrorFor(row.file), row.message) << row.file;
}

TEST_F(MatrixReaderTest, SelectionByIdOrName)
{
    const std::string file = ">MA0212.1 bcd\nA [1]\nC [2]\nG [3]\nT [4]\n>MA0049.1 hb\nA 1\nC 1\nG 1\nT 1\n"
                             ">hb bcd\nA 5\nC 1\nG 1\nT 1\n>MA0452.3 Kr\nA 1\nC 1\nG 1\nT 9\n";
    const MatrixSet all = Read(file, 4);
    const MATRIXSET whole = last;
    const struct {
        std::vector<std::string> wanted;
        std::vector<std::size_t> kept;  // or the message
        std::string message;
    } rows[] = {
        {{"Kr", "MA0212.1"}, {3, 0}, ""},
        {{"hb"}, {2}, ""},  // an ID before a name
        {{"bcd"}, {}, "matrix file 'm': 2 matrices are named 'bcd' (MA0212.1, hb): pick one by its ID"},
        {{}, {0, 1, 2, 3}, ""},
        {{"BCD"}, {}, "matrix file 'm' has no matrix with ID or name 'BCD'; nearest: bcd, hb, Kr"},
        {{"MA0049"},
         {},
         "matrix file 'm' has no matrix with ID or name 'MA0049'; nearest: MA0049.1, MA0212.1, MA0452.3"},
        {{""}, {}, "matrix file 'm' has no matrix with ID or name ''; nearest: hb, Kr, bcd"},
        {{"Kr", "hb", "Kr"}, {}, "matrix file 'm': 'Kr' is asked for twice"},
        {{"MA0452.3", "Kr"}, {}, "matrix file 'm': 'MA0452.3' and 'Kr' are the same matrix (line 16)"},
    };
    for (const auto& row : rows) {
        MATRIXSET set = whole;
        std::string message;
        EXPECT_EQ(SelectMatrices(&set, row.wanted, "m", &message), row.message.empty()) << message;
        EXPECT_EQ(message, row.message);
        if (!row.message.empty()) {
            EXPECT_EQ(set.matrices, all);  // left alone
            continue;
        }
        ASSERT_EQ(set.matrices.size(), row.kept.size());
        for (std::size_t k = 0; k < row.kept.size(); ++k) {
            EXPECT_EQ(set.matrices[k], all[row.kept[k]]);
            EXPECT_EQ(set.ids[k], whole.ids[row.kept[k]]);
            EXPECT_EQ(set.names[k], whole.names[row.kept[k]]);
            EXPECT_EQ(set.lines[k], whole.lines[row.kept[k]]);
            EXPECT_EQ(set.widths[k], 1);
        }
    }
    MATRIXSET none;
    std::string message;
    EXPECT_FALSE(SelectMatrices(&none, {"bcd"}, "m", &message));
    EXPECT_EQ(message, "matrix file 'm' has no matrix with ID or name 'bcd'");
}

// A name several matrices share picks none; those without an ID are named
// by their line, and can only be told apart by a name of their own.
TEST_F(MatrixReaderTest, ASharedNameNamesEveryMatrixThatHasIt)
{
    const struct {
        std::string file;
        std::string message;
    } rows[] = {
        {">1 bcd\n1\t1\t1\t1\n>1 hb\n1\t1\t1\t1\n>1 bcd\n1\t1\t1\t1\n",
         "matrix file 'm': 2 matrices are named 'bcd' (line 1, line 5): give each its own name in the file"},
        {"ID bcd\nP0 A C G T\n01 1 1 1 1\n//\nAC MA2\nID bcd\nP0 A C G T\n01 1 1 1 1\n//\n",
         "matrix file 'm': 2 matrices are named 'bcd' (line 1, MA2): pick one by its ID or give each its own name in "
         "the file"},
    };
    for (const auto& row : rows) {
        Read(row.file, 0);
        MATRIXSET set = last;
        std::string message;
        EXPECT_FALSE(SelectMatrices(&set, {"bcd"}, "m", &message)) << row.file;
        EXPECT_EQ(message, row.message);
    }
}

TEST_F(MatrixReaderTest, JasparTransfacDownloadAndTheExampleInFiveFormats)
{
    const std::string data = VELMORA_TEST_DATA;
    const MatrixSet own = ReadPath(data + "/../../examples/fly_bcd_hb_Kr.pwm", 3);
    for (const char* other : {"/../../examples/fly_bcd_hb_Kr.jaspar", "/../../examples/fly_bcd_hb_Kr.meme",
                              "/formats/fly_bcd_hb_Kr.transfac", "/formats/fly_bcd_hb_Kr.simple"})
        EXPECT_EQ(ReadPath(data + other, 3), own) << other;

    ReadPath(data + "/jaspar/JASPAR2024_CORE_insects_non-redundant_pfms_transfac.txt", 286);
    MATRIXSET insects = last;
    EXPECT_EQ(insects.ids.front() + " " + insects.names.front() + " " + std::to_string(insects.widths.front()),
              "MA0013.1 br 11");
    for (const std::string word : {"MA0212.1", "bcd"}) {
        MATRIXSET set = insects;
        EXPECT_TRUE(SelectMatrices(&set, {word, "MA0022.1"}, "m", &error)) << error;
        EXPECT_EQ(set.matrices, (MatrixSet {own[0], insects.matrices[1]})) << word;
        EXPECT_EQ(set.ids, (std::vector<std::string> {"MA0212.1", "MA0022.1"}));
    }
}
