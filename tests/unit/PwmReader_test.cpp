#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MatrixFileTest.h"
#include "scanner/MatrixReader.h"

namespace fs = std::filesystem;

namespace {

using PwmReaderTest = MatrixFileTest;

std::string Rows(int n, const std::string& row)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += row;
    return text;
}

std::string SevenDecimals(double x)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", x);
    return text;
}

}  // namespace

TEST_F(PwmReaderTest, HeaderGivesTheWidthWhateverFollowsIt)
{
    for (const char* header : {">12", ">12 bicoid", "> 12", ">\t12\tname", ">+12", ">12\r"}) {
        SCOPED_TRACE(header);
        ASSERT_TRUE(Read(std::string(header) + "\n" + Rows(12, "1\t1\t1\t1\n"))) << error;
        EXPECT_EQ(set.widths[0], 12);
        EXPECT_EQ(set.matrices[0].size(), 48u);
    }
}

TEST_F(PwmReaderTest, NormalisesWithThePseudocountToTheLastBit)
{
    ASSERT_TRUE(Read(">1\n8\t0\t2\t0\n")) << error;
    const double s = 10.0;
    EXPECT_EQ(set.matrices[0][0], (8 + 0.0025 * s) / (1.01 * s));
    EXPECT_EQ(set.matrices[0][1], (0 + 0.0025 * s) / (1.01 * s));
    EXPECT_EQ(SevenDecimals(set.matrices[0][0]), "0.7945545");
    EXPECT_EQ(SevenDecimals(set.matrices[0][1]), "0.0024752");
    EXPECT_EQ(SevenDecimals(set.matrices[0][2]), "0.2004950");
    EXPECT_EQ(SevenDecimals(set.matrices[0][3]), "0.0024752");
}

TEST_F(PwmReaderTest, AcceptsEveryRowFormOfTheSameNumbers)
{
    ASSERT_TRUE(Read(">1\n8\t0\t2\t0\n"));
    const Matrix expected = set.matrices[0];
    const std::vector<std::string> forms = {
        ">1\r\n8\t0\t2\t0\r\n",            // CRLF line ends
        ">1\n8.0\t0.000\t2.\t0\n",         // decimals
        ">1\n8e0\t0E+3\t0.2e1\t0e-5\n",    // exponents
        ">1\n 8 \t0 \t 2\t0 \n",           // blanks around the numbers
        ">1\n8\t0\t2\t0\t99\tnot read\n",  // fields after the fourth are ignored
        ">1\n8\t0\t2\t0",                  // last line without a line feed
        ">1\n0.8\t0\t0.2\t0\n",            // frequencies instead of counts
        ">1\n80\t0\t20\t0\n",
    };
    for (const std::string& form : forms) {
        SCOPED_TRACE(form);
        ASSERT_TRUE(Read(form)) << error;
        EXPECT_EQ(set.matrices[0], expected);  // bit for bit
    }
}

TEST_F(PwmReaderTest, ReadsBlocksInFileOrderAndSkipsLinesOutsideThem)
{
    ASSERT_TRUE(ReadPath(std::string(VELMORA_TEST_DATA) + "/small3.pwm", 3)) << error;
    EXPECT_EQ(set.widths, (std::vector<int> {3, 4, 2}));
    ASSERT_EQ(set.matrices.size(), 3u);
    EXPECT_EQ(set.matrices[0].size(), 12u);
    EXPECT_EQ(set.matrices[2].size(), 8u);
    EXPECT_EQ(set.matrices[1][0], 0.25);  // 0.25 each: (0.25 + 0.0025) / 1.01 = 0.25
    EXPECT_EQ(set.matrices[2][3], (4 + 0.0025 * 4.0) / (1.01 * 4.0));
    for (const Matrix& m : set.matrices)
        for (std::size_t r = 0; r < m.size(); r += 4)
            EXPECT_NEAR(m[r] + m[r + 1] + m[r + 2] + m[r + 3], 1.0, 1e-15);
}

