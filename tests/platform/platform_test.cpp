// What the engine relies on from the platform layer, checked against the
// real file system: the same cases run natively (POSIX) and under Wine (Win32).
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "support/temp_folder.h"

namespace {

using testing_support::TempFolder;

std::string readWhole(const std::string& path, std::uint32_t chunk) {
    platform::FileHandle file = platform::openForReading(path.c_str());
    if (file == platform::kNoFile) return "<no file>";
    std::string content;
    std::string buffer(chunk, '\0');
    while (std::uint32_t got = platform::readFile(file, buffer.data(), chunk)) content.append(buffer, 0, got);
    platform::closeFile(file);
    return content;
}

std::map<std::string, platform::ListedItem> listAll(const std::string& folder) {
    std::map<std::string, platform::ListedItem> items;
    platform::ListingHandle listing = platform::openListing(folder.c_str());
    if (!listing) return items;
    platform::ListedItem item;
    while (platform::nextItem(listing, item)) items[item.name] = item;
    platform::closeListing(listing);
    return items;
}

TEST(PlatformFiles, ReadsWholeFileInAnyChunkSize) {
    TempFolder folder;
    std::string content = testing_support::pseudoRandomBytes(100000, 7);
    std::string path = folder.write("data.bin", content);
    for (std::uint32_t chunk : {1u, 4096u, 99999u, 100000u, 1000000u}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(readWhole(path, chunk), content);
    }
}

TEST(PlatformFiles, SizeIsFullLength) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::size_t length;
    };
    for (Case c : {Case{"empty", 0}, Case{"one", 1}, Case{"some", 70001}}) {
        SCOPED_TRACE(c.name);
        std::string path = folder.write(c.name, std::string(c.length, 'x'));
        platform::FileHandle file = platform::openForReading(path.c_str());
        ASSERT_NE(file, platform::kNoFile);
        std::uint64_t size = 12345;
        EXPECT_TRUE(platform::fileSize(file, size));
        EXPECT_EQ(size, c.length);
        platform::closeFile(file);
    }
}

TEST(PlatformFiles, MissingFileAndFolderDoNotOpen) {
    TempFolder folder;
    folder.makeFolder("sub");
    EXPECT_EQ(platform::openForReading(folder.pathOf("absent").c_str()), platform::kNoFile);
    EXPECT_EQ(platform::openForReading(folder.pathOf("sub").c_str()), platform::kNoFile);
    EXPECT_EQ(platform::readFile(platform::kNoFile, nullptr, 10), 0u);
}

TEST(PlatformFiles, OpenFileCanBeOpenedForReadingAgain) {
    TempFolder folder;
    std::string path = folder.write("shared.txt", "both may read");
    platform::FileHandle first = platform::openForReading(path.c_str());
    ASSERT_NE(first, platform::kNoFile);
    EXPECT_EQ(readWhole(path, 64), "both may read");
    platform::closeFile(first);
}

TEST(PlatformFiles, CountersCountOpensReadsAndBytes) {
    TempFolder folder;
    std::string path = folder.write("counted.txt", "0123456789");
    platform::resetIoCounters();
    platform::openForReading(folder.pathOf("absent").c_str());
    platform::FileHandle file = platform::openForReading(path.c_str());
    char buffer[8];
    platform::readFile(file, buffer, sizeof buffer);
    platform::readFile(file, buffer, sizeof buffer);
    platform::closeFile(file);

    platform::IoCounters counters = platform::ioCounters();
    EXPECT_EQ(counters.opens, 1u);
    EXPECT_EQ(counters.reads, 2u);
    EXPECT_EQ(counters.bytesRead, 10u);
    platform::resetIoCounters();
    EXPECT_EQ(platform::ioCounters().opens, 0u);
}

TEST(PlatformFiles, MoveRefusesExistingTargetAndReplaceOverwrites) {
    TempFolder folder;
    std::string a = folder.write("a.txt", "A");
    std::string b = folder.write("b.txt", "B");
    EXPECT_FALSE(platform::moveFile(a.c_str(), b.c_str()));
    EXPECT_EQ(readWhole(b, 16), "B");

    std::string c = folder.pathOf("c.txt");
    EXPECT_TRUE(platform::moveFile(a.c_str(), c.c_str()));
    EXPECT_EQ(readWhole(c, 16), "A");
    EXPECT_EQ(platform::openForReading(a.c_str()), platform::kNoFile);

    EXPECT_TRUE(platform::replaceFile(c.c_str(), b.c_str()));
    EXPECT_EQ(readWhole(b, 16), "A");
    EXPECT_EQ(platform::openForReading(c.c_str()), platform::kNoFile);
}

TEST(PlatformFiles, DeleteAndCreateFolder) {
    TempFolder folder;
    std::string file = folder.write("gone.txt", "x");
    EXPECT_TRUE(platform::deleteFile(file.c_str()));
    EXPECT_FALSE(platform::deleteFile(file.c_str()));

    std::string sub = folder.pathOf("new");
    EXPECT_FALSE(platform::isFolder(sub.c_str()));
    EXPECT_TRUE(platform::createFolder(sub.c_str()));
    EXPECT_TRUE(platform::isFolder(sub.c_str()));
    EXPECT_FALSE(platform::createFolder(sub.c_str()));
    EXPECT_FALSE(platform::isFolder(folder.write("plain", "x").c_str()));
}

