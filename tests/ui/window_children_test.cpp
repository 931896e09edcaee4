// The main window's children: where they go, what a drop puts in them, and a
// run started through run control, read back from the list control.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/run_control.h"
#include "resource_ids.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;
using ChildrenTest = WindowTest;

// A drop handle as the shell makes it, with one or more paths.
HDROP makeDrop(const std::vector<std::string>& paths) {
    std::size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) bytes += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
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
    std::string deep;
    for (char c : {'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z'}) deep += std::string(60, c) + "/";
    const std::string deepFolder = folder.makeFolder(deep + "end");
    ASSERT_GT(deepFolder.size(), 700u);
    start();
    struct Drop {
        std::uint32_t mode;
        std::string path;
        std::string editA, editB;  // the edits afterwards
    };
    const Drop drops[] = {
        {core::search_mode::kFile, fileWithDot, fileWithDot, ""},
        {core::search_mode::kFile, fileWithoutDot, fileWithDot, fileWithoutDot},
        {core::search_mode::kFile, folderWithDot, fileWithDot, fileWithoutDot},  // a folder: ignored
        {core::search_mode::kFile, fileWithoutDot, fileWithoutDot, fileWithoutDot},
        {core::search_mode::kDirectory, fileWithDot, fileWithoutDot, fileWithoutDot},  // a file: ignored
        {core::search_mode::kDirectory, deepFolder, deepFolder, fileWithoutDot},  // whole, however long
        {core::search_mode::kDirectory, folderWithDot, folderWithDot, fileWithoutDot},
    };
    int step = 0;
    for (const Drop& d : drops) {
        SCOPED_TRACE(++step);
        state->settings.searchMode = d.mode;
        HDROP drop = makeDrop({d.path, fileWithDot});  // only the first path counts
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

// A folder typed into path edit A is searched as it stands, however long.
TEST_F(ChildrenTest, PathEditIsReadWhole) {
    std::string deep;
    for (char c : {'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z'}) deep += std::string(60, c) + "/";
    folder.write(deep + "a", "copy");
    folder.write(deep + "b", "copy");
    const std::string tree = folder.pathOf(deep.substr(0, deep.size() - 1));
    ASSERT_GT(tree.size(), 700u);
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    SetWindowTextA(child(IDC_PATH_A), tree.c_str());
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

}  // namespace
