#include "search/checksum.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "support/temp_folder.h"

namespace search {
namespace {

using testing_support::TempFolder;

// The definition summed in one pass, written apart from the product's code.
std::uint32_t onePass(const std::string& s) {
    std::uint32_t b = 1, a = 0;
    std::size_t at = 0;
    auto byte = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[k])); };
    for (; at + 4 <= s.size(); at += 4) {
        b += byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
        a += b;
    }
    std::size_t left = s.size() - at;
    if (left > 0) {
        std::uint32_t v = left == 1 ? byte(at) << 24
                        : left == 2 ? (byte(at) << 16 | byte(at + 1) << 24)
                                    : (byte(at) << 24 | byte(at + 2) << 8);
        b += v;
        a += b;
    }
    return (b << 16) + (a & 0xFFFF);
}

std::uint32_t checksumOfFile(const std::string& path, std::size_t bufferSize,
                             std::uint32_t runControl = core::run_control::kRun) {
    std::vector<std::uint8_t> buffer(bufferSize);
    std::atomic<std::uint32_t> control{runControl};
    return quickChecksum(path.c_str(), buffer.data(), buffer.size(), control).value;
}

TEST(QuickChecksum, KnownValues) {
    struct Case {
        std::string content;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"", 0x00010000u},
        {std::string("\x01\x00\x00\x00", 4), 0x00020002u},
        {"abc", 0x63016301u},
        {"abcd", 0x62626262u},
        {"abcde", 0x6262C4C4u},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        std::string path = folder.write("f", c.content);
        EXPECT_EQ(checksumOfFile(path, 64), c.expected) << "content '" << c.content << "'";
        EXPECT_EQ(onePass(c.content), c.expected) << "the test's own sum, content '" << c.content << "'";
    }
}

TEST(QuickChecksum, FileThatCannotBeOpenedGivesZero) {
    TempFolder folder;
    EXPECT_EQ(checksumOfFile(folder.pathOf("missing"), 64), 0u);
    EXPECT_EQ(checksumOfFile(folder.path(), 64), 0u) << "a folder is no file";
}

TEST(QuickChecksum, ChunkSizeDoesNotChangeTheValue) {
    TempFolder folder;
    for (std::size_t length : {10'001u, 10'002u, 10'003u, 10'004u}) {
        std::string content = testing_support::pseudoRandomBytes(length, static_cast<std::uint32_t>(length));
        std::string path = folder.write("f", content);
        for (std::size_t buffer : {1u, 4u, 5u, 8u, 4096u, 10'000u, 1u << 20})
            EXPECT_EQ(checksumOfFile(path, buffer), onePass(content)) << length << " bytes, buffer " << buffer;
    }
}

TEST(QuickChecksum, FileLargerThanOneFullChunkMatchesOnePass) {
    TempFolder folder;
    std::string content = testing_support::pseudoRandomBytes(kChecksumChunk + 7, 3);
    std::string path = folder.write("big", content);
    EXPECT_EQ(checksumOfFile(path, kChecksumChunk), onePass(content));
    EXPECT_EQ(checksumOfFile(path, kChecksumChunk + 64), onePass(content)) << "a larger buffer reads the same chunks";
}

TEST(QuickChecksum, BytesThatTheValueDrops) {
    // Only the lower 16 bits of the sums are kept, so only the first two bytes
    // of each word count; a tail of 1 or 2 bytes lands in the upper half.
    TempFolder folder;
    EXPECT_EQ(checksumOfFile(folder.write("a", "abcd"), 64), checksumOfFile(folder.write("b", "abYZ"), 64));
    EXPECT_NE(checksumOfFile(folder.write("a", "abcd"), 64), checksumOfFile(folder.write("b", "aXcd"), 64));
    EXPECT_EQ(checksumOfFile(folder.write("a", "abcde"), 64), checksumOfFile(folder.write("b", "abcdZ"), 64));
    EXPECT_EQ(checksumOfFile(folder.write("a", "abcdef"), 64), checksumOfFile(folder.write("b", "abcdYZ"), 64));
    EXPECT_NE(checksumOfFile(folder.write("a", "abcdefg"), 64), checksumOfFile(folder.write("b", "abcdefZ"), 64));
}

TEST(QuickChecksum, AFileReadShortOrNotOpenedHasNoValueToAgreeWith) {
    TempFolder folder;
    std::string content = testing_support::pseudoRandomBytes(10'000, 9);
    std::string path = folder.write("f", content);
    std::vector<std::uint8_t> buffer(4096);
    std::atomic<std::uint32_t> control{core::run_control::kRun};
    for (std::uint64_t cutAt : {0u, 100u, 4096u, 9'999u}) {
        platform::shortenReadsForTesting(path, cutAt);
        Checksum sum = quickChecksum(path.c_str(), buffer.data(), buffer.size(), control);
        platform::shortenReadsForTesting({}, 0);
        EXPECT_EQ(sum.fault, platform::IoFault::OfFile) << cutAt;
    }
    EXPECT_EQ(quickChecksum(path.c_str(), buffer.data(), buffer.size(), control).fault, platform::IoFault::None);
    EXPECT_EQ(quickChecksum(folder.pathOf("missing").c_str(), buffer.data(), buffer.size(), control).fault,
              platform::IoFault::OfFile);
}

TEST(QuickChecksum, AbortBeforeTheFirstChunkGivesTheEmptyValue) {
    TempFolder folder;
    std::string path = folder.write("f", "some content");
    EXPECT_EQ(checksumOfFile(path, 64, core::run_control::kAbort), 0x00010000u);
    EXPECT_EQ(checksumOfFile(path, 64, core::run_control::kPaused), onePass("some content"))
        << "a pause does not stop the checksum";
}

}  // namespace
}  // namespace search
