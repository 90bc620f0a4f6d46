// Byte sources for the input files beyond a plain file: standard input and
// gzip-compressed data, and the one opener that the matrix reader and the
// sequence driver share.
//
// The opener looks at the first two bytes, not at the name: a file (or a
// pipe) that starts with the gzip magic bytes 1f 8b is decompressed on the
// fly, anything else is read as it is. The line reader on top never knows
// the difference.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/LineReader.h"

// Error() values of the gzip source that are no errno value. They lie far
// above every errno value; ReadErrorText turns them into words.
inline constexpr int kGzipCorrupt = 0x10001;    // not gzip data, or a bad block
inline constexpr int kGzipChecksum = 0x10002;   // a member fails its CRC or length check
inline constexpr int kGzipTruncated = 0x10003;  // the data ends inside a member

// The reason for a CByteSource::Error() value, for a message: strerror for
// an errno value, a description for the gzip values above.
std::string ReadErrorText(int error);

// An open file descriptor, standard input in practice. It is not closed
// at the end: the process owns it.
class CDescriptorSource final : public CByteSource {
public:
    explicit CDescriptorSource(int fd) : m_fd(fd) {}
    std::size_t Read(char* buffer, std::size_t size) override;
    int Error() const override { return m_error; }

private:
    int m_fd;
    int m_error = 0;
};

// Bytes already taken from a source (to look at them), handed out again in
// front of the rest of that source.
class CPrefixSource final : public CByteSource {
public:
    CPrefixSource(std::string prefix, std::unique_ptr<CByteSource> rest)
        : m_prefix(std::move(prefix)), m_rest(std::move(rest))
    {}
    std::size_t Read(char* buffer, std::size_t size) override;
    int Error() const override { return m_rest->Error(); }

private:
    std::string m_prefix;
    std::size_t m_pos = 0;
    std::unique_ptr<CByteSource> m_rest;
};

// Another source with every carriage return that no line feed follows (old
// Mac line ends, or a stray one) turned into a line feed: a line end wherever
// it appears. A carriage return before a line feed is left for the line
// reader.
class CLoneCrSource final : public CByteSource {
public:
    explicit CLoneCrSource(std::unique_ptr<CByteSource> inner) : m_inner(std::move(inner)), m_buffer(1 << 16) {}
    std::size_t Read(char* buffer, std::size_t size) override;
    int Error() const override { return m_inner->Error(); }

private:
    bool Fill();

    std::unique_ptr<CByteSource> m_inner;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

// gzip decompression (RFC 1952) of another source, through zlib. Members
// may follow each other, as `cat a.gz b.gz` and bgzip write them: their
// contents join up into one stream. Data that is not gzip (also after the
// last member), a member that fails its checks, and an end inside a member
// are read errors (Error() gives one of the kGzip values); so is a read
// error of the compressed source (its errno value).
class CGzipSource final : public CByteSource {
public:
    explicit CGzipSource(std::unique_ptr<CByteSource> compressed);
    ~CGzipSource() override;
    CGzipSource(const CGzipSource&) = delete;
    CGzipSource& operator=(const CGzipSource&) = delete;

    std::size_t Read(char* buffer, std::size_t size) override;
    int Error() const override { return m_error; }

private:
    struct State;  // the zlib stream and its input buffer
    std::unique_ptr<State> m_state;
    std::unique_ptr<CByteSource> m_in;
    int m_error = 0;
};

// True when the bytes start with the gzip magic bytes 1f 8b.
bool LooksGzipped(std::string_view bytes);

// Opens an input file for reading: "-" is standard input when dashIsStdin
// is set; data that starts with the gzip magic bytes is decompressed. Null,
// with *why set to the reason (strerror text), when it cannot be opened or
// is a directory. A read error at the very start shows up as the source's
// Error(), like any later one.
std::unique_ptr<CByteSource> OpenInput(const std::string& path, bool dashIsStdin, std::string* why);

// The input's name for a message: the path in single quotes, or
// "'-' (standard input)" for standard input.
std::string InputLabel(std::string_view path, bool dashIsStdin);
