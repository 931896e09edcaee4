#include "text/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

template <typename Value>
struct NumberCase {
    Value value;
    const char* expected;
};

TEST(UnsignedDecimalText, WritesEveryDigitWithoutLeadingZeros) {
    const NumberCase<std::uint32_t> cases[] = {
        {0, "0"},           {7, "7"},
        {10, "10"},         {100, "100"},
        {1'000'000, "1000000"}, {10'000'000, "10000000"},
        {1'000'000'000, "1000000000"}, {2'147'483'648u, "2147483648"},
        {4'294'967'295u, "4294967295"}, {4'000'000'001u, "4000000001"},
        {909, "909"},
    };
    for (const auto& c : cases) EXPECT_EQ(text::unsignedDecimalText(c.value), c.expected) << c.value;
}

TEST(DecimalText, SignedValuesAtTheirLimits) {
    const NumberCase<std::int32_t> cases[] = {
        {0, "0"},
        {1, "1"},
        {-1, "-1"},
        {-10, "-10"},
        {2'147'483'647, "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
        {-1'000'000, "-1000000"},
        {66, "66"},
    };
    for (const auto& c : cases) EXPECT_EQ(text::decimalText(c.value), c.expected) << c.value;
}

TEST(DecimalValue, ReadsDigitsUpToTheFirstOtherCharacter) {
    struct Case {
        const char* text;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"", 0},
        {"0", 0},
        {"100", 100},
        {"99", 99},
        {"007", 7},
        {"12ab", 12},
        {"x12", 0},
        {"-5", 0},
        {" 5", 0},
        {"4294967295", 4'294'967'295u},
        {"4294967296", 0},    // wraps like the 32-bit word it lands in
        {"4294967297", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(text::decimalValue(c.text), c.expected) << '"' << c.text << '"';
}

TEST(DecimalValue, ReadsBackEveryWrittenScore) {
    for (std::int32_t score = 0; score <= 100; ++score)
        EXPECT_EQ(text::decimalValue(text::decimalText(score)), static_cast<std::uint32_t>(score));
}

TEST(HexText, EightUppercaseDigitsWithLeadingZeros) {
    const NumberCase<std::uint32_t> cases[] = {
        {0, "00000000"},       {10, "0000000A"},      {31, "0000001F"},
        {255, "000000FF"},     {0xABCDEF01u, "ABCDEF01"}, {0x80000000u, "80000000"},
        {4'294'967'295u, "FFFFFFFF"},
    };
    for (const auto& c : cases) EXPECT_EQ(text::hexText(c.value), c.expected) << c.value;
}

TEST(RightText, TakesTheLastCharacters) {
    struct Case {
        const char* text;
        std::size_t n;
        const char* expected;
    };
    const Case cases[] = {
        {"0000000A", 2, "0A"},
        {"0000000A", 0, ""},
        {"0000000A", 8, "0000000A"},
        {"abc", 5, "abc"},  // more than there is: all of it
        {"", 0, ""},
        {"", 3, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(text::rightText(c.text, c.n), c.expected) << c.text << ' ' << c.n;
}

TEST(CutToLimit, KeepsAtMost599Characters) {
    EXPECT_EQ(text::cutToLimit(""), "");
    EXPECT_EQ(text::cutToLimit(std::string(599, 'a')), std::string(599, 'a'));
    EXPECT_EQ(text::cutToLimit(std::string(600, 'b')), std::string(599, 'b'));
    EXPECT_EQ(text::cutToLimit(std::string(5000, 'c')).size(), 599u);
    // Never inside a character: "ü" (2 bytes) or "€" (3) across the 599th byte goes whole.
    EXPECT_EQ(text::cutToLimit(std::string(598, 'd') + "\xC3\xBC"), std::string(598, 'd'));
    EXPECT_EQ(text::cutToLimit(std::string(597, 'e') + "\xE2\x82\xAC!"), std::string(597, 'e'));
    EXPECT_EQ(text::cutToLimit(std::string(597, 'f') + "\xC3\xBC"), std::string(597, 'f') + "\xC3\xBC");
}

struct PathCase {
    const char* path;
    const char* expected;
};

TEST(FolderOf, KeepsUpToAndIncludingTheLastSeparator) {
    const PathCase cases[] = {
        {"", ""},
        {"C:\\Tools\\x.exe", "C:\\Tools\\"},
        {"C:\\Tools\\", "C:\\Tools\\"},
        {"C:\\", "C:\\"},
        {"\\", "\\"},
        {"\\\\", "\\\\"},
        {"x.exe", "x.exe"},   // no separator: unchanged
        {"C:x.exe", "C:x.exe"},
        {"\\x", "\\"},
        {"a\\b\\c", "a\\b\\"},
        {"a/b\\c/d", "a/b\\"},  // only the chosen separator counts
    };
    for (const auto& c : cases) EXPECT_EQ(text::folderOf(c.path), c.expected) << c.path;
    EXPECT_EQ(text::folderOf("/usr/bin/cmp", '/'), "/usr/bin/");
    EXPECT_EQ(text::folderOf("/", '/'), "/");
}

TEST(FileNameOf, ThePartAfterTheLastSeparator) {
    const PathCase cases[] = {
        {"", ""},
        {"C:\\dir\\file.txt", "file.txt"},
        {"C:\\dir\\ab", "ab"},
        {"C:\\dir\\a", "a"},              // a one-letter name is still only the name
        {"C:\\dir\\", ""},                // nothing after the separator
        {"file.txt", "file.txt"},         // no separator
        {"\\a", "a"},
        {"\\", ""},
        {"x\\yz\\", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(text::fileNameOf(c.path), c.expected) << c.path;
    EXPECT_EQ(text::fileNameOf("/home/ann/notes.txt", '/'), "notes.txt");
    EXPECT_EQ(text::fileNameOf("/home/ann/a", '/'), "a");
}

TEST(WithTrailingBackslash, EndsWithExactlyTheOneSeparatorItHad) {
    const PathCase cases[] = {
        {"", "\\"},                // the root of the current drive
        {"C:\\Moved", "C:\\Moved\\"},
        {"C:\\Moved\\", "C:\\Moved\\"},
        {"C:", "C:\\"},
        {"\\", "\\"},
        {"\\\\", "\\\\"},          // already ends in one: nothing added
        {"a/", "a/\\"},            // only the chosen separator counts
    };
    for (const auto& c : cases) EXPECT_EQ(text::withTrailingBackslash(c.path), c.expected) << c.path;
    EXPECT_EQ(text::withTrailingBackslash("/tmp", '/'), "/tmp/");
    EXPECT_EQ(text::withTrailingBackslash("", '/'), "/");
}

}  // namespace
