// What the search does with links, special files, unreadable items and
// unusual names, and which files it leaves unread.
#include <gtest/gtest.h>

#ifndef _WIN32  // links, pipes and permission bits as POSIX has them
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

void link(const std::string& target, const std::string& at) {
    std::error_code error;
    fs::create_symlink(fs::u8path(target), fs::u8path(at), error);
    ASSERT_FALSE(error) << error.message();
}

TEST(SearchSafety, SymbolicLinksAreNeitherEnteredNorFollowed) {
    TempFolder f;
    f.write("a", "content");
    f.write("sub/b", "content");
    link(f.pathOf("a"), f.pathOf("link-to-a"));
    link(f.pathOf("sub"), f.pathOf("link-to-sub"));
    link(f.path(), f.pathOf("sub/loop-to-top"));
    link(f.pathOf("missing"), f.pathOf("dangling"));
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        Rows rows = runSearch(f.path(), {mode, 1, 95});
        EXPECT_EQ(rows, (Rows{{"Start", "2 files found. 4 links were not followed.", ""},
                              {f.pathOf("a"), f.pathOf("sub/b"), "100"},
                              {"End", "1 twins found", ""}}))
            << describe(rows);
    }
}

TEST(SearchSafety, AFolderSwappedForALinkDuringTheWalkIsNeverEntered) {
    TempFolder f;
    TempFolder outside;
    f.write("a/b/inside", "x");
    outside.write("b/outside", "x");
    platform::Folder top = platform::openFolder(f.path().c_str());
    platform::Folder a = platform::openSubfolder(top, "a");
    ASSERT_TRUE(a.isOpen());
    // The walk has listed "a"; now "a" becomes a link to a folder outside.
    fs::rename(fs::u8path(f.pathOf("a")), fs::u8path(f.pathOf("a-moved")));
    link(outside.path(), f.pathOf("a"));
    EXPECT_FALSE(platform::openSubfolder(top, "a").isOpen()) << "the link is refused";
    // "a/b" opens from the folder that was listed, not through the new link.
    platform::Folder b = platform::openSubfolder(a, "b");
    std::vector<std::string> names;
    platform::ListedItem item;
    while (platform::nextItem(b, item)) names.push_back(item.name);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "inside"}));
}

TEST(SearchSafety, FilesOpenFromTheirHeldFolderNeverThroughALink) {
    TempFolder f;
    TempFolder outside;
    f.write("a/inside", "in");
    outside.write("inside", "out");
    platform::Folder held = platform::holdFolder(f.pathOf("a").c_str());
    ASSERT_TRUE(held.isOpen());
    fs::rename(fs::u8path(f.pathOf("a")), fs::u8path(f.pathOf("a-moved")));
    link(outside.path(), f.pathOf("a"));
    link(outside.pathOf("inside"), f.pathOf("a-moved/linked"));
    platform::File file = platform::openForReading(held, "inside");
    char buffer[8] = {};
    ASSERT_EQ(platform::readFile(file, buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer), "in") << "the file of the folder held, not of the link now in its place";
    EXPECT_FALSE(platform::openForReading(held, "linked").isOpen()) << "a link is not followed";
    EXPECT_FALSE(platform::openForReading(held, "absent").isOpen());
}

TEST(SearchSafety, HardLinksToOneFileAreNeverAPair) {
    TempFolder f;
    f.write("a", "content");
    f.write("c", "content");
    std::error_code error;
    fs::create_hard_link(fs::u8path(f.pathOf("a")), fs::u8path(f.pathOf("b")), error);
    ASSERT_FALSE(error) << error.message();
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        for (std::uint32_t match : {0u, 95u, 100u}) {
            Rows pairs = pairRowsOf(runSearch(f.path(), {mode, 1, match}));
            EXPECT_EQ(pairs, (Rows{{f.pathOf("a"), f.pathOf("c"), "100"}, {f.pathOf("b"), f.pathOf("c"), "100"}}))
                << "mode " << mode << " match " << match << "\n"
                << describe(pairs);
        }
    }
}

