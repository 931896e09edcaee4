#include "search/indexer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace search {
namespace {

namespace fs = std::filesystem;
using testing_support::TempFolder;

std::vector<std::string> pathsOf(const Index& index) {
    std::vector<std::string> paths;
    for (const auto& e : index.entries) paths.push_back(e.path);
    return paths;
}

struct Walk {
    core::AppState state;
    Index index;
    std::uint32_t count = 0;

    Walk(const std::string& folder, std::uint32_t mode, std::size_t cap = kIndexCap, std::size_t helpers = 0) {
        index.cap = cap;
        index.quickDir = mode == core::search_mode::kQuickDir;
        WorkPool pool(helpers);
        core::RunContext context(state);
        count = indexFolder(context, index, folder, pool);
    }
};

TEST(Indexer, DepthFirstInListingOrderWithSubtreesWhereTheyStand) {
    TempFolder f;
    std::vector<std::string> written = {"b", "a/y", "a/x", "c/z", "a/deep/w"};
    std::vector<std::string> walked = {"a/deep/w", "a/x", "a/y", "b", "c/z"};
#ifndef _WIN32
    // Windows strips trailing dots from names, so "..." exists only here.
    written.push_back(".../dots");
    walked.insert(walked.begin(), ".../dots");
#endif
    for (const std::string& name : written) f.write(name, "1");
    Walk walk(f.path(), core::search_mode::kDirectory);
    std::vector<std::string> expected;
    for (const std::string& name : walked) expected.push_back(f.pathOf(name));
    EXPECT_EQ(pathsOf(walk.index), expected) << "'.' and '..' skipped, '...' descended";
    EXPECT_EQ(walk.count, walked.size());
    EXPECT_EQ(walk.state.currentFile.get(), f.pathOf("c/z")) << "currentFile holds the last file entered";
}

TEST(Indexer, EmptyOrMissingFoldersGiveNoEntries) {
    TempFolder f;
    f.makeFolder("only/empty/folders");
    Walk empty(f.path(), core::search_mode::kQuickDir);
    Walk missing(f.pathOf("missing"), core::search_mode::kQuickDir);
    EXPECT_EQ(empty.count, 0u);
    EXPECT_EQ(empty.index.root, RootListing::Listed);
    EXPECT_EQ(missing.count, 0u);
    EXPECT_EQ(missing.index.root, RootListing::NotAFolder);
}

TEST(Indexer, SizesPerMode) {
    TempFolder f;
    f.write("five", "12345");
    f.write("three", "abc");
    Walk directory(f.path(), core::search_mode::kDirectory);
    Walk quick(f.path(), core::search_mode::kQuickDir);
    ASSERT_EQ(directory.count, 2u);
    ASSERT_EQ(quick.count, 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(directory.index.entries[k].size, 0u) << "Directory mode enters size 0";
        EXPECT_EQ(directory.index.entries[k].checksum, 0u);
        EXPECT_EQ(quick.index.entries[k].checksum, 0u) << "checksums wait until a pair needs them";
    }
    EXPECT_EQ(quick.index.entries[0].size, 5u);
    EXPECT_EQ(quick.index.entries[1].size, 3u);
    EXPECT_EQ(directory.index.entries[0].listedSize, 5u) << "Directory mode still knows the listed size";
#ifndef _WIN32
    EXPECT_NE(quick.index.entries[0].diskOrder, 0u) << "the inode";
#endif
}

TEST(Indexer, NoFileIsOpenedWhileIndexing) {
    TempFolder f;
    for (int k = 0; k < 5; ++k) f.write("f" + std::to_string(k), std::string(static_cast<std::size_t>(k), 'x'));
    platform::resetIoCounters();
    Walk walk(f.path(), core::search_mode::kQuickDir);
    EXPECT_EQ(walk.count, 5u);
    EXPECT_EQ(platform::ioCounters().opens, 0u);
}

TEST(Indexer, SizeOfFourGiBAndMoreKeepsItsLow32Bits) {
    TempFolder f;
    std::string path = f.write("sparse", "");
    std::error_code error;
    fs::resize_file(fs::u8path(path), (std::uint64_t{1} << 32) + 3, error);
    if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
    Walk walk(f.path(), core::search_mode::kQuickDir);
    ASSERT_EQ(walk.count, 1u);
    EXPECT_EQ(walk.index.entries[0].size, 3u);
    EXPECT_EQ(walk.index.entries[0].listedSize, (std::uint64_t{1} << 32) + 3);
}

TEST(Indexer, CapIsTestedAfterEachItemAtEveryDepth) {
    TempFolder f;
    for (const char* name : {"a/1", "a/2", "a/b/3", "a/b/4", "c", "d/5"}) f.write(name, "x");
    f.makeFolder("e/empty");  // after the last file: walking it finds nothing
    struct Case {
        std::size_t cap;
        std::vector<std::string> names;
        bool limitReached = true;
    };
    const Case cases[] = {
        {1, {"a/1"}},
        {3, {"a/1", "a/2", "a/b/3"}},
        {4, {"a/1", "a/2", "a/b/3", "a/b/4"}},
        {5, {"a/1", "a/2", "a/b/3", "a/b/4", "c"}},
        {6, {"a/1", "a/2", "a/b/3", "a/b/4", "c", "d/5"}, false},  // "e" holds no file
        {100, {"a/1", "a/2", "a/b/3", "a/b/4", "c", "d/5"}, false},
    };
    for (const Case& c : cases) {
        for (std::size_t helpers : {0u, 1u, 3u}) {
            Walk walk(f.path(), core::search_mode::kDirectory, c.cap, helpers);
            std::vector<std::string> expected;
            for (const auto& n : c.names) expected.push_back(f.pathOf(n));
            EXPECT_EQ(pathsOf(walk.index), expected) << "cap " << c.cap << ", " << helpers << " helpers";
            EXPECT_EQ(walk.index.limitReached, c.limitReached) << "cap " << c.cap << ", " << helpers << " helpers";
        }
    }
    EXPECT_EQ(kIndexCap, 149'900u);
}

TEST(Indexer, ListingAheadOnThreadsLeavesTheIndexAsItWas) {
    // Folders listed ahead by helpers are taken by the walk in its own order;
    // a cap that stops the listing ahead leaves the rest to the walk.
    TempFolder f;
    int made = 0;
    for (int top = 0; top < 6; ++top) {
        const std::string topName = "t" + std::to_string(5 - top);
        for (int mid = 0; mid < 4; ++mid) {
            const std::string midName = topName + "/m" + std::to_string(mid * 7 % 4);
            for (int leaf = 0; leaf < 5; ++leaf) f.write(midName + "/f" + std::to_string(leaf), std::to_string(made++));
            f.write(midName + "/deeper/still/x", "x");
            f.makeFolder(midName + "/empty");
        }
        f.write(topName + "/loose", "y");
    }
    const std::size_t total = made + 6 * 4 + 6;
    for (std::size_t cap : std::initializer_list<std::size_t>{1, 9, 60, total - 1, total, kIndexCap}) {
        Walk alone(f.path(), core::search_mode::kQuickDir, cap, 0);
        ASSERT_EQ(alone.count, std::min(cap, total));
        for (std::size_t helpers : {1u, 3u}) {
            Walk threaded(f.path(), core::search_mode::kQuickDir, cap, helpers);
            EXPECT_EQ(pathsOf(threaded.index), pathsOf(alone.index)) << "cap " << cap << ", " << helpers << " helpers";
            EXPECT_EQ(threaded.state.currentFile.get(), alone.state.currentFile.get());
        }
    }
}

TEST(Indexer, AbortBeforeAFolderStopsItsListing) {
    TempFolder f;
    f.write("a", "x");
    for (std::size_t helpers : {0u, 1u}) {
        core::AppState state;
        state.runControl.store(core::run_control::kAbort);
        Index index;
        WorkPool pool(helpers);
        core::RunContext context(state);
        EXPECT_EQ(indexFolder(context, index, f.path(), pool), 0u);
        EXPECT_TRUE(index.entries.empty());
    }
}

TEST(Indexer, TrailingSeparatorGivesADoubledOneThatStillOpens) {
    TempFolder f;
    f.write("sub/file", "x");
    std::string folder = f.path() + platform::kPathSeparator;
    Walk walk(folder, core::search_mode::kDirectory);
    ASSERT_EQ(walk.count, 1u);
    const std::string& path = walk.index.entries[0].path;
    EXPECT_EQ(path, folder + platform::kPathSeparator + "sub" + platform::kPathSeparator + "file");
    EXPECT_TRUE(platform::openForReading(path.c_str()).isOpen());
}

// A path has any length a folder can hold: each is entered whole, and opens.
TEST(Indexer, LongPathsAreEnteredWhole) {
    TempFolder f;
    std::string deep;
    while (f.path().size() + deep.size() < 1'000) deep += std::string(120, 'd') + "/";
    const std::string file = deep + "file";
    f.write(file, "x");
    f.write("short", "x");
    for (std::size_t helpers : {0u, 1u}) {
        Walk walk(f.path(), core::search_mode::kQuickDir, kIndexCap, helpers);
        ASSERT_EQ(walk.count, 2u);
        EXPECT_EQ(walk.index.entries[0].path, f.pathOf(file));
        EXPECT_GT(walk.index.entries[0].path.size(), 1'000u);
        EXPECT_TRUE(platform::openForReading(walk.index.entries[0].path.c_str()).isOpen());
    }
}

}  // namespace
}  // namespace search
