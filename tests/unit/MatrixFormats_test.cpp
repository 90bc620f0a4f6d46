// JASPAR and MEME matrix files, format recognition, and their messages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../GzipForTests.h"
#include "MatrixFileTest.h"
#include "scanner/MatrixReader.h"

namespace fs = std::filesystem;

namespace {

using MatrixFormatsTest = MatrixFileTest;

// The same two positions, counts 8 0 2 0 and 1 1 1 5, in each format.
const std::string kOwn = ">2 x\n8\t0\t2\t0\n1\t1\t1\t5\n";
const std::string kJaspar = ">MA1 x\nA [ 8 1 ]\nC [ 0 1 ]\nG [ 2 1 ]\nT [ 0 5 ]\n";
const std::string kMeme =
    "MEME version 4\n\nALPHABET= ACGT\n\nMOTIF MA1 x\nletter-probability matrix: alength= 4 w= 2 nsites= 8 E= 0\n"
    "0.8 0 0.2 0\n0.125 0.125 0.125 0.625\n";

}  // namespace

TEST_F(MatrixFormatsTest, SameCountsGiveTheSameMatricesInEveryFormat)
{
    ASSERT_TRUE(Read(kOwn)) << error;
    const std::vector<Matrix> expected = set.matrices;
    const std::vector<std::string> forms = {
        kJaspar,
        ">MA1\nA\t8\t1\nC\t0\t1\nG\t2\t1\nT\t0\t5\n",                   // no brackets, tabs, no name
        "\n>MA1 x\r\nG  [2  1]\r\nt[0 5]\r\nA [ 8 1 ]\r\nC [0 1]\r\n",  // any row order, CRLF, lower case
        "JASPAR matrices\n>7 numeric ID\nA [8 1]\nC [0 1]\nG [2 1]\nT [0 5]\nend of file\n",
        kMeme,
        "MOTIF MA1\nletter-probability matrix: alength=4 w=2 nsites=8\n0.8 0 0.2 0\n.125 .125 .125 .625\nURL x\n",
        "MOTIF MA1\nletter-probability matrix:\n  8 0 2 0\n\t1 1 1 5\n\n",  // no w=: rows up to the blank line
        "MOTIF MA1\nletter-probability matrix: w= 2\n0.8 0 0.2 0\n0.125 0.125 0.125 0.625",
        Gzip(kJaspar),
    };
    for (const std::string& form : forms) {
        SCOPED_TRACE(form);
        ASSERT_TRUE(Read(form)) << error;
        EXPECT_EQ(set.matrices, expected);  // bit for bit
        EXPECT_EQ(set.widths, std::vector<int> {2});
    }
}

TEST_F(MatrixFormatsTest, ExampleMatricesAreTheSameInAllThreeFiles)
{
    const std::string examples = fs::path(VELMORA_TEST_DATA).parent_path().parent_path() / "examples";
    ASSERT_TRUE(ReadPath(examples + "/fly_bcd_hb_Kr.pwm", 3)) << error;
    const std::vector<Matrix> own = set.matrices;
    for (const char* file : {"/fly_bcd_hb_Kr.jaspar", "/fly_bcd_hb_Kr.meme"}) {
        ASSERT_TRUE(ReadPath(examples + file, 3)) << error;
        EXPECT_EQ(set.matrices, own) << file;
        EXPECT_EQ(set.widths, (std::vector<int> {6, 10, 9}));
    }
}

TEST_F(MatrixFormatsTest, MemeProbabilitiesAreUsedAsGivenUnlessNsitesRestoresCounts)
{
    // 1/3 to six decimals times 3 is not within 1e-6 of 1: taken as given.
    ASSERT_TRUE(Read("MOTIF a\nletter-probability matrix: w= 1 nsites= 3\n0.333333 0.333333 0.333334 0\n"));
    const double s = 0.333333 + 0.333333 + 0.333334 + 0.0;
    EXPECT_EQ(set.matrices[0][2], (0.333334 + 0.0025 * s) / (1.01 * s));
    ASSERT_TRUE(Read("MOTIF a\nletter-probability matrix: w= 1 nsites= 3\n0.3333333333 0.3333333333 0.3333333334 0\n"));
    EXPECT_EQ(set.matrices[0][2], (1 + 0.0025 * 3.0) / (1.01 * 3.0));
}

