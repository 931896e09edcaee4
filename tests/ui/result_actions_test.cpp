// What the user does with the pairs of a search: the details of one pair,
// the single recycle, Detail View, the batch actions, and the About dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/menu_model.h"
#include "core/run_control.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "ui/details_dialog.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;
namespace fs = std::filesystem;

constexpr char kDetailsTitle[] = "Duplicate File Action";

struct Pair {
    std::string fileA, fileB, percent;
};

struct DetailsSeen {
    std::string fileA, fileB, verdict, sizeA;
    bool detailViewEnabled = false;
};

std::string itemText(HWND dialog, int id) {
    char text[700] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The desktop trash that Wine's recycle bin puts files into.
std::string trashFolder() {
    char home[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);
    std::string path = home;
    if (path.rfind("\\??\\", 0) == 0) path = path.substr(4);
    return path + "\\.local\\share\\Trash";
}

class ActionsTest : public WindowTest {
protected:
    // A unique prefix keeps this run's files apart in the shared trash.
    std::string prefix = "pairlook-test-" + std::to_string(GetTickCount()) + "-";

    void TearDown() override {
        for (const char* sub : {"\\files", "\\info"}) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(trashFolder() + sub, error))
                if (entry.path().filename().string().rfind(prefix, 0) == 0) fs::remove(entry.path(), error);
        }
        WindowTest::TearDown();
    }

    std::string file(const std::string& name, const std::string& content) {
        return folder.write(prefix + name, content);
    }

    // A folder search's rows, as if it had just ended.
    void showPairs(const std::vector<Pair>& pairs) {
        state->settings.searchMode = core::search_mode::kQuickDir;
        ui::setListColumns(main());
        state->list.insertRow(0, "Start");
        for (const Pair& pair : pairs) {
            int row = state->list.insertRow(-1, pair.fileA);
            state->list.setCell(row, 1, pair.fileB);
            state->list.setCell(row, 2, pair.percent);
        }
        int last = state->list.insertRow(-1, "End");
        state->list.setCell(last, 1, std::to_string(pairs.size()) + " twins found");
        state->pairCount = static_cast<std::uint32_t>(pairs.size());
        pumpPending();
    }

    void focusRow(int row) {
        ListView_SetItemState(main().list.handle(), row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    }

    // Answers the batch confirmation: reads what it says it will do, starts
    // it, and once the worker has ended reads the summary, which stays
    // until the dialog is closed.
    void confirmBatch(std::string* action, std::string* summary) {
        answerNextDialog(PAIRLOOK_TITLE, IDOK, [action](HWND dialog) { *action = itemText(dialog, IDOK); });
        answerNextDialog(
            PAIRLOOK_TITLE, IDCANCEL, [summary](HWND dialog) { *summary = itemText(dialog, IDC_PROGRESS_LINE); },
            [] {
                HWND dialog = FindWindowA("#32770", PAIRLOOK_TITLE);
                return dialog && itemText(dialog, IDCANCEL) == "Close";
            });
    }

    // Opens the details with the focus on `row`, reads what they show, then
    // presses `command` in them.
    bool openDetails(int row, int command, DetailsSeen* seen = nullptr) {
        return openDetailsAnd(row, command, [seen](HWND dialog) {
            if (!seen) return;
            seen->fileA = itemText(dialog, IDC_FILE_A_PATH);
            seen->fileB = itemText(dialog, IDC_FILE_B_PATH);
            seen->verdict = itemText(dialog, IDC_VERDICT);
            seen->sizeA = itemText(dialog, IDC_FILE_A_SIZE);
            seen->detailViewEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_DETAIL_VIEW));
        });
    }

    // The same, with `whileOpen` called on the dialog before the command.
    bool openDetailsAnd(int row, int command, std::function<void(HWND)> whileOpen) {
        focusRow(row);
        int answered = dialogsAnswered();
        answerNextDialog(kDetailsTitle, command, std::move(whileOpen));
        NMHDR click{main().list.handle(), IDC_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(window, WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&click));
        bool opened = dialogsAnswered() > answered;
        if (!opened) stopAnswering();
        return opened;
    }
};

