// The start-up and the main window, in this process: the window is made by
// the program's own start-up with its data folder in a fresh temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "core/run_control.h"
#include "core/settings.h"
#include "ui/main_window.h"
#include "ui_harness.h"

namespace {

using namespace ui_test;

constexpr char kTitle[] = "Pairlook 1.3";
constexpr UINT_PTR kCloseTimer = 2;

std::uint32_t wordAt(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes.at(offset + i);
    return value;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT centredRect() {
    int left = (GetSystemMetrics(SM_CXSCREEN) - 520) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - 400) / 2;
    return {left, top, left + 520, top + 400};
}

void expectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, FirstStartShowsCentredWindow) {
    start();
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, kTitle);
    EXPECT_TRUE(IsWindowVisible(window));
    expectRect(windowRect(window), centredRect());

    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(state->dataFolder, folder.path() + "\\");
    EXPECT_EQ(state->programFolder, folder.path() + "\\");
}

TEST_F(MainWindowTest, WindowClassIsPairBox) {
    start();
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "PairBox");
    EXPECT_EQ(GetClassLongPtrA(window, GCL_STYLE), 0x2003u);
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(MainWindowTest, ClassCarriesProgramIconInBothSizes) {
    start();
    struct IconCase {
        int index;
        LONG size;
    };
    for (IconCase c : {IconCase{GCLP_HICON, 32}, IconCase{GCLP_HICONSM, 16}}) {
        SCOPED_TRACE(c.size);
        auto icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, c.index));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, c.size);
        EXPECT_EQ(colour.bmHeight, c.size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(MainWindowTest, CloseWhileIdleWritesDefaultSettings) {
    start();
    RECT shown = windowRect(window);
    closeWhileIdle();

    Bytes file = readAll(settingsPath());
    ASSERT_EQ(file.size(), 2008u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "PAIR1300");
    struct Field {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
    };
    const Field fields[] = {
        {"searchMode", 8, 0},          {"alwaysOnTop", 12, 0},       {"matchPercent", 16, 95},
        {"transparent", 24, 0},        {"hashEnabled", 28, 1},       {"batchDeleteMode", 32, 0},
        {"transparencyLevel", 36, 75}, {"placement length", 668, 44},
        {"normal left", 696, static_cast<std::uint32_t>(shown.left)},
        {"normal top", 700, static_cast<std::uint32_t>(shown.top)},
        {"normal right", 704, static_cast<std::uint32_t>(shown.right)},
        {"normal bottom", 708, static_cast<std::uint32_t>(shown.bottom)},
    };
    for (const Field& f : fields) EXPECT_EQ(wordAt(file, f.offset), f.value) << f.name;
}

TEST_F(MainWindowTest, RestartPutsWindowWhereItWasLeft) {
    start();
    MoveWindow(window, 40, 30, 600, 450, TRUE);
    closeWhileIdle();

    start();
    expectRect(windowRect(window), RECT{40, 30, 640, 480});
    EXPECT_TRUE(IsWindowVisible(window));
    closeWhileIdle();
}

TEST_F(MainWindowTest, RestartKeepsOptions) {
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    state->settings.matchPercent = 90;
    closeWhileIdle();

    start();
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kQuickDir);
    EXPECT_EQ(state->settings.matchPercent, 90u);
}

