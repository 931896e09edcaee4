// The search against the plain quadratic algorithm, on trees where every
// shortcut comes into play, for each mode, Hash setting and a spread of
// matchPercent values; then abort and pause, whose rows must be a prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "core/run_control.h"
#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

const std::uint32_t kMatches[] = {0, 1, 45, 75, 87, 88, 90, 95, 96, 99, 100};

struct ModeCase {
    std::uint32_t mode;
    std::uint32_t hash;
};
const ModeCase kModes[] = {{core::search_mode::kDirectory, 1},
                           {core::search_mode::kQuickDir, 1},
                           {core::search_mode::kQuickDir, 0}};

TEST(PairSearchAgainstReference, MixedTreeEveryModeAndMatch) {
    TempFolder f;
    writeMixedTree(f, 7);
    const auto tunings = tuningsToTry();
    for (const ModeCase& m : kModes) {
        for (std::uint32_t match : kMatches) {
            Options options{m.mode, m.hash, match};
            Rows expected = referenceRows(f.path(), options);
            for (std::size_t t = 0; t < tunings.size(); ++t) {
                Rows rows = runSearch(f.path(), options, tunings[t]);
                ASSERT_EQ(rows, expected) << "mode " << m.mode << " hash " << m.hash << " match " << match
                                          << " tuning " << t << "\ngot:\n"
                                          << describe(rows) << "expected:\n"
                                          << describe(expected);
            }
        }
    }
}

TEST(PairSearchAgainstReference, ReferenceTreeHasWhatTheShortcutsNeed) {
    // Guards the tree itself: without these rows the comparison above would
    // prove little.
    TempFolder f;
    writeMixedTree(f, 7);
    Rows quick100 = pairRowsOf(referenceRows(f.path(), {core::search_mode::kQuickDir, 1, 100}));
    Rows quickNoHash = pairRowsOf(referenceRows(f.path(), {core::search_mode::kQuickDir, 0, 1}));
    Rows directory = pairRowsOf(referenceRows(f.path(), {core::search_mode::kDirectory, 1, 90}));
    EXPECT_GE(quick100.size(), 15u) << "identical sets";
    EXPECT_GT(quickNoHash.size(), pairRowsOf(referenceRows(f.path(), {core::search_mode::kQuickDir, 1, 1})).size())
        << "pairs that only Hash off compares";
    EXPECT_GT(directory.size(), pairRowsOf(referenceRows(f.path(), {core::search_mode::kQuickDir, 0, 90})).size())
        << "pairs of different sizes";
}

TEST(PairSearchAgainstReference, SeveralSeeds) {
    for (std::uint32_t seed : {11u, 12u}) {
        TempFolder f;
        writeMixedTree(f, seed);
        for (std::uint32_t match : {0u, 88u, 99u, 100u}) {
            for (const ModeCase& m : kModes) {
                Options options{m.mode, m.hash, match};
                EXPECT_EQ(runSearch(f.path(), options, tuningsToTry()[1]), referenceRows(f.path(), options))
                    << "seed " << seed << " mode " << m.mode << " hash " << m.hash << " match " << match;
            }
        }
    }
}