TEST_F(ActionsTest, DetailsShowTheFocusedPairOrTheNextOneThatOpens) {
    std::string a1 = file("a1", "one"), b1 = file("b1", "one");
    std::string a2 = file("a2", "two!"), b2 = file("b2", "two?");
    std::string a3 = file("a3", "three"), b3 = file("b3", "three");
    start();
    showPairs({{a1, b1, "100"}, {a2, b2, "75"}, {a3, b3, "100"}});
    struct Case {
        const char* name;
        int focus;
        std::string fileA, verdict;
    };
    const Case cases[] = {
        {"the Start row: the first pair", 0, a1, "These files were found to be 100% the same."},
        {"a middle row", 2, a2, "These files were found to be 75% the same."},
        {"the last pair", 3, a3, "These files were found to be 100% the same."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DetailsSeen seen;
        ASSERT_TRUE(openDetails(c.focus, IDCANCEL, &seen));
        EXPECT_EQ(seen.fileA, c.fileA);
        EXPECT_EQ(seen.verdict, c.verdict);
        EXPECT_EQ(seen.detailViewEnabled, c.verdict.find("100%") == std::string::npos);
    }
    // The "End" row names no file and nothing follows it.
    EXPECT_FALSE(openDetails(4, IDCANCEL));
    // A pair whose file was deleted since the search gives way to the next.
    fs::remove(a2);
    DetailsSeen seen;
    ASSERT_TRUE(openDetails(2, IDCANCEL, &seen));
    EXPECT_EQ(seen.fileA, a3);
    EXPECT_EQ(seen.sizeA, "5");
}

TEST_F(ActionsTest, DetailsDoNothingInFileModeOrWhileBusy) {
    std::string a = file("a", "x"), b = file("b", "x");
    start();
    showPairs({{a, b, "100"}});
    state->runState = core::run_state::kRunning;
    EXPECT_FALSE(openDetails(1, IDCANCEL));
    state->runState = core::run_state::kIdle;
    state->settings.searchMode = core::search_mode::kFile;
    EXPECT_FALSE(openDetails(1, IDCANCEL));
}

TEST_F(ActionsTest, SingleRecycleAsksTheShellThenShowsTheNextPair) {
    std::string a1 = file("a1", "one"), b1 = file("b1", "one");
    std::string a2 = file("a2", "two"), b2 = file("b2", "two");
    start();
    showPairs({{a1, b1, "100"}, {a2, b2, "100"}});
    // Delete File B, confirm in the shell's own question, and once the
    // file is gone read the pair shown, then close.
    answerNextDialog("Confirm file deletion", IDYES);
    std::string shownAfter;
    answerNextDialog(kDetailsTitle, IDCANCEL, [&](HWND dialog) { shownAfter = itemText(dialog, IDC_FILE_A_PATH); },
                     [&] { return !fs::exists(b1) && !FindWindowA("#32770", "Confirm file deletion"); });
    ASSERT_TRUE(openDetails(1, IDC_FILE_B_DELETE));
    EXPECT_FALSE(fs::exists(b1));
    EXPECT_TRUE(fs::exists(a1));
    EXPECT_TRUE(fs::exists(trashFolder() + "\\files\\" + prefix + "b1"));
    EXPECT_EQ(shownAfter, a2);
    EXPECT_EQ(state->pairCount.load(), 1u);
    EXPECT_EQ(state->list.readCell(1, 0), a2);
}

// In Replace-with-link mode the details' buttons say so, and Link File,
// once agreed to, makes the file a link to its partner and shows the next
// pair.
TEST_F(ActionsTest, LinkFileReplacesTheFileWithALink) {
    std::string a1 = file("a1", "one"), b1 = file("b1", "one");
    std::string a2 = file("a2", "two");
    start();
    showPairs({{a1, b1, "100"}, {a2, file("b2", "two"), "100"}});
    SendMessageA(window, WM_COMMAND, core::menu_command::kReplaceWithLink, 0);
    std::vector<std::string> captions;
    const int base = dialogsAnswered();
    answerNextDialog(PAIRLOOK_TITLE, IDOK);  // "Link it."
    std::string shownAfter;
    // After the button and the question: the next pair.
    answerNextDialog(kDetailsTitle, IDCANCEL, [&](HWND dialog) { shownAfter = itemText(dialog, IDC_FILE_A_PATH); },
                     [&] { return dialogsAnswered() >= base + 2; });
    ASSERT_TRUE(openDetailsAnd(1, IDC_FILE_B_DELETE, [&](HWND dialog) {
        for (int id : {IDC_FILE_A_DELETE, IDC_FILE_B_DELETE, IDC_DELETE_ALL_A, IDC_DELETE_ALL_B})
            captions.push_back(itemText(dialog, id));
    }));
    EXPECT_EQ(dialogsAnswered(), base + 3);
    EXPECT_EQ(captions, (std::vector<std::string>{"Link File", "Link File", "Link ALL", "Link ALL"}));
    platform::FileIdentity fileB, fileA;
    ASSERT_TRUE(platform::identityOfPath(b1.c_str(), fileB) && platform::identityOfPath(a1.c_str(), fileA));
    EXPECT_TRUE(fileB == fileA);
    EXPECT_EQ(shownAfter, a2);
    EXPECT_EQ(state->pairCount.load(), 1u);
}

TEST_F(ActionsTest, DetailViewComparesThePairInFileMode) {
    std::string a = file("a", "abcdef"), b = file("b", "abcXef");
    start();
    showPairs({{a, b, "83"}});
    ASSERT_TRUE(openDetails(1, IDC_DETAIL_VIEW));
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kFile);
    ASSERT_TRUE(pumpUntil([&] { return state->runState.load() == core::run_state::kIdle; }));
    pumpPending();
    HWND list = main().list.handle();
    ASSERT_EQ(listRowCount(list), 3);
    EXPECT_EQ(listCell(list, 1, 0), "3");  // the differing byte's position
    EXPECT_EQ(listCell(list, 2, 0), "End");
    char editB[600] = {};
    GetWindowTextA(child(IDC_PATH_B), editB, sizeof editB);
    EXPECT_EQ(std::string(editB), b);
}