TEST(SearchSafety, PipesAreSkippedAndNeverBlock) {
    TempFolder f;
    f.write("a", "x");
    f.write("b", "x");
    ASSERT_EQ(::mkfifo(f.pathOf("pipe").c_str(), 0600), 0);
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        for (std::uint32_t match : {0u, 95u}) {
            Rows rows = runSearch(f.path(), {mode, 1, match});
            ASSERT_EQ(rows.size(), 3u) << describe(rows);
            EXPECT_EQ(rows[0][1], "2 files found.");
            EXPECT_EQ(rows[1], (Row{f.pathOf("a"), f.pathOf("b"), "100"}));
        }
    }
}

TEST(SearchSafety, UnreadableFilesScoreZero) {
    TempFolder f;
    f.write("a", "content");
    std::string locked = f.write("b", "content");
    f.write("c", "content");
    ::chmod(locked.c_str(), 0);
    if (!permissionsBlockReading(locked)) GTEST_SKIP() << "permissions do not block reading here (running as root)";
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        for (std::uint32_t hash : {0u, 1u}) {
            for (std::uint32_t match : {0u, 1u, 95u}) {
                Options options{mode, hash, match};
                Rows rows = runSearch(f.path(), options);
                EXPECT_EQ(rows, referenceRows(f.path(), options)) << describe(rows);
                if (match > 0) {
                    EXPECT_EQ(pairRowsOf(rows), (Rows{{f.pathOf("a"), f.pathOf("c"), "100"}})) << describe(rows);
                }
            }
        }
    }
}

TEST(SearchSafety, UnreadableFoldersContributeNothing) {
    TempFolder f;
    f.write("a", "content");
    std::string locked = f.makeFolder("locked");
    f.write("locked/b", "content");
    ::chmod(locked.c_str(), 0);
    if (platform::openFolder(locked.c_str()).isOpen())
        GTEST_SKIP() << "permissions do not block listing here (running as root)";
    Rows rows = runSearch(f.path(), {kQuick, 1, 95});
    EXPECT_EQ(rows, (Rows{{"Start", "1 files found.", ""}, {"End", "0 twins found", ""}})) << describe(rows);
}

TEST(SearchSafety, NamesWithSpacesAndUtf8ComeBackByteForByte) {
    TempFolder f;
    // In byte order, which is the listing's order.
    const std::string names[] = {"Zo\xC3\xAB.txt", "with space", "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E"};
    for (const auto& name : names) f.write(name, "same bytes");
    Rows pairs = pairRowsOf(runSearch(f.path(), {kQuick, 1, 100}));
    Rows expected{{f.pathOf(names[0]), f.pathOf(names[1]), "100"},
                  {f.pathOf(names[0]), f.pathOf(names[2]), "100"},
                  {f.pathOf(names[1]), f.pathOf(names[2]), "100"}};
    EXPECT_EQ(pairs, expected) << describe(pairs);
}

TEST(SearchSafety, AFileWhoseSizeNoOtherFileSharesIsNeverOpenedInQuickDir) {
    TempFolder f;
    for (int k = 1; k <= 4; ++k) f.write("unique" + std::to_string(k), std::string(static_cast<std::size_t>(k), 'u'));
    for (std::uint32_t hash : {0u, 1u}) {
        for (std::uint32_t match : {0u, 50u, 100u}) {
            platform::resetIoCounters();
            Rows rows = runSearch(f.path(), {kQuick, hash, match});
            EXPECT_EQ(rows.back()[0], "End");
            EXPECT_EQ(platform::ioCounters().opens, 0u) << "hash " << hash << " match " << match;
        }
    }
    // Beside a pair, a large file of its own size is still left unread.
    f.write("pair1", "twin");
    f.write("pair2", "twin");
    f.write("large", testing_support::pseudoRandomBytes(1 << 20, 1));
    platform::resetIoCounters();
    Rows pairs = pairRowsOf(runSearch(f.path(), {kQuick, 1, 90}));
    EXPECT_EQ(pairs.size(), 1u);
    EXPECT_LT(platform::ioCounters().bytesRead, 1u << 20);
}

TEST(SearchSafety, AtMatch100NoChecksumIsComputed) {
    // Two 1 MiB files that differ at their first byte: a checksum would read
    // both in full; telling them apart needs only their heads.
    TempFolder f;
    std::string content = testing_support::pseudoRandomBytes(1 << 20, 2);
    f.write("a", content);
    content[0] = static_cast<char>(~content[0]);
    f.write("b", content);
    platform::resetIoCounters();
    Rows rows = runSearch(f.path(), {kQuick, 1, 100});
    EXPECT_TRUE(pairRowsOf(rows).empty());
    EXPECT_LT(platform::ioCounters().bytesRead, 1u << 20);
}