// Directory mode decides most pairs on their heads in memory: a pair whose
// heads already hold one differing byte too many is dropped, one byte fewer
// goes on to the files, and small files are scored whole in memory.
TEST(PairSearchAgainstReference, PairsDecidedInMemoryAtTheThresholdAndBeyondTheHeads) {
    TempFolder f;
    const std::string base = testing_support::pseudoRandomBytes(1'000, 51);
    auto withDifferences = [](std::string s, std::size_t from, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) s[from + k] = static_cast<char>(~s[from + k]);
        return s;
    };
    f.write("base", base);
    // At 95 a pair of 1,000 bytes is listed with 50 differing bytes, not 51.
    for (std::size_t count : {49u, 50u, 51u, 52u}) {
        f.write("early" + std::to_string(count), withDifferences(base, 0, count));
        f.write("late" + std::to_string(count), withDifferences(base, 900, count));
    }
    f.write("shorter", base.substr(0, 960));
    f.write("longer", base + std::string(45, 'x'));
    const std::string small = testing_support::pseudoRandomBytes(60, 52);
    f.write("small", small);
    for (std::size_t count : {2u, 3u, 4u}) f.write("small" + std::to_string(count), withDifferences(small, 20, count));
    f.write("small-longer", small + "ab");
    for (std::uint32_t match : {90u, 94u, 95u, 96u, 99u}) {
        Options options{core::search_mode::kDirectory, 1, match};
        Rows expected = referenceRows(f.path(), options);
        for (const search::SearchTuning& tuning : tuningsToTry())
            EXPECT_EQ(runSearch(f.path(), options, tuning), expected) << "match " << match;
    }
    // The tree holds pairs on both sides of the threshold.
    Rows at95 = pairRowsOf(referenceRows(f.path(), {core::search_mode::kDirectory, 1, 95}));
    auto listed = [&](const char* a, const char* b) {
        return std::find_if(at95.begin(), at95.end(), [&](const Row& r) {
                   return r[0] == f.pathOf(a) && r[1] == f.pathOf(b);
               }) != at95.end();
    };
    EXPECT_TRUE(listed("base", "early50") && listed("base", "late50") && listed("small", "small3"));
    EXPECT_FALSE(listed("base", "early51") || listed("base", "late51") || listed("small", "small4"));
}

