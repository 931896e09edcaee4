#include "compare/compare_files.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "compare/score.h"
#include "platform/platform.h"
#include "search/worker.h"
#include "support/temp_folder.h"

namespace {

using Row = std::array<std::string, core::kColumnCount>;
using Rows = std::vector<Row>;
using testing_support::TempFolder;

constexpr std::uint32_t kChunk = 10'000'000;

const std::uint8_t* bytesOf(const std::string& s, std::size_t at) {
    return reinterpret_cast<const std::uint8_t*>(s.data()) + at;
}

// The Details of a run as the comparator lists it: "Different" from
// 9,999,999 bytes on, wherever the run lies.
std::string details(const std::string& a, const std::string& b, std::size_t first, std::uint32_t length) {
    return compare::differenceDetails(bytesOf(a, first), bytesOf(b, first), length);
}

// The comparator as it is defined, one byte step at a time over the whole
// common length: every maximal run of differing bytes is one row, wherever
// the chunks fall. The rows it must write and the differing count it must reach.
struct Reference {
    Rows rows;
    std::uint32_t largerSize = 0;
    std::uint32_t diffTotal = 0;
};

Reference referenceComparison(const std::string& a, const std::string& b) {
    Reference ref;
    if (a.empty() || b.empty()) {
        ref.rows = {{"End", "", "Fault"}};
        return ref;
    }
    auto common = static_cast<std::uint32_t>(std::min(a.size(), b.size()));
    ref.largerSize = static_cast<std::uint32_t>(std::max(a.size(), b.size()));
    ref.diffTotal = ref.largerSize - common;
    ref.rows.push_back({"Start", "", a.size() == b.size() ? "Files are the same size" : "Files are not the same size"});
    std::uint32_t runLength = 0;
    for (std::uint32_t offset = 0; offset <= common; ++offset) {
        if (offset < common && a[offset] != b[offset]) {
            ++runLength;
        } else if (runLength > 0) {  // closed by an equal byte, or by the closing step
            std::uint32_t first = offset - runLength;
            ref.rows.push_back({std::to_string(first), std::to_string(runLength), details(a, b, first, runLength)});
            ref.diffTotal += runLength;
            runLength = 0;
        }
    }
    ref.rows.push_back({"End", "", compare::verdictText(core::run_state::kStopping, ref.largerSize, ref.diffTotal)});
    return ref;
}

// Content of `length` bytes, and a copy with the given stretches changed.
std::string changed(std::string s, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& runs) {
    for (auto [first, length] : runs)
        for (std::uint32_t i = first; i < first + length; ++i) s[i] = static_cast<char>(s[i] ^ 0x5A);
    return s;
}

class CompareFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::resetIoCounters();
        effects.refreshEditStates = [this] { ++refreshes; };
    }
    void TearDown() override {
        platform::failAllocationsForTesting(false);
        compare::walkByteByByteForTesting(false);
    }

    // Runs the checks with the walk that takes many bytes at a time, then
    // with the plain one byte step at a time: the rows must not tell them apart.
    template <typename Checks>
    void withBothWalks(Checks checks) {
        for (bool byteByByte : {false, true}) {
            SCOPED_TRACE(byteByByte ? "byte by byte" : "many bytes at a time");
            compare::walkByteByByteForTesting(byteByByte);
            checks();
        }
        compare::walkByteByByteForTesting(false);
    }

    // A File-mode run as Start begins it, with the worker run on this thread.
    Rows runFileMode(const std::string& pathA, const std::string& pathB) {
        state.settings.searchMode = core::search_mode::kFile;
        effects.readPathEditA = [pathA] { return pathA; };
        effects.readPathEditB = [pathB] { return pathB; };
        effects.startWorker = [this](const core::RunRequest& request) {
            outcome = search::runWorker(state, effects, request);
        };
        core::startRun(state, effects);
        return state.list.snapshot();
    }

    // The worker as the window's thread starts it, on this thread.
    void runWorker(const std::string& pathA, const std::string& pathB) {
        core::RunRequest request;
        request.pathA = pathA;
        request.pathB = pathB;
        outcome = search::runWorker(state, effects, request);
    }

    Rows compareContents(const std::string& a, const std::string& b) {
        return runFileMode(folder.write("a.bin", a), folder.write("b.bin", b));
    }

    compare::PairScore scoreWithOutcome(std::uint32_t mode, const std::string& pathA, const std::string& pathB,
                                        std::uint32_t listedFrom = 0) {
        state.settings.searchMode = mode;
        if (!blockA) {
            blockA = platform::allocateBlock(compare::kCompareBufferSize);
            blockB = platform::allocateBlock(compare::kCompareBufferSize);
        }
        core::RunContext context(state);
        return compare::scorePair(context, mode == core::search_mode::kQuickDir, pathA.c_str(), pathB.c_str(),
                                  {blockA.bytes(), blockB.bytes()}, listedFrom);
    }

    std::uint32_t score(std::uint32_t mode, const std::string& pathA, const std::string& pathB,
                        std::uint32_t listedFrom = 0) {
        return scoreWithOutcome(mode, pathA, pathB, listedFrom).score;
    }

    std::uint32_t scoreContents(const std::string& a, const std::string& b, std::uint32_t listedFrom = 0) {
        return score(core::search_mode::kDirectory, folder.write("a.bin", a), folder.write("b.bin", b), listedFrom);
    }

    TempFolder folder;
    core::AppState state;
    core::WindowEffects effects;
    core::RunOutcome outcome;
    int refreshes = 0;
    platform::Block blockA, blockB;
};

