#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/LineReader.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ReadAll(const std::string& bytes, std::size_t blockSize)
{
    CLineReader reader(std::make_unique<CMemorySource>(bytes), blockSize);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(&line)) {
        lines.emplace_back(line);
        EXPECT_EQ(reader.LineNumber(), static_cast<long long>(lines.size()));
    }
    EXPECT_FALSE(reader.Failed());
    return lines;
}

// Delivers a few bytes, then fails as a disk or a broken pipe would.
class CFailingSource final : public CByteSource {
public:
    std::size_t Read(char* buffer, std::size_t size) override
    {
        if (m_calls++ > 0) {
            m_error = EIO;
            return 0;
        }
        const std::string text = "line one\npartial";
        const std::size_t n = std::min(size, text.size());
        text.copy(buffer, n);
        return n;
    }
    int Error() const override { return m_error; }

private:
    int m_calls = 0;
    int m_error = 0;
};

}  // namespace

TEST(LineReaderTest, SplitsLinesTheSameWayWhateverTheBlockSize)
{
    // LF and CRLF ends, empty lines, a lone CR inside a line, and a last line
    // without a line feed (which keeps its trailing CR).
    const std::string bytes = "first\nsecond\r\n\n\r\nin\rside\nlast\r";
    const std::vector<std::string> expected = {"first", "second", "", "", "in\rside", "last\r"};
    for (std::size_t block : {1, 2, 3, 5, 7, 64, 1 << 17})
        EXPECT_EQ(ReadAll(bytes, block), expected) << "block size " << block;
}

TEST(LineReaderTest, HandlesEmptyInputAndFinalLineFeed)
{
    EXPECT_TRUE(ReadAll("", 4).empty());
    EXPECT_EQ(ReadAll("\n", 4), std::vector<std::string> {""});
    EXPECT_EQ(ReadAll("abc\n", 4), std::vector<std::string> {"abc"});
    EXPECT_EQ(ReadAll("abc", 4), std::vector<std::string> {"abc"});
}

TEST(LineReaderTest, ReadsVeryLongLinesWhole)
{
    const std::string longLine(300000, 'G');
    const std::string bytes = "head\n" + longLine + "\r\ntail";
    for (std::size_t block : {7, 4096, 1 << 17}) {
        const auto lines = ReadAll(bytes, block);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[1], longLine);
        EXPECT_EQ(lines[2], "tail");
    }
}

TEST(LineReaderTest, ReportsAReadErrorInsteadOfAShortLastLine)
{
    CLineReader reader(std::make_unique<CFailingSource>(), 64);
    std::string_view line;
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line, "line one");
    EXPECT_FALSE(reader.Next(&line));  // "partial" is not handed out
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.Error(), EIO);
}

TEST(LineReaderTest, FileSourceReadsFilesAndExplainsWhatCannotBeOpened)
{
    const fs::path dir = fs::temp_directory_path() / ("velmora-lr-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "text.txt";
    std::ofstream(file, std::ios::binary) << "a\r\nb";

    std::string why;
    auto source = CFileSource::Open(file.string(), &why);
    ASSERT_NE(source, nullptr);
    CLineReader reader(std::move(source));
    std::string_view line;
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line, "a");
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line, "b");
    EXPECT_FALSE(reader.Next(&line));
    EXPECT_FALSE(reader.Failed());

    EXPECT_EQ(CFileSource::Open((dir / "missing.txt").string(), &why), nullptr);
    EXPECT_EQ(why, "No such file or directory");
    EXPECT_EQ(CFileSource::Open(dir.string(), &why), nullptr);
    EXPECT_EQ(why, "Is a directory");
    fs::remove_all(dir);
}
