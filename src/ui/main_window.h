// The main window "PairBox": its class, its children, its message dispatch,
// and what the strip, the menu and the dialogs reach it through.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/run_control.h"
#include "ui/knob_images.h"
#include "ui/list_view.h"
#include "ui/owned_handles.h"

namespace ui {

constexpr char kMainClassName[] = "PairBox";
constexpr int kMainWidth = 520;
constexpr int kMainHeight = 400;

constexpr UINT_PTR kProgressTimerId = 1;
constexpr UINT kProgressTimerPeriodMs = 100;
constexpr UINT_PTR kCloseTimerId = 2;
constexpr UINT kCloseTimerPeriodMs = 1000;

// Sent by refreshEditStates, so a worker's call is carried out on the
// window's thread while the worker waits.
constexpr UINT kRefreshEditsMessage = WM_APP + 3;
// Posted by a worker as its last step, so that a close waiting for it
// happens at once.
constexpr UINT kRunEndedMessage = WM_APP + 4;

struct ProgramIcons {
    HICON large = nullptr;  // 32 x 32
    HICON small = nullptr;  // 16 x 16
};

// What a main window carries beside the shared state. Made at WM_NCCREATE,
// freed at WM_NCDESTROY.
struct MainWindow {
    MainWindow(core::AppState& state, HWND window) : state(state), window(window) {}

    core::AppState& state;
    HWND window;
    core::WindowEffects effects;
    HWND editA = nullptr;
    HWND editB = nullptr;
    HWND tooltip = nullptr;
    ListView list;
    OwnedFont editFont;
    // The strip's font, 15 pixels high, then one pixel smaller each, for a
    // text too wide for its room where the face comes out wider than usual.
    std::vector<OwnedFont> stripFonts;
    KnobImages knobs;
    // Opens a file or address with its default program, false when it could
    // not; a test may watch it.
    std::function<bool(const std::string& target)> openInShell;
    // The path edit that had the focus when a run disabled it; it gets the
    // focus back when the run ends.
    HWND editBeforeRun = nullptr;
    bool pressed = false;      // the left button went down in the client area
    bool tracksLeave = false;  // a mouse-leave notice has been asked for
};

// The MainWindow of a main window handle; nullptr for any other window.
MainWindow* mainWindowOf(HWND window);

// Makes the class known; a second registration in the same process fails
// harmlessly and keeps the first.
void registerMainClass(HINSTANCE instance, const ProgramIcons& icons);

// Creates the main window, hidden, 520 x 400 and centred on the screen. The
// state must outlive the window.
HWND createMainWindow(HINSTANCE instance, core::AppState& state);

// Places the list and the path edits for a client area of this size.
void layoutChildren(MainWindow& main, int width, int height);
// Shows path edit B in File mode only; enables both edits only while idle.
// Safe to call from a worker: the work is done on the window's thread.
void refreshEditStates(HWND window);
// Empties the list and gives it the columns of the current mode; then path
// edit A's tip and the edits' states follow the mode.
void setListColumns(MainWindow& main);
// After a change of mode from `from`: edit B shows the text of the new
// mode's kind, a second file or the reference folder.
void changeEditBForMode(MainWindow& main, std::uint32_t from);
// The help page beside the program, through the window's shell.
void openHelpPage(MainWindow& main);
// A tip for a child of `window` (the main window or one of its dialogs).
void addTooltip(MainWindow& main, HWND window, int controlId, const char* text);

}  // namespace ui