struct ExampleCase {
    const char* name;
    std::string a, b;
    Rows expected;
};

TEST_F(CompareFilesTest, SmallExamplesGiveTheirRows) {
    const std::string run30a = "abcdefghijklmnopqrstuvwxyz0123";
    const std::string run30b = "ABCDEFGHIJKLMNOPQRSTUVWXYZ4567";
    const ExampleCase cases[] = {
        {"identical", "same bytes", "same bytes",
         {{"Start", "", "Files are the same size"}, {"End", "", "Same"}}},
        {"abcdef", "abcdef", "abXdeY",
         {{"Start", "", "Files are the same size"},
          {"2", "1", "File A is \"c\", File B is \"X\""},
          {"5", "1", "File A is \"f\", File B is \"Y\""},
          {"End", "", "Files have 66% in common"}}},
        {"hello", "hello world", "hello",
         {{"Start", "", "Files are not the same size"}, {"End", "", "Files have 45% in common"}}},
        {"abcd", "abc", "abcd",
         {{"Start", "", "Files are not the same size"}, {"End", "", "Files have 75% in common"}}},
        {"run of 3", "0123456789", "0123xyz789",
         {{"Start", "", "Files are the same size"},
          {"4", "3", "File A is \"456\", File B is \"xyz\""},
          {"End", "", "Files have 70% in common"}}},
        {"run of 30", "<" + run30a + ">", "<" + run30b + ">",
         {{"Start", "", "Files are the same size"},
          {"1", "30", "File A is \"abcdefghijklmnopqrst\", File B is \"ABCDEFGHIJKLMNOPQRST\""},
          {"End", "", "Files have 6% in common"}}},
        {"every second byte", "0123456789", "x1x3x5x7x9",
         {{"Start", "", "Files are the same size"},
          {"0", "1", "File A is \"0\", File B is \"x\""},
          {"2", "1", "File A is \"2\", File B is \"x\""},
          {"4", "1", "File A is \"4\", File B is \"x\""},
          {"6", "1", "File A is \"6\", File B is \"x\""},
          {"8", "1", "File A is \"8\", File B is \"x\""},
          {"End", "", "Files have 50% in common"}}},
        {"control bytes", std::string("ab\0\tcd\nef", 9), std::string("abXYcd\ref", 9),
         {{"Start", "", "Files are the same size"},
          {"2", "2", "File A is \"\", File B is \"XY\""},
          {"6", "1", "File A is 0Ah, File B is 0Dh"},
          {"End", "", "Files have 66% in common"}}},
        {"whole file differs", "abc", "xyz",
         {{"Start", "", "Files are the same size"},
          {"0", "3", "File A is \"abc\", File B is \"xyz\""},
          {"End", "", "Files have 0% in common"}}},
    };
    withBothWalks([&] {
        for (const auto& c : cases) {
            EXPECT_EQ(compareContents(c.a, c.b), c.expected) << c.name;
            EXPECT_EQ(compareContents(c.a, c.b), referenceComparison(c.a, c.b).rows) << c.name;
        }
    });
}

