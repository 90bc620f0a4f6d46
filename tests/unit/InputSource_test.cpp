// Standard input, gzip decompression and the shared opener.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../GzipForTests.h"
#include "support/InputSource.h"

namespace fs = std::filesystem;

namespace {

const std::string kText = ">r1 first\nACGTACGTNNacgt\n>r2\r\nGGCC\n\n>r3 last line without a line end\nTTA";

// Hands out at most `chunk` bytes per read, as a pipe may.
class CTrickleSource final : public CByteSource {
public:
    CTrickleSource(std::string bytes, std::size_t chunk) : m_bytes(std::move(bytes)), m_chunk(chunk) {}
    std::size_t Read(char* buffer, std::size_t size) override
    {
        const std::size_t n = std::min({size, m_chunk, m_bytes.size() - m_pos});
        m_bytes.copy(buffer, n, m_pos);
        m_pos += n;
        return n;
    }
    int Error() const override { return 0; }

private:
    std::string m_bytes;
    std::size_t m_chunk;
    std::size_t m_pos = 0;
};

// Decompresses bytes through CGzipSource, in reads of `block` bytes; the
// source's Error() after the last read goes to *error.
std::string Inflate(const std::string& gz, std::size_t chunk, std::size_t block, int* error)
{
    CGzipSource source(std::make_unique<CTrickleSource>(gz, chunk));
    std::string out;
    std::vector<char> buffer(block);
    for (std::size_t got; (got = source.Read(buffer.data(), buffer.size())) > 0;)
        out.append(buffer.data(), got);
    *error = source.Error();
    return out;
}

std::vector<std::string> Lines(std::unique_ptr<CByteSource> source)
{
    CLineReader reader(std::move(source));
    std::vector<std::string> lines;
    for (std::string_view line; reader.Next(&line);)
        lines.emplace_back(line);
    EXPECT_FALSE(reader.Failed());
    return lines;
}

}  // namespace

TEST(InputSourceTest, GzipMembersJoinWhateverTheReadSizes)
{
    const std::string big(300000, 'A');  // more than one input buffer of output
    struct Case {
        const char* what;
        std::string gz;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"one member", Gzip(kText), kText},
        {"two members (cat a.gz b.gz)", Gzip(kText.substr(0, 20)) + Gzip(kText.substr(20)), kText},
        {"empty members around (bgzip's end marker)", Gzip("") + Gzip(kText) + Gzip(""), kText},
        {"large member", Gzip(big) + Gzip(kText), big + kText},
    };
    for (const Case& c : cases)
        for (std::size_t chunk : {std::size_t {1}, std::size_t {7}, std::size_t {1} << 20})
            for (std::size_t block : {std::size_t {1}, std::size_t {3}, std::size_t {1} << 17}) {
                SCOPED_TRACE(std::string(c.what) + " chunk " + std::to_string(chunk) + " block " +
                             std::to_string(block));
                if (chunk == 1 && block == 1 && c.text.size() > 1000)
                    continue;  // slow and adds nothing
                int error = -1;
                EXPECT_EQ(Inflate(c.gz, chunk, block, &error), c.text);
                EXPECT_EQ(error, 0);
            }
}

TEST(InputSourceTest, BadGzipDataIsAReadErrorOfItsOwnKind)
{
    const std::string gz = Gzip(kText);
    std::string crc = gz;
    crc[crc.size() - 6] ^= 1;  // the CRC-32 in the trailer
    std::string length = gz;
    length[length.size() - 2] ^= 1;  // the length in the trailer
    std::string block = gz;
    block[10] = static_cast<char>(0xff);  // first deflate byte: an invalid block type
    struct Case {
        const char* what;
        std::string bytes;
        int error;
    };
    const std::vector<Case> cases = {
        {"cut in the trailer", gz.substr(0, gz.size() - 3), kGzipTruncated},
        {"cut in the data", gz.substr(0, gz.size() / 2), kGzipTruncated},
        {"header only", gz.substr(0, 10), kGzipTruncated},
        {"second member cut short", gz + gz.substr(0, 12), kGzipTruncated},
        {"wrong CRC", crc, kGzipChecksum},
        {"wrong length", length, kGzipChecksum},
        {"invalid block", block, kGzipCorrupt},
        {"text after the last member", gz + "trailing text", kGzipCorrupt},
        {"zeros after the last member", gz + std::string(8, '\0'), kGzipCorrupt},
        {"a line feed after the last member", gz + "\n", kGzipCorrupt},
        {"a lone magic byte after the last member", gz + "\x1f", kGzipTruncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int error = 0;
        Inflate(c.bytes, 1 << 20, 1 << 17, &error);
        EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(ReadErrorText(kGzipCorrupt), "corrupt gzip data");
    EXPECT_EQ(ReadErrorText(kGzipChecksum), "corrupt gzip data (checksum mismatch)");
    EXPECT_EQ(ReadErrorText(kGzipTruncated), "gzip data ends unexpectedly (truncated file?)");
    EXPECT_EQ(ReadErrorText(EIO), "Input/output error");
}

TEST(InputSourceTest, OpenerRecognisesGzipByContentNotName)
{
    const fs::path dir = fs::temp_directory_path() / ("velmora-input-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"plain.gz", kText}, {"packed.fa", Gzip(kText)}, {"a", "A"}, {"magic-only", "\x1f"}, {"empty", ""}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::ofstream(dir / name, std::ios::binary) << bytes;
        std::string why;
        auto source = OpenInput((dir / name).string(), true, &why);
        ASSERT_TRUE(source) << why;
        const std::string plain = name == "packed.fa" ? kText : bytes;
        EXPECT_EQ(Lines(std::move(source)), Lines(std::make_unique<CMemorySource>(plain)));
    }
    std::string why;
    EXPECT_FALSE(OpenInput((dir / "missing").string(), true, &why));
    EXPECT_EQ(why, "No such file or directory");
    EXPECT_FALSE(OpenInput(dir.string(), true, &why));
    EXPECT_EQ(why, "Is a directory");
    // "-" is standard input only where the caller says so.
    EXPECT_FALSE(OpenInput("-", false, &why));
    EXPECT_EQ(InputLabel("-", true), "'-' (standard input)");
    EXPECT_EQ(InputLabel("-", false), "'-'");
    EXPECT_EQ(InputLabel("a b.fa", true), "'a b.fa'");
    fs::remove_all(dir);
}
