// Whole-line reading for the input files.
//
// CLineReader hands out one line at a time, however long it is, without its
// line end. It pulls bytes in large blocks from a CByteSource, so the same
// reader serves a plain file today and could serve a compressed stream or
// standard input later: only a new source class would be needed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Where the bytes come from.
class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Copies up to `size` bytes into `buffer` and returns how many; 0 means
    // the end of the data or a read error (see Error).
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // The errno value of a failed read, 0 while every read succeeded.
    virtual int Error() const = 0;
};

// An open file, closed when the source is destroyed.
class CFileSource final : public CByteSource {
public:
    // Opens path for reading. Returns null, with *why set to the reason
    // (strerror text), when it cannot be opened or is a directory.
    static std::unique_ptr<CFileSource> Open(const std::string& path, std::string* why);

    // Takes ownership of an open stream.
    explicit CFileSource(std::FILE* file) : m_file(file) {}

    std::size_t Read(char* buffer, std::size_t size) override;
    int Error() const override { return m_error; }

private:
    struct Closer {
        void operator()(std::FILE* f) const { (void)std::fclose(f); }
    };

    std::unique_ptr<std::FILE, Closer> m_file;
    int m_error = 0;
};

// Bytes held in memory (tests, and text already read by other means).
class CMemorySource final : public CByteSource {
public:
    explicit CMemorySource(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::size_t Read(char* buffer, std::size_t size) override;
    int Error() const override { return 0; }

private:
    std::string m_bytes;
    std::size_t m_pos = 0;
};

class CLineReader {
public:
    static constexpr std::size_t kDefaultBlockSize = std::size_t {1} << 17;  // 128 KiB

    explicit CLineReader(std::unique_ptr<CByteSource> source, std::size_t blockSize = kDefaultBlockSize);

    // Stores the next line in *line and returns true; returns false at the
    // end of the data or after a read error (check Failed). The line end,
    // a line feed or a carriage return and line feed, is not part of the
    // line; a last line without a line feed keeps all its characters. The
    // view stays valid until the next call.
    bool Next(std::string_view* line);

    // Reads the next line piece by piece, straight from the block buffer, so
    // that a line of any length (a chromosome on one line) never has to be
    // gathered in memory. Stores the next piece of the current line in
    // *piece (a new line starts after the piece that ended the previous one)
    // and sets *lineEnds when the piece is the line's last. The pieces of a
    // line, joined, are exactly the line Next would return: the line end is
    // not included, a carriage return before the line feed is dropped even
    // across a block border, and a last line without a line feed keeps all
    // its characters. A piece ends at a line feed or at the end of a block;
    // it may be empty. Returns false at the end of the data or after a read
    // error (check Failed); the view stays valid until the next call.
    // Next may be used between lines, not after a piece that did not end
    // its line.
    bool NextPiece(std::string_view* piece, bool* lineEnds);

    // 1-based number of the line last returned, or of the line the last
    // piece belongs to (0 before the first).
    long long LineNumber() const { return m_lineNumber; }
    // True when reading stopped because the source failed; Error() gives errno.
    bool Failed() const { return m_source->Error() != 0; }
    int Error() const { return m_source->Error(); }
    // Next gives up on a line longer than `bytes` (the line's number is then
    // LineNumber()) instead of holding it whole: for files whose lines are
    // short, so that a huge or endless one (-M /dev/zero) is an error and
    // not all of memory.
    void SetLineLimit(std::size_t bytes) { m_lineLimit = bytes; }
    bool LineTooLong() const { return m_lineTooLong; }

private:
    bool Refill();

    std::unique_ptr<CByteSource> m_source;
    std::vector<char> m_block;
    std::size_t m_pos = 0;  // next unread byte of m_block
    std::size_t m_end = 0;  // bytes of m_block holding data
    bool m_atEnd = false;   // the source has nothing more
    std::string m_carry;    // a line that runs across blocks
    bool m_inLine = false;  // NextPiece has handed out part of a line
    bool m_heldCR = false;  // a carriage return ended a block: held back
                            // until the next byte shows whether it ends the line
    long long m_lineNumber = 0;
    std::size_t m_lineLimit = static_cast<std::size_t>(-1);
    bool m_lineTooLong = false;
};