TEST_F(CompareFilesTest, FaultsLeaveOnlyTheLastRow) {
    std::string some = folder.write("some.txt", "content");
    std::string empty = folder.write("empty.txt", "");
    std::string missing = folder.pathOf("missing.txt");
    std::string sub = folder.makeFolder("sub");
    const Rows fault = {{"End", "", "Fault"}};
    const Rows openError = {{"End", "", "Error opening file"}};
    EXPECT_EQ(runFileMode(empty, some), fault);
    EXPECT_EQ(runFileMode(some, empty), fault);
    EXPECT_EQ(runFileMode(empty, empty), fault);
    EXPECT_EQ(runFileMode(missing, some), openError);
    EXPECT_EQ(runFileMode(some, missing), openError);
    EXPECT_EQ(runFileMode(missing, empty), openError);  // opening comes before sizing
    EXPECT_EQ(runFileMode(sub, some), openError);
}

TEST_F(CompareFilesTest, AFileOf4GiBOrMoreIsAFault) {
    std::string small = folder.write("small.bin", "x");
    std::string huge = folder.write("huge.bin", "");
    std::error_code error;
    std::filesystem::resize_file(huge, 4'294'967'296ull, error);  // sparse: no disk is used
    if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
    EXPECT_EQ(runFileMode(huge, small), (Rows{{"End", "", "Fault"}}));
    EXPECT_EQ(runFileMode(small, huge), (Rows{{"End", "", "Fault"}}));
    compare::PairScore result = scoreWithOutcome(core::search_mode::kDirectory, huge, huge);
    EXPECT_EQ(result.outcome, compare::PairOutcome::Fault);
    EXPECT_EQ(result.score, 0u);
    EXPECT_EQ(platform::ioCounters().bytesRead, 0u);
}

TEST_F(CompareFilesTest, AFileModeRunEndsIdleWithItsEffects) {
    state.list.insertRow(0, "left over");
    compareContents("abc", "abd");
    EXPECT_EQ(state.list.readCell(0, 0), "Start");
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state.runControl.load(), core::run_control::kRun);
    EXPECT_TRUE(state.pauseGate.isOpen());
    EXPECT_EQ(refreshes, 2);  // edits off at the start, on again at the end
    EXPECT_EQ(state.progressPercent.load(), 100u);
}

// Letters A to Z over and over; a run changes its letters to lower case, so
// a run's Details show which bytes it was taken from.
std::string letters(std::uint32_t length) {
    std::string s(length, ' ');
    for (std::uint32_t i = 0; i < length; ++i) s[i] = static_cast<char>('A' + i % 26);
    return s;
}

std::string lowered(std::string s, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& runs) {
    for (auto [first, length] : runs)
        for (std::uint32_t i = first; i < first + length; ++i) s[i] = static_cast<char>(s[i] | 0x20);
    return s;
}

struct BoundaryCase {
    const char* name;
    std::uint32_t length;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    Rows runRows;  // Position, Length, Details of every run row
    std::string verdict;
};

