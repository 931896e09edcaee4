#include "core/batch_delete.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

using testing_support::exactFsPath;
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

bool exists(const std::string& path) { return std::filesystem::exists(exactFsPath(path)); }

// "" also for a file that cannot be opened.
std::string readAll(const std::string& path) {
    std::string content;
    platform::File file = platform::openForReading(path.c_str());
    char buffer[4096];
    while (std::uint32_t got = platform::readFile(file, buffer, sizeof buffer)) content.append(buffer, got);
    return content;
}

// Not a link: a link keeps no bytes of its own.
bool isRealFile(const std::string& path) {
    return std::filesystem::is_regular_file(std::filesystem::symlink_status(exactFsPath(path)));
}

void overwrite(const std::string& path, const std::string& content) {
    platform::writeWholeFile(path.c_str(), content.data(), content.size());
}

class BatchDelete : public ::testing::Test {
protected:
    TempFolder folder;
    core::AppState state;
    std::vector<std::size_t> handOvers;  // paths per recycle call
    std::vector<std::string> lines;
    std::function<void(const std::string&)> onProgress;
    std::function<void(const std::string&, const std::string&)> afterCheck;
    std::string keepInRecycle;  // a file the recycle bin leaves where it is

    // The recycle bin of these tests takes the files away.
    core::BatchEffects effects() {
        core::BatchEffects e;
        e.recycle = [this](const std::vector<std::string>& paths) {
            handOvers.push_back(paths.size());
            for (const std::string& path : paths)
                if (path != keepInRecycle) platform::deleteFile(path.c_str());
        };
        e.afterCheck = [this](const std::string& file, const std::string& partner) {
            if (afterCheck) afterCheck(file, partner);
        };
        e.showProgress = [this](const std::string& line) {
            lines.push_back(line);
            if (onProgress) onProgress(line);
        };
        return e;
    }

    // The batch as the dialog starts it: asked for by the details dialog,
    // marked running, then worked through (here on the test's thread).
    core::BatchOutcome run(std::uint32_t mode, std::uint32_t column) {
        state.settings.batchDeleteMode = mode;
        state.runState = column;
        std::optional<core::BatchRequest> request = core::requestedBatch(state);
        EXPECT_TRUE(request && core::beginBatch(state, *request));
        core::BatchOutcome outcome = core::runBatchDelete(state.list, state.runState, *request, effects());
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
        // Rows whose file already went through an earlier row are no news.
        EXPECT_EQ(outcome.skipped() + outcome.failed, 0u) << lines.back();
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

TEST_F(BatchDelete, NothingGoesAfterTheCancel) {
    // Cancel comes while the third row is at hand, before its file goes.
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
        // Delete took the two rows before; Recycle drops what it collected.
        EXPECT_EQ(outcome.disposed, mode == core::batch_mode::kDelete ? 2u : 0u);
        EXPECT_TRUE(exists(rows[2].fileA));
        EXPECT_EQ(lines.back().rfind("Cancelled. ", 0), 0u) << lines.back();
    }
    EXPECT_TRUE(handOvers.empty());
}

// The window marks the batch running before its worker starts, so a Cancel
// pressed while the worker has not yet begun reaches it, and one pressed
// before the start calls the batch off: either way no file goes.
TEST_F(BatchDelete, ACancelAroundTheWorkersStartKeepsEveryFile) {
    std::vector<Row> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back({folder.write("a" + std::to_string(i), "x"), folder.write("b" + std::to_string(i), "x"), "100"});
    for (std::uint32_t mode : {core::batch_mode::kDelete, core::batch_mode::kRecycle}) {
        fillList(state, rows);
        state.settings.batchDeleteMode = mode;
        state.runState = core::run_state::kBatchColumnA;
        const core::BatchRequest request = *core::requestedBatch(state);
        ASSERT_TRUE(core::beginBatch(state, request));
        std::promise<void> cancelPressed;
        std::shared_future<void> pressed = cancelPressed.get_future().share();
        core::BatchEffects held = effects();
        held.atStart = [pressed] { pressed.wait(); };  // the worker holds at its start
        core::BatchOutcome outcome;
        std::thread worker([&] { outcome = core::runBatchDelete(state.list, state.runState, request, held); });
        EXPECT_FALSE(core::cancelBatch(state)) << "the dialog stays for the summary";
        cancelPressed.set_value();
        worker.join();
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_EQ(outcome.disposed, 0u);
        EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
        for (const Row& row : rows) EXPECT_TRUE(exists(row.fileA) && exists(row.fileB));
    }
    // Cancel before the start: the batch is off, and can no longer begin.
    state.runState = core::run_state::kBatchColumnB;
    const core::BatchRequest request = *core::requestedBatch(state);
    EXPECT_TRUE(core::cancelBatch(state));
    EXPECT_FALSE(core::beginBatch(state, request));
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);
    EXPECT_TRUE(handOvers.empty());
}

