// The keys a user reaches for, pressed through the program's own message
// loop step, and what the list shows of the files' own bytes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run_control.h"
#include "ui/control_strip.h"
#include "resource_ids.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class KeysTest : public WindowTest {
protected:
    HWND list() const { return main().list.handle(); }
    void press(HWND target, WPARAM key, bool control = false) { pressKey(window, target, key, control); }
    std::string lastRow() { return listCell(list(), state->list.rowCount() - 1, 0); }
    void compare(const std::string& a, const std::string& b) {
        SetWindowTextA(child(IDC_PATH_A), a.c_str());
        SetWindowTextA(child(IDC_PATH_B), b.c_str());
        press(child(IDC_PATH_B), VK_RETURN);
    }
};

TEST_F(KeysTest, EnterStartsEscapeAbortsF1OpensHelp) {
    std::string a = folder.write("a.bin", std::string(100000, 'a'));
    std::string b = folder.write("b.bin", std::string(100000, 'b'));
    start();
    std::vector<std::string> opened;
    main().openInShell = [&](const std::string& target) {
        opened.push_back(target);
        return true;
    };
    compare(a, b);
    waitForTheEnd();
    EXPECT_EQ(lastRow(), "End");
    // Held at the pause gate before its first chunk, the run is still going
    // when Escape comes.
    state->pauseGate.close();
    compare(a, b);
    ASSERT_TRUE(core::workerRuns(state->runState.load()));
    press(list(), VK_ESCAPE);
    waitForTheEnd();
    EXPECT_EQ(lastRow(), "Aborted");
    press(list(), VK_F1);
    EXPECT_EQ(opened, std::vector<std::string>{state->programFolder + "ReadMe.htm"});
}

// Escape typed for real stops a run wherever the focus is: in the path edit
// whose Enter started it (and which the run disabled), in the list, or
// nowhere until a click on the strip. The edit has the focus back at the end.
TEST_F(KeysTest, EscapeAbortsARunWhereverTheFocusIs) {
    const std::string a = folder.write("tree/a.bin", std::string(1000, 'a'));
    const std::string b = folder.write("tree/b.bin", std::string(1000, 'b'));
    start();
    SetForegroundWindow(window);
    state->settings.matchPercent = 50;
    const std::pair<std::uint32_t, HWND> cases[] = {  // the mode, and where the focus is
        {core::search_mode::kDirectory, child(IDC_PATH_A)},
        {core::search_mode::kFile, child(IDC_PATH_B)},
        {core::search_mode::kQuickDir, list()},
        {core::search_mode::kDirectory, nullptr},  // nowhere, until the strip is clicked
    };
    for (const auto& [mode, focus] : cases) {
        SCOPED_TRACE(mode);
        state->settings.searchMode = mode;
        ui::setListColumns(main());
        const bool fileMode = mode == core::search_mode::kFile;
        SetWindowTextA(child(IDC_PATH_A), fileMode ? a.c_str() : folder.pathOf("tree").c_str());
        SetWindowTextA(child(IDC_PATH_B), fileMode ? b.c_str() : "");  // the folder modes' edit B: no reference
        state->pauseGate.close();  // held at the gate, the run is still going when Escape comes
        SetFocus(focus);
        const bool inEdit = focus == child(IDC_PATH_A) || focus == child(IDC_PATH_B);
        if (inEdit)
            typeKey(window, VK_RETURN);
        else
            ui::pressStart(main());
        ASSERT_TRUE(core::workerRuns(state->runState.load()));
        if (!focus) {
            SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 60));
            SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(150, 60));
        }
        typeKey(window, VK_ESCAPE);
        waitForTheEnd();
        EXPECT_EQ(lastRow(), "Aborted");
        if (inEdit) {
            EXPECT_EQ(GetFocus(), focus);
        }
    }
}

// "caf\xE9" against "cafe": the differing byte shows as the system's 8-bit
// code page has it (é in this Wine's Western one), in the list and in what
// Ctrl+A, Ctrl+C put on the clipboard; the model keeps the byte.
TEST_F(KeysTest, ListShowsHighBytesAndCopiesWhatItShows) {
    start();
    compare(folder.write("a.txt", "caf\xE9"), folder.write("b.txt", "cafe"));
    waitForTheEnd();
    EXPECT_EQ(listCell(list(), 1, 2), "File A is \"\xC3\xA9\", File B is \"e\"");
    EXPECT_EQ(state->list.readCell(1, 2), "File A is \"\xE9\", File B is \"e\"");
    press(list(), 'A', true);
    press(list(), 'C', true);
    EXPECT_EQ(clipboardText(), L"Start\t\tFiles are the same size\r\n3\t1\tFile A is \"\u00E9\", File B is \"e\"\r\n"
                               L"End\t\tFiles have 75% in common\r\n");
}

// Delete takes out the selected pair rows, never the Start or last row, and
// selects the row that took the first one's place, so a second press goes on.
TEST_F(KeysTest, DeleteRemovesTheSelectedPairRows) {
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    ui::setListColumns(main());
    state->list.insertRow(0, "Start");
    for (const char* file : {"a", "b", "c", "d"}) state->list.setCell(state->list.insertRow(-1, file), 2, "100");
    state->list.setCell(state->list.insertRow(-1, "End"), 1, "4 twins found");
    state->pairCount = 4;
    pumpPending();
    for (int row : {0, 2, 3, 5}) ListView_SetItemState(list(), row, LVIS_SELECTED, LVIS_SELECTED);
    press(list(), VK_DELETE);
    pumpPending();
    EXPECT_EQ(state->pairCount.load(), 2u);
    press(list(), VK_DELETE);
    pumpPending();
    EXPECT_EQ(state->pairCount.load(), 1u);
    ASSERT_EQ(listRowCount(list()), 3);
    EXPECT_EQ(listCell(list(), 1, 0), "a");
    EXPECT_EQ(listCell(list(), 2, 0), "End");
}

}  // namespace