TEST(PairSearchAgainstReference, UnrelatedFilesOfCloseSizesAreDecidedWithoutOpeningThemAgain) {
    TempFolder f;
    constexpr int kFiles = 40;
    for (int k = 0; k < kFiles; ++k)
        f.write("u" + std::to_string(k), testing_support::pseudoRandomBytes(2'000 + k, 60 + k));
    platform::resetIoCounters();
    Rows rows = runSearch(f.path(), {core::search_mode::kDirectory, 1, 95});
    EXPECT_EQ(rows.back(), (Row{"End", "0 twins found", ""}));
    EXPECT_EQ(platform::ioCounters().opens, static_cast<std::uint64_t>(kFiles)) << "each file's head, once";
    search::SearchTuning everyPairRead;
    everyPairRead.prefixes.enabled = false;
    platform::resetIoCounters();
    EXPECT_EQ(runSearch(f.path(), {core::search_mode::kDirectory, 1, 95}, everyPairRead), rows);
    EXPECT_GT(platform::ioCounters().opens, 10u * kFiles) << "the plain way opens both files of every pair";
}

TEST(PairSearchAgainstReference, ManySmallCopiesThroughATinyRingOfKeptHeads) {
    // Hundreds of small files of a few sizes, many of them copies, in an
    // order where copies lie far apart: kept heads are overwritten many times
    // over, and every class must still come out whole.
    TempFolder f;
    std::mt19937 random(5);
    std::vector<std::string> pool;
    for (int k = 0; k < 60; ++k) pool.push_back(testing_support::pseudoRandomBytes(1 + random() % 30, random()));
    for (int k = 0; k < 400; ++k) f.write("f" + std::to_string(1000 + k), pool[random() % pool.size()]);
    search::SearchTuning tuning;
    tuning.classes.prefixBytes = 64;
    tuning.classes.keptHeadBytes = 50;
    tuning.helperThreads = 1;
    for (std::uint32_t hash : {0u, 1u}) {
        for (std::uint32_t match : {90u, 100u}) {
            Options options{core::search_mode::kQuickDir, hash, match};
            Rows expected = referenceRows(f.path(), options);
            ASSERT_GT(expected.size(), 500u);
            EXPECT_EQ(runSearch(f.path(), options, tuning), expected) << "hash " << hash << " match " << match;
        }
    }
}

// Files of one size that share their first and last bytes and differ only
// between: each is held against the first files of the same ends byte by
// byte, or by the digest of all its bytes, and every class comes out whole
// whichever way, the first files kept in memory or read again.
TEST(PairSearchAgainstReference, FilesSharingTheirEndsAreToldApartInTheMiddle) {
    TempFolder f;
    std::mt19937 random(11);
    const std::string base = testing_support::pseudoRandomBytes(300, 12);
    std::vector<std::string> pool;
    for (int k = 0; k < 12; ++k) {
        std::string variant = base;
        variant[100 + 7 * k] = static_cast<char>(~variant[100 + 7 * k]);
        pool.push_back(variant);
    }
    for (int k = 0; k < 80; ++k) f.write("f" + std::to_string(1000 + k), pool[random() % pool.size()]);
    struct Reading {
        std::size_t sampleBytes;
        std::uint32_t directCompares;
        std::size_t keptHeadBytes;
    };
    const Reading readings[] = {{8, 0, 1 << 20}, {8, 1, 1 << 20}, {8, 2, 0}, {8, 0, 0}, {256, 2, 1 << 20}};
    for (const Reading& reading : readings) {
        search::SearchTuning tuning;
        tuning.classes.sampleBytes = reading.sampleBytes;
        tuning.classes.directCompares = reading.directCompares;
        tuning.classes.keptHeadBytes = reading.keptHeadBytes;
        tuning.helperThreads = 1;
        for (std::uint32_t match : {90u, 100u}) {
            Options options{core::search_mode::kQuickDir, 1, match};
            Rows expected = referenceRows(f.path(), options);
            ASSERT_GT(expected.size(), 200u);
            EXPECT_EQ(runSearch(f.path(), options, tuning), expected)
                << "sample " << reading.sampleBytes << " direct " << reading.directCompares << " kept "
                << reading.keptHeadBytes << " match " << match;
        }
    }
}

// Directory mode decides pairs in memory in size order, a step of files at
// a time, and lists each step's pairs at once: out of pair order while the
// search runs, in pair order once it ends.
std::vector<search::SearchTuning> stepwiseTunings() {
    search::SearchTuning wholeHeads;  // small files scored exactly in memory
    wholeHeads.prefixes.filesPerStep = 1;
    wholeHeads.helperThreads = 1;
    return {wholeHeads, tuningsToTry()[1]};
}

// The rows of `complete` that `kept` holds, in the order of `complete`.
Rows rowsAmong(const Rows& complete, const Rows& kept) {
    Rows rows;
    for (const Row& row : complete)
        if (std::find(kept.begin(), kept.end(), row) != kept.end()) rows.push_back(row);
    return rows;
}

// An abort once `stopAfter` pair rows are listed keeps exactly those, each
// with its true score, in pair order: in Quick Dir the first rows, in
// Directory mode the pairs its steps had found.
TEST(PairSearchAgainstReference, AbortKeepsThePairsFoundInPairOrder) {
    TempFolder f;
    writeMixedTree(f, 5);
    std::vector<search::SearchTuning> tunings = stepwiseTunings();
    tunings.push_back({});
    bool outOfOrder = false;
    for (const ModeCase& m : kModes) {
        Options options{m.mode, m.hash, 45};
        Rows expected = pairRowsOf(referenceRows(f.path(), options));
        ASSERT_GE(expected.size(), 8u);
        for (const search::SearchTuning& tuning : tunings) {
            for (int stopAfter : {0, 1, 3, static_cast<int>(expected.size()) / 2}) {
                auto state = preparedState(f.path(), options);
                Rows found;
                state->list.setObserver({[&] {
                                             if (state->list.rowCount() != 1 + stopAfter ||
                                                 state->list.readCell(0, 0) != "Start" || state->abortRequested())
                                                 return;
                                             Rows now = state->list.snapshot();
                                             found.assign(now.begin() + 1, now.end());
                                             core::requestAbort(*state);
                                         },
                                         nullptr});
                Rows rows = runSearch(*state, tuning);
                EXPECT_EQ(rows.back(), (Row{"Aborted", std::to_string(stopAfter) + " twins found", ""})) << describe(rows);
                EXPECT_EQ(pairRowsOf(rows), rowsAmong(expected, found)) << "mode " << m.mode << " stop after " << stopAfter;
                EXPECT_EQ(state->pairCount.load(), static_cast<std::uint32_t>(stopAfter));
                if (m.mode == core::search_mode::kQuickDir) {
                    EXPECT_EQ(pairRowsOf(rows), Rows(expected.begin(), expected.begin() + stopAfter));
                }
                outOfOrder = outOfOrder || found != rowsAmong(expected, found);
            }
        }
    }
    EXPECT_TRUE(outOfOrder) << "the tree makes Directory rows appear out of pair order";
}

TEST(PairSearchAgainstReference, AbortDuringIndexing) {
    TempFolder f;
    writeMixedTree(f, 5);
    auto state = preparedState(f.path(), {core::search_mode::kQuickDir, 1, 95});
    state->list.setObserver({[&] {
                                 if (state->list.readCell(0, 0) == "Indexing....") core::requestAbort(*state);
                             },
                             nullptr});
    Rows rows = runSearch(*state);
    EXPECT_EQ(rows, (Rows{{"Start", "0 files found.", ""}, {"Aborted", "0 twins found", ""}})) << describe(rows);
}

template <typename Condition>
void waitUntil(Condition condition) {
    while (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

TEST(PairSearchAgainstReference, PauseHoldsThePairStepsAndResumeFinishes) {
    TempFolder f;
    writeMixedTree(f, 9);
    Options options{core::search_mode::kQuickDir, 0, 90};
    Rows expected = referenceRows(f.path(), options);
    auto state = preparedState(f.path(), options);
    core::WindowEffects effects;
    core::togglePause(*state, effects);
    ASSERT_EQ(state->runControl.load(), core::run_control::kPaused);
    std::thread worker([&] { search::runWorker(*state, effects, requestOf(*state)); });
    // Indexing does not wait at the gate; the first pair step does.
    waitUntil([&] { return state->list.readCell(0, 0) == "Start"; });
    EXPECT_EQ(state->list.rowCount(), 1);
    EXPECT_TRUE(core::workerRuns(state->runState.load()));
    core::togglePause(*state, effects);
    worker.join();
    EXPECT_EQ(state->list.snapshot(), expected);
}

TEST(PairSearchAgainstReference, AbortWhilePausedEndsWithAborted) {
    TempFolder f;
    writeMixedTree(f, 9);
    auto state = preparedState(f.path(), {core::search_mode::kDirectory, 1, 90});
    core::WindowEffects effects;
    core::togglePause(*state, effects);
    std::thread worker([&] { search::runWorker(*state, effects, requestOf(*state)); });
    waitUntil([&] { return state->list.readCell(0, 0) == "Start"; });
    core::requestAbort(*state);
    worker.join();
    Rows rows = state->list.snapshot();
    EXPECT_EQ(rows.back(), (Row{"Aborted", "0 twins found", ""})) << describe(rows);
    EXPECT_EQ(rows.size(), 2u) << describe(rows);
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
}

TEST(PairSearchAgainstReference, AbortWhilePausedInTheMiddleOfDecidingKeepsThePairsFound) {
    TempFolder f;
    writeMixedTree(f, 5);
    Options options{core::search_mode::kDirectory, 1, 88};
    const Rows complete = pairRowsOf(referenceRows(f.path(), options));
    const int pauseAt = static_cast<int>(complete.size()) / 2;
    for (const search::SearchTuning& tuning : stepwiseTunings()) {
        auto state = preparedState(f.path(), options);
        core::WindowEffects effects;
        state->list.setObserver({[&] {
                                     if (state->list.rowCount() == 1 + pauseAt && state->list.readCell(0, 0) == "Start")
                                         core::togglePause(*state, effects);
                                 },
                                 nullptr});
        std::thread worker([&] { search::runWorker(*state, effects, requestOf(*state), tuning); });
        waitUntil([&] { return state->runControl.load() == core::run_control::kPaused; });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Rows held = state->list.snapshot();
        ASSERT_EQ(held.size(), static_cast<std::size_t>(1 + pauseAt)) << "the pause holds the search";
        core::requestAbort(*state);
        worker.join();
        Rows rows = state->list.snapshot();
        Rows found(held.begin() + 1, held.end());
        EXPECT_EQ(pairRowsOf(rows), rowsAmong(complete, found)) << describe(rows);
        EXPECT_EQ(rows.back(), (Row{"Aborted", std::to_string(pauseAt) + " twins found", ""}));
        EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
    }
}

}  // namespace
}  // namespace search_test