// After a search against a reference folder every File B lies in it: only
// a batch of column A can be asked for.
TEST_F(BatchDelete, ColumnBOfASearchAgainstAReferenceIsNeverActedOn) {
    state.referenceInList = true;
    state.runState = core::run_state::kBatchColumnB;
    EXPECT_FALSE(core::requestedBatch(state));
    state.runState = core::run_state::kBatchColumnA;
    std::optional<core::BatchRequest> request = core::requestedBatch(state);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->column, 0);
}

TEST_F(BatchDelete, MoveWithoutAMoveFolderDisposesOfNothing) {
    std::string a = folder.write("a", "x"), b = folder.write("b", "x");
    fillList(state, {{a, b, "100"}});
    core::BatchOutcome outcome = run(core::batch_mode::kMove, core::run_state::kBatchColumnA);
    EXPECT_TRUE(exists(a) && exists(b));
    EXPECT_EQ(outcome.noMoveFolder, 1u);
}

// Every content that had a copy before the batch still has one where the
// search found it, and the summary counts exactly the files gone.
void expectOneCopyOfEachLeftAndHonestCounts(const std::map<std::string, std::vector<std::string>>& copies,
                                            const std::vector<std::string>& disposable,
                                            const core::BatchOutcome& outcome) {
    for (const auto& [content, paths] : copies) {
        int left = 0;
        for (const std::string& path : paths) left += isRealFile(path) && readAll(path) == content;
        EXPECT_GE(left, 1) << "no copy of '" << content << "' left";
    }
    // A link left dangling was not disposed of: only names that went count.
    std::uint32_t gone = 0;
    for (const std::string& path : std::set<std::string>(disposable.begin(), disposable.end()))
        gone += !std::filesystem::exists(std::filesystem::symlink_status(exactFsPath(path)));
    EXPECT_EQ(outcome.disposed, gone);
}