// Each bad file: the message names the file, the line where it applies, and
// what is wrong.
TEST_F(PwmReaderTest, RejectsBadFilesWithFileLineAndReason)
{
    struct Case {
        std::string content;
        int K;
        std::vector<std::string> expected;
    };
    const std::string row = "1\t1\t1\t1\n";
    const std::vector<Case> cases = {
        {">abc\n" + row, 1, {"line 1:", "width after '>' must be a whole number from 1 to 1000, got 'abc'"}},
        {">0\n", 1, {"line 1:", "got '0'"}},
        {">-3\n", 1, {"line 1:", "got '-3'"}},
        {">12.5\n", 1, {"line 1:", "got '12.5'"}},
        {">1001\n", 1, {"line 1:", "from 1 to 1000, got '1001'"}},
        {">99999999999999999999\n", 1, {"line 1:", "got '99999999999999999999'"}},
        {"comment\n>3 x\n" + row + row,
         1,
         {"is truncated: the matrix at line 2 has width 3 but the file ends after 2 rows"}},
        {">1\n1\t\t2\t3\n", 1, {"line 2:", "field 2 (C) is empty"}},
        {">1\n1\t2\t3\t\n", 1, {"line 2:", "field 4 (T) is empty"}},
        {">1\nx\t1\t2\t3\n", 1, {"line 2:", "field 1 (A) 'x' is not a number"}},
        {">1\n3abc\t1\t1\t1\n", 1, {"line 2:", "field 1 (A) '3abc' is not a number"}},
        {">1\n1 2 3 4\n", 1, {"line 2:", "found 1 field where a row needs four numbers"}},
        {">1\n1\t2\t3\n", 1, {"line 2:", "found 3 fields"}},
        {">2\n" + row + "\n", 1, {"line 3:", "found 1 field"}},  // blank line inside a block
        {">3\n" + row + ">1\n" + row,
         1,
         {"line 3:", "a header where row 2 of the matrix at line 1 (width 3) should be"}},
        {">1\n1\t-2\t3\t4\n", 1, {"line 2:", "field 2 (C) '-2' is negative"}},
        {">1\n1\tinf\t3\t4\n", 1, {"line 2:", "field 2 (C) 'inf' is not a finite number"}},
        {">1\n1\t2\tnan\t4\n", 1, {"line 2:", "field 3 (G) 'nan' is not a finite number"}},
        {">1\n1\t1\t1\t1e999\n", 1, {"line 2:", "field 4 (T) '1e999' is not a finite number"}},
        {">1\n0\t0\t0\t0\n", 1, {"line 2:", "the row sums to 0"}},
        {">1\n1e308\t1e308\t0\t0\n", 1, {"line 2:", "too large to normalise"}},
        {">1\n1e-322\t0\t0\t0\n", 1, {"line 2:", "too small to normalise"}},
        {">1\n" + row, 2, {"holds 1 matrix, but -K asks for 2"}},
        {">1\n" + row + ">1\n" + row + ">1\n" + row, 2, {"holds 3 matrices, but -K asks for 2"}},
        {"", 3, {"holds 0 matrices, but -K asks for 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        EXPECT_FALSE(Read(c.content, c.K));
        EXPECT_NE(error.find("matrix file '" + path + "'"), std::string::npos) << error;
        for (const std::string& part : c.expected)
            EXPECT_NE(error.find(part), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST_F(PwmReaderTest, RejectsAFileThatCannotBeOpened)
{
    EXPECT_FALSE(ReadPath((dir / "missing.pwm").string(), 1));
    EXPECT_EQ(error, "cannot open matrix file '" + (dir / "missing.pwm").string() + "': No such file or directory");
    EXPECT_FALSE(ReadPath(dir.string(), 1));
    EXPECT_EQ(error, "cannot open matrix file '" + dir.string() + "': Is a directory");
    EXPECT_FALSE(ReadPath("", 1));
    EXPECT_EQ(error, "cannot open matrix file '': No such file or directory");
    if (geteuid() != 0) {  // root reads anything
        ASSERT_TRUE(Read(">1\n1\t1\t1\t1\n"));
        fs::permissions(path, fs::perms::none);
        EXPECT_FALSE(ReadPath(path, 1));
        EXPECT_EQ(error, "cannot open matrix file '" + path + "': Permission denied");
    }
}