// A run is one row at its true start, with its full length and the Details
// of its own first bytes, however the 10,000,000-byte chunks fall; only a
// run of 9,999,999 bytes or more reads "Different".
TEST_F(CompareFilesTest, RunsAreListedWholeWhereverTheChunksFall) {
    const std::string base = letters(25'000'000);
    const std::string first20 = "File A is \"ABCDEFGHIJKLMNOPQRST\", File B is \"abcdefghijklmnopqrst\"";
    const BoundaryCase cases[] = {
        {"one byte at 9,999,999", 10'000'001, {{9'999'999, 1}},
         {{"9999999", "1", "File A is \"J\", File B is \"j\""}}, "Files have 99% in common"},
        {"9,999,990 to 10,000,009, short second chunk", 15'000'000, {{9'999'990, 20}},
         {{"9999990", "20", first20}}, "Files have 99% in common"},
        {"9,999,990 to 10,000,009, full second chunk", 25'000'000, {{9'999'990, 20}},
         {{"9999990", "20", first20}}, "Files have 99% in common"},
        {"exactly the second chunk", 25'000'000, {{10'000'000, 10'000'000}},
         {{"10000000", "10000000", "Different"}}, "Files have 60% in common"},
        {"exactly the first chunk", 15'000'000, {{0, 10'000'000}},
         {{"0", "10000000", "Different"}}, "Files have 33% in common"},
        {"0 to 5, common length over 10,000,000", 10'000'001, {{0, 5}},
         {{"0", "5", "File A is \"ABCDE\", File B is \"abcde\""}}, "Files have 99% in common"},
        {"ending at the boundary, then one past it", 15'000'000, {{9'999'995, 5}, {10'000'001, 3}},
         {{"9999995", "5", "File A is \"FGHIJ\", File B is \"fghij\""},
          {"10000001", "3", "File A is \"LMN\", File B is \"lmn\""}},
         "Files have 99% in common"},
        {"reaching the end, 9,999,999 long", 9'999'999, {{0, 9'999'999}},
         {{"0", "9999999", "Different"}}, "Files have 0% in common"},
        {"reaching the end, 9,999,998 long", 9'999'999, {{1, 9'999'998}},
         {{"1", "9999998", "File A is \"BCDEFGHIJKLMNOPQRSTU\", File B is \"bcdefghijklmnopqrstu\""}},
         "Files have 0% in common"},
    };
    for (const auto& c : cases) {
        std::string a = base.substr(0, c.length);
        std::string b = lowered(a, c.runs);
        Rows expected = {{"Start", "", "Files are the same size"}};
        expected.insert(expected.end(), c.runRows.begin(), c.runRows.end());
        expected.push_back({"End", "", c.verdict});
        EXPECT_EQ(expected, referenceComparison(a, b).rows) << c.name;
        withBothWalks([&] { EXPECT_EQ(compareContents(a, b), expected) << c.name; });
    }
}

TEST_F(CompareFilesTest, TheRunAcrossABoundaryCountsAllItsBytes) {
    // 2,000,000 differing bytes, half of them before the boundary: all count
    // (86%), in one row at the run's start.
    std::string a = testing_support::pseudoRandomBytes(15'000'000, 3);
    std::string b = changed(a, {{9'000'000, 2'000'000}});
    EXPECT_EQ(scoreContents(a, b), 86u);
    Rows rows = compareContents(a, b);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], "9000000");
    EXPECT_EQ(rows[1][1], "2000000");
    EXPECT_EQ(rows.back()[2], "Files have 86% in common");
}

TEST_F(CompareFilesTest, ProgressAdvancesPerChunk) {
    struct Case {
        std::uint32_t length;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;  // one early in each chunk
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {25'000'000, {{100, 1}, {10'000'100, 1}, {20'000'100, 1}}, {0, 40, 80}},
        {15'000'000, {{100, 1}, {10'000'100, 1}}, {0, 66}},
    };
    for (const auto& c : cases) {
        // A run row written in chunk k sees the value written after chunk k - 1.
        std::vector<std::uint32_t> seen;
        state.list.setObserver({[&] {
            int rows = state.list.rowCount();
            // Once per run row, written whole in one step.
            if (rows >= 2 && state.list.readCell(rows - 1, 0) != "End") seen.push_back(state.progressPercent.load());
        }, nullptr});
        state.progressPercent.store(0);
        std::string a = testing_support::pseudoRandomBytes(c.length, 11);
        compareContents(a, changed(a, c.runs));
        state.list.setObserver({});
        EXPECT_EQ(seen, c.expected) << c.length;
        EXPECT_EQ(state.progressPercent.load(), 100u) << c.length;
    }
}