// A file reached by two paths: a link to it, or (on Windows) a name that the
// system's usual path rules would trim to another file's. Rows as a search
// that took the second path for a file of its own would list them.
TEST_F(BatchDelete, AFileReachedByTwoPathsIsNeverTakenTwice) {
    struct Alias {
        std::string name;
        std::function<std::vector<Row>(TempFolder&)> rows;
    };
    std::vector<Alias> aliases{
        {"a link to a file", [](TempFolder& t) {
             std::string f = t.write("a/f", "content"), copy = t.write("copy", "content");
             std::string link = t.pathOf("z_link");
             std::error_code error;
             std::filesystem::create_symlink(std::filesystem::u8path(f), exactFsPath(link), error);
             if (error) return std::vector<Row>{{f, copy, "100"}};  // a system that makes no links
             return std::vector<Row>{{f, copy, "100"}, {copy, link, "100"}, {f, link, "100"}};
         }},
        {"a name ending in a dot", [](TempFolder& t) {
             std::string x = t.write("x", "content"), dash = t.write("x-", "content"), dot = t.write("x.", "other");
             return std::vector<Row>{{x, dash, "100"}, {dash, dot, "100"}};
         }},
        {"a folder ending in a dot", [](TempFolder& t) {
             std::string x = t.write("d/x", "content"), dash = t.write("x-", "content"), dot = t.write("d./x", "other");
             return std::vector<Row>{{x, dash, "100"}, {dash, dot, "100"}};
         }},
    };
    const std::uint32_t modes[] = {core::batch_mode::kRecycle, core::batch_mode::kDelete, core::batch_mode::kMove};
    for (const Alias& alias : aliases)
        for (std::uint32_t mode : modes)
            for (std::uint32_t column : {core::run_state::kBatchColumnA, core::run_state::kBatchColumnB}) {
                SCOPED_TRACE(alias.name + ", mode " + std::to_string(mode) + ", column " + std::to_string(column));
                TempFolder tree;
                core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, tree.makeFolder("moved"));
                std::vector<Row> rows = alias.rows(tree);
                fillList(state, rows);
                std::map<std::string, std::vector<std::string>> copies;
                std::vector<std::string> disposable;
                for (const Row& row : rows)
                    for (const std::string& path : {row.fileA, row.fileB}) {
                        copies[readAll(path)].push_back(path);
                        disposable.push_back(path);
                    }
                expectOneCopyOfEachLeftAndHonestCounts(copies, disposable, run(mode, column));
            }
}

// A change made between a file's check and its disposal: caught, or (on
// Windows, which holds both files open meanwhile) refused by the system.
TEST_F(BatchDelete, AChangeAfterTheCheckIsNeverMissed) {
    namespace fs = std::filesystem;
    struct Change {
        const char* name;
        std::function<void(const std::string& file, const std::string& partner)> make;
    };
    auto rewriteKeepingSizeAndTime = [](const std::string& path) {
        std::error_code error;
        fs::file_time_type written = fs::last_write_time(exactFsPath(path), error);
        overwrite(path, "CONTENT");
        fs::last_write_time(exactFsPath(path), written, error);
    };
    const Change changes[] = {
        {"partner edited, size and time kept", [&](const std::string&, const std::string& p) { rewriteKeepingSizeAndTime(p); }},
        {"file edited, size and time kept", [&](const std::string& f, const std::string&) { rewriteKeepingSizeAndTime(f); }},
        {"partner replaced by a link to the file",
         [](const std::string& f, const std::string& p) {
             std::error_code error;
             if (fs::remove(exactFsPath(p), error)) fs::create_symlink(fs::u8path(f), exactFsPath(p), error);
         }},
        {"file renamed, another put in its place",
         [](const std::string& f, const std::string&) {
             std::error_code error;
             fs::rename(exactFsPath(f), exactFsPath(f + "-renamed"), error);
             if (!error) overwrite(f, "content");
         }},
    };
    for (const Change& change : changes)
        for (std::uint32_t mode : {core::batch_mode::kRecycle, core::batch_mode::kDelete}) {
            SCOPED_TRACE(std::string(change.name) + ", mode " + std::to_string(mode));
            TempFolder tree;
            std::string a = tree.write("a", "content"), b = tree.write("b", "content");
            std::string c = tree.write("c", "content"), d = tree.write("d", "content");
            fillList(state, {{a, b, "100"}, {c, d, "100"}});
            const std::vector<std::string> places{a, b, b + "-renamed"};
            // Whatever the files hold once the change is made must outlast the batch.
            std::set<std::string> mustStay;
            afterCheck = [&](const std::string& file, const std::string& partner) {
                if (file != b) return;
                change.make(file, partner);
                // (A file held for its disposal cannot be opened to read meanwhile.)
                for (const std::string& place : places)
                    if (isRealFile(place) && !readAll(place).empty()) mustStay.insert(readAll(place));
            };
            core::BatchOutcome outcome = run(mode, core::run_state::kBatchColumnB);
            afterCheck = nullptr;
            EXPECT_FALSE(exists(d));  // the untouched pair goes as usual
            for (const std::string& content : mustStay) {
                bool kept = false;
                for (const std::string& place : places) kept = kept || (isRealFile(place) && readAll(place) == content);
                EXPECT_TRUE(kept) << "'" << content << "' is gone";
            }
            EXPECT_EQ(outcome.disposed + outcome.changed, 2u);
        }
}

