// Reading a chromosome without a second copy of it: lines handed out in
// pieces straight from the block buffer, letters gathered into a buffer
// that becomes the sequence's CString.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "scanner/FastaReader.h"
#include "support/LineReader.h"
#include "support/MyString.h"

namespace {

struct PieceLine {
    std::string text;
    long long number;
    std::size_t pieces;
};

// Every line, joined from its pieces, with its line number and the number
// of pieces it came in.
std::vector<PieceLine> ReadPieces(const std::string& bytes, std::size_t blockSize)
{
    CLineReader reader(std::make_unique<CMemorySource>(bytes), blockSize);
    std::vector<PieceLine> lines;
    std::string_view piece;
    bool ends = false;
    bool open = false;
    while (reader.NextPiece(&piece, &ends)) {
        if (!open)
            lines.push_back({"", reader.LineNumber(), 0});
        EXPECT_EQ(reader.LineNumber(), lines.back().number);
        lines.back().text.append(piece);
        ++lines.back().pieces;
        open = !ends;
    }
    EXPECT_FALSE(open) << "the last piece must end its line";
    EXPECT_FALSE(reader.Failed());
    return lines;
}

std::vector<std::string> ReadLines(const std::string& bytes, std::size_t blockSize)
{
    CLineReader reader(std::make_unique<CMemorySource>(bytes), blockSize);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(&line))
        lines.emplace_back(line);
    return lines;
}

}  // namespace

TEST(LinePiecesTest, PiecesJoinToTheLinesNextGivesWhateverTheBlockSize)
{
    // LF and CRLF ends, a CR that is not a line end, CRs falling on block
    // borders, empty lines, and last lines with and without a line feed.
    const std::vector<std::string> inputs = {
        "first\nsecond\r\n\n\r\nin\rside\nlast\r",
        "a\r\r\nb\r\rc\r\n\r\r\n",
        "\r",
        "\r\n",
        "x",
        "",
        "\n\n\n",
        "ACGT\r\nACGT\r\nAC",
        ">h\r\nAC\rGT\r\n",
    };
    for (const std::string& bytes : inputs)
        for (const std::size_t block : {1, 2, 3, 4, 5, 7, 64}) {
            const std::vector<std::string> expected = ReadLines(bytes, 1 << 17);
            const std::vector<PieceLine> lines = ReadPieces(bytes, block);
            ASSERT_EQ(lines.size(), expected.size()) << "block " << block << " input " << bytes;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].text, expected[i]) << "block " << block << " line " << i;
                EXPECT_EQ(lines[i].number, static_cast<long long>(i) + 1);
            }
        }
}

TEST(LinePiecesTest, ALongLineComesInBlockSizedPiecesWithoutBeingGathered)
{
    const std::string longLine(100000, 'G');
    const auto lines = ReadPieces("head\n" + longLine + "\ntail\n", 4096);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].text, longLine);
    EXPECT_GE(lines[1].pieces, 100000u / 4096);
    EXPECT_EQ(lines[2].text, "tail");
}

TEST(LinePiecesTest, NextAndNextPieceMixBetweenLines)
{
    CLineReader reader(std::make_unique<CMemorySource>(">name\nACGT\n>next\r\n"), 3);
    std::string_view piece;
    bool ends = false;
    std::string first;
    do {
        ASSERT_TRUE(reader.NextPiece(&piece, &ends));
        first.append(piece);
    } while (!ends);
    EXPECT_EQ(first, ">name");
    std::string_view line;
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line, "ACGT");
    EXPECT_EQ(reader.LineNumber(), 2);
    std::string last;
    do {
        ASSERT_TRUE(reader.NextPiece(&piece, &ends));
        last.append(piece);
    } while (!ends);
    EXPECT_EQ(last, ">next");
    EXPECT_EQ(reader.LineNumber(), 3);
    EXPECT_FALSE(reader.NextPiece(&piece, &ends));
}

