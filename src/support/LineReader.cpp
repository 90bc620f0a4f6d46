#include "support/LineReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

std::unique_ptr<CFileSource> CFileSource::Open(const std::string& path, std::string* why)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *why = std::strerror(errno ? errno : ENOENT);
        return nullptr;
    }
    auto source = std::make_unique<CFileSource>(file);
    // fopen accepts a directory on some systems and only the first read
    // fails; say so plainly instead.
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        *why = std::strerror(EISDIR);
        return nullptr;
    }
    // The reader fetches large blocks itself; stdio buffering would only
    // add a copy.
    (void)std::setvbuf(file, nullptr, _IONBF, 0);
    return source;
}

std::size_t CFileSource::Read(char* buffer, std::size_t size)
{
    if (m_error != 0)
        return 0;
    errno = 0;
    const std::size_t got = std::fread(buffer, 1, size, m_file.get());
    if (got < size && std::ferror(m_file.get()))
        m_error = errno ? errno : EIO;
    return got;
}

std::size_t CMemorySource::Read(char* buffer, std::size_t size)
{
    const std::size_t count = std::min(size, m_bytes.size() - m_pos);
    std::memcpy(buffer, m_bytes.data() + m_pos, count);
    m_pos += count;
    return count;
}

CLineReader::CLineReader(std::unique_ptr<CByteSource> source, std::size_t blockSize)
    : m_source(std::move(source)), m_block(std::max<std::size_t>(blockSize, 1))
{}

bool CLineReader::Refill()
{
    m_pos = 0;
    m_end = 0;
    if (m_atEnd)
        return false;
    // A short read is not the end: pipes and terminals deliver what they
    // have. Only a read of 0 bytes ends the data.
    m_end = m_source->Read(m_block.data(), m_block.size());
    if (m_end == 0)
        m_atEnd = true;
    return m_end != 0;
}

bool CLineReader::Next(std::string_view* line)
{
    m_carry.clear();
    bool inCarry = false;
    for (;;) {
        if (m_pos == m_end && !Refill()) {
            // End of the data: a last line without a line feed is still a
            // line, kept whole.
            if (!inCarry || Failed())
                return false;
            ++m_lineNumber;
            *line = m_carry;
            return true;
        }
        const char* start = m_block.data() + m_pos;
        const std::size_t avail = m_end - m_pos;
        const void* found = std::memchr(start, '\n', avail);
        if (!found) {
            m_carry.append(start, avail);
            inCarry = true;
            m_pos = m_end;
            if (m_carry.size() > m_lineLimit) {
                m_lineTooLong = true;
                ++m_lineNumber;
                return false;
            }
            continue;
        }
        const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(found) - start);
        m_pos += len + 1;
        ++m_lineNumber;
        std::string_view text;
        if (inCarry) {
            m_carry.append(start, len);
            text = m_carry;
        } else {
            text = std::string_view(start, len);  // the common case: no copy
        }
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        *line = text;
        return true;
    }
}

bool CLineReader::NextPiece(std::string_view* piece, bool* lineEnds)
{
    if (m_pos == m_end && !Refill()) {
        if (!m_inLine || Failed()) {
            m_inLine = false;
            m_heldCR = false;
            return false;
        }
        // The last line has no line feed: it ends with the data, and a
        // carriage return held back at its end stays part of it.
        *piece = m_heldCR ? std::string_view("\r", 1) : std::string_view();
        *lineEnds = true;
        m_inLine = false;
        m_heldCR = false;
        return true;
    }
    if (!m_inLine) {
        m_inLine = true;
        ++m_lineNumber;
    }
    const char* start = m_block.data() + m_pos;
    const std::size_t avail = m_end - m_pos;
    if (m_heldCR) {
        // The block before ended in a carriage return: it was the line end
        // if a line feed follows, otherwise an ordinary character.
        m_heldCR = false;
        if (start[0] == '\n') {
            ++m_pos;
            *piece = std::string_view();
            *lineEnds = true;
            m_inLine = false;
            return true;
        }
        *piece = std::string_view("\r", 1);
        *lineEnds = false;
        return true;
    }
    const void* found = std::memchr(start, '\n', avail);
    if (!found) {
        std::size_t len = avail;
        m_pos = m_end;
        if (start[len - 1] == '\r') {
            --len;
            m_heldCR = true;
        }
        *piece = std::string_view(start, len);
        *lineEnds = false;
        return true;
    }
    std::size_t len = static_cast<std::size_t>(static_cast<const char*>(found) - start);
    m_pos += len + 1;
    m_inLine = false;
    if (len > 0 && start[len - 1] == '\r')
        --len;
    *piece = std::string_view(start, len);
    *lineEnds = true;
    return true;
}