TEST_F(BatchDelete, SummariesCountOnlyWhatHappened) {
    namespace fs = std::filesystem;
    // The recycle bin that takes nothing: the system said yes, the file stayed.
    std::string a = folder.write("a", "x"), b = folder.write("b", "x");
    fillList(state, {{a, b, "100"}});
    keepInRecycle = b;
    core::BatchOutcome outcome = run(core::batch_mode::kRecycle, core::run_state::kBatchColumnB);
    keepInRecycle.clear();
    EXPECT_EQ(outcome.disposed, 0u);
    EXPECT_EQ(outcome.failed, 1u);
    // A move into the folder the file is in already.
    core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, folder.path());
    outcome = run(core::batch_mode::kMove, core::run_state::kBatchColumnB);
    EXPECT_TRUE(exists(b));
    EXPECT_EQ(outcome.disposed, 0u);
    EXPECT_EQ(outcome.alreadyThere, 1u);
    // A move across volumes that runs out of room, and one that has it.
    std::string moved = folder.makeFolder("moved");
    core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, moved);
    std::string big = testing_support::pseudoRandomBytes(3 << 20, 5);
    std::string c = folder.write("c", big), d = folder.write("d", big);
    fillList(state, {{c, d, "100"}});
    platform::copyMovesForTesting(true, 1 << 20);
    outcome = run(core::batch_mode::kMove, core::run_state::kBatchColumnB);
    EXPECT_EQ(outcome.failed, 1u);
    EXPECT_EQ(readAll(d), big);
    EXPECT_TRUE(fs::is_empty(exactFsPath(moved)));
    platform::copyMovesForTesting(true);
    outcome = run(core::batch_mode::kMove, core::run_state::kBatchColumnB);
    platform::copyMovesForTesting(false);
    EXPECT_EQ(outcome.disposed, 1u);
    EXPECT_FALSE(exists(d));
    EXPECT_EQ(readAll(folder.pathOf("moved/d")), big);
}

// A file that stays says why: its name is taken in the move folder, there
// is no room left there, the move folder's text ends inside a character (as
// a cut field would leave it, naming no folder); and where the system keeps such holds, it is
// read-only, or another program holds it or its partner open ("in use",
// never "changed or missing").
TEST_F(BatchDelete, SummariesSayWhyAFileStayed) {
    namespace fs = std::filesystem;
    using Prepare = std::function<void(const std::string& file, const std::string& partner)>;
    struct Case {
        std::uint32_t mode;
        Prepare prepare;
        const char* summary;
        bool systemHolds;  // it needs the holds Windows keeps
    };
    const std::string moveDir = folder.makeFolder("moved");
    std::optional<std::ifstream> held;  // another program's handle, which shares no deletion
    const Case cases[] = {
        {core::batch_mode::kMove,
         [&](const std::string& f, const std::string&) { folder.write("moved/" + fs::path(f).filename().string(), ""); },
         "Moved 0 files. 1 file could not be moved: 1 whose name is taken in the move folder.", false},
        {core::batch_mode::kMove, [](auto&, auto&) { platform::copyMovesForTesting(true, 1 << 20); },
         "Moved 0 files. 1 file could not be moved: 1 with no room left in the move folder.", false},
        {core::batch_mode::kMove,
         [&](auto&, auto&) {
             const std::string cut = folder.pathOf("m\xC3\xBC") + "\xC3";
             std::memcpy(state.settings.moveDir, cut.c_str(), cut.size() + 1);
         },
         "Moved 0 files. 1 file could not be moved: 1 refused by the system.", false},
        {core::batch_mode::kDelete,
         [](const std::string& f, auto&) { fs::permissions(exactFsPath(f), fs::perms::all, fs::perm_options::remove); },
         "Deleted 0 files. 1 file could not be deleted: 1 read-only.", true},
        {core::batch_mode::kDelete, [&](const std::string& f, auto&) { held.emplace(exactFsPath(f)); },
         "Deleted 0 files. 1 file could not be deleted: 1 in use.", true},
        {core::batch_mode::kRecycle, [&](auto&, const std::string& p) { held.emplace(exactFsPath(p), std::ios::app); },
         "Recycled 0 files. 1 file could not be recycled: 1 in use.", true},
    };
    const std::string content = testing_support::pseudoRandomBytes(3 << 20, 9);
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        const std::string file = folder.write("b" + std::to_string(k), content);
        const std::string partner = folder.write("a" + std::to_string(k++), content);
        fillList(state, {{partner, file, "100"}});
        core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, moveDir);
        c.prepare(file, partner);
        run(c.mode, core::run_state::kBatchColumnB);
        platform::copyMovesForTesting(false);
        held.reset();
        std::error_code gone;  // a file Linux deleted or moved
        fs::permissions(exactFsPath(file), fs::perms::owner_write, fs::perm_options::add, gone);
