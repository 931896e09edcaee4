// The rows of the pair search on trees small enough to read at a glance.
#include "search/pair_search.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

// A folder that gives no file says why in its Start row, above the End row;
// no "Indexing...." row is left behind.
TEST(PairSearch, AFolderWithNoFilesSaysWhyInTheStartRow) {
    TempFolder f;
    const std::string empty = f.makeFolder("empty");
    f.makeFolder("empty/only/folders");
    const std::string refused = f.makeFolder("refused");
    f.write("refused/a", "same");
    f.write("refused/b", "same");
    const struct {
        const char* name;
        std::string folder;
        const char* startText;
    } cases[] = {
        {"empty folder", empty, "0 files found."},
        {"missing path", f.pathOf("missing"), "Folder not found."},
        {"a file's path", f.write("file", "x"), "Folder not found."},
        {"folder that cannot be listed", refused, "Cannot open the folder."},
    };
    platform::refuseFolderForTesting(refused);
    for (const auto& c : cases) {
        for (std::uint32_t mode : {kDirectory, kQuick}) {
            auto state = preparedState(c.folder, {mode, 1, 95});
            Rows rows = runSearch(*state);
            EXPECT_EQ(rows, (Rows{{"Start", c.startText, ""}, {"End", "0 twins found", ""}}))
                << c.name << ", mode " << mode << "\n" << describe(rows);
            EXPECT_EQ(state->pairCount.load(), 0u);
            EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
            EXPECT_EQ(state->runControl.load(), core::run_control::kRun);
        }
    }
    platform::refuseFolderForTesting("");
}

// What the walk could not search is said, not skipped in silence: here
// folders that would not open or list (links: see the safety tests).
TEST(PairSearch, TheStartRowSaysWhatWasLeftOut) {
    TempFolder f;
    f.write("a", "same");
    f.write("refused/b", "same");
    f.write("refused2/c", "same");
    platform::refuseFolderForTesting(f.pathOf("refused"));
    auto state = preparedState(f.path(), {kQuick, 1, 95});
    Rows oneFolder = runSearch(*state);
    platform::refuseFolderForTesting("");
    EXPECT_EQ(oneFolder.front(), (Row{"Start", "2 files found. 1 folder could not be opened.", ""}));
    EXPECT_EQ(pairRowsOf(oneFolder), (Rows{{f.pathOf("a"), f.pathOf("refused2/c"), "100"}}));
}

// A reader may look at the list whenever it changes (the window paints,
// pairlook-cli prints rows as they come): no row may be seen half written.
TEST(PairSearch, EveryRowReachesTheListWhole) {
    TempFolder f;
    writeMixedTree(f, 3);
    auto wholeRow = [](const core::ResultList& list, int row) {
        const auto cells = list.readRow(row);
        if (cells[0] == "Indexing....") return true;
        if (cells[0] == "Start" || cells[0] == "End" || cells[0] == "Aborted")
            return !cells[1].empty() || !cells[2].empty();
        return !cells[1].empty() && !cells[2].empty();  // a pair, or a run of differing bytes
    };
    const std::pair<std::uint32_t, std::string> runs[] = {
        {kDirectory, f.path()}, {kQuick, f.path()}, {core::search_mode::kFile, f.pathOf("near/base")}};
    for (const auto& [mode, pathA] : runs) {
        auto state = preparedState(f.path(), {mode, 1, 50});
        core::RunRequest request = requestOf(*state);
        request.pathA = pathA;
        request.pathB = f.pathOf("near/every-20th");
        int torn = 0;
        state->list.setObserver({[&] {
            for (int row = 0; row < state->list.rowCount(); ++row) torn += !wholeRow(state->list, row);
        }, nullptr});
        search::runWorker(*state, {}, request);
        state->list.setObserver({});
        EXPECT_EQ(torn, 0) << "mode " << mode;
        EXPECT_GT(state->list.rowCount(), 3) << "mode " << mode;
    }
}

TEST(PairSearch, OneFile) {
    TempFolder f;
    f.write("only", "content");
    Rows rows = runSearch(f.path(), {kDirectory, 1, 95});
    EXPECT_EQ(rows, (Rows{{"Start", "1 files found.", ""}, {"End", "0 twins found", ""}})) << describe(rows);
}

TEST(PairSearch, ThreeIdenticalFilesGiveThreePairsInIndexOrder) {
    TempFolder f;
    for (const char* name : {"a", "b", "c"}) f.write(name, "same content");
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        for (std::uint32_t hash : {0u, 1u}) {
            auto state = preparedState(f.path(), {mode, hash, 95});
            Rows rows = runSearch(*state);
            Rows expected{{"Start", "3 files found.", ""},
                          {f.pathOf("a"), f.pathOf("b"), "100"},
                          {f.pathOf("a"), f.pathOf("c"), "100"},
                          {f.pathOf("b"), f.pathOf("c"), "100"},
                          {"End", "3 twins found", ""}};
            EXPECT_EQ(rows, expected) << "mode " << mode << " hash " << hash << "\n" << describe(rows);
            EXPECT_EQ(state->pairCount.load(), 3u);
            EXPECT_EQ(state->progressPercent.load(), 100u);
            EXPECT_EQ(state->pathAText(), f.path()) << "the search leaves the window's paths alone";
        }
    }
}

TEST(PairSearch, ScoreEqualToMatchPercentIsListedOneLessIsNot) {
    TempFolder f;
    f.write("a", "0123456789");
    f.write("b", "0123456X89");  // 1 of 10 bytes differs: 90
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        for (std::uint32_t match : {89u, 90u, 91u}) {
            Rows pairs = pairRowsOf(runSearch(f.path(), {mode, 0, match}));
            Rows expected;
            if (match <= 90) expected.push_back({f.pathOf("a"), f.pathOf("b"), "90"});
            EXPECT_EQ(pairs, expected) << "mode " << mode << " match " << match;
        }
    }
}

