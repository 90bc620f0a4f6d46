// gzip data made in the tests themselves, so that no binary test file is
// needed: Gzip(text) is one gzip member holding text, as gzip(1) writes it.
#pragma once

#include <zlib.h>

#include <string>

inline std::string Gzip(const std::string& text)
{
    z_stream zs {};
    // 15 + 16: gzip wrapper (header and CRC-32/length trailer).
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&zs, static_cast<uLong>(text.size())) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return rc == Z_STREAM_END ? out : std::string();
}
