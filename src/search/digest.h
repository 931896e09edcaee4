// A fast 64-bit digest of bytes. It only sorts contents into sets that may be
// equal (equal bytes, equal digest), or tells damage from what was written;
// it never stands for equality itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace search {

inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

inline std::uint64_t mixBits(std::uint64_t h) {
    h ^= h >> 31;
    h *= 0x7FB5D329728EA185ull;
    h ^= h >> 27;
    h *= 0x81DADEF4BC2DD44Dull;
    return h ^ (h >> 33);
}

// Bytes digested in several pieces, each seeded with the digest of those
// before, give one value for the same pieces.
inline std::uint64_t digestOf(const std::uint8_t* p, std::size_t n, std::uint64_t seed) {
    constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
    std::uint64_t lane[4] = {seed, seed ^ 0x1234567ull, seed + k, seed - k};
    std::size_t at = 0;
    for (; at + 32 <= n; at += 32) {
        for (int l = 0; l < 4; ++l) {
            lane[l] = (lane[l] ^ load64(p + at + 8 * l)) * k;
            lane[l] = (lane[l] << 29) | (lane[l] >> 35);
        }
    }
    std::uint8_t tail[32] = {};
    if (n > at) std::memcpy(tail, p + at, n - at);  // no bytes may come with no pointer
    std::uint64_t h = n;
    for (int l = 0; l < 4; ++l) h = mixBits(h ^ lane[l] ^ load64(tail + 8 * l));
    return h;
}

}  // namespace search
