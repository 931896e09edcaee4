// The right-click menu as shown, the commands that change the window's
// options, and the prompt's keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/menu_model.h"
#include "core/run_control.h"
#include "resource_ids.h"
#include "ui/prompt_dialog.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;
using MenuTest = WindowTest;

std::vector<std::string> menuAfterRightClick(HWND window, UINT message) {
    std::vector<std::string> lines;
    readNextMenu(lines);
    SendMessageA(window, message, 0, 0);
    pumpUntil([&] { return !lines.empty(); }, 5000);
    return lines;
}

TEST_F(MenuTest, RightClickShowsTheMenuOfTheState) {
    start();
    state->settings.searchMode = core::search_mode::kDirectory;
    state->pairCount = 2;
    std::vector<std::string> idle = menuAfterRightClick(window, WM_RBUTTONUP);
    ASSERT_GE(idle.size(), 9u);
    std::vector<std::string> head(idle.begin(), idle.begin() + 9);
    EXPECT_EQ(head, (std::vector<std::string>{"About", "Help", "---", "Details", "Remove", "---", "Transparent",
                                              "On Top", "Settings"}));
    EXPECT_EQ(idle.back(), "Exit");
    EXPECT_EQ(state->runState.load(), core::run_state::kIdle);

    state->runState = core::run_state::kRunning;
    // The list's own right click arrives as a context-menu request.
    std::vector<std::string> busy = menuAfterRightClick(window, WM_CONTEXTMENU);
    EXPECT_EQ(busy, (std::vector<std::string>{"About", "Help", "---", "Transparent", "On Top", "---", "Exit"}));
    EXPECT_EQ(state->runState.load(), core::run_state::kRunning);
    state->runState = core::run_state::kIdle;
}

TEST_F(MenuTest, WindowOptionsActOnTheWindowAndKeepItTakingDrops) {
    start();
    auto exStyle = [&] { return GetWindowLongPtrA(window, GWL_EXSTYLE); };
    SendMessageA(window, WM_COMMAND, core::menu_command::kOnTop, 0);
    EXPECT_EQ(state->settings.alwaysOnTop, 1u);
    EXPECT_TRUE(exStyle() & WS_EX_TOPMOST);
    SendMessageA(window, WM_COMMAND, core::menu_command::kOnTop, 0);
    EXPECT_FALSE(exStyle() & WS_EX_TOPMOST);

    SendMessageA(window, WM_COMMAND, core::menu_command::kTransparent, 0);
    EXPECT_EQ(state->settings.transparent, 1u);
    EXPECT_TRUE(exStyle() & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 75);
    EXPECT_TRUE(flags & LWA_ALPHA);
    SendMessageA(window, WM_COMMAND, core::menu_command::kTransparent, 0);
    EXPECT_EQ(state->settings.transparent, 0u);
    EXPECT_FALSE(exStyle() & WS_EX_LAYERED);
    EXPECT_TRUE(exStyle() & WS_EX_ACCEPTFILES);
}

TEST_F(MenuTest, SavedWindowOptionsApplyAtCreation) {
    start();
    state->settings.alwaysOnTop = 1;
    state->settings.transparent = 1;
    closeWhileIdle();
    start();
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
}

TEST_F(MenuTest, SelectMoveDirCancelledKeepsTheFolderButChoosesMove) {
    start();
    core::copyToField(state->settings.moveDir, sizeof state->settings.moveDir, "C:\\old");
    int answered = dialogsAnswered();
    // Wine's folder browser has this title; the program says what to pick.
    bool saysWhatToPick = false;
    answerNextDialog("Browse for Folder", IDCANCEL,
                     [&](HWND browser) { saysWhatToPick = showsText(browser, "Choose the folder to move files to:"); });
    SendMessageA(window, WM_COMMAND, core::menu_command::kSelectMoveDir, 0);
    EXPECT_EQ(dialogsAnswered(), answered + 1);
    EXPECT_TRUE(saysWhatToPick);
    EXPECT_EQ(state->settings.batchDeleteMode, core::batch_mode::kMove);
    EXPECT_STREQ(state->settings.moveDir, "C:\\old");
}

// Escape answers 2, Enter answers 1 (the focus starts on button 1).
TEST_F(MenuTest, PromptKeysAnswer) {
    start();
    for (auto [key, expected] : {std::pair{VK_ESCAPE, 2u}, std::pair{VK_RETURN, 1u}}) {
        state->prompt = core::PromptRequest{3, "Question?", "First", "Second"};
        answerNextDialog("Pairlook 1.3", 0, [key](HWND dialog) {
            HWND focus = GetDlgItem(dialog, IDOK);
            PostMessageA(focus, WM_KEYDOWN, key, 0);
            PostMessageA(focus, WM_KEYUP, key, 0);
        });
        EXPECT_EQ(ui::runPrompt(window, *state), expected);
        EXPECT_EQ(state->promptTopmost, 1u);
        EXPECT_TRUE(state->prompt.firstText.empty());
    }
}

}  // namespace