// The path edits come back as the user left them: the folder searched, not
// a file the search went through; a path too long for the settings file
// stays whole in the window but is not kept.
TEST_F(MainWindowTest, RestartPutsBackThePathEditsAsLeft) {
    const std::string tree = folder.makeFolder("tree");
    folder.write("tree/a.bin", "copy");
    folder.write("tree/b.bin", "copy");
    const std::string longPath = folder.pathOf(std::string(700, 'x'));
    struct Case {
        const char* name;
        std::uint32_t mode;
        std::string editA, editB;
        bool search;
        std::string restoredA;
    };
    const Case cases[] = {
        {"a folder searched in Quick Dir", core::search_mode::kQuickDir, tree, "", true, tree},
        {"a path too long to keep", core::search_mode::kFile, longPath, "C:\\data\\b.bin", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        state->settings.searchMode = c.mode;
        ui::setListColumns(main());
        SetWindowTextA(child(1002), c.editA.c_str());
        SetWindowTextA(child(1013), c.editB.c_str());
        if (c.search) {
            runToTheEnd();
            ASSERT_EQ(state->pairCount.load(), 1u);
        }
        EXPECT_EQ(textOf(child(1002)), c.editA);
        closeWhileIdle();

        start();
        EXPECT_EQ(textOf(child(1002)), c.restoredA);
        EXPECT_EQ(textOf(child(1013)), c.editB);
        TearDown();
    }
}

struct PlacementCase {
    const char* name;
    core::WindowPlacement placement;
};

void PrintTo(const PlacementCase& c, std::ostream* out) { *out << c.name; }

class StoredPlacementTest : public MainWindowTest, public ::testing::WithParamInterface<PlacementCase> {};

// A stored placement that would hide the window, or none at all, leaves it
// centred.
TEST_P(StoredPlacementTest, UnusablePlacementLeavesWindowCentred) {
    core::SettingsBlock block;
    core::applyDefaultSettings(block);
    block.placement = GetParam().placement;
    writeAll(settingsPath(), core::encodeSettings(block));

    start();
    EXPECT_TRUE(IsWindowVisible(window));
    expectRect(windowRect(window), centredRect());
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StoredPlacementTest,
    ::testing::Values(PlacementCase{"Zero", {}},
                      PlacementCase{"OffEveryScreen", {44, 0, SW_SHOWNORMAL, 0, 0, 0, 0, 30000, 30000, 30600, 30450}},
                      PlacementCase{"Inverted", {44, 0, SW_SHOWNORMAL, 0, 0, 0, 0, 600, 450, 40, 30}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, MinimisedPlacementComesBackVisible) {
    core::SettingsBlock block;
    core::applyDefaultSettings(block);
    block.placement = {44, 0, SW_SHOWMINIMIZED, 0, 0, 0, 0, 40, 30, 640, 480};
    writeAll(settingsPath(), core::encodeSettings(block));

    start();
    EXPECT_FALSE(IsIconic(window));
    expectRect(windowRect(window), RECT{40, 30, 640, 480});
}

TEST_F(MainWindowTest, CloseTimerWaitsForWorkerThenClosesWithoutSaving) {
    start();
    state->runState = core::run_state::kRunning;
    SendMessageA(window, WM_TIMER, kCloseTimer, 0);
    EXPECT_TRUE(IsWindow(window));

    state->runState = core::run_state::kIdle;
    SendMessageA(window, WM_TIMER, kCloseTimer, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(runUntilQuit(), 0);
    EXPECT_TRUE(readAll(settingsPath()).empty());
}

// The close prompt as the user sees it: the question in the small font,
// the answers in the large one, above every other window.
void expectClosePrompt(HWND dialog) {
    auto fontHeight = [&](int id) {
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font.lfHeight;
    };
    char text[300] = {};
    GetDlgItemTextA(dialog, 1601, text, sizeof text);
    EXPECT_STREQ(text,
                 "Pairlook is in the middle of a search. If you stop now you will need to start again from the "
                 "beginning.");
    GetDlgItemTextA(dialog, IDOK, text, sizeof text);
    EXPECT_STREQ(text, "I know, close anyway.");
    GetDlgItemTextA(dialog, IDCANCEL, text, sizeof text);
    EXPECT_STREQ(text, "Don't close.");
    EXPECT_EQ(fontHeight(1601), 16);
    EXPECT_EQ(fontHeight(IDOK), 20);
    EXPECT_EQ(fontHeight(IDCANCEL), 20);
    EXPECT_TRUE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// Closing during a run asks first; the answer, and whether the run ended
// while the question was open, decide.
TEST_F(MainWindowTest, CloseDuringRunFollowsTheAnswer) {
    struct Case {
        const char* name;
        int answer;
        bool runEndsDuringPrompt;
        bool windowStays;
        bool settingsWritten;
    };
    const Case cases[] = {
        {"declined", IDCANCEL, false, true, false},
        {"declined after the run ended", IDCANCEL, true, true, false},
        {"confirmed after the run ended", IDOK, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        state->runState = core::run_state::kRunning;
        int answered = dialogsAnswered();
        answerNextDialog(kTitle, c.answer, [&](HWND dialog) {
            expectClosePrompt(dialog);
            if (c.runEndsDuringPrompt) core::endRun(*state, core::WindowEffects{});
        });
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(dialogsAnswered(), answered + 1);
        EXPECT_EQ(IsWindow(window) != 0, c.windowStays);
        if (!c.windowStays) {
            EXPECT_EQ(runUntilQuit(), 0);
        }
        EXPECT_EQ(readAll(settingsPath()).size(), c.settingsWritten ? 2008u : 0u);
        // The prompt leaves its request cleared and its answer kept.
        EXPECT_TRUE(state->prompt.message.empty());
        EXPECT_EQ(state->prompt.kind, 0u);
        EXPECT_EQ(state->promptResult, c.answer == IDOK ? 1u : 2u);
        if (!c.runEndsDuringPrompt) {
            EXPECT_EQ(state->runState.load(), core::run_state::kRunning);  // the run goes on
            state->runState = core::run_state::kIdle;
        }
        TearDown();
        std::remove(settingsPath().c_str());
    }
}

TEST_F(MainWindowTest, CloseDuringRunConfirmedAbortsAndClosesAfterWorkerEnds) {
    start();
    state->runState = core::run_state::kRunning;
    int answered = dialogsAnswered();
    answerNextDialog(kTitle, IDOK);
    SendMessageA(window, WM_CLOSE, 0, 0);

    EXPECT_EQ(dialogsAnswered(), answered + 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(state->runState.load(), core::run_state::kStopping);
    EXPECT_EQ(state->runControl.load(), core::run_control::kAbort);

    core::endRun(*state, core::WindowEffects{});  // the worker's last step
    EXPECT_EQ(runUntilQuit(), 0);                // the close timer destroys the window
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(readAll(settingsPath()).empty());
}

// "I know, close anyway." during a run, paused or running: the window goes
// as soon as the worker has stopped (it stops within a chunk), not at a
// timer's next tick, and the settings file is left as it was.
TEST_F(MainWindowTest, ConfirmedCloseEndsAsSoonAsTheWorkerStops) {
    // Long enough, read from holes in the files, to be still running when
    // the answer comes.
    const std::string a = folder.pathOf("a.bin"), b = folder.pathOf("b.bin");
    for (const std::string& path : {a, b}) {
        writeAll(path, {1});
        std::filesystem::resize_file(path, 4'000'000'000u);
    }
    for (bool paused : {true, false}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        start();
        SetWindowTextA(child(1002), a.c_str());
        SetWindowTextA(child(1013), b.c_str());
        core::startRun(*state, main().effects);
        ASSERT_TRUE(pumpUntil([&] { return state->progressPercent.load() >= 1; }));
        if (paused) core::togglePause(*state, main().effects);
        bool running = false;
        answerNextDialog(kTitle, IDOK, [&](HWND) { running = core::workerRuns(state->runState.load()); });
        // Without the close timer the window can only go by the worker's end.
        main().effects.startCloseTimer = [] {};
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(runUntilQuit(), 0);
        EXPECT_TRUE(running);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(readAll(settingsPath()).empty());
    }
}

}  // namespace
