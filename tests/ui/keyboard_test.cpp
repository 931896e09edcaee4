// The keys a user reaches for, pressed through the program's own message
// loop step: Enter, Escape and F1 in the window, Delete, Ctrl+A and Ctrl+C
// in the list, and what the list shows of the files' own bytes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run_control.h"
#include "resource_ids.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;

std::string clipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
        int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
        text.resize(text.size() - 1);  // the NUL
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class KeysTest : public WindowTest {
protected:
    HWND list() const { return main().list.handle(); }
    void press(HWND target, WPARAM key, bool control = false) { pressKey(window, target, key, control); }
    void waitForIdle() {
        ASSERT_TRUE(pumpUntil([&] {
            return state->runState.load() == core::run_state::kIdle && listRowCount(list()) == state->list.rowCount();
        }));
    }
    std::string lastRow(int column) { return listCell(list(), state->list.rowCount() - 1, column); }
    void select(const std::vector<int>& rows) {
        for (int row : rows) ListView_SetItemState(list(), row, LVIS_SELECTED, LVIS_SELECTED);
    }
};

TEST_F(KeysTest, EnterStartsEscapeAbortsF1OpensHelp) {
    std::string a = folder.write("a.bin", std::string(100000, 'a'));
    std::string b = folder.write("b.bin", std::string(100000, 'b'));
    start();
    std::vector<std::string> opened;
    main().openInShell = [&](const std::string& target) { opened.push_back(target); };
    SetWindowTextA(child(IDC_PATH_A), a.c_str());
    SetWindowTextA(child(IDC_PATH_B), b.c_str());

    press(child(IDC_PATH_B), VK_RETURN);
    waitForIdle();
    EXPECT_EQ(lastRow(0), "End");

    // Held at the pause gate before its first chunk, the run is still going
    // when Escape comes.
    state->pauseGate.close();
    press(child(IDC_PATH_A), VK_RETURN);
    ASSERT_TRUE(core::workerRuns(state->runState.load()));
    press(list(), VK_ESCAPE);
    waitForIdle();
    EXPECT_EQ(lastRow(0), "Aborted");
    press(child(IDC_PATH_A), VK_ESCAPE);  // idle: nothing to stop, nothing started
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);

    press(list(), VK_F1);
    EXPECT_EQ(opened, std::vector<std::string>{state->programFolder + "ReadMe.htm"});
}

TEST_F(KeysTest, DeleteRemovesTheSelectedPairRows) {
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    state->list.insertRow(0, "Start");
    for (const char* file : {"a", "b", "c", "d"}) state->list.setCell(state->list.insertRow(-1, file), 2, "100");
    state->list.setCell(state->list.insertRow(-1, "End"), 1, "4 twins found");
    state->pairCount = 4;
    pumpPending();

    select({0, 2, 3, 5});  // the Start row and the last row are never taken
    press(list(), VK_DELETE);
    pumpPending();
    ASSERT_EQ(listRowCount(list()), 4);
    EXPECT_EQ(listCell(list(), 1, 0), "a");
    EXPECT_EQ(listCell(list(), 2, 0), "d");
    EXPECT_EQ(state->pairCount.load(), 2u);
    // The row that took the first removed one's place is selected, so a
    // second press goes on from there.
    press(list(), VK_DELETE);
    pumpPending();
    EXPECT_EQ(listCell(list(), 2, 0), "End");
    EXPECT_EQ(state->pairCount.load(), 1u);
}

// "caf\xE9" against "cafe": the differing byte shows as the system's 8-bit
// code page has it (é in the Western code page of this Wine), in the list
// and in what Ctrl+A, Ctrl+C put on the clipboard.
TEST_F(KeysTest, FileBytesShowAndCopyAsTheSystemCodePageHasThem) {
    std::string a = folder.write("a.txt", "caf\xE9");
    std::string b = folder.write("b.txt", "cafe");
    start();
    SetWindowTextA(child(IDC_PATH_A), a.c_str());
    SetWindowTextA(child(IDC_PATH_B), b.c_str());
    press(child(IDC_PATH_A), VK_RETURN);
    waitForIdle();
    EXPECT_EQ(listCell(list(), 1, 2), "File A is \"\xC3\xA9\", File B is \"e\"");
    EXPECT_EQ(state->list.readCell(1, 2), "File A is \"\xE9\", File B is \"e\"");  // the model keeps the byte

    press(list(), 'A', true);
    EXPECT_EQ(ListView_GetSelectedCount(list()), 3u);
    press(list(), 'C', true);
    EXPECT_EQ(clipboardText(),
              "Start\t\tFiles are the same size\r\n"
              "3\t1\tFile A is \"\xC3\xA9\", File B is \"e\"\r\n"
              "End\t\tFiles have 75% in common\r\n");
}

}  // namespace
