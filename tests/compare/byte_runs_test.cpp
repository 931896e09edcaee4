#include "compare/byte_runs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace {

using Finder = std::function<std::size_t(const std::uint8_t*, const std::uint8_t*, std::size_t, std::size_t)>;

std::size_t plainFirst(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, std::size_t from,
                       std::size_t to, bool wantEqual) {
    for (std::size_t i = from; i < to; ++i)
        if ((a[i] == b[i]) == wantEqual) return i;
    return to;
}

struct FinderCase {
    const char* name;
    bool wantEqual;
    Finder find;
};

std::vector<FinderCase> finders() {
    std::vector<FinderCase> all = {
        {"firstDifferingByte", false, compare::firstDifferingByte},
        {"firstEqualByte", true, compare::firstEqualByte},
        {"words/differing", false, compare::detail::firstWhereWords<false>},
        {"words/equal", true, compare::detail::firstWhereWords<true>},
    };
#ifdef PAIRLOOK_BYTE_RUNS_SSE2
    all.push_back({"sse2/differing", false, compare::detail::firstWhereSse2<false>});
    all.push_back({"sse2/equal", true, compare::detail::firstWhereSse2<true>});
#endif
    return all;
}

// Buffer B is a copy of A with a share of its bytes changed; the share runs
// from none to all, so both long equal and long differing stretches occur.
void makePair(std::mt19937& random, std::size_t length, unsigned changePerMille, std::vector<std::uint8_t>& a,
              std::vector<std::uint8_t>& b) {
    a.resize(length);
    for (auto& byte : a) byte = static_cast<std::uint8_t>(random());
    b = a;
    std::uniform_int_distribution<unsigned> perMille(0, 999);
    for (std::size_t i = 0; i < length; ++i)
        if (perMille(random) < changePerMille) b[i] = static_cast<std::uint8_t>(b[i] ^ (1u + random() % 255));
}

TEST(ByteRuns, AgreeWithAPlainLoopOnRandomBuffers) {
    std::mt19937 random(20240611);
    std::vector<std::uint8_t> a, b;
    const unsigned shares[] = {0, 1, 20, 300, 500, 700, 980, 999, 1000};
    for (const FinderCase& finder : finders()) {
        for (unsigned share : shares) {
            for (int round = 0; round < 40; ++round) {
                std::size_t length = random() % 300;
                makePair(random, length, share, a, b);
                for (int probe = 0; probe < 12; ++probe) {
                    std::size_t from = length ? random() % (length + 1) : 0;
                    std::size_t to = from + (length - from ? random() % (length - from + 1) : 0);
                    ASSERT_EQ(finder.find(a.data(), b.data(), from, to), plainFirst(a, b, from, to, finder.wantEqual))
                        << finder.name << " share " << share << " length " << length << " [" << from << ',' << to
                        << ')';
                }
            }
        }
    }
}

TEST(ByteRuns, FindASingleChangeAtEveryPositionAndAlignment) {
    // One changed (or one kept) byte moved through a 200-byte stretch that
    // starts at every alignment of a 16-byte block.
    for (const FinderCase& finder : finders()) {
        for (std::size_t start = 0; start < 16; ++start) {
            for (std::size_t at = start; at < start + 200; ++at) {
                std::vector<std::uint8_t> a(256, 7);
                std::vector<std::uint8_t> b(256, finder.wantEqual ? 8 : 7);
                b[at] = finder.wantEqual ? 7 : 9;
                ASSERT_EQ(finder.find(a.data(), b.data(), start, start + 200), at) << finder.name << ' ' << at;
                ASSERT_EQ(finder.find(a.data(), b.data(), at + 1, start + 200), start + 200) << finder.name;
            }
        }
    }
}

TEST(ByteRuns, AnEmptyRangeFindsNothing) {
    std::vector<std::uint8_t> a(8, 1), b(8, 2);
    for (const FinderCase& finder : finders()) EXPECT_EQ(finder.find(a.data(), b.data(), 5, 5), 5u) << finder.name;
}

}  // namespace

namespace {

// The count, vector and word at a time, against one byte at a time: exact
// when it runs to the end, and never stopping short of `enough`.
TEST(ByteRuns, CountDifferingBytesAgreesWithABytewiseCount) {
    std::mt19937 random(23);
    for (int round = 0; round < 400; ++round) {
        const std::size_t n = random() % 1500;
        std::vector<std::uint8_t> a(n), b(n);
        const unsigned share = random() % 4;  // how often bytes differ: never, rarely, half, mostly
        for (std::size_t k = 0; k < n; ++k) {
            a[k] = static_cast<std::uint8_t>(random());
            bool differs = share == 0 ? false : share == 1 ? random() % 50 == 0 : share == 2 ? random() % 2 : random() % 8 != 0;
            b[k] = differs ? static_cast<std::uint8_t>(a[k] ^ (1 + random() % 255)) : a[k];
        }
        std::size_t exact = 0;
        for (std::size_t k = 0; k < n; ++k) exact += a[k] != b[k];
        ASSERT_EQ(compare::countDifferingBytes(a.data(), b.data(), n, n + 1), exact) << n;
        const std::size_t enough = random() % (n + 2);
        const std::size_t got = compare::countDifferingBytes(a.data(), b.data(), n, enough);
        if (exact >= enough) {
            EXPECT_GE(got, enough) << n << ' ' << enough;
            EXPECT_LE(got, exact);
        } else {
            EXPECT_EQ(got, exact) << n << ' ' << enough;
        }
    }
}

}  // namespace