TEST(TextBuilderTest, GrowsAndHandsItsTextToACString)
{
    CTextBuilder builder;
    EXPECT_EQ(builder.size(), 0u);
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string piece = std::string(static_cast<std::size_t>(i % 7), "ACGT"[i % 4]);
        char* to = builder.Extend(piece.size());
        ASSERT_NE(to, nullptr);
        std::memcpy(to, piece.data(), piece.size());
        expected += piece;
    }
    EXPECT_EQ(builder.size(), expected.size());
    const char* before = builder.data();
    CString text = builder.Take();
    EXPECT_EQ(text.GetLength(), static_cast<int>(expected.size()));
    EXPECT_EQ(text.str(), expected);
    EXPECT_EQ(text.c_str()[expected.size()], '\0');
    EXPECT_NE(before, nullptr);
    // The builder starts over empty.
    EXPECT_EQ(builder.size(), 0u);
    EXPECT_EQ(builder.Take().GetLength(), 0);
}

TEST(TextBuilderTest, EmptyTextsAndClear)
{
    CTextBuilder builder;
    EXPECT_NE(builder.Extend(0), nullptr);
    CString empty = builder.Take();
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_STREQ(empty.c_str(), "");

    std::memcpy(builder.Extend(3), "ACG", 3);
    builder.Clear();
    std::memcpy(builder.Extend(2), "TT", 2);
    EXPECT_EQ(builder.Take().str(), "TT");
}

TEST(TextBuilderTest, RefusesToGrowPastTheLongestCString)
{
    CTextBuilder builder;
    std::memcpy(builder.Extend(4), "ACGT", 4);
    // Too long: refused before any memory is asked for, text unchanged.
    EXPECT_EQ(builder.Extend(CTextBuilder::kMaxLength), nullptr);
    EXPECT_EQ(builder.Extend(static_cast<std::size_t>(-1)), nullptr);
    EXPECT_EQ(builder.size(), 4u);
    EXPECT_EQ(builder.Take().str(), "ACGT");
}

TEST(CStringBufferTest, AdoptsAMallocBufferWithoutCopying)
{
    MallocText buffer(static_cast<char*>(std::malloc(5)));
    ASSERT_NE(buffer, nullptr);
    std::memcpy(buffer.get(), "ACGT", 5);
    const char* at = buffer.get();
    const CString text(std::move(buffer), 4);
    EXPECT_EQ(text.c_str(), at);
    EXPECT_EQ(text.str(), "ACGT");
    EXPECT_EQ(CString(MallocText(), 0).GetLength(), 0);
}

TEST(FastaPiecesTest, LettersAreTakenUpToTheFirstNonLetterOfTheLineAcrossPieces)
{
    // The letter walk stops at the first non-letter of the line even when
    // the line arrives in many pieces, and a CR LF split over a block border
    // is still the line end.
    const std::string bytes =
        ">r1 name\r\nacgtNNac\r\nAC GT\r\nTT\r\n;x\r\n>r2\r\n" + std::string(50, 'g') + "\r\n>r3\r\nA1CCCC\r\n";
    for (const std::size_t block : {1, 2, 3, 5, 8, 64, 1 << 17}) {
        CLineReader lines(std::make_unique<CMemorySource>(bytes), block);
        CFastaReader fasta(lines);
        std::vector<FASTARECORD> records;
        FASTARECORD record;
        while (fasta.Next(&record))
            records.push_back(record);
        EXPECT_TRUE(fasta.Done());
        ASSERT_EQ(records.size(), 3u) << block;
        EXPECT_EQ(records[0].name, ">r1 name") << block;
        EXPECT_EQ(records[0].letters.str(), "ACGTNNACACTT") << block;
        EXPECT_EQ(records[0].line, 1);
        EXPECT_EQ(records[1].name, ">r2");
        EXPECT_EQ(records[1].letters.str(), std::string(50, 'G')) << block;
        EXPECT_EQ(records[1].line, 6);
        EXPECT_EQ(records[2].letters.str(), "A") << block;
        EXPECT_FALSE(records[2].tooLong);
    }
}
