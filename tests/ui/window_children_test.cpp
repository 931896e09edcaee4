// The main window's children: where they go, what a drop puts in them, and a
// run started through run control, read back from the list control.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "core/run_control.h"
#include "resource_ids.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;
using ChildrenTest = WindowTest;

// A drop handle as the shell makes it, with one or more paths, dropped at
// client height `y`.
HDROP makeDrop(const std::vector<std::string>& paths, int y = 0) {
    std::size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) bytes += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {100, y};
    char* at = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(at, path.c_str(), path.size() + 1);
        at += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(ChildrenTest, LayoutFollowsTheClientSize) {
    start();
    struct Case {
        int width, height;
        RECT editA, editB, list;
    };
    const Case cases[] = {
        {504, 361, {82, 73, 444, 93}, {82, 95, 444, 115}, {1, 120, 503, 361}},
        {300, 121, {82, 73, 240, 93}, {82, 95, 240, 115}, {1, 120, 299, 121}},
        {300, 120, {82, 73, 240, 93}, {82, 95, 240, 115}, {1, 120, 299, 120}},  // no room for the list
        {100, 50, {82, 73, 82, 93}, {82, 95, 82, 115}, {1, 120, 99, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width * 1000 + c.height);
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.width, c.height));
        EXPECT_EQ(state->clientWidth, static_cast<std::uint32_t>(c.width));
        EXPECT_EQ(state->clientHeight, static_cast<std::uint32_t>(c.height));
        const std::pair<HWND, RECT> children[] = {
            {child(IDC_PATH_A), c.editA}, {child(IDC_PATH_B), c.editB}, {main().list.handle(), c.list}};
        for (const auto& [handle, expected] : children) {
            RECT actual = placeOf(handle);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            EXPECT_EQ(actual.right, expected.right);
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
    }
}

TEST_F(ChildrenTest, DropsFillTheEditsByWhatThePathNames) {
    const std::string fileWithDot = folder.write("data.bin", "x");
    const std::string fileWithoutDot = folder.write("README", "x");
    const std::string folderWithDot = folder.makeFolder("Data.old");
    start();
    struct Drop {
        std::uint32_t mode;
        std::string path;
        std::string editA, editB;  // the edits afterwards
        int y = 0;                 // where it is dropped
    };
    const Drop drops[] = {
        {core::search_mode::kFile, fileWithDot, fileWithDot, ""},
        {core::search_mode::kFile, fileWithoutDot, fileWithDot, fileWithoutDot},
        {core::search_mode::kFile, folderWithDot, fileWithDot, fileWithoutDot},  // a folder: ignored
        {core::search_mode::kFile, fileWithoutDot, fileWithoutDot, fileWithoutDot},
        {core::search_mode::kDirectory, fileWithDot, fileWithoutDot, fileWithoutDot},  // a file: ignored
        {core::search_mode::kDirectory, folderWithDot, folderWithDot, fileWithoutDot},
        {core::search_mode::kQuickDir, folder.path(), folderWithDot, folder.path(), 100},  // on edit B's row
    };
    int step = 0;
    for (const Drop& d : drops) {
        SCOPED_TRACE(++step);
        state->settings.searchMode = d.mode;
        HDROP drop = makeDrop({d.path, fileWithDot}, d.y);  // only the first path counts
        SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        EXPECT_EQ(textOf(child(IDC_PATH_A)), d.editA);
        EXPECT_EQ(textOf(child(IDC_PATH_B)), d.editB);
        EXPECT_EQ(GlobalSize(drop), 0u) << "the drop handle was not given back";
    }
    // During a run a drop changes nothing, and its handle is still given back.
    state->runState = core::run_state::kRunning;
    HDROP drop = makeDrop({folderWithDot});
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(textOf(child(IDC_PATH_A)), folderWithDot);
    EXPECT_EQ(GlobalSize(drop), 0u);
    state->runState = core::run_state::kIdle;
}

// A folder dropped on the window, however long, is taken into path edit A
// and searched as it stands.
TEST_F(ChildrenTest, ALongPathIsDroppedAndSearchedWhole) {
    std::string deep;
    for (char c : {'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z'}) deep += std::string(60, c) + "/";
    folder.write(deep + "a", "copy");
    folder.write(deep + "b", "copy");
    const std::string tree = folder.pathOf(deep.substr(0, deep.size() - 1));
    ASSERT_GT(tree.size(), 700u);
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({tree})), 0);
    EXPECT_EQ(textOf(child(IDC_PATH_A)), tree);
    runToTheEnd();
    EXPECT_EQ(state->pairCount.load(), 1u);
}

// Rows arriving as a worker writes them (a row, then the request to show
// it): the list follows them while its end is in view, stays where the user
// scrolled to, and follows again once the user is back at the end.
TEST_F(ChildrenTest, ListFollowsNewRowsOnlyWhileItsEndIsInView) {
    start();
    HWND list = main().list.handle();
    int written = 0;
    auto rowsArrive = [&](int count) {
        for (int i = 0; i < count; ++i) {
            int row = state->list.insertRow(-1, std::to_string(written++));
            state->list.ensureVisible(row);
        }
        pumpPending();
    };
    auto lastRowShown = [&] {
        return ListView_GetTopIndex(list) + ListView_GetCountPerPage(list) >= listRowCount(list);
    };
    rowsArrive(100);
    EXPECT_TRUE(lastRowShown());
    ListView_EnsureVisible(list, 0, FALSE);  // the user scrolls up to read
    rowsArrive(100);
    EXPECT_EQ(ListView_GetTopIndex(list), 0);
    EXPECT_EQ(listRowCount(list), 200);
    ListView_EnsureVisible(list, 199, FALSE);  // and back down to the end
    rowsArrive(100);
    EXPECT_TRUE(lastRowShown());
}