TEST_F(CompareFilesTest, AbortInTheSecondOfThreeChunksEndsAtThatChunksEnd) {
    std::string a = testing_support::pseudoRandomBytes(25'000'000, 5);
    std::string b = changed(a, {{100, 2},                // chunk 1: listed
                                {10'000'100, 3},         // chunk 2: the pause is given here
                                {15'000'000, 4},         // chunk 2, after the abort: still listed
                                {19'999'995, 10},        // open at the end of chunk 2: dropped
                                {22'000'000, 5}});       // chunk 3: never read
    std::string pathA = folder.write("a.bin", a);
    std::string pathB = folder.write("b.bin", b);
    std::promise<std::uint32_t> inSecondChunk;
    std::promise<void> abortGiven;
    bool paused = false;
    // On the worker's thread, as the row of the run at 10,000,100 goes in:
    // pause, and hold the worker there until the abort has been requested,
    // so the request surely lands inside the second chunk.
    state.list.setObserver({[&] {
        if (!paused && state.list.readCell(state.list.rowCount() - 1, 0) == "10000100") {
            paused = true;
            core::togglePause(state, effects);
            inSecondChunk.set_value(state.progressPercent.load());
            abortGiven.get_future().wait();
        }
    }, nullptr});
    state.runState.store(core::run_state::kRunning);
    platform::resetIoCounters();
    std::thread worker([&] { runWorker(pathA, pathB); });
    EXPECT_EQ(inSecondChunk.get_future().get(), 40u);  // the first chunk is done
    EXPECT_FALSE(state.pauseGate.isOpen());
    core::requestAbort(state);  // while paused: the gate opens again
    abortGiven.set_value();
    worker.join();
    state.list.setObserver({});
    const Rows expected = {{"Start", "", "Files are the same size"},
                           {"100", "2", details(a, b, 100, 2)},
                           {"10000100", "3", details(a, b, 10'000'100, 3)},
                           {"15000000", "4", details(a, b, 15'000'000, 4)},
                           {"Aborted", "", "Files have 99% in common"}};
    EXPECT_EQ(state.list.snapshot(), expected);
    EXPECT_EQ(state.progressPercent.load(), 80u);
    EXPECT_EQ(platform::ioCounters().bytesRead, 40'000'000u);  // the third chunk was never read
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state.runControl.load(), core::run_control::kRun);
}

TEST_F(CompareFilesTest, AnAbortBeforeTheFirstChunkReadsNothingAndSaysSame) {
    std::string a = testing_support::pseudoRandomBytes(15'000'000, 9);
    std::string b = changed(a, {{12'000'000, 1}});
    std::string pathA = folder.write("a.bin", a), pathB = folder.write("b.bin", b);
    // The abort arrives with the Start row, on the worker's thread, before
    // the chunk loop has begun.
    state.list.setObserver({[&] {
        if (state.list.rowCount() == 1 && state.list.readCell(0, 0) == "Start") core::requestAbort(state);
    }, nullptr});
    platform::resetIoCounters();
    Rows rows = runFileMode(pathA, pathB);
    state.list.setObserver({});
    EXPECT_EQ(rows, (Rows{{"Start", "", "Files are the same size"}, {"Aborted", "", "Same"}}));
    EXPECT_EQ(platform::ioCounters().bytesRead, 0u);
}

TEST_F(CompareFilesTest, AnAbortGivenBeforeTheWorkerStartsIsKept) {
    state.runState.store(core::run_state::kRunning);
    core::requestAbort(state);
    platform::resetIoCounters();
    runWorker(folder.write("a.txt", "abcdef"), folder.write("b.txt", "abXdef!"));
    EXPECT_EQ(state.list.snapshot(), (Rows{{"Start", "", "Files are not the same size"},
                                           {"Aborted", "", "Files have 85% in common"}}));
    EXPECT_EQ(platform::ioCounters().bytesRead, 0u);
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state.runControl.load(), core::run_control::kRun);
}

TEST_F(CompareFilesTest, NotEnoughMemoryEndsTheRunWithoutRows) {
    std::string pathA = folder.write("a.txt", "abc"), pathB = folder.write("b.txt", "abd");
    state.list.insertRow(0, "left over");
    state.runState.store(core::run_state::kRunning);
    platform::failAllocationsForTesting(true);
    platform::resetIoCounters();
    runWorker(pathA, pathB);
    platform::failAllocationsForTesting(false);
    EXPECT_EQ(state.list.rowCount(), 0);  // cleared by the worker, nothing written
    EXPECT_EQ(platform::ioCounters().opens, 0u);
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state.runControl.load(), core::run_control::kRun);
    EXPECT_EQ(outcome.status, core::RunStatus::Error);
}

