#include "ui_harness.h"

#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <map>

#include "app/startup.h"
#include "core/run_control.h"

namespace ui_test {
namespace {

struct DialogAnswer {
    std::string title;
    int command = 0;
    std::function<void(HWND)> inspect;
    std::function<bool()> ready;
};
std::map<UINT_PTR, DialogAnswer> gAnswers;
std::atomic<int> gAnswered{0};

void CALLBACK answerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    auto found = gAnswers.find(timer);
    if (found == gAnswers.end()) return;
    HWND dialog = FindWindowA("#32770", found->second.title.c_str());
    if (!dialog || !IsWindowVisible(dialog)) return;
    if (found->second.ready && !found->second.ready()) return;
    KillTimer(nullptr, timer);
    DialogAnswer answer = std::move(found->second);
    gAnswers.erase(found);
    if (answer.inspect) answer.inspect(dialog);
    ++gAnswered;
    PostMessageA(dialog, WM_COMMAND, answer.command, 0);
}

std::vector<std::string>* gMenuLines = nullptr;

void CALLBACK readMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup)) return;
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    if (gMenuLines) *gMenuLines = describeMenu(menu);
    EndMenu();
}

void describeMenu(HMENU menu, const std::string& indent, std::vector<std::string>& out) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[700] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            out.push_back(indent + "---");
            continue;
        }
        out.push_back(indent + text + ((item.fState & MFS_CHECKED) ? " *" : ""));
        if (item.hSubMenu) describeMenu(item.hSubMenu, indent + "  ", out);
    }
}

// Ends a message loop that would otherwise never end, so a fault fails the
// test instead of hanging it.
void CALLBACK giveUp(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(99);
}

}  // namespace

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        pumpPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

void pumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void answerNextDialog(const char* title, int command, std::function<void(HWND dialog)> inspect,
                      std::function<bool()> ready) {
    UINT_PTR timer = SetTimer(nullptr, 0, 30, answerDialog);
    gAnswers[timer] = DialogAnswer{title, command, std::move(inspect), std::move(ready)};
}

int dialogsAnswered() { return gAnswered.load(); }

void stopAnswering() {
    for (const auto& [timer, answer] : gAnswers) KillTimer(nullptr, timer);
    gAnswers.clear();
}

std::vector<std::string> describeMenu(HMENU menu) {
    std::vector<std::string> out;
    describeMenu(menu, "", out);
    return out;
}

void readNextMenu(std::vector<std::string>& into) {
    gMenuLines = &into;
    SetTimer(nullptr, 0, 30, readMenu);
}

Capture::Capture(HWND window, bool redraw) {
    RECT client;
    GetClientRect(window, &client);
    if (redraw) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(window);
    memory_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
    old_ = SelectObject(memory_, bitmap_);
    BitBlt(memory_, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
}

Capture::~Capture() {
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
}

void pressKey(HWND mainWindow, HWND target, WPARAM virtualKey, bool control) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000001);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) app::dispatchMessage(mainWindow, message);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

void typeKey(HWND mainWindow, WORD virtualKey) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = virtualKey;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    DWORD start = GetTickCount();
    bool released = false;
    while (!released && GetTickCount() - start < 5000) {
        MSG message;
        while (!released && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            released = (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) &&
                       message.wParam == virtualKey;
            app::dispatchMessage(mainWindow, message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    ASSERT_TRUE(released) << "the key never came";
}

std::string textOf(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool showsText(HWND window, const std::string& text) {
    struct Search {
        const std::string& text;
        bool found = false;
    } search{text};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            s.found = s.found || textOf(child) == s.text;
            return !s.found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT placeOf(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string listCell(HWND list, int row, int column) {
    char text[700] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int listRowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// A program file in the temporary folder, on a fixed drive, without
// DefSet.txt: the settings live in the temporary folder.
core::FolderProbe WindowTest::probe() const {
    core::FolderProbe probe;
    std::string programFile = folder.pathOf("Pairlook.exe");
    probe.searchProgramFile = [programFile](const char*) { return programFile; };
    probe.driveTypeOf = [](const std::string&) { return platform::DriveType::Fixed; };
    return probe;
}

void WindowTest::start() {
    state = std::make_unique<core::AppState>();
    window = app::startUp(*state, probe());
    ASSERT_NE(window, nullptr);
}

int WindowTest::runUntilQuit() {
    UINT_PTR guard = SetTimer(nullptr, 0, 60000, giveUp);
    int code = app::runMessageLoop(window);
    KillTimer(nullptr, guard);
    return code;
}

void WindowTest::closeWhileIdle() {
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(runUntilQuit(), 0);
    EXPECT_FALSE(IsWindow(window));
}

void WindowTest::runToTheEnd() {
    core::startRun(*state, main().effects);
    waitForTheEnd();
}

void WindowTest::waitForTheEnd() {
    ASSERT_TRUE(pumpUntil([&] {
        return state->runState.load() == core::run_state::kIdle &&
               listRowCount(main().list.handle()) == state->list.rowCount();
    })) << "the run did not end";
}

void WindowTest::TearDown() {
    stopAnswering();
    if (!window || !IsWindow(window)) return;
    // A run still going would call into a window that is gone.
    if (core::workerRuns(state->runState.load())) {
        core::requestAbort(*state);
        pumpUntil([&] { return state->runState.load() == core::run_state::kIdle; });
    }
    DestroyWindow(window);
    runUntilQuit();
}

}  // namespace ui_test