// The last row of a run, which the search writes without asking to show
// it, is in full view at the end when the list was following the rows.
TEST_F(ChildrenTest, ListShowsTheLastRowOfARunWhole) {
    for (int i = 0; i < 12; ++i) folder.write("tree/" + std::to_string(i), "copy");
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    SetWindowTextA(child(IDC_PATH_A), folder.pathOf("tree").c_str());
    runToTheEnd();
    pumpPending();
    HWND list = main().list.handle();
    const int last = listRowCount(list) - 1;
    ASSERT_EQ(last, 12 * 11 / 2 + 1);
    EXPECT_EQ(listCell(list, last, 0), "End");
    RECT row{}, inside{};
    ListView_GetItemRect(list, last, &row, LVIR_BOUNDS);
    GetClientRect(list, &inside);
    EXPECT_GE(row.top, inside.top);
    EXPECT_LE(row.bottom, inside.bottom);
}

// A run that ends puts its rows in pair order: the list shows the new order
// at once, drops a selection that would now name other pairs, and still
// follows rows that arrive while its end is in view.
TEST_F(ChildrenTest, ListShowsRowsPutInANewOrderAndDropsTheSelection) {
    start();
    HWND list = main().list.handle();
    for (const char* text : {"Start", "c", "a", "b"}) state->list.ensureVisible(state->list.insertRow(-1, text));
    pumpPending();
    ASSERT_EQ(listCell(list, 1, 0), "c");
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    state->list.reorderRows(1, {1, 2, 0});
    pumpPending();
    EXPECT_EQ(listCell(list, 1, 0), "a");
    EXPECT_EQ(listCell(list, 3, 0), "c");
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), -1);
    for (int i = 0; i < 100; ++i) state->list.ensureVisible(state->list.insertRow(-1, std::to_string(i)));
    pumpPending();
    EXPECT_GE(ListView_GetTopIndex(list) + ListView_GetCountPerPage(list), listRowCount(list));
}

// A click, or a double-click, on a row of the view.
void clickRow(HWND list, int row, bool twice = false) {
    RECT rect{};
    ListView_GetItemRect(list, row, &rect, LVIR_BOUNDS);
    LPARAM at = MAKELPARAM(rect.left + 20, (rect.top + rect.bottom) / 2);
    for (int press = 0; press < (twice ? 2 : 1); ++press) {
        PostMessageA(list, press ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
    }
}

// A million pairs as a long search leaves them. Wine's list control visits
// every row whenever a selection is dropped; the window keeps it from
// having to. The rows put in order drop a selection made during the run
// without moving the view; a click selects its row alone; after a scroll a
// double-click opens the details on the row clicked; an arrow key moves
// the selection on. Each step's time is reported, not asserted.
TEST_F(ChildrenTest, AMillionPairsPutInOrderClickedAndOpened) {
    using Clock = std::chrono::steady_clock;
    auto report = [this](const char* step, Clock::time_point since) {
        RecordProperty(step, std::to_string((Clock::now() - since) / std::chrono::milliseconds(1)) + " ms");
    };
    constexpr int kPairs = 1000000;
    const std::string a = folder.write("a", "same"), b = folder.write("b", "same");
    start();
    HWND list = main().list.handle();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    state->list.insertRow(0, "Start");
    for (int i = 0; i < kPairs; ++i) state->list.insertRow(-1, {a, b, "100"});
    state->pairCount = kPairs;
    pumpPending();
    ListView_EnsureVisible(list, kPairs / 2, FALSE);
    for (int row = kPairs / 2; row < kPairs / 2 + 5; ++row)
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const int top = ListView_GetTopIndex(list);
    std::vector<std::uint32_t> order(kPairs);
    std::iota(order.rbegin(), order.rend(), 0u);
    Clock::time_point since = Clock::now();
    state->list.reorderRows(1, order);
    state->list.insertRow(-1, "End");
    pumpPending();
    report("rows put in order", since);
    EXPECT_TRUE(main().list.selectedRows().empty());
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), -1);
    EXPECT_EQ(ListView_GetTopIndex(list), top);

    clickRow(list, top + 3);
    pumpPending();
    EXPECT_EQ(main().list.selectedRows(), std::vector<int>{top + 3});
    ListView_EnsureVisible(list, 100, FALSE);
    const int row = ListView_GetTopIndex(list) + 2;
    int shownRow = -1;
    const int answered = dialogsAnswered();
    answerNextDialog("Duplicate File Action", IDCANCEL, [&](HWND) { shownRow = state->detailsRow.load(); });
    since = Clock::now();
    clickRow(list, row, true);
    ASSERT_TRUE(pumpUntil([&] { return dialogsAnswered() > answered; }, 600000));
    report("double-click to details", since);
    EXPECT_EQ(shownRow, row);
    pressKey(window, list, VK_DOWN);
    EXPECT_EQ(main().list.selectedRows(), std::vector<int>{row + 1});
}

}  // namespace