TEST_F(CompareFilesTest, FolderModesScoreWithoutRowsAndLeaveRunStateAlone) {
    state.list.insertRow(0, "untouched");
    state.progressPercent.store(33);
    state.runState.store(core::run_state::kRunning);
    std::string million = testing_support::pseudoRandomBytes(1'000'000, 2);
    EXPECT_EQ(scoreContents(million, million), 100u);
    EXPECT_EQ(scoreContents(million, changed(million, {{500'000, 1}})), 99u);
    EXPECT_EQ(scoreContents("abc", "abcd"), 75u);
    EXPECT_EQ(scoreContents("abcdef", "abXdeY"), 66u);
    EXPECT_EQ(state.list.snapshot(), (Rows{{"untouched", "", ""}}));
    EXPECT_EQ(state.progressPercent.load(), 33u);
    EXPECT_EQ(state.runState.load(), core::run_state::kRunning);
}

TEST_F(CompareFilesTest, FolderModesScoreFaultsZeroAndSayWhy) {
    using compare::PairOutcome;
    std::string some = folder.write("some.txt", "content");
    std::string empty = folder.write("empty.txt", "");
    std::string other = folder.write("other.txt", "contenX");
    struct Case {
        std::uint32_t mode;
        std::string a, b;
        std::uint32_t listedFrom;
        PairOutcome outcome;
        std::uint32_t score;
    };
    const Case cases[] = {
        {core::search_mode::kDirectory, some, folder.pathOf("missing"), 0, PairOutcome::CannotOpen, 0},
        {core::search_mode::kQuickDir, empty, empty, 0, PairOutcome::Fault, 0},
        {core::search_mode::kQuickDir, some, some, 0, PairOutcome::Done, 100},
        {core::search_mode::kDirectory, some, other, 0, PairOutcome::Done, 85},
        {core::search_mode::kDirectory, some, other, 90, PairOutcome::StoppedEarly, 85},
    };
    state.runState.store(core::run_state::kRunning);
    for (const Case& c : cases) {
        compare::PairScore result = scoreWithOutcome(c.mode, c.a, c.b, c.listedFrom);
        EXPECT_EQ(result.outcome, c.outcome) << c.a << " " << c.b;
        EXPECT_EQ(result.score, c.score) << c.a << " " << c.b;
        EXPECT_EQ(state.runState.load(), core::run_state::kRunning);
    }
}

TEST_F(CompareFilesTest, QuickDirScoresDifferentSizesZeroWithoutReading) {
    std::string pathA = folder.write("a.txt", "abc"), pathB = folder.write("b.txt", "abcd");
    platform::resetIoCounters();
    EXPECT_EQ(score(core::search_mode::kQuickDir, pathA, pathB), 0u);
    EXPECT_EQ(platform::ioCounters().reads, 0u);
    EXPECT_EQ(score(core::search_mode::kDirectory, pathA, pathB), 75u);  // Directory reads them
    EXPECT_GT(platform::ioCounters().reads, 0u);
}

TEST_F(CompareFilesTest, APairBelowTheListedScoreStopsReadingEarly) {
    const std::uint32_t length = 30'000'000;
    std::string a = testing_support::pseudoRandomBytes(length, 4);
    std::string b = testing_support::pseudoRandomBytes(length, 5);  // differs nearly everywhere
    std::string pathA = folder.write("a.bin", a), pathB = folder.write("b.bin", b);
    platform::resetIoCounters();
    EXPECT_EQ(score(core::search_mode::kDirectory, pathA, pathB, 0), 0u);
    std::uint64_t fullRead = platform::ioCounters().bytesRead;
    EXPECT_EQ(fullRead, 2ull * length);
    platform::resetIoCounters();
    EXPECT_LT(score(core::search_mode::kDirectory, pathA, pathB, 95), 95u);
    EXPECT_LT(platform::ioCounters().bytesRead, fullRead / 4);
}

TEST_F(CompareFilesTest, TheEarlyExitNeverChangesAListedScore) {
    // 1,000 bytes: each differing byte costs a tenth of a point.
    const std::string a = testing_support::pseudoRandomBytes(1'000, 8);
    struct Case {
        std::uint32_t differing, listedFrom;
        bool listed;
    };
    const Case cases[] = {
        {50, 95, true}, {51, 95, false}, {0, 100, true}, {1, 100, false}, {1, 99, true},
        {10, 99, true}, {11, 99, false}, {1'000, 1, false}, {1'000, 0, true}, {990, 1, true},
    };
    withBothWalks([&] {
        for (const auto& c : cases) {
            std::string b = changed(a, {{0, c.differing}});
            std::uint32_t exact = compare::similarityPercent(1'000, c.differing);
            std::uint32_t got = scoreContents(a, b, c.listedFrom);
            if (c.listed) {
                EXPECT_EQ(got, exact) << c.differing << ' ' << c.listedFrom;
            } else {
                EXPECT_LT(got, c.listedFrom) << c.differing << ' ' << c.listedFrom;
            }
        }
    });
}

TEST_F(CompareFilesTest, TheSizeDifferenceAloneCanKeepAPairUnread) {
    std::string pathA = folder.write("a.txt", std::string(100, 'x'));
    std::string pathB = folder.write("b.txt", std::string(200, 'x'));
    platform::resetIoCounters();
    EXPECT_LT(score(core::search_mode::kDirectory, pathA, pathB, 95), 95u);
    EXPECT_EQ(platform::ioCounters().reads, 0u);
    EXPECT_EQ(score(core::search_mode::kDirectory, pathA, pathB, 50), 50u);
}

TEST_F(CompareFilesTest, APairStartedAfterAnAbortIsNotRead) {
    std::string path = folder.write("a.txt", "abc");
    state.runState.store(core::run_state::kRunning);
    core::requestAbort(state);
    platform::resetIoCounters();
    EXPECT_EQ(scoreWithOutcome(core::search_mode::kDirectory, path, path).outcome, compare::PairOutcome::Aborted);
    EXPECT_EQ(platform::ioCounters().opens, 0u);
}

TEST_F(CompareFilesTest, RandomPairsMatchTheByteByByteReference) {
    std::mt19937 random(77);
    for (int round = 0; round < 60; ++round) {
        std::size_t lengthA = 1 + random() % 5'000;
        std::size_t lengthB = random() % 4 == 0 ? 1 + random() % 5'000 : lengthA;
        std::string a = testing_support::pseudoRandomBytes(lengthA, random());
        std::string b = a.substr(0, std::min(lengthA, lengthB));
        b.resize(lengthB, 'z');
        unsigned perThousand = random() % 1'001;
        for (char& byte : b)
            if (random() % 1'000 < perThousand) byte = static_cast<char>(random());
        Reference ref = referenceComparison(a, b);
        withBothWalks([&] {
            ASSERT_EQ(compareContents(a, b), ref.rows) << "round " << round;
            ASSERT_EQ(scoreContents(a, b), compare::similarityPercent(ref.largerSize, ref.diffTotal)) << round;
        });
    }
}

TEST_F(CompareFilesTest, RandomRunsAcrossAChunkBoundaryMatchTheReference) {
    std::mt19937 random(91);
    const std::string base = testing_support::pseudoRandomBytes(kChunk + 300'000, 12);
    for (int round = 0; round < 3; ++round) {
        std::string a = base.substr(0, kChunk + random() % 300'000);
        std::string b = a;
        // Dense differences around the boundary, sparse ones elsewhere.
        for (std::uint32_t i = kChunk - 200; i < kChunk + 200; ++i)
            if (random() % 3) b[i] = static_cast<char>(b[i] + 1);
        for (int k = 0; k < 200; ++k) b[random() % b.size()] ^= 0x11;
        b[b.size() - 1] ^= 0x22;  // a run reaching the end
        Reference ref = referenceComparison(a, b);
        std::uint32_t exact = compare::similarityPercent(ref.largerSize, ref.diffTotal);
        withBothWalks([&] {
            ASSERT_EQ(compareContents(a, b), ref.rows) << "round " << round;
            ASSERT_EQ(scoreContents(a, b), exact) << round;
            ASSERT_EQ(scoreContents(a, b, exact), exact) << round;
            ASSERT_LT(scoreContents(a, b, exact + 1), exact + 1) << round;
        });
    }
}

}  // namespace

namespace {

// A file that comes short anywhere, in either file, in a small or a large
// chunk (the large one read on two threads), is never compared on: the bytes
// the short read left behind are an earlier chunk's.
TEST_F(CompareFilesTest, AFileThatComesShortIsAFaultNeverSame) {
    const std::string small = testing_support::pseudoRandomBytes(50'000, 21);
    const std::string large = testing_support::pseudoRandomBytes(12'500'000, 22);
    struct Case {
        const std::string* content;
        bool cutB;
        std::uint64_t cutAt;
    };
    const Case cases[] = {
        {&small, false, 0},         {&small, true, 1},           {&small, true, 49'999},
        {&large, false, 600'000},   {&large, true, 600'000},     {&large, true, 10'000'000},
        {&large, true, 12'499'999}, {&large, false, 11'000'000},
    };
    for (const Case& c : cases) {
        std::string pathA = folder.write("a.bin", *c.content);
        std::string pathB = folder.write("b.bin", *c.content);
        platform::shortenReadsForTesting(c.cutB ? pathB : pathA, c.cutAt);
        Rows rows = runFileMode(pathA, pathB);
        compare::PairScore folderMode = scoreWithOutcome(core::search_mode::kQuickDir, pathA, pathB);
        platform::shortenReadsForTesting({}, 0);
        SCOPED_TRACE(std::string(c.cutB ? "B" : "A") + " cut at " + std::to_string(c.cutAt));
        EXPECT_EQ(rows.back(), (Row{"End", "", "Fault"}));
        EXPECT_EQ(folderMode.outcome, compare::PairOutcome::Fault);
        EXPECT_EQ(folderMode.score, 0u);
    }
    // The same files read whole are the same.
    std::string pathA = folder.write("a.bin", large), pathB = folder.write("b.bin", large);
    EXPECT_EQ(runFileMode(pathA, pathB).back(), (Row{"End", "", "Same"}));
}

#ifndef _WIN32  // Windows keeps a file open for reading from being written, moved or deleted
// A verdict on files that changed while they were read would no longer hold:
// written (even with its size and write time put back), replaced or gone,
// the run ends with "Fault" and says which file changed.
TEST_F(CompareFilesTest, AFileChangedDuringTheComparisonIsAFault) {
    namespace fs = std::filesystem;
    const std::string content = testing_support::pseudoRandomBytes(100'000, 31);
    struct Case {
        const char* name;
        std::function<void(const std::string& a, const std::string& b)> change;
        const char* reason;
    };
    const Case cases[] = {
        {"B grows", [&](auto&, auto&) { folder.write("b.bin", content + "more"); }, "File B changed during the comparison."},
        {"a byte of A rewritten, write time put back",
         [&](auto& a, auto&) {
             auto when = fs::last_write_time(a);
             std::string other = content;
             other[10] ^= 1;
             folder.write("a.bin", other);
             fs::last_write_time(a, when);
         },
         "File A changed during the comparison."},
        {"B replaced by another file", [&](auto&, auto& b) { fs::rename(folder.write("c.bin", content), b); },
         "File B changed during the comparison."},
        {"B deleted", [&](auto&, auto& b) { fs::remove(b); }, "File B changed during the comparison."},
    };
    for (const Case& c : cases) {
        std::string pathA = folder.write("a.bin", content), pathB = folder.write("b.bin", content);
        // With the Start row the files are open and sized, their stamps taken.
        state.list.setObserver({[&] {
            if (state.list.rowCount() == 1 && state.list.readCell(0, 0) == "Start") c.change(pathA, pathB);
        }, nullptr});
        Rows rows = runFileMode(pathA, pathB);
        state.list.setObserver({});
        EXPECT_EQ(rows.back(), (Row{"End", c.reason, "Fault"})) << c.name;
        EXPECT_EQ(outcome.status, core::RunStatus::Error) << c.name;
        EXPECT_EQ(outcome.message, c.reason) << c.name;
    }
}
#endif

TEST_F(CompareFilesTest, RunningOutOfHandlesFailsTheRunInsteadOfBlamingTheFile) {
    std::string pathA = folder.write("a.txt", "abc"), pathB = folder.write("b.txt", "abc");
    platform::exhaustHandlesForTesting(true);
    Rows rows = runFileMode(pathA, pathB);
    compare::PairScore folderMode = scoreWithOutcome(core::search_mode::kDirectory, pathA, pathB);
    platform::exhaustHandlesForTesting(false);
    EXPECT_EQ(rows, (Rows{{"Aborted", "", "Error opening file"}}));
    EXPECT_EQ(state.runFailure.load(), core::run_failure::kOutOfHandles);
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state.runControl.load(), core::run_control::kRun);
    EXPECT_EQ(folderMode.outcome, compare::PairOutcome::ProcessFault);
    EXPECT_EQ(folderMode.ioFault, platform::IoFault::OutOfHandles);
    // The next run starts without the failure.
    EXPECT_EQ(runFileMode(pathA, pathB).back(), (Row{"End", "", "Same"}));
    EXPECT_EQ(state.runFailure.load(), core::run_failure::kNone);
}

}  // namespace
