// Finding where two buffers start or stop differing, many bytes at a time.
// The comparator's rows are defined byte by byte; these routines only find
// the same boundaries faster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define PAIRLOOK_BYTE_RUNS_SSE2 1
#endif

namespace compare {
namespace detail {

#ifdef PAIRLOOK_BYTE_RUNS_SSE2
// One bit per byte of a 16-byte block: set where the two buffers agree.
inline unsigned equalMask16(const std::uint8_t* a, const std::uint8_t* b) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
}

// The first index in [from, to) where a[i] == b[i] is kWantEqual; `to` when
// there is none.
template <bool kWantEqual>
std::size_t firstWhereSse2(const std::uint8_t* a, const std::uint8_t* b, std::size_t from, std::size_t to) {
    // Bits set where the byte is one we look for.
    auto wanted = [](unsigned equal) { return kWantEqual ? equal : (~equal & 0xFFFFu); };
    std::size_t i = from;
    while (to - i >= 64) {
        unsigned m0 = wanted(equalMask16(a + i, b + i));
        unsigned m1 = wanted(equalMask16(a + i + 16, b + i + 16));
        unsigned m2 = wanted(equalMask16(a + i + 32, b + i + 32));
        unsigned m3 = wanted(equalMask16(a + i + 48, b + i + 48));
        if ((m0 | m1 | m2 | m3) == 0) {
            i += 64;
            continue;
        }
        if (m0) return i + static_cast<std::size_t>(__builtin_ctz(m0));
        if (m1) return i + 16 + static_cast<std::size_t>(__builtin_ctz(m1));
        if (m2) return i + 32 + static_cast<std::size_t>(__builtin_ctz(m2));
        return i + 48 + static_cast<std::size_t>(__builtin_ctz(m3));
    }
    while (to - i >= 16) {
        unsigned m = wanted(equalMask16(a + i, b + i));
        if (m) return i + static_cast<std::size_t>(__builtin_ctz(m));
        i += 16;
    }
    while (i < to && (a[i] == b[i]) != kWantEqual) ++i;
    return i;
}
#endif

// Everywhere: eight bytes at a time. A zero byte of a ^ b is an equal byte.
inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <bool kWantEqual>
std::size_t firstWhereWords(const std::uint8_t* a, const std::uint8_t* b, std::size_t from, std::size_t to) {
    constexpr std::uint64_t kLow = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    std::size_t i = from;
    while (to - i >= 8) {
        std::uint64_t x = load64(a + i) ^ load64(b + i);
        // A word holding a zero byte of a ^ b holds an equal byte; the last
        // few bytes are then told apart one by one.
        bool found = kWantEqual ? (((x - kLow) & ~x & kHigh) != 0) : (x != 0);
        if (found) break;
        i += 8;
    }
    while (i < to && (a[i] == b[i]) != kWantEqual) ++i;
    return i;
}

template <bool kWantEqual>
std::size_t firstWhere(const std::uint8_t* a, const std::uint8_t* b, std::size_t from, std::size_t to) {
#ifdef PAIRLOOK_BYTE_RUNS_SSE2
    return firstWhereSse2<kWantEqual>(a, b, from, to);
#else
    return firstWhereWords<kWantEqual>(a, b, from, to);
#endif
}

}  // namespace detail

// The first index in [from, to) where the buffers differ; `to` when none does.
inline std::size_t firstDifferingByte(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                                      std::size_t to) {
    return detail::firstWhere<false>(a, b, from, to);
}

// The first index in [from, to) where the buffers agree; `to` when none does.
inline std::size_t firstEqualByte(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                                  std::size_t to) {
    return detail::firstWhere<true>(a, b, from, to);
}

// How many bytes differ in [0, n), counting stops once `enough` is reached
// (the count returned is then at least `enough`, and no more than n).
inline std::size_t countDifferingBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
                                       std::size_t enough) {
    std::size_t count = 0;
    std::size_t i = 0;
#ifdef PAIRLOOK_BYTE_RUNS_SSE2
    const __m128i ones = _mm_set1_epi8(1);
    auto equalOnes = [&](std::size_t at) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at));
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at));
        return _mm_and_si128(_mm_cmpeq_epi8(x, y), ones);
    };
    // Each byte lane counts its equal bytes (at most 16 here), then the lanes
    // are summed: per 256 bytes while much is still wanted, else per 64.
    auto equalIn = [&](__m128i lanes) {
        __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        return static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
    };
    while (n - i >= 256 && enough - count >= 256) {
        __m128i lanes = _mm_setzero_si128();
        for (std::size_t at = i; at < i + 256; at += 64)
            lanes = _mm_add_epi8(lanes, _mm_add_epi8(_mm_add_epi8(equalOnes(at), equalOnes(at + 16)),
                                                     _mm_add_epi8(equalOnes(at + 32), equalOnes(at + 48))));
        count += 256 - equalIn(lanes);
        i += 256;
    }
    while (n - i >= 64 && count < enough) {
        __m128i lanes = _mm_add_epi8(_mm_add_epi8(equalOnes(i), equalOnes(i + 16)),
                                     _mm_add_epi8(equalOnes(i + 32), equalOnes(i + 48)));
        count += 64 - equalIn(lanes);
        i += 64;
    }
#endif
    while (n - i >= 8 && count < enough) {
        std::uint64_t x = detail::load64(a + i) ^ detail::load64(b + i);
        // One bit per differing byte, in the byte's lowest bit; then summed.
        x = (x | (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
        x = (x | (x >> 2)) & 0x0303030303030303ull;
        x = (x | (x >> 1)) & 0x0101010101010101ull;
        count += static_cast<std::size_t>((x * 0x0101010101010101ull) >> 56);
        i += 8;
    }
    for (; i < n && count < enough; ++i) count += a[i] != b[i];
    return count;
}

}  // namespace compare