// Recycle through the shell in several hand-overs: column B goes to the
// trash, the 99 pair is untouched, and the list is emptied.
TEST_F(ActionsTest, DeleteAllRecyclesColumnB) {
    start();
    std::vector<Pair> pairs;
    for (int i = 0; i < 1003; ++i) {
        std::string content = "content " + std::to_string(i);
        pairs.push_back({file("a" + std::to_string(i), content), file("b" + std::to_string(i), content), "100"});
    }
    std::string nearA = file("nearA", "near 1"), nearB = file("nearB", "near 2");
    pairs.insert(pairs.begin() + 1, Pair{nearA, nearB, "99"});
    showPairs(pairs);
    std::string action, summary;
    confirmBatch(&action, &summary);
    ASSERT_TRUE(openDetails(1, IDC_DELETE_ALL_B));
    EXPECT_EQ(action, "Recycle 1003 files of column File B");
    EXPECT_EQ(summary, "Recycled 1003 files.");
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state->list.rowCount(), 0);
    int left = 0;
    for (const Pair& pair : pairs) left += fs::exists(pair.fileA) * 2 + fs::exists(pair.fileB);
    EXPECT_EQ(left, 1004 * 2 + 1);  // every File A, and the 99 pair's File B
    EXPECT_TRUE(fs::exists(trashFolder() + "\\files\\" + prefix + "b1002"));
}

// The whole road: a Quick Dir search of groups of copies, then Delete ALL
// on File B: one file of each group is left.
TEST_F(ActionsTest, DeleteAllAfterASearchLeavesOneFileOfEachGroup) {
    const std::vector<std::pair<std::string, int>> groups{{"alpha", 3}, {"beta", 2}, {"gamma", 4}};
    std::vector<std::vector<std::string>> files;
    for (const auto& [content, copies] : groups) {
        files.emplace_back();
        for (int i = 0; i < copies; ++i)
            files.back().push_back(folder.write("tree/" + content + "/" + std::to_string(i), content));
    }
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    state->settings.batchDeleteMode = core::batch_mode::kDelete;
    ui::setListColumns(main());
    SetWindowTextA(child(IDC_PATH_A), folder.pathOf("tree").c_str());
    runToTheEnd();
    ASSERT_EQ(state->pairCount.load(), 3u + 1u + 6u);
    std::string action, summary;
    confirmBatch(&action, &summary);
    ASSERT_TRUE(openDetails(1, IDC_DELETE_ALL_B));
    // Column B names each copy but the first of its group once or more.
    EXPECT_EQ(action, "Delete 6 files of column File B");
    EXPECT_EQ(summary, "Deleted 6 files.");
    for (const std::vector<std::string>& group : files) {
        int left = 0;
        for (const std::string& path : group) left += fs::exists(path);
        EXPECT_EQ(left, 1) << group.front();
    }
}

