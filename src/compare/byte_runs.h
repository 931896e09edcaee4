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

}  // namespace compare
