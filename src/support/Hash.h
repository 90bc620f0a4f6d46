// FNV-1a, 64 bits: a fixed, platform-independent hash of bytes, for seeds
// and digests that stored files and reruns rely on (never for security).
#pragma once

#include <cstdint>
#include <string_view>

inline std::uint64_t Fnv1a(std::string_view bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}