// The whole road of Replace with link: groups of 2 and 3 copies become one
// file each with every path kept; a pair whose partner changed since the
// search and a read-only pair are left alone, and a new search finds only
// the read-only pair again.
// The tip of a tool that covers an area of `window` rather than a child.
std::string areaTip(HWND tooltip, HWND window, UINT_PTR id) {
    char text[300] = {};
    TOOLINFOA tool{sizeof tool, 0, window, id, {}, nullptr, text, 0, nullptr};
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// A card searched against a library: the same folder twice is refused with
// a message; then the details offer nothing that would dispose of File B
// and say why, and Delete ALL takes the card's copies from column A while
// every library file stays as it was.
TEST_F(ActionsTest, AgainstAReferenceFolderOnlyColumnAIsEverTouched) {
    const std::string card = folder.makeFolder("card"), library = folder.makeFolder("library");
    const std::vector<std::string> copies{folder.write("card/one", "photo one"), folder.write("card/two", "photo two!")};
    const std::string fresh = folder.write("card/new", "a new photo");
    const std::vector<std::string> libraryFiles{folder.write("library/one", "photo one"),
                                                folder.write("library/2024/two", "photo two!"),
                                                folder.write("library/2024/two-again", "photo two!")};
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    state->settings.batchDeleteMode = core::batch_mode::kDelete;
    ui::setListColumns(main());
    SetWindowTextA(child(IDC_PATH_A), card.c_str());
    SetWindowTextA(child(IDC_PATH_B), (card + "\\.").c_str());
    std::string refusal;
    answerNextDialog(PAIRLOOK_TITLE, IDOK, [&](HWND box) { refusal = itemText(box, 0xFFFF); });
    runToTheEnd();
    EXPECT_NE(refusal.find("same folder"), std::string::npos) << refusal;
    EXPECT_EQ(state->list.rowCount(), 0);

    SetWindowTextA(child(IDC_PATH_B), library.c_str());
    runToTheEnd();
    ASSERT_EQ(state->list.readCell(0, 1), "3 files found, 3 in the reference folder.");
    bool fileBButtons = true;
    std::string whyNot, action, summary;
    confirmBatch(&action, &summary);
    ASSERT_TRUE(openDetailsAnd(1, IDC_DELETE_ALL_A, [&](HWND dialog) {
        fileBButtons = IsWindowEnabled(GetDlgItem(dialog, IDC_FILE_B_DELETE)) ||
                       IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE_ALL_B));
        whyNot = areaTip(main().tooltip, dialog, IDC_DELETE_ALL_B);
    }));
    EXPECT_FALSE(fileBButtons);
    EXPECT_EQ(whyNot, "File B is in the reference folder, which Pairlook never changes.");
    EXPECT_EQ(summary, "Deleted 2 files.");
    for (const std::string& copy : copies) EXPECT_FALSE(fs::exists(copy)) << copy;
    EXPECT_TRUE(fs::exists(fresh));
    for (const std::string& path : libraryFiles) EXPECT_TRUE(fs::exists(path)) << path;
}

TEST_F(ActionsTest, ReplaceWithLinkKeepsEveryPathAndLeavesOneFilePerGroup) {
    struct Group {
        std::string content;
        std::vector<std::string> paths;
    };
    std::vector<Group> groups{{"alpha", {}}, {"beta!!", {}}, {"gamma!!!", {}}, {"delta!!!!", {}}};
    const int copies[] = {2, 3, 2, 2};
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (int i = 0; i < copies[g]; ++i)
            groups[g].paths.push_back(
                folder.write("tree/" + std::to_string(g) + "/" + std::to_string(i), groups[g].content));
    Group& changed = groups[2];
    Group& readOnly = groups[3];
    for (const std::string& path : readOnly.paths) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    SetWindowTextA(child(IDC_PATH_A), folder.pathOf("tree").c_str());
    runToTheEnd();
    ASSERT_EQ(state->pairCount.load(), 1u + 3u + 1u + 1u);
    // The partner (File A) of the changed group's row is written after the search.
    for (int row = 1; row <= 6; ++row)
        if (state->list.readCell(row, 1) == changed.paths[0] || state->list.readCell(row, 1) == changed.paths[1])
            writeAll(state->list.readCell(row, 0), Bytes{'n', 'e', 'w'});
    SendMessageA(window, WM_COMMAND, core::menu_command::kReplaceWithLink, 0);
    std::string action, summary;
    confirmBatch(&action, &summary);
    ASSERT_TRUE(openDetails(1, IDC_DELETE_ALL_B));
    EXPECT_EQ(action, "Link 5 files of column File B");
    EXPECT_EQ(summary,
              "Replaced 3 files with links to their partners. Skipped 1: 1 changed or missing since the search. "
              "1 file could not be replaced: 1 read-only.");
    for (const Group& group : groups) {
        std::set<std::pair<std::uint64_t, std::uint64_t>> files;
        for (const std::string& path : group.paths) {
            platform::FileIdentity identity;
            EXPECT_TRUE(platform::identityOfPath(path.c_str(), identity)) << path;
            files.insert({identity.volume, identity.fileId});
            Bytes content = readAll(path);
            if (&group != &changed) {
                EXPECT_EQ(std::string(content.begin(), content.end()), group.content) << path;
            }
        }
        EXPECT_EQ(files.size(), &group == &changed || &group == &readOnly ? group.paths.size() : 1u)
            << group.content;
    }
    runToTheEnd();
    ASSERT_EQ(state->pairCount.load(), 1u);
    EXPECT_EQ(std::set<std::string>({state->list.readCell(1, 0), state->list.readCell(1, 1)}),
              std::set<std::string>(readOnly.paths.begin(), readOnly.paths.end()));
}