#ifndef _WIN32
        if (c.systemHolds) continue;
#endif
        EXPECT_EQ(lines.back(), c.summary);
        EXPECT_EQ(readAll(file), content);
    }
}

// Link File makes the file a link to its partner only while the two are
// copies, and otherwise leaves it as it was and says why.
TEST(LinkOneFile, LinksACopyOrSaysWhyNot) {
    namespace fs = std::filesystem;
    using Change = std::function<void(const std::string& file, const std::string& partner)>;
    const std::pair<Change, std::string> cases[] = {
        {[](const std::string&, const std::string&) {}, ""},
        {[](const std::string&, const std::string& p) { overwrite(p, "diff"); }, "the two files are no longer the same"},
        {[](const std::string& f, const std::string&) { fs::remove(exactFsPath(f)); },
         "it is no longer where the search found it"},
    };
    for (const auto& [change, why] : cases) {
        TempFolder folder;
        const std::string file = folder.write("file", "same"), partner = folder.write("partner", "same");
        change(file, partner);
        EXPECT_EQ(core::linkOneFile(file, partner), why);
        platform::FileIdentity fileNow, partnerNow;
        platform::identityOfPath(file.c_str(), fileNow);
        platform::identityOfPath(partner.c_str(), partnerNow);
        EXPECT_EQ(fileNow == partnerNow, why.empty()) << why;
    }
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

// Three copies listed as three pairs: whichever column is replaced, every
// path keeps its content and the group ends as one file; a path replaced
// twice counts once.
TEST_F(BatchDelete, ReplaceWithLinkLeavesEveryPathAndOneFilePerGroup) {
    for (std::uint32_t column : {core::run_state::kBatchColumnA, core::run_state::kBatchColumnB}) {
        SCOPED_TRACE(column);
        TempFolder tree;
        std::string x = tree.write("x", "copy"), y = tree.write("d/y", "copy"), z = tree.write("e/z", "copy");
        fillList(state, {{x, y, "100"}, {x, z, "100"}, {y, z, "100"}});
        core::BatchOutcome outcome = run(core::batch_mode::kLink, column);
        std::vector<platform::FileIdentity> ids;
        for (const std::string& path : {x, y, z}) {
            EXPECT_EQ(readAll(path), "copy") << path;
            platform::identityOfPath(path.c_str(), ids.emplace_back());
        }
        EXPECT_TRUE(ids[0] == ids[2] && ids[1] == ids[2]);
        EXPECT_EQ(lines.back(), "Replaced 2 files with links to their partners.");
        EXPECT_EQ(outcome.skipped() + outcome.failed, 0u);
    }
}
