// A search against a reference folder, against the plain model (every pair
// of a searched file and a reference file by full comparison), on random
// trees laid out side by side, one inside the other and through links.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

namespace fs = std::filesystem;
using testing_support::TempFolder;
constexpr std::uint32_t kDirectory = core::search_mode::kDirectory;
constexpr std::uint32_t kQuick = core::search_mode::kQuickDir;

enum class Layout { Apart, ReferenceInside, SearchedInside, SearchedThroughLink, ReferenceThroughLink };

struct TwoFolders {
    std::string searched;
    std::string reference;
};

// Where the two folders lie, and the path each is given by.
TwoFolders placeFolders(const TempFolder& f, Layout layout) {
    std::error_code error;
    switch (layout) {
        case Layout::Apart: return {f.makeFolder("card"), f.makeFolder("library")};
        case Layout::ReferenceInside: return {f.makeFolder("card"), f.makeFolder("card/library")};
        case Layout::SearchedInside: return {f.makeFolder("library/card"), f.makeFolder("library")};
        // Where no link can be made, the folder's own path.
        case Layout::SearchedThroughLink:
            fs::create_directory_symlink(fs::u8path(f.makeFolder("library/card")), fs::u8path(f.pathOf("card")), error);
            return {error ? f.pathOf("library/card") : f.pathOf("card"), f.makeFolder("library")};
        case Layout::ReferenceThroughLink:
            fs::create_directory_symlink(fs::u8path(f.makeFolder("card/library")), fs::u8path(f.pathOf("library")),
                                         error);
            return {f.makeFolder("card"), error ? f.pathOf("card/library") : f.pathOf("library")};
    }
    return {};
}

