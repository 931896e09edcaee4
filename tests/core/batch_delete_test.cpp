#include "core/batch_delete.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

using testing_support::TempFolder;

struct Row {
    std::string fileA, fileB, percent;
};

// A folder search's list: "Start", the pair rows, and the last row with
// an empty score.
void fillList(core::AppState& state, const std::vector<Row>& rows) {
    state.list.clearRows();
    state.list.insertRow(0, "Start");
    for (const Row& row : rows) {
        int at = state.list.insertRow(-1, row.fileA);
        state.list.setCell(at, 1, row.fileB);
        state.list.setCell(at, 2, row.percent);
    }
    int last = state.list.insertRow(-1, "End");
    state.list.setCell(last, 1, "0 twins found");
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

class BatchDelete : public ::testing::Test {
protected:
    TempFolder folder;
    core::AppState state;
    std::vector<std::size_t> handOvers;  // paths per recycle call
    std::vector<std::string> lines;
    std::function<void(const std::string&)> onProgress;

    // The recycle bin of these tests takes the files away.
    core::BatchEffects effects() {
        core::BatchEffects e;
        e.recycle = [this](const std::vector<std::string>& paths) {
            handOvers.push_back(paths.size());
            for (const std::string& path : paths) std::filesystem::remove(path);
        };
        e.showProgress = [this](const std::string& line) {
            lines.push_back(line);
            if (onProgress) onProgress(line);
        };
        return e;
    }

    core::BatchOutcome run(std::uint32_t mode, std::uint32_t column) {
        state.settings.batchDeleteMode = mode;
        state.runState = column;
        core::BatchOutcome outcome = core::runBatchDelete(state, effects());
        EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
        return outcome;
    }
};

// Three copies listed as three pairs, and a near copy at 99: whichever
// column and way, one copy of the group is left and the 99 pair is not
// touched.
TEST_F(BatchDelete, OnlyHundredRowsAreActedOnAndOneCopyOfEachGroupStays) {
    struct Case {
        const char* name;
        std::uint32_t mode, column;
    };
    const Case cases[] = {
        {"recycle A", core::batch_mode::kRecycle, core::run_state::kBatchColumnA},
        {"recycle B", core::batch_mode::kRecycle, core::run_state::kBatchColumnB},
        {"delete A", core::batch_mode::kDelete, core::run_state::kBatchColumnA},
        {"move B", core::batch_mode::kMove, core::run_state::kBatchColumnB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder tree;
        std::string x = tree.write("x", "copy"), y = tree.write("d/y", "copy"), z = tree.write("e/z", "copy");
        std::string p = tree.write("p", "near copy 1"), q = tree.write("q", "near copy 2");
        std::string moved = tree.makeFolder("moved");
        core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, moved);
        fillList(state, {{x, y, "100"}, {x, z, "100"}, {p, q, "99"}, {y, z, "100"}});
        core::BatchOutcome outcome = run(c.mode, c.column);
        EXPECT_EQ(exists(x) + exists(y) + exists(z), 1);
        EXPECT_TRUE(exists(p) && exists(q));
        EXPECT_EQ(outcome.disposed, 2u);
        if (c.mode == core::batch_mode::kMove) {
            EXPECT_TRUE(exists(tree.pathOf("moved/y")) && exists(tree.pathOf("moved/z")));
        }
    }
}

TEST_F(BatchDelete, FilesThatChangedSinceTheSearchAreSkipped) {
    std::string a1 = folder.write("a1", "same"), b1 = folder.write("b1", "same");  // partner gone
    std::string a2 = folder.write("a2", "same"), b2 = folder.write("b2", "same");  // partner rewritten
    std::string a3 = folder.write("a3", "same"), b3 = folder.write("b3", "same");  // file cut short
    std::string a4 = folder.write("a4", "same"), b4 = folder.write("b4", "same");  // still the same
    fillList(state, {{a1, b1, "100"}, {a2, b2, "100"}, {a3, b3, "100"}, {a4, b4, "100"}});
    std::filesystem::remove(a1);
    folder.write("a2", "diff");
    folder.write("b3", "sam");
    core::BatchOutcome outcome = run(core::batch_mode::kDelete, core::run_state::kBatchColumnB);
    EXPECT_TRUE(exists(b1) && exists(b2) && exists(a3) && exists(b3) && exists(a4));
    EXPECT_FALSE(exists(b4));
    EXPECT_EQ(outcome.changed, 3u);
    EXPECT_EQ(lines.back(), "Deleted 1 file. Skipped 3: 3 changed or missing since the search.");
}

// Rows made by hand may say anything; the second row would take the last copy.
TEST_F(BatchDelete, RowsNeverCostTheLastCopy) {
    std::string x = folder.write("x", "copy"), y = folder.write("y", "copy");
    fillList(state, {{x, y, "100"}, {y, x, "100"}, {x, x, "100"}});
    core::BatchOutcome outcome = run(core::batch_mode::kRecycle, core::run_state::kBatchColumnA);
    EXPECT_EQ(exists(x) + exists(y), 1);
    EXPECT_EQ(outcome.lastCopy, 1u);
}

TEST_F(BatchDelete, RecycleHandsOverAtMost1001PathsPerCall) {
    std::vector<Row> rows;
    for (int i = 0; i < 2100; ++i) {
        std::string content = "pair " + std::to_string(i);
        rows.push_back({folder.write("a" + std::to_string(i), content), folder.write("b" + std::to_string(i), content),
                        "100"});
    }
    fillList(state, rows);
    core::BatchOutcome outcome = run(core::batch_mode::kRecycle, core::run_state::kBatchColumnB);
    EXPECT_EQ(handOvers, (std::vector<std::size_t>{1001, 1001, 98}));
    EXPECT_EQ(outcome.disposed, 2100u);
}

TEST_F(BatchDelete, CancelStopsAfterTheCurrentRow) {
    // Cancel comes while the third row is at hand.
    onProgress = [this](const std::string&) {
        if (lines.size() == 3) state.runState = core::run_state::kBatchCancel;
    };
    for (std::uint32_t mode : {core::batch_mode::kDelete, core::batch_mode::kRecycle}) {
        SCOPED_TRACE(mode);
        std::vector<Row> rows;
        for (int i = 0; i < 6; ++i) {
            std::string name = std::to_string(mode) + "-" + std::to_string(i);
            rows.push_back({folder.write("a" + name, "x"), folder.write("b" + name, "x"), "100"});
        }
        lines.clear();
        fillList(state, rows);
        core::BatchOutcome outcome = run(mode, core::run_state::kBatchColumnA);
        EXPECT_TRUE(outcome.cancelled);
        // Delete takes the three rows seen; Recycle drops what it collected.
        EXPECT_EQ(outcome.disposed, mode == core::batch_mode::kDelete ? 3u : 0u);
        EXPECT_TRUE(exists(rows[3].fileA));
    }
    EXPECT_TRUE(handOvers.empty());
}

TEST_F(BatchDelete, MoveWithoutAMoveFolderDisposesOfNothing) {
    std::string a = folder.write("a", "x"), b = folder.write("b", "x");
    fillList(state, {{a, b, "100"}});
    core::BatchOutcome outcome = run(core::batch_mode::kMove, core::run_state::kBatchColumnA);
    EXPECT_TRUE(exists(a) && exists(b));
    EXPECT_EQ(outcome.noMoveFolder, 1u);
}

TEST(DuplicateChecker, TellsWhyTwoFilesAreNotCopies) {
    TempFolder folder;
    std::string big = testing_support::pseudoRandomBytes(3 << 20, 7);
    std::string a = folder.write("a", big), b = folder.write("b", big);
    std::string shorter = folder.write("shorter", big.substr(1));
    std::string changedLate = big;
    changedLate.back() ^= 1;
    std::string late = folder.write("late", changedLate);
    core::DuplicateChecker checker;
    EXPECT_EQ(checker.check(a, b), core::DuplicateCheck::Identical);
    EXPECT_EQ(checker.check(a, shorter), core::DuplicateCheck::SizeDiffers);
    EXPECT_EQ(checker.check(a, late), core::DuplicateCheck::ContentDiffers);
    EXPECT_EQ(checker.check(folder.pathOf("missing"), b), core::DuplicateCheck::FileMissing);
    EXPECT_EQ(checker.check(a, folder.pathOf("missing")), core::DuplicateCheck::PartnerMissing);
    EXPECT_EQ(checker.check(a, a), core::DuplicateCheck::SameFile);
    // A read that comes back short never passes for the bytes it left out.
    platform::shortenReadsForTesting(b, 2 << 20);
    EXPECT_EQ(checker.check(a, b), core::DuplicateCheck::Unreadable);
    platform::shortenReadsForTesting("", 0);
}

}  // namespace
