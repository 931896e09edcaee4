// What the window tests share: the main window made by the program's own
// start-up with its data folder in a fresh temporary folder, a message pump
// with a deadline, and hands that answer dialogs and menus from inside their
// modal loops.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/folders.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"

namespace ui_test {

using Bytes = std::vector<std::uint8_t>;

Bytes readAll(const std::string& path);
void writeAll(const std::string& path, const Bytes& bytes);

// Dispatches messages until `done` holds or `timeoutMs` passes; returns `done`.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000);
// Dispatches what is waiting, then returns.
void pumpPending();

// The next modal dialog titled `title` gets `inspect` called on it (when
// given) and then the command `command`, from inside its own message loop;
// with `ready`, only once `ready` holds. Several answers may wait at once.
void answerNextDialog(const char* title, int command, std::function<void(HWND dialog)> inspect = {},
                      std::function<bool()> ready = {});
int dialogsAnswered();
// Drops the answers still waiting.
void stopAnswering();

// One line per item of a menu, sub-menus indented, "*" for a tick.
std::vector<std::string> describeMenu(HMENU menu);
// Reads the next popup menu shown, then closes it without a choice.
void readNextMenu(std::vector<std::string>& into);

// A window's client area as painted, read back. With `redraw` the window
// and its children paint everything first; without, the picture shows what
// the window's own handling of its messages left on screen.
class Capture {
public:
    explicit Capture(HWND window, bool redraw = true);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    COLORREF at(int x, int y) const { return GetPixel(memory_, x, y) & 0xFFFFFF; }

private:
    HDC memory_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// A key pressed in `target` (Ctrl held with `control`), and the messages
// that follow it handled by the program's own message loop step.
void pressKey(HWND mainWindow, HWND target, WPARAM virtualKey, bool control = false);

// A key typed for real: through the system's input queue to wherever the
// focus is (or, with the focus nowhere, to the active window), and handled
// by the program's own message loop step up to its release. The main
// window must be the active one.
void typeKey(HWND mainWindow, WORD virtualKey);

// A window's text, whole.
std::string textOf(HWND window);
// Whether one of the window's children reads `text`.
bool showsText(HWND window, const std::string& text);

// Where a child window lies in its parent's client area.
RECT placeOf(HWND child);

// The text of a cell as the list control shows it.
std::string listCell(HWND list, int row, int column);
int listRowCount(HWND list);

class WindowTest : public ::testing::Test {
protected:
    testing_support::TempFolder folder;
    std::unique_ptr<core::AppState> state;
    HWND window = nullptr;

    std::string settingsPath() const { return folder.pathOf("dPair.dat"); }
    core::FolderProbe probe() const;
    void start();
    ui::MainWindow& main() const { return *ui::mainWindowOf(window); }
    HWND child(int id) const { return GetDlgItem(window, id); }

    // Runs the message loop until the window is gone; returns the quit code.
    int runUntilQuit();
    void closeWhileIdle();
    // Starts a run as the strip's Start does, and waits for its end.
    void runToTheEnd();
    // Waits until no worker runs and the list control shows every row.
    void waitForTheEnd();

    void TearDown() override;
};

}  // namespace ui_test