// Random files of a few contents, near copies and sizes, spread over both
// folders: copies inside each folder and across, empty files and folders, a
// link to a file and one to a folder (never followed), and a file of each
// folder that is one file on disk.
void writeRandomFiles(const TwoFolders& folders, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::string> contents{""};
    for (int k = 0; k < 6; ++k) {
        std::string content = testing_support::pseudoRandomBytes(200 + random() % 800, random());
        contents.push_back(content);
        std::string near = content;
        near[random() % near.size()] ^= 0x5A;
        contents.push_back(near);
        contents.push_back(content + "tail");
    }
    auto write = [&](const std::string& folder, int k) {
        const std::string sub = random() % 3 == 0 ? "" : "/d" + std::to_string(random() % 3);
        const std::string path = folder + sub + "/f" + std::to_string(k);
        fs::create_directories(fs::u8path(folder + sub));
        std::ofstream(fs::u8path(path), std::ios::binary) << contents[random() % contents.size()];
        return path;
    };
    std::string lastSearched, lastReference;
    for (int k = 0; k < 14; ++k) {
        lastSearched = write(folders.searched, k);
        lastReference = write(folders.reference, 100 + k);
    }
    fs::create_directories(fs::u8path(folders.searched + "/empty/folder"));
    fs::create_directories(fs::u8path(folders.reference + "/empty"));
    std::error_code error;
    fs::create_hard_link(fs::u8path(lastReference), fs::u8path(folders.searched + "/hard-link"), error);
    fs::create_symlink(fs::u8path(lastReference), fs::u8path(folders.searched + "/file-link"), error);
    fs::create_directory_symlink(fs::u8path(folders.searched), fs::u8path(folders.reference + "/folder-link"), error);
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

TEST(ReferenceFolder, RandomTreesAgainstThePlainModel) {
    const Layout layouts[] = {Layout::Apart, Layout::ReferenceInside, Layout::SearchedInside,
                              Layout::SearchedThroughLink, Layout::ReferenceThroughLink};
    const Options modes[] = {{kDirectory, 1}, {kQuick, 1}, {kQuick, 0}};
    const auto tunings = tuningsToTry();
    for (std::uint32_t seed : {1u, 2u}) {
        for (Layout layout : layouts) {
            TempFolder f;
            const TwoFolders folders = placeFolders(f, layout);
            writeRandomFiles(folders, seed);
            for (const Options& mode : modes) {
                for (std::uint32_t match : {0u, 50u, 90u, 100u}) {
                    const Options options{mode.searchMode, mode.hashEnabled, match, folders.reference};
                    const Rows expected = referenceRows(folders.searched, options);
                    for (std::size_t t = 0; t < tunings.size(); ++t) {
                        Rows rows = runSearch(folders.searched, options, tunings[t]);
                        ASSERT_EQ(rows, expected) << "layout " << static_cast<int>(layout) << " seed " << seed
                                                  << " mode " << options.searchMode << " hash " << options.hashEnabled
                                                  << " match " << match << " tuning " << t << "\ngot:\n"
                                                  << describe(rows) << "expected:\n"
                                                  << describe(expected);
                    }
                    // File A lies under the searched folder and never under
                    // the reference; File B under the reference.
                    for (const Row& row : pairRowsOf(expected)) {
                        EXPECT_TRUE(startsWith(row[0], folders.searched + platform::kPathSeparator)) << row[0];
                        EXPECT_TRUE(startsWith(row[1], folders.reference + platform::kPathSeparator)) << row[1];
                        EXPECT_FALSE(layout == Layout::ReferenceInside && startsWith(row[0], folders.reference));
                    }
                }
            }
            if (layout == Layout::Apart) {
                // The trees hold what the comparison above needs: pairs
                // across, and pairs inside one folder that are not listed.
                EXPECT_GT(pairRowsOf(referenceRows(folders.searched, {kQuick, 1, 100, folders.reference})).size(), 2u);
                EXPECT_GT(pairRowsOf(referenceRows(folders.searched, {kQuick, 1, 100})).size(), 0u);
                EXPECT_GT(pairRowsOf(referenceRows(folders.reference, {kQuick, 1, 100})).size(), 0u);
            }
        }
    }
}

// A library of files of other sizes is listed and counted, never opened:
// a hundred of them add no open to the search.
TEST(ReferenceFolder, ReferenceFilesNoSearchedFileCanPairWithAreNeverOpened) {
    TempFolder f;
    const std::string card = f.makeFolder("card");
    const std::string library = f.makeFolder("library");
    const std::string photo = testing_support::pseudoRandomBytes(3000, 1);
    f.write("card/photo", photo);
    f.write("card/new", testing_support::pseudoRandomBytes(5000, 2));
    f.write("library/2020/photo", photo);
    const Row pair{f.pathOf("card/photo"), f.pathOf("library/2020/photo"), "100"};
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        platform::resetIoCounters();
        Rows rows = runSearch(card, {mode, 1, 90, library});
        const std::uint64_t opens = platform::ioCounters().opens;
        ASSERT_EQ(pairRowsOf(rows), Rows{pair}) << describe(rows);
        for (int k = 0; k < 100; ++k)
            f.write("library/old/" + std::to_string(k), testing_support::pseudoRandomBytes(20'000 + 10 * k, 10 + k));
        platform::resetIoCounters();
        rows = runSearch(card, {mode, 1, 90, library});
        EXPECT_EQ(rows, (Rows{{"Start", "2 files found, 101 in the reference folder.", ""}, pair,
                              {"End", "1 twins found", ""}}))
            << describe(rows);
        EXPECT_EQ(platform::ioCounters().opens, opens) << "mode " << mode;
        fs::remove_all(fs::u8path(f.pathOf("library/old")));
    }
}

TEST(ReferenceFolder, TheSameFolderIsRefusedWhateverPathNamesIt) {
    TempFolder f;
    const std::string card = f.makeFolder("card");
    const std::string library = f.makeFolder("library");
    f.makeFolder("library/sub");
    std::error_code error;
    fs::create_directory_symlink(fs::u8path(card), fs::u8path(f.pathOf("card-link")), error);
    const std::string sep(1, platform::kPathSeparator);
    const struct {
        std::uint32_t mode;
        std::string searched;
        std::string reference;
        bool refused;
    } cases[] = {
        {kQuick, card, card, true},
        {kDirectory, card, card + sep + "." + sep, true},
        {kDirectory, card, library + sep + ".." + sep + "card", true},
        {kQuick, card, error ? card : f.pathOf("card-link"), true},
        {kQuick, card, library, false},
        {kQuick, library, library + sep + "sub", false},  // one inside the other: allowed
        {kQuick, card, "", false},
        {core::search_mode::kFile, card, card, false},  // File mode has no reference
    };
    for (const auto& c : cases) {
        core::RunRequest request;
        request.mode = c.mode;
        request.pathA = c.searched;
        request.reference = c.reference;
        EXPECT_EQ(core::refusalOf(request) != nullptr, c.refused) << c.searched << " against " << c.reference;
    }
    // Should such a request reach a worker after all, no file of the folder
    // counts as searched: nothing is listed.
    f.write("card/a", "same");
    f.write("card/b", "same");
    EXPECT_EQ(runSearch(card, {kQuick, 1, 100, card}),
              (Rows{{"Start", "0 files found, 2 in the reference folder.", ""}, {"End", "0 twins found", ""}}));
}

TEST(ReferenceFolder, AReferenceThatCannotBeListedSaysWhyInTheStartRow) {
    TempFolder f;
    const std::string card = f.makeFolder("card");
    f.write("card/a", "same");
    const std::string refused = f.makeFolder("refused");
    f.write("refused/a", "same");
    const struct {
        std::string reference;
        const char* startText;
    } cases[] = {
        {f.pathOf("missing"), "Reference folder not found."},
        {f.write("file", "same"), "Reference folder not found."},
        {refused, "Cannot open the reference folder."},
    };
    platform::refuseFolderForTesting(refused);
    for (const auto& c : cases) {
        auto state = preparedState(card, {kQuick, 1, 100, c.reference});
        EXPECT_EQ(runSearch(*state), (Rows{{"Start", c.startText, ""}, {"End", "0 twins found", ""}})) << c.reference;
    }
    platform::refuseFolderForTesting("");
}

// The file limit counts the searched files and the reference files that can
// pair with them; the others never take room. The reference is walked to its
// end all the same, so its count is whole.
TEST(ReferenceFolder, TheLimitCountsOnlyReferenceFilesThatCanPair) {
    TempFolder f;
    const std::string card = f.makeFolder("card");
    const std::string library = f.makeFolder("library");
    f.write("card/a", "same content");
    for (int k = 0; k < 3; ++k) f.write("library/copy" + std::to_string(k), "same content");
    for (int k = 0; k < 20; ++k) f.write("library/other" + std::to_string(k), "another size " + std::to_string(k));
    const struct {
        std::size_t limit;
        std::string start;
        std::size_t pairs;
    } cases[] = {
        {4, "1 files found, 23 in the reference folder.", 3},
        {3, "1 files found, 23 in the reference folder. Limit reached: the rest was not searched.", 2},
        {1, "1 files found, 23 in the reference folder. Limit reached: the rest was not searched.", 0},
    };
    for (const auto& c : cases) {
        auto state = preparedState(card, {kQuick, 1, 100, library});
        core::RunRequest request = requestOf(*state);
        request.fileLimit = c.limit;
        Rows rows = runSearch(*state, request);
        EXPECT_EQ(rows.front(), (Row{"Start", c.start, ""})) << "limit " << c.limit;
        EXPECT_EQ(pairRowsOf(rows).size(), c.pairs) << "limit " << c.limit << "\n" << describe(rows);
    }
}

}  // namespace
}  // namespace search_test
