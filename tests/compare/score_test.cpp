#include "compare/score.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/app_state.h"

namespace {

using compare::similarityPercent;

const std::uint8_t* bytes(const char* s) { return reinterpret_cast<const std::uint8_t*>(s); }

TEST(SimilarityPercent, FollowsTheScoreTable) {
    struct Case {
        std::uint32_t total, differing, expected;
    };
    const Case cases[] = {
        {10, 3, 70},
        {3, 1, 66},
        {6, 2, 66},
        {100, 0, 100},
        {50'000, 1, 99},         // exact: 4,999,900 / 50,000
        {50'001, 1, 99},         // shifted to 48, 0: 100 lowered
        {1'000'000, 1'023, 99},  // 976, 0: 100 lowered
        {1'000'000, 100'000, 90},
        {1'048'576, 524'288, 50},
        {2'000'000, 2'000'000, 0},
        {11, 6, 45},             // hello world against hello
        {4, 1, 75},              // abc against abcd
        {1, 1, 0},
        {1, 0, 100},
        {50'001, 1'024, 97},     // 48, 1
        {4'294'967'295u, 0, 100},
        {4'294'967'295u, 1, 99},
        {4'294'967'295u, 2'147'483'648u, 49},  // 4,194,303 and 2,097,152
        {4'294'967'295u, 4'294'967'295u, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(similarityPercent(c.total, c.differing), c.expected) << c.total << ' ' << c.differing;
}

TEST(SimilarityPercent, AnyDifferingByteKeepsItBelow100InBothBranches) {
    for (std::uint32_t total : {1u, 2u, 99u, 100u, 101u, 49'999u, 50'000u, 50'001u, 1'000'000u, 4'294'967'295u}) {
        EXPECT_EQ(similarityPercent(total, 0), 100u) << total;
        EXPECT_LE(similarityPercent(total, 1), 99u) << total;
    }
    // Above 50,000 bytes, 1 to 1,023 differing bytes vanish in the shift: 99.
    for (std::uint32_t total : {50'001u, 1'000'000u, 4'294'967'295u})
        for (std::uint32_t differing : {1u, 2u, 512u, 1'023u}) EXPECT_EQ(similarityPercent(total, differing), 99u);
}

TEST(SimilarityPercent, NeverRisesAsMoreBytesDiffer) {
    // Exhaustive for small totals, both sides of the 50,000 switch sampled.
    for (std::uint32_t total = 1; total <= 400; ++total) {
        std::uint32_t previous = 100;
        for (std::uint32_t d = 0; d <= total; ++d) {
            std::uint32_t p = similarityPercent(total, d);
            ASSERT_LE(p, previous) << total << ' ' << d;
            previous = p;
        }
        EXPECT_EQ(previous, 0u) << total;
    }
    for (std::uint32_t total : {49'999u, 50'000u, 50'001u, 123'457u}) {
        std::uint32_t previous = 100;
        for (std::uint32_t d = 0; d <= total; d += 7) {
            std::uint32_t p = similarityPercent(total, d);
            ASSERT_LE(p, previous) << total << ' ' << d;
            previous = p;
        }
    }
}

TEST(SimilarityPercent, AZeroTotalScoresZeroAndTooManyDifferingBytesCountAsAll) {
    EXPECT_EQ(similarityPercent(0, 0), 0u);
    EXPECT_EQ(similarityPercent(10, 11), 0u);
    EXPECT_EQ(similarityPercent(60'000, 4'000'000'000u), 0u);
}

// Plain search for the first count that scores below listedFrom.
std::uint64_t firstUnlistedByScan(std::uint32_t total, std::uint32_t listedFrom) {
    for (std::uint64_t d = 0; d <= total; ++d)
        if (similarityPercent(total, static_cast<std::uint32_t>(d)) < listedFrom) return d;
    return std::uint64_t{total} + 1;
}

TEST(FirstUnlistedCount, IsTheExactPointWhereTheScoreFallsBelow) {
    for (std::uint32_t total = 1; total <= 300; ++total)
        for (std::uint32_t listedFrom = 0; listedFrom <= 101; ++listedFrom)
            ASSERT_EQ(compare::firstUnlistedCount(total, listedFrom), firstUnlistedByScan(total, listedFrom))
                << total << ' ' << listedFrom;
    for (std::uint32_t total : {50'000u, 50'001u, 1'000'000u, 10'000'000u, 4'294'967'295u}) {
        for (std::uint32_t listedFrom : {1u, 50u, 95u, 99u, 100u}) {
            std::uint64_t first = compare::firstUnlistedCount(total, listedFrom);
            ASSERT_LE(first, std::uint64_t{total});
            EXPECT_LT(similarityPercent(total, static_cast<std::uint32_t>(first)), listedFrom);
            if (first > 0) {
                EXPECT_GE(similarityPercent(total, static_cast<std::uint32_t>(first - 1)), listedFrom);
            }
        }
    }
    EXPECT_EQ(compare::firstUnlistedCount(1'000'000, 0), 1'000'001u);  // nothing is below 0
    EXPECT_EQ(compare::firstUnlistedCount(1'000'000, 100), 1u);         // any differing byte
    EXPECT_EQ(compare::firstUnlistedCount(1'000'000, 101), 0u);         // nothing reaches 101
}

TEST(ByteText, ControlBytesInHexadecimalOthersQuoted) {
    struct Case {
        int b;
        std::string expected;
    };
    const Case cases[] = {
        {0, "00h"},     {9, "09h"},     {10, "0Ah"},    {13, "0Dh"},     {27, "1Bh"},
        {31, "1Fh"},    {32, "\" \""},  {34, "\"\"\""}, {65, "\"A\""},   {92, "\"\\\""},
        {127, "\"\x7F\""}, {128, "\"\x80\""}, {200, "\"\xC8\""}, {255, "\"\xFF\""},
    };
    for (const auto& c : cases) EXPECT_EQ(compare::byteText(static_cast<std::uint8_t>(c.b)), c.expected) << c.b;
    const char* kHex = "0123456789ABCDEF";
    for (int b = 0; b < 32; ++b) {
        std::string expected{kHex[b >> 4], kHex[b & 15], 'h'};
        EXPECT_EQ(compare::byteText(static_cast<std::uint8_t>(b)), expected);
    }
    for (int b = 32; b < 256; ++b) {
        std::string expected{'"', static_cast<char>(b), '"'};
        EXPECT_EQ(compare::byteText(static_cast<std::uint8_t>(b)), expected);
    }
}

TEST(RunBytesText, KeepsTheBytesUpToTheFirstNul) {
    struct Case {
        std::string run;
        std::uint32_t n;
        std::string expected;
    };
    const Case cases[] = {
        {"Hello", 5, "\"Hello\""},
        {std::string("A\0B", 3), 3, "\"A\""},
        {std::string("\0A", 2), 2, "\"\""},
        {"abcdefghijklmnopqrstuvwxyz0123", 20, "\"abcdefghijklmnopqrst\""},
        {"ab", 2, "\"ab\""},
        {"a\tb\nc\rd", 7, "\"a\tb\nc\rd\""},     // control bytes other than NUL stay as they are
        {std::string("xy\0", 3), 2, "\"xy\""},  // only n bytes are looked at
        {"\x80\xFF\x01", 3, "\"\x80\xFF\x01\""},
    };
    for (const auto& c : cases) EXPECT_EQ(compare::runBytesText(bytes(c.run.c_str()), c.n), c.expected) << c.run;
}

TEST(DifferenceDetails, FollowsTheDetailsTable) {
    const std::string a30 = "abcdefghijklmnopqrstuvwxyz0123";
    const std::string b30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ4567";
    struct Case {
        std::string a, b;
        std::uint32_t runLength;
        std::string expected;
    };
    const Case cases[] = {
        {"c", "X", 1, "File A is \"c\", File B is \"X\""},
        {"\n", "A", 1, "File A is 0Ah, File B is \"A\""},
        {" ", std::string(1, '\0'), 1, "File A is \" \", File B is 00h"},
        {"abc", "xyz", 3, "File A is \"abc\", File B is \"xyz\""},
        {std::string("A\0C", 3), "BCD", 3, "File A is \"A\", File B is \"BCD\""},
        {a30, b30, 30, "File A is \"abcdefghijklmnopqrst\", File B is \"ABCDEFGHIJKLMNOPQRST\""},
        {a30, b30, 20, "File A is \"abcdefghijklmnopqrst\", File B is \"ABCDEFGHIJKLMNOPQRST\""},
        {a30, b30, 19, "File A is \"abcdefghijklmnopqrs\", File B is \"ABCDEFGHIJKLMNOPQRS\""},
        {std::string("\0b", 2), "xy", 2, "File A is \"\", File B is \"xy\""},
        {"\t\t", "\r\n", 2, "File A is \"\t\t\", File B is \"\r\n\""},
        {a30, b30, 9'999'999, "Different"},
        {a30, b30, 9'999'998, "File A is \"abcdefghijklmnopqrst\", File B is \"ABCDEFGHIJKLMNOPQRST\""},
    };
    for (const auto& c : cases) {
        std::string text = compare::differenceDetails(bytes(c.a.c_str()), bytes(c.b.c_str()), c.runLength);
        EXPECT_EQ(text, c.expected) << c.runLength;
        compare::DetailsBuffer buffer;
        EXPECT_EQ(compare::differenceDetails(bytes(c.a.c_str()), bytes(c.b.c_str()), c.runLength, buffer),
                  c.expected);
    }
}

TEST(DifferenceDetails, TheLongestTextIs66Characters) {
    const std::string a(20, '\xEE');
    const std::string b(20, '\xDD');
    EXPECT_EQ(compare::differenceDetails(bytes(a.c_str()), bytes(b.c_str()), 500).size(), 66u);
}

TEST(VerdictText, TheFirstRuleThatAppliesWins) {
    using namespace core::run_state;
    struct Case {
        std::uint32_t runState, largerSize, diffTotal;
        const char* expected;
    };
    const Case cases[] = {
        {kFault, 0, 0, "Fault"},
        {kFault, 100, 50, "Fault"},
        {kOpenError, 0, 0, "Error opening file"},
        {kOpenError, 100, 3, "Error opening file"},
        {kStopping, 6, 0, "Same"},
        {kStopping, 6, 2, "Files have 66% in common"},
        {kStopping, 11, 6, "Files have 45% in common"},
        {kStopping, 4, 1, "Files have 75% in common"},
        {kStopping, 10, 5, "Files have 50% in common"},
        {kStopping, 1'000'000, 1, "Files have 99% in common"},
        {kStopping, 7, 7, "Files have 0% in common"},
        {kRunning, 6, 2, "Files have 66% in common"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compare::verdictText(c.runState, c.largerSize, c.diffTotal), c.expected)
            << c.runState << ' ' << c.largerSize << ' ' << c.diffTotal;
}

}  // namespace