TEST(PlatformFiles, IdentityTellsSameFileFromCopy) {
    TempFolder folder;
    std::string a = folder.write("a.bin", "same bytes");
    std::string copy = folder.write("copy.bin", "same bytes");

    platform::FileIdentity byPath, byHandle, ofCopy;
    ASSERT_TRUE(platform::identityOfPath(a.c_str(), byPath));
    platform::FileHandle file = platform::openForReading(a.c_str());
    ASSERT_TRUE(platform::identityOf(file, byHandle));
    platform::closeFile(file);
    ASSERT_TRUE(platform::identityOfPath(copy.c_str(), ofCopy));

    EXPECT_EQ(byPath, byHandle);
    EXPECT_FALSE(byPath == ofCopy);
    EXPECT_FALSE(platform::identityOfPath(folder.pathOf("absent").c_str(), byPath));
}

TEST(PlatformListing, ListsFilesFoldersAndSizes) {
    TempFolder folder;
    folder.write("one.txt", "1");
    folder.write("big.bin", std::string(5000, 'b'));
    folder.makeFolder("inner");

    auto items = listAll(folder.path());
    ASSERT_EQ(items.count("one.txt"), 1u);
    EXPECT_EQ(items["one.txt"].kind, platform::ItemKind::File);
    EXPECT_EQ(items["one.txt"].size, 1u);
    EXPECT_EQ(items["big.bin"].kind, platform::ItemKind::File);
    EXPECT_EQ(items["big.bin"].size, 5000u);
    ASSERT_EQ(items.count("inner"), 1u);
    EXPECT_EQ(items["inner"].kind, platform::ItemKind::Folder);
    EXPECT_EQ(items.count("."), 1u);
    EXPECT_EQ(items.count(".."), 1u);
    EXPECT_EQ(items.size(), 5u);
}

TEST(PlatformListing, EmptyFolderHasOnlyDots) {
    TempFolder folder;
    std::string empty = folder.makeFolder("empty");
    auto items = listAll(empty);
    EXPECT_EQ(items.size(), 2u);
    EXPECT_EQ(items.count("."), 1u);
}

TEST(PlatformListing, MissingFolderCannotBeListed) {
    TempFolder folder;
    EXPECT_EQ(platform::openListing(folder.pathOf("absent").c_str()), nullptr);
}

TEST(PlatformMemory, BlocksAreZeroedPageAlignedAndTheSwitchFailsThem) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{4096}, std::size_t{1} << 20,
                             std::size_t{10'000'050}}) {
        auto* block = static_cast<unsigned char*>(platform::allocateZeroed(size));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 4096, 0u) << size;
        std::size_t nonZero = 0;
        for (std::size_t i = 0; i < size; ++i) nonZero += block[i] != 0;
        EXPECT_EQ(nonZero, 0u) << size;
        std::memset(block, 0xFF, size);  // the block is writable to its end
        platform::releaseBlock(block);
    }
    platform::releaseBlock(nullptr);

    platform::failAllocationsForTesting(true);
    EXPECT_EQ(platform::allocateZeroed(16), nullptr);
    platform::failAllocationsForTesting(false);
    void* again = platform::allocateZeroed(16);
    EXPECT_NE(again, nullptr);
    platform::releaseBlock(again);
}

TEST(PlatformSystem, LastWriteTextOnlyForExistingItems) {
    TempFolder folder;
    std::string path = folder.write("dated.txt", "x");
    std::string when = platform::lastWriteText(path.c_str());
    EXPECT_FALSE(when.empty());
    EXPECT_NE(when.find(' '), std::string::npos) << when;  // time, blank, date
    EXPECT_TRUE(platform::lastWriteText(folder.pathOf("absent").c_str()).empty());
}

TEST(PlatformSystem, ProgramSearchFindsOwnProgramOnly) {
#ifdef _WIN32
    const char* ownName = "engine_tests.exe";
#else
    const char* ownName = "engine_tests";
#endif
    std::string found = platform::searchProgramFile(ownName);
    ASSERT_GE(found.size(), std::strlen(ownName) + 1);
    EXPECT_EQ(found.substr(found.size() - std::strlen(ownName)), ownName);
    EXPECT_EQ(found[found.size() - std::strlen(ownName) - 1], platform::kPathSeparator);
    EXPECT_TRUE(platform::searchProgramFile("no-such-program-file.exe").empty());
}

TEST(PlatformSystem, TemporaryFolderLiesOnFixedDrive) {
    TempFolder folder;
    EXPECT_EQ(platform::driveTypeOf(folder.path().substr(0, 3)), platform::DriveType::Fixed);
}

#ifdef _WIN32
TEST(PlatformSystem, ApplicationDataFolderExists) {
    std::string appData = platform::appDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), '\\');
    EXPECT_TRUE(platform::isFolder(appData.c_str()));
}

TEST(PlatformSystem, DriveRootsAreTold) {
    EXPECT_EQ(platform::driveTypeOf("C:\\"), platform::DriveType::Fixed);
    EXPECT_NE(platform::driveTypeOf("\\\\s"), platform::DriveType::Removable);
}
#endif

}  // namespace