TEST(PairSearch, EmptyFilesAreListedOnlyAtMatchZeroWithScoreZero) {
    TempFolder f;
    f.write("e1", "");
    f.write("e2", "");
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        EXPECT_TRUE(pairRowsOf(runSearch(f.path(), {mode, 1, 1})).empty()) << "mode " << mode;
        EXPECT_TRUE(pairRowsOf(runSearch(f.path(), {mode, 1, 95})).empty()) << "mode " << mode;
        Rows atZero = pairRowsOf(runSearch(f.path(), {mode, 1, 0}));
        EXPECT_EQ(atZero, (Rows{{f.pathOf("e1"), f.pathOf("e2"), "0"}})) << "mode " << mode;
    }
}

TEST(PairSearch, QuickDirComparesEqualSizesOnlyAndWithHashEqualChecksumsOnly) {
    TempFolder f;
    f.write("a", "abcdefgh");
    f.write("b", "Xbcdefgh");  // same size, other checksum, scores 87
    f.write("c", "abcdefghi");  // other size, scores 88 against a in Directory mode
    Rows withHash = pairRowsOf(runSearch(f.path(), {kQuick, 1, 50}));
    EXPECT_TRUE(withHash.empty()) << describe(withHash);
    Rows withoutHash = pairRowsOf(runSearch(f.path(), {kQuick, 0, 50}));
    EXPECT_EQ(withoutHash, (Rows{{f.pathOf("a"), f.pathOf("b"), "87"}}));
    Rows directory = pairRowsOf(runSearch(f.path(), {kDirectory, 1, 50}));
    EXPECT_EQ(directory, (Rows{{f.pathOf("a"), f.pathOf("b"), "87"},
                               {f.pathOf("a"), f.pathOf("c"), "88"},
                               {f.pathOf("b"), f.pathOf("c"), "77"}}))
        << describe(directory);
}

TEST(PairSearch, DirectoryScoresCountTheSizeDifference) {
    TempFolder f;
    f.write("abc", "abc");
    f.write("abcd", "abcd");
    f.write("hello", "hello");
    f.write("hello world", "hello world");
    Rows pairs = pairRowsOf(runSearch(f.path(), {kDirectory, 1, 45}));
    EXPECT_EQ(pairs, (Rows{{f.pathOf("abc"), f.pathOf("abcd"), "75"},
                           {f.pathOf("hello"), f.pathOf("hello world"), "45"}}))
        << describe(pairs);
}

// The cap keeps the first files in walk order, and the Start row says when
// it cut the tree; the search goes on with those files.
TEST(PairSearch, CapKeepsTheFirstFilesInWalkOrderAndSaysSo) {
    TempFolder f;
    for (const char* name : {"1", "2", "3", "4"}) f.write(name, "same");
    const struct {
        std::size_t cap;
        const char* startText;
        std::size_t pairs;
    } cases[] = {
        {3, "3 files found. Limit reached: the rest was not searched. Turn on Search every file (Settings) to search it all.", 3},
        {4, "4 files found.", 6},
        {search::kNoIndexCap, "4 files found.", 6},
    };
    for (const auto& c : cases) {
        auto state = preparedState(f.path(), {kQuick, 1, 95});
        core::RunRequest request = requestOf(*state);
        request.fileLimit = c.cap;
        const core::RunOutcome outcome = search::runWorker(*state, {}, request);
        Rows rows = state->list.snapshot();
        ASSERT_EQ(rows.size(), c.pairs + 2) << describe(rows);
        EXPECT_EQ(rows.front(), (Row{"Start", c.startText, ""})) << describe(rows);
        EXPECT_EQ(rows[c.pairs], (Row{f.pathOf(c.cap == 3 ? "2" : "3"), f.pathOf(c.cap == 3 ? "3" : "4"), "100"}));
        EXPECT_EQ(rows.back(), (Row{"End", std::to_string(c.pairs) + " twins found", ""}));
        EXPECT_EQ(outcome.status, c.cap == 3 ? core::RunStatus::Limit : core::RunStatus::Complete) << "cap " << c.cap;
    }
}

TEST(PairSearch, NotEnoughMemoryWritesNoRowsAndEndsTheRun) {
    TempFolder f;
    f.write("a", "x");
    auto state = preparedState(f.path(), {kQuick, 1, 95});
    state->list.insertRow(0, "left over from an earlier run");
    platform::failAllocationsForTesting(true);
    Rows rows = runSearch(*state);
    platform::failAllocationsForTesting(false);
    EXPECT_TRUE(rows.empty()) << describe(rows);
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state->runControl.load(), core::run_control::kRun);
    EXPECT_EQ(state->pairCount.load(), 0u);
}

TEST(PairSearch, FilesOfFourGiBAndMoreAreNeverListed) {
    TempFolder f;
    std::string big = f.write("big", "");
    std::error_code error;
    std::filesystem::resize_file(std::filesystem::u8path(big), (std::uint64_t{1} << 32) + 3, error);
    if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
    f.write("small", "abc");
    f.write("small2", "abc");
    for (std::uint32_t mode : {kDirectory, kQuick}) {
        Rows pairs = pairRowsOf(runSearch(f.path(), {mode, 0, 0}));
        EXPECT_EQ(pairs, (Rows{{f.pathOf("small"), f.pathOf("small2"), "100"}})) << describe(pairs);
    }
}

}  // namespace
}  // namespace search_test