TEST_F(MatrixFormatsTest, OwnFormatIsChosenWheneverTheFileReadsAsIt)
{
    // Lines outside own-format blocks stay comments, MEME-like ones too
    // (all but a MEME matrix line).
    ASSERT_TRUE(Read("MOTIF list: bcd\nMEME version none\n" + kOwn)) << error;
    struct Case {
        std::string text;
        std::string format;
        long long line;
    };
    const std::vector<Case> cases = {
        {"", "Velmora", 0},
        {"text\n" + kOwn, "Velmora", 2},
        {"text\n" + kJaspar, "JASPAR", 2},
        {">abc\nACGT\n", "Velmora", 1},  // a sequence line is no letter row
        {"# MEME file\n\n" + kMeme, "MEME", 3},
        {"MOTIF a\n" + kJaspar, "MEME", 1},
        {"letter-probability matrix: w= 1\n", "MEME", 1},
    };
    for (const Case& c : cases) {
        MatrixLines lines;
        std::size_t start = 0;
        for (std::size_t end; (end = c.text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(c.text.substr(start, end - start));
        long long line = -1;
        EXPECT_EQ(FirstFormatLine(lines, &line).name, c.format) << c.text;
        EXPECT_EQ(line, c.line) << c.text;
    }
}

// Each bad file: the message names the file, the line where it applies, and
// what is wrong.
TEST_F(MatrixFormatsTest, RejectsBadBlocksWithFileLineAndReason)
{
    const std::string jaspar = ">MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n";
    const std::string memeHead = "MEME version 4\nMOTIF m\n";
    const std::string row = "0.25 0.25 0.25 0.25\n";
    std::string wide;
    for (int i = 0; i < 1001; ++i)
        wide += "1 ";
    struct Case {
        std::string content;
        int K;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // JASPAR
        {">MA1\nA [ 1 2 ]\nC [ 1 2 3 ]\nG [ 1 2 ]\nT [ 1 2 ]\n", 1,
         "line 3: the C row holds 3 numbers but the A row (line 2) holds 2; the rows of a matrix are equally long"},
        {">MA1\nA [ 1 2 ]\nC [ 1 2 ]\nT [ 1 2 ]\n\n", 1,
         "line 5: the G row of the matrix at line 1 is missing; found ''"},
        {">MA1\nA [ 1 2 ]\nC [ 1 2 ]\nT [ 1 2 ]\n" + jaspar, 2,
         "line 5: a header where the G row of the matrix at line 1 should be"},
        {">MA1\nA [ 1 2 ]\nC [ 1 2 ]\nA [ 1 2 ]\nT [ 1 2 ]\n", 1,
         "line 4: a second A row for the matrix at line 1 (the first at line 2)"},
        {jaspar + "T [ 1 2 ]\n", 1, "line 6: a second T row for the matrix at line 1 (the first at line 5)"},
        {"A [ 1 2 ]\n" + jaspar, 1, "line 1: a letter row (A) before any '>' header"},
        {">MA1\nA [ 1 x ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n", 1, "line 2: the A row, column 2: 'x' is not a number"},
        {">MA1\nA [ 1 2 ]\nC [ 1 -2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n", 1,
         "line 3: the C row, column 2: '-2' is negative; counts and frequencies cannot be"},
        {">MA1\nA [ 1 2 ]\nC [ 1 inf ]\nG [ 1 2 ]\nT [ 1 2 ]\n", 1,
         "line 3: the C row, column 2: 'inf' is not a finite number"},
        {">MA1\nA [ 1 2\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n", 1,
         "line 2: the A row opens '[' but does not close it with ']'"},
        {">MA1\nA [ ]\nC [ ]\nG [ ]\nT [ ]\n", 1, "line 2: the A row holds no numbers"},
        {">MA1\nA [ 1 0 ]\nC [ 1 0 ]\nG [ 1 0 ]\nT [ 1 0 ]\n", 1,
         "line 1: position 2 sums to 0; at least one of A, C, G, T must be positive (column 2 of the matrix's rows)"},
        {">MA1\nA " + wide + "\nC " + wide + "\nG " + wide + "\nT " + wide + "\n", 1,
         "line 1: the matrix is 1001 positions wide; at most 1000 are allowed"},
        {">MA1\nA [ 1 2 ]\nC [ 1 2 ]\n", 1, "is truncated: the file ends before the G row of the matrix at line 1"},
        {jaspar + "MOTIF m\n", 1,
         "line 6: a MEME motif line in a file of JASPAR matrices (the first at line 1); one file holds one format"},
        {jaspar + ">1\n1\t1\t1\t1\n", 2,
         "line 6: a Velmora matrix in a file of JASPAR matrices (the first at line 1); one file holds one format"},
        // MEME
        {memeHead + "letter-probability matrix: w= 3\n" + row + row + "MOTIF n\n", 1,
         "line 6: the matrix at line 3 has 2 rows where w= says 3; found 'MOTIF n'"},
        {memeHead + "letter-probability matrix: w= 1\n" + row + row, 1,
         "line 5: a row beyond the w= 1 rows of the matrix at line 3"},
        {memeHead + "letter-probability matrix: w= 3\n" + row, 1,
         "is truncated: the matrix at line 3 has w= 3 but the file ends after 1 row"},
        {memeHead + "letter-probability matrix: alength= 20 w= 1\n" + row, 1,
         "line 3: alength= 20: only the four letters A, C, G, T can be read"},
        {memeHead + "letter-probability matrix: alength= 4 w= 0\n", 1,
         "line 3: w= 0: a motif is 1 to 1000 positions wide"},
        {memeHead + "letter-probability matrix: w= 1001\n", 1, "line 3: w= 1001: a motif is 1 to 1000 positions wide"},
        {memeHead + "letter-probability matrix: w= six\n", 1, "line 3: w= 'six' is not a whole number"},
        {memeHead + "letter-probability matrix: w= 1 nsites= many\n" + row, 1,
         "line 3: nsites= 'many' is not a number"},
        {memeHead + "letter-probability matrix: w= 1\n0.5 0.5 0\n", 1,
         "line 4: row 1 holds 3 numbers; alength= 4 needs one for each of A, C, G, T"},
        {memeHead + "letter-probability matrix: w= 1\n0.5 0.5 -0.1 0.1\n", 1,
         "line 4: row 1, column 3 (G): '-0.1' is negative; counts and frequencies cannot be"},
        {memeHead + "letter-probability matrix: w= 1\n0.5 x 0 0\n", 1,
         "line 4: row 1, column 2 (C): 'x' is not a number"},
        {memeHead + "letter-probability matrix: w= 2\n" + row + "0 0 0 0\n", 1,
         "line 5: row 2 sums to 0; at least one of A, C, G, T must be positive"},
        {memeHead + "letter-probability matrix:\nURL x\n", 1, "line 3: the matrix at line 3 has no rows"},
        {"MEME version 4\nletter-probability matrix: w= 1\n" + row, 1,
         "line 2: a letter-probability matrix before any MOTIF line"},
        {memeHead + "letter-probability matrix: w= 1\n" + row + "letter-probability matrix: w= 1\n" + row, 1,
         "line 5: a second letter-probability matrix for the MOTIF at line 2"},
        {memeHead + "MOTIF n\n", 1, "line 3: a new MOTIF, but the MOTIF at line 2 has no letter-probability matrix"},
        {memeHead, 1, "is truncated: the MOTIF at line 2 has no letter-probability matrix"},
        {"MEME version 4\nALPHABET= ACDEFGHIKLMNPQRSTVWY\n", 1,
         "line 2: the alphabet 'ACDEFGHIKLMNPQRSTVWY' is not ACGT; only DNA motifs can be read"},
        {"MEME version 4\nALPHABET \"DNA\" DNA-LIKE\n", 1,
         "line 2: only the DNA alphabet (ALPHABET= ACGT) can be read"},
        {memeHead + "letter-probability matrix: w= 1\n" + row + kJaspar, 2,
         "line 5: a '>' matrix header in a file of MEME matrices (the first at line 1); one file holds one format"},
        {memeHead + "letter-probability matrix: w= 1\n" + row + ">1\n1\t1\t1\t1\n", 1,
         "line 3: a MEME matrix where the file's matrices are in Velmora's format (the first at line 5); one file "
         "holds one format"},
        // Own format mixed with others, and the count check in every format
        {kOwn + kJaspar, 2,
         "line 4: a JASPAR matrix where the file's matrices are in Velmora's format (the first at line 1); one file "
         "holds one format"},
        {kOwn + kMeme, 2,
         "line 9: a MEME matrix where the file's matrices are in Velmora's format (the first at line 1); one file "
         "holds one format"},
        {"MOTIF a\n" + kOwn, 2,
         "line 1: a MEME motif line where the file's matrices are in Velmora's format (the first at line 2)"},
        {kJaspar, 2, "holds 1 matrix, but -K asks for 2"},
        {kMeme + "MOTIF b\nletter-probability matrix: w= 1\n" + row, 3, "holds 2 matrices, but -K asks for 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.substr(0, 200));
        EXPECT_FALSE(Read(c.content, c.K));
        EXPECT_EQ(error.rfind("matrix file '" + path + "'", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST_F(MatrixFormatsTest, CompressedAndHugeMatrixFiles)
{
    const std::string gz = Gzip(kMeme);
    ASSERT_TRUE(Read(gz + Gzip("MOTIF b\nletter-probability matrix: w= 1\n1 0 0 0\n"), 2)) << error;
    EXPECT_FALSE(Read(gz.substr(0, gz.size() - 4)));
    EXPECT_EQ(error, "cannot read matrix file '" + path + "': gzip data ends unexpectedly (truncated file?)");
    // A sequence file given as the matrix file: rejected at its first line
    // without being read whole.
    std::string genome = ">chr1\n";
    while (genome.size() < (std::size_t {17} << 20))
        genome += std::string(79, 'A') + "\n";
    EXPECT_FALSE(Read(genome));
    EXPECT_NE(error.find("line 1: the width after '>' must be a whole number from 1 to 1000, got 'chr1'"),
              std::string::npos);
}
