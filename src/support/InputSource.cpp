#include "support/InputSource.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

std::string ReadErrorText(int error)
{
    switch (error) {
    case kGzipCorrupt:
        return "corrupt gzip data";
    case kGzipChecksum:
        return "corrupt gzip data (checksum mismatch)";
    case kGzipTruncated:
        return "gzip data ends unexpectedly (truncated file?)";
    default:
        return std::strerror(error);
    }
}

// ---------------------------------------------------------------------------
// Plain sources

std::size_t CDescriptorSource::Read(char* buffer, std::size_t size)
{
    if (m_error != 0)
        return 0;
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, std::min<std::size_t>(size, SSIZE_MAX));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR) {
            m_error = errno ? errno : EIO;
            return 0;
        }
    }
}

std::size_t CPrefixSource::Read(char* buffer, std::size_t size)
{
    if (m_pos < m_prefix.size()) {
        const std::size_t count = std::min(size, m_prefix.size() - m_pos);
        std::memcpy(buffer, m_prefix.data() + m_pos, count);
        m_pos += count;
        return count;
    }
    return m_rest->Read(buffer, size);
}

bool CLoneCrSource::Fill()
{
    if (m_pos < m_end)
        return true;
    m_pos = 0;
    m_end = m_inner->Read(m_buffer.data(), m_buffer.size());
    return m_end > 0;
}

std::size_t CLoneCrSource::Read(char* buffer, std::size_t size)
{
    std::size_t n = 0;
    while (n < size && Fill()) {
        const char* from = m_buffer.data() + m_pos;
        const std::size_t avail = std::min(m_end - m_pos, size - n);
        const void* cr = std::memchr(from, '\r', avail);
        const std::size_t run = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - from) : avail;
        std::memcpy(buffer + n, from, run);
        n += run;
        m_pos += run;
        if (!cr)
            continue;
        ++m_pos;  // the carriage return: what follows it decides
        buffer[n++] = Fill() && m_buffer[m_pos] == '\n' ? '\r' : '\n';
    }
    return n;
}

// ---------------------------------------------------------------------------
// gzip

struct CGzipSource::State {
    static constexpr std::size_t kInputSize = std::size_t {1} << 17;

    z_stream stream {};
    bool ready = false;  // inflateInit2 succeeded
    std::vector<unsigned char> input = std::vector<unsigned char>(kInputSize);
    bool inputEnded = false;      // the compressed source has nothing more
    bool betweenMembers = false;  // a member ended; more data starts a new one
    bool finished = false;        // all members read, nothing follows

    State()
    {
        // 15 + 16: the largest window, gzip wrapper only.
        ready = inflateInit2(&stream, 15 + 16) == Z_OK;
    }
    ~State()
    {
        if (ready)
            inflateEnd(&stream);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
};

CGzipSource::CGzipSource(std::unique_ptr<CByteSource> compressed)
    : m_state(std::make_unique<State>()), m_in(std::move(compressed))
{
    if (!m_state->ready)
        m_error = ENOMEM;
}

CGzipSource::~CGzipSource() = default;

std::size_t CGzipSource::Read(char* buffer, std::size_t size)
{
    State& s = *m_state;
    if (m_error != 0 || s.finished || size == 0)
        return 0;
    z_stream& zs = s.stream;
    // zlib counts in unsigned int: never ask for more at once.
    const auto want = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = want;
    while (zs.avail_out > 0) {
        if (zs.avail_in == 0 && !s.inputEnded) {
            const std::size_t got = m_in->Read(reinterpret_cast<char*>(s.input.data()), s.input.size());
            if (got == 0) {
                if (m_in->Error() != 0) {
                    m_error = m_in->Error();
                    return 0;
                }
                s.inputEnded = true;
            }
            zs.next_in = s.input.data();
            zs.avail_in = static_cast<uInt>(got);
        }
        if (s.betweenMembers) {
            if (zs.avail_in == 0) {
                if (s.inputEnded) {
                    s.finished = true;
                    break;
                }
                continue;
            }
            // More data after a member: it must be another member, which
            // begins with the magic byte 1f (one stray byte is garbage, not
            // the start of a cut-off member).
            if (zs.next_in[0] != 0x1f || inflateReset(&zs) != Z_OK) {
                m_error = kGzipCorrupt;
                return 0;
            }
            s.betweenMembers = false;
        }
        if (zs.avail_in == 0 && s.inputEnded) {
            m_error = kGzipTruncated;
            return 0;
        }
        const int rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            s.betweenMembers = true;
        } else if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) {
            const bool check = zs.msg && std::strstr(zs.msg, "check") && !std::strstr(zs.msg, "header");
            m_error = check ? kGzipChecksum : kGzipCorrupt;
            return 0;
        } else if (rc == Z_MEM_ERROR) {
            m_error = ENOMEM;
            return 0;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            m_error = kGzipCorrupt;
            return 0;
        }
        // Z_OK and Z_BUF_ERROR: go on, with more input when it is used up.
    }
    return want - zs.avail_out;
}

// ---------------------------------------------------------------------------
// Opening

bool LooksGzipped(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

std::unique_ptr<CByteSource> OpenInput(const std::string& path, bool dashIsStdin, std::string* why)
{
    std::unique_ptr<CByteSource> raw;
    if (dashIsStdin && path == "-") {
        raw = std::make_unique<CDescriptorSource>(STDIN_FILENO);
    } else {
        raw = CFileSource::Open(path, why);
        if (!raw)
            return nullptr;
    }
    // The first bytes decide; a pipe may deliver them one at a time. A UTF-8
    // byte-order mark is no text of the file: it is dropped.
    char magic[3];
    std::size_t have = 0;
    while (have < sizeof magic) {
        const std::size_t got = raw->Read(magic + have, sizeof magic - have);
        if (got == 0)
            break;
        have += got;
    }
    std::string prefix(magic, have);
    if (prefix == "\xEF\xBB\xBF")
        prefix.clear();
    std::unique_ptr<CByteSource> plain = std::make_unique<CPrefixSource>(std::move(prefix), std::move(raw));
    if (LooksGzipped(std::string_view(magic, have)))
        plain = std::make_unique<CGzipSource>(std::move(plain));
    return std::make_unique<CLoneCrSource>(std::move(plain));
}

std::string InputLabel(std::string_view path, bool dashIsStdin)
{
    if (dashIsStdin && path == "-")
        return "'-' (standard input)";
    std::string label = "'";
    label.append(path);
    label += '\'';
    return label;
}