TEST(SearchSafety, IdenticalFilesAreReadOnceEach) {
    TempFolder f;
    std::string content = testing_support::pseudoRandomBytes(3 << 20, 3);
    for (const char* name : {"a", "b", "c"}) f.write(name, content);
    platform::resetIoCounters();
    Rows pairs = pairRowsOf(runSearch(f.path(), {kQuick, 1, 95}));
    EXPECT_EQ(pairs.size(), 3u);
    // Their heads twice (the first pass and the side-by-side read), the rest once.
    EXPECT_LE(platform::ioCounters().bytesRead, 3u * (content.size() + 64 * 1024));
}

// Below 100 with Hash, three files of one size told apart are told apart by
// their checksums too; the class building read them whole and gave their
// checksums on the way, so each is read once.
TEST(SearchSafety, FilesReadWholeForTheirClassesAreNotReadAgainForTheirChecksums) {
    TempFolder f;
    for (std::uint32_t k = 0; k < 3; ++k)
        f.write("f" + std::to_string(k), testing_support::pseudoRandomBytes(20'000, 10 + k));
    platform::resetIoCounters();
    Rows rows = runSearch(f.path(), {kQuick, 1, 95});
    EXPECT_TRUE(pairRowsOf(rows).empty());
    EXPECT_EQ(platform::ioCounters().bytesRead, 3u * 20'000);
}

// What a listing found a regular file may be something else by the time it
// is read: a pipe is neither waited for nor taken for the file, a link is
// not followed.
TEST(SearchSafety, AListedFileReplacedByAPipeOrALinkIsNotReadAsTheFile) {
    TempFolder f;
    f.write("file", "abc");
    f.write("target", "abc");
    platform::Folder folder = platform::holdFolder(f.path().c_str());
    const std::string path = f.pathOf("file");
    char buffer[8] = {};
    platform::IoFault fault = platform::IoFault::None;
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(platform::readListedFile(folder, "file", path.c_str(), 3, buffer, fault), platform::WholeFile::Changed);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    link(f.pathOf("target"), path);
    EXPECT_EQ(platform::readListedFile(folder, "file", path.c_str(), 3, buffer, fault), platform::WholeFile::Unopened);
    EXPECT_EQ(platform::readListedFile({}, "file", path.c_str(), 3, buffer, fault), platform::WholeFile::Unopened);
}

// The class building holds the folders of the files it reads as far as the
// process's handles allow; the folders it cannot hold have their files
// opened by path, and the rows stay those of the plain search.
TEST(SearchSafety, FoldersNotHeldForLackOfHandlesChangeNoRow) {
    TempFolder f;
    const std::string shared = testing_support::pseudoRandomBytes(700, 1);
    for (int k = 0; k < 12; ++k) {
        const std::string folder = "d" + std::to_string(k) + "/";
        f.write(folder + "copy", shared);
        f.write(folder + "own", testing_support::pseudoRandomBytes(700, 10 + k));
    }
    rlimit was{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &was), 0);
    const Options options{kQuick, 1, 100};
    const Rows expected = referenceRows(f.path(), options);
    ASSERT_EQ(pairRowsOf(expected).size(), 66u);
    // 0, 3 and all 12 folders held; the search's own listing holds no more
    // than a few handles besides.
    for (std::size_t holdable : {std::size_t{0}, std::size_t{3}, std::size_t{1000}}) {
        rlimit fewer = was;
        fewer.rlim_cur = static_cast<rlim_t>(platform::openHandleCount()) + 512 + holdable;
        if (fewer.rlim_cur > was.rlim_max) GTEST_SKIP() << "the hard limit of open files is too low here";
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &fewer), 0);
        const std::size_t toHold = platform::foldersToHold();
        const Rows rows = runSearch(f.path(), options);
        ::setrlimit(RLIMIT_NOFILE, &was);
        EXPECT_EQ(toHold, holdable);
        EXPECT_EQ(rows, expected) << holdable << " folders to hold\n" << describe(rows);
    }
}

}  // namespace
}  // namespace search_test

#endif  // _WIN32