// The confirmation grows to its text in every mode (a move to a folder of
// a long name, the warning of Replace with link): every line the message
// wraps into is in view from the first on, and the buttons below it are
// inside the dialog.
TEST_F(ActionsTest, TheConfirmationShowsItsWholeText) {
    const std::vector<Pair> pairs{{file("a", "x"), file("b", "x"), "100"}, {file("c", "y"), file("d", "y"), "100"}};
    start();
    const std::pair<std::uint32_t, std::string> modes[] = {
        {core::batch_mode::kLink, ""},
        {core::batch_mode::kMove, "C:\\" + std::string(120, 'm') + "\\" + std::string(100, 'n')},
    };
    for (const auto& [mode, moveDir] : modes) {
        SCOPED_TRACE(mode);
        showPairs(pairs);
        state->settings.batchDeleteMode = mode;
        core::copyToField(state->settings.moveDir, sizeof state->settings.moveDir, moveDir);
        answerNextDialog(PAIRLOOK_TITLE, IDCANCEL, [&](HWND dialog) {
            HWND message = GetDlgItem(dialog, IDC_PROMPT_MESSAGE);
            RECT format{}, client{};
            SendMessageA(message, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
            TEXTMETRICA font{};
            HDC dc = GetDC(message);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(message, WM_GETFONT, 0, 0)));
            GetTextMetricsA(dc, &font);
            SelectObject(dc, old);
            ReleaseDC(message, dc);
            auto lines = static_cast<int>(SendMessageA(message, EM_GETLINECOUNT, 0, 0));
            EXPECT_LE(lines * font.tmHeight, format.bottom - format.top) << lines << " lines";
            EXPECT_EQ(SendMessageA(message, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
            GetClientRect(dialog, &client);
            EXPECT_LE(placeOf(GetDlgItem(dialog, IDCANCEL)).bottom, client.bottom);
        });
        ASSERT_TRUE(openDetails(1, IDC_DELETE_ALL_B));
        state->list.clearRows();
    }
}

TEST_F(ActionsTest, CancelBeforeTheStartChangesNothing) {
    std::string a = file("a", "x"), b = file("b", "x");
    start();
    showPairs({{a, b, "100"}});
    std::string buttonText, message;
    answerNextDialog(PAIRLOOK_TITLE, IDCANCEL, [&](HWND dialog) {
        buttonText = itemText(dialog, IDOK);
        message = itemText(dialog, IDC_PROMPT_MESSAGE);
    });
    ASSERT_TRUE(openDetails(1, IDC_DELETE_ALL_A));
    EXPECT_EQ(buttonText, "Recycle 1 file of column File A");
    EXPECT_EQ(message.rfind("Recycle the file of column File A", 0), 0u) << message;
    EXPECT_TRUE(fs::exists(a) && fs::exists(b));
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
    EXPECT_EQ(state->list.rowCount(), 3);
}

// Delete File checks the pair again: a partner that is no longer a copy
// brings a warning first. "Keep it." keeps the file; the user may still go on.
TEST_F(ActionsTest, DeleteFileWarnsWhenThePartnerIsNoLongerACopy) {
    struct Case {
        const char* name;
        std::function<void(const std::string& partner)> change;
        int answer;
        bool fileStays;
    };
    const Case cases[] = {
        {"partner edited, kept", [](const std::string& p) { writeAll(p, Bytes{'t', 'w', 'o'}); }, IDCANCEL, true},
        {"partner deleted, recycled anyway", [](const std::string& p) { fs::remove(p); }, IDOK, false},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string a = file(std::string("a-") + c.name, "one"), b = file(std::string("b-") + c.name, "one");
        showPairs({{a, b, "100"}});
        std::string warning;
        answerNextDialog(PAIRLOOK_TITLE, c.answer,
                         [&](HWND prompt) { warning = itemText(prompt, IDC_PROMPT_MESSAGE); });
        if (!c.fileStays) answerNextDialog("Confirm file deletion", IDYES);
        // Once the delete and the warning are answered, and the shell asks
        // nothing more, the details close (when the recycle has not closed them).
        const int base = dialogsAnswered();
        answerNextDialog(kDetailsTitle, IDCANCEL, {}, [&] {
            return dialogsAnswered() >= base + 2 && !FindWindowA("#32770", "Confirm file deletion");
        });
        ASSERT_TRUE(openDetailsAnd(1, IDC_FILE_A_DELETE, [&](HWND) { c.change(b); }));
        EXPECT_NE(warning.find("last copy"), std::string::npos) << warning;
        EXPECT_EQ(fs::exists(a), c.fileStays);
        stopAnswering();
    }
}

// A duplicate deep enough that its path passes 300 characters is found,
// shown in the details, and goes to the recycle bin.
TEST_F(ActionsTest, ALongPathIsFoundShownAndRecycled) {
    std::string deep = "tree/";
    for (char c : {'p', 'q', 'r', 's', 't'}) deep += std::string(55, c) + "/";
    std::string a = folder.write(deep + prefix + "a", "deep copy");
    std::string b = folder.write(deep + prefix + "b", "deep copy");
    ASSERT_GT(b.size(), 300u);
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    SetWindowTextA(child(IDC_PATH_A), folder.pathOf("tree").c_str());
    runToTheEnd();
    ASSERT_EQ(state->pairCount.load(), 1u);
    EXPECT_EQ(listCell(main().list.handle(), 1, 1), b);
    DetailsSeen seen;
    ASSERT_TRUE(openDetails(1, IDCANCEL, &seen));
    EXPECT_EQ(seen.fileB, b);
    EXPECT_EQ(seen.sizeA, "9");
    std::string action, summary;
    confirmBatch(&action, &summary);
    ASSERT_TRUE(openDetails(1, IDC_DELETE_ALL_B));
    EXPECT_EQ(summary, "Recycled 1 file.");
    EXPECT_TRUE(fs::exists(testing_support::exactFsPath(a)));
    EXPECT_FALSE(fs::exists(testing_support::exactFsPath(b)));
    EXPECT_TRUE(fs::exists(trashFolder() + "\\files\\" + prefix + "b"));
}

TEST_F(ActionsTest, AboutShowsFoldersAndSystem) {
    start();
    std::string mail, site, folders, diagnostics;
    std::uint32_t openWhileShown = 0;
    answerNextDialog("About Pairlook", IDOK, [&](HWND dialog) {
        openWhileShown = state->aboutOpen;
        mail = itemText(dialog, IDC_ABOUT_MAIL);
        site = itemText(dialog, IDC_ABOUT_SITE);
        folders = itemText(dialog, IDC_ABOUT_PAGE_TEXT);
        SendDlgItemMessageA(dialog, IDC_ABOUT_PAGE_CHOOSER, CB_SETCURSEL, 1, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_PAGE_CHOOSER, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_PAGE_CHOOSER)));
        diagnostics = itemText(dialog, IDC_ABOUT_PAGE_TEXT);
    });
    SendMessageA(window, WM_COMMAND, core::menu_command::kAbout, 0);
    EXPECT_EQ(openWhileShown, 1u);
    EXPECT_EQ(state->aboutOpen, 0u);
    EXPECT_EQ(mail, "support@example.com");
    EXPECT_EQ(site, "https://www.example.com/det.php?prog=Pairlook");
    std::string program = folder.path() + "\\";
    EXPECT_EQ(folders, "Location of program:\r\n" + program + "\r\n\r\nWhere program stores user data:\r\n" + program);
    EXPECT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics.substr(diagnostics.size() - 4), "\r\n\r\n");
}

}  // namespace
