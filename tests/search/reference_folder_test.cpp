// A search against a reference folder, against the plain model (each file
// of the folder with each file of the reference, by full comparison).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

// The folder searched and the reference, as given: side by side, one inside
// the other, or (where links can be made) inside and reached by a link.
std::pair<std::string, std::string> placeFolders(const TempFolder& f, int layout) {
    std::error_code error;
    auto linked = [&](const std::string& target, const char* link) {
        fs::create_directory_symlink(fs::u8path(target), fs::u8path(f.pathOf(link)), error);
        return error ? target : f.pathOf(link);
    };
    switch (layout) {
        case 0: return {f.makeFolder("card"), f.makeFolder("library")};
        case 1: return {f.makeFolder("card"), f.makeFolder("card/library")};
        case 2: return {f.makeFolder("library/card"), f.makeFolder("library")};
        case 3: return {linked(f.makeFolder("library/card"), "card"), f.makeFolder("library")};
        default: return {f.makeFolder("card"), linked(f.makeFolder("card/library"), "library")};
    }
}

// Files of a few contents, near copies and sizes spread over both folders
// (copies inside each and across), an empty file and folders, and a file of
// each folder that is one file on disk.
void writeRandomFiles(const std::string& searched, const std::string& reference, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::string> contents{""};
    for (int k = 0; k < 6; ++k) {
        std::string content = testing_support::pseudoRandomBytes(200 + random() % 800, random());
        contents.push_back(content + "tail");
        contents.push_back(content);
        content[random() % content.size()] ^= 0x5A;
        contents.push_back(content);
    }
    const std::string sep(1, platform::kPathSeparator);
    std::string last;
    for (int k = 0; k < 28; ++k) {
        const std::string folder = (k % 2 ? reference : searched) + sep + "d" + std::to_string(random() % 3);
        fs::create_directories(fs::u8path(folder + sep + "empty"));
        last = folder + sep + "f" + std::to_string(k);
        const std::string& content = contents[random() % contents.size()];
        platform::writeWholeFile(last.c_str(), content.data(), content.size());
    }
    std::error_code error;
    fs::create_hard_link(fs::u8path(last), fs::u8path(searched + sep + "hard-link"), error);
}

TEST(ReferenceFolder, RandomTreesAgainstThePlainModel) {
    const Options modes[] = {{kDirectory, 1}, {kQuick, 1}, {kQuick, 0}};
    const auto tunings = tuningsToTry();
    for (int layout = 0; layout < 5; ++layout) {
        TempFolder f;
        const auto [searched, reference] = placeFolders(f, layout);
        writeRandomFiles(searched, reference, 1 + static_cast<std::uint32_t>(layout % 2));
        EXPECT_EQ(core::refusalOf(requestOf(*preparedState(searched, {kQuick, 1, 95, reference}))), nullptr);
        for (const Options& mode : modes) {
            for (std::uint32_t match : {0u, 50u, 90u, 100u}) {
                const Options options{mode.searchMode, mode.hashEnabled, match, reference};
                const Rows expected = referenceRows(searched, options);
                for (std::size_t t = 0; t < tunings.size(); ++t)
                    ASSERT_EQ(runSearch(searched, options, tunings[t]), expected)
                        << "layout " << layout << " mode " << options.searchMode << " hash " << options.hashEnabled
                        << " match " << match << " tuning " << t;
            }
        }
        if (layout == 0) {
            // The tree holds pairs across, and pairs inside each folder that are not listed.
            EXPECT_GT(pairRowsOf(referenceRows(searched, {kQuick, 1, 100, reference})).size(), 2u);
            EXPECT_GT(pairRowsOf(referenceRows(searched, {kQuick, 1, 100})).size(), 0u);
            EXPECT_GT(pairRowsOf(referenceRows(reference, {kQuick, 1, 100})).size(), 0u);
        }
    }
}

// A library of files of other sizes is listed and counted, never opened:
// a hundred of them add no open to the search.
TEST(ReferenceFolder, ReferenceFilesNoSearchedFileCanPairWithAreNeverOpened) {
    TempFolder f;
    const std::string card = f.makeFolder("card"), library = f.makeFolder("library");
    const std::string photo = testing_support::pseudoRandomBytes(3000, 1);
    f.write("card/photo", photo);
    f.write("card/new", testing_support::pseudoRandomBytes(5000, 2));
    f.write("library/2020/photo", photo);
    const Row pair{f.pathOf("card/photo"), f.pathOf("library/2020/photo"), "100"};
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        platform::resetIoCounters();
        ASSERT_EQ(pairRowsOf(runSearch(card, {mode, 1, 90, library})), Rows{pair});
        const std::uint64_t opens = platform::ioCounters().opens;
        for (int k = 0; k < 100; ++k)
            f.write("library/old/" + std::to_string(k), testing_support::pseudoRandomBytes(20'000 + 10 * k, 10 + k));
        platform::resetIoCounters();
        EXPECT_EQ(runSearch(card, {mode, 1, 90, library}),
                  (Rows{{"Start", "2 files found, 101 in the reference folder.", ""}, pair, {"End", "1 twins found", ""}}));
        EXPECT_EQ(platform::ioCounters().opens, opens) << "mode " << mode;
        fs::remove_all(fs::u8path(f.pathOf("library/old")));
    }
}

// The front ends refuse the same folder for both; should it reach a worker
// after all, no file counts as searched, and nothing is listed.
TEST(ReferenceFolder, TheSameFolderForBothListsNothing) {
    TempFolder f;
    f.write("card/a", "same");
    f.write("card/b", "same");
    EXPECT_EQ(runSearch(f.pathOf("card"), {kQuick, 1, 100, f.pathOf("card")}),
              (Rows{{"Start", "0 files found, 2 in the reference folder.", ""}, {"End", "0 twins found", ""}}));
}

// The file limit counts the searched files and the reference files that can
// pair with them. The reference is walked to its end all the same: its count
// stays whole, and every folder under it is known.
TEST(ReferenceFolder, TheLimitCountsOnlyReferenceFilesThatCanPair) {
    TempFolder f;
    f.write("card/a", "same content");
    for (int k = 0; k < 3; ++k) f.write("library/copy" + std::to_string(k), "same content");
    for (int k = 0; k < 20; ++k) f.write("library/other" + std::to_string(k), "another size " + std::to_string(k));
    auto state = preparedState(f.pathOf("card"), {kQuick, 1, 100, f.pathOf("library")});
    core::RunRequest request = requestOf(*state);
    request.fileLimit = 3;
    Rows rows = runSearch(*state, request);
    EXPECT_EQ(rows.front()[1], "1 files found, 23 in the reference folder. Limit reached: the rest was not searched."
                               " Turn on Search every file (Settings) to search it all.");
    EXPECT_EQ(pairRowsOf(rows).size(), 2u);
}

}  // namespace
}  // namespace search_test
