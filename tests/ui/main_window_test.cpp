// The start-up and the main window, in this process: the window is made by
// the program's own start-up with its data folder in a fresh temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "core/run_control.h"
#include "core/settings.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kTitle[] = "Pairlook 1.3";
constexpr UINT_PTR kCloseTimer = 2;

std::uint32_t wordAt(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes.at(offset + i);
    return value;
}

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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

// Answers the next message box titled like the program, from inside its
// modal loop.
std::atomic<int> gPromptAnswer{0};
std::atomic<int> gPromptsAnswered{0};

void CALLBACK answerPrompt(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", kTitle);
    if (!box) return;
    KillTimer(nullptr, timer);
    ++gPromptsAnswered;
    PostMessageA(box, WM_COMMAND, gPromptAnswer.load(), 0);
}

void answerNextPromptWith(int button) {
    gPromptAnswer = button;
    SetTimer(nullptr, 0, 50, answerPrompt);
}

// Ends a message loop that would otherwise never end, so a fault fails the
// test instead of hanging it.
void CALLBACK giveUp(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(99);
}

class MainWindowTest : public ::testing::Test {
protected:
    testing_support::TempFolder folder;
    std::unique_ptr<core::AppState> state;
    HWND window = nullptr;

    std::string settingsPath() const { return folder.pathOf("dPair.dat"); }

    // A program file in the temporary folder, on a fixed drive, without
    // DefSet.txt: the settings live in the temporary folder.
    core::FolderProbe probe() const {
        core::FolderProbe probe;
        std::string programFile = folder.pathOf("Pairlook.exe");
        probe.searchProgramFile = [programFile](const char*) { return programFile; };
        probe.driveTypeOf = [](const std::string&) { return platform::DriveType::Fixed; };
        return probe;
    }

    void start() {
        state = std::make_unique<core::AppState>();
        window = app::startUp(*state, probe());
        ASSERT_NE(window, nullptr);
    }

    // Runs the message loop until the window is gone; returns the quit code.
    int runUntilQuit() {
        UINT_PTR guard = SetTimer(nullptr, 0, 60000, giveUp);
        int code = app::runMessageLoop(window);
        KillTimer(nullptr, guard);
        return code;
    }

    void closeWhileIdle() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(runUntilQuit(), 0);
        EXPECT_FALSE(IsWindow(window));
    }

    void TearDown() override {
        if (window && IsWindow(window)) {
            DestroyWindow(window);
            runUntilQuit();
        }
    }
};

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

TEST_F(MainWindowTest, RestartKeepsOptionsAndPaths) {
    start();
    state->settings.searchMode = core::search_mode::kQuickDir;
    state->settings.matchPercent = 90;
    state->setPathA("C:\\data\\a.bin");
    closeWhileIdle();

    start();
    EXPECT_EQ(state->settings.searchMode, core::search_mode::kQuickDir);
    EXPECT_EQ(state->settings.matchPercent, 90u);
    EXPECT_EQ(state->pathAText(), "C:\\data\\a.bin");
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

TEST_F(MainWindowTest, CloseDuringRunDeclinedKeepsWindowAndRun) {
    start();
    state->runState = core::run_state::kRunning;
    gPromptsAnswered = 0;
    answerNextPromptWith(IDNO);
    SendMessageA(window, WM_CLOSE, 0, 0);

    EXPECT_EQ(gPromptsAnswered.load(), 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(state->runState.load(), core::run_state::kRunning);
    EXPECT_EQ(state->runControl.load(), core::run_control::kRun);
    state->runState = core::run_state::kIdle;
}

TEST_F(MainWindowTest, CloseDuringRunConfirmedAbortsAndClosesAfterWorkerEnds) {
    start();
    state->runState = core::run_state::kRunning;
    gPromptsAnswered = 0;
    answerNextPromptWith(IDYES);
    SendMessageA(window, WM_CLOSE, 0, 0);

    EXPECT_EQ(gPromptsAnswered.load(), 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(state->runState.load(), core::run_state::kStopping);
    EXPECT_EQ(state->runControl.load(), core::run_control::kAbort);

    core::endRun(*state, core::WindowEffects{});  // the worker's last step
    EXPECT_EQ(runUntilQuit(), 0);                // the close timer destroys the window
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(readAll(settingsPath()).empty());
}

}  // namespace
