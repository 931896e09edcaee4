#include "app/startup.h"

#include <commctrl.h>

#include "core/settings.h"
#include "resource_ids.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/placement.h"

namespace app {
namespace {

HICON loadProgramIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_PAIRLOOK), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The list and the tooltips are common controls, in their themed version 6
// as the manifest asks.
void initCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
}

}  // namespace

core::AppState& appState() {
    static core::AppState state;
    return state;
}

HWND startUp(core::AppState& state, const core::FolderProbe& probe) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    core::resolveFolders(state, probe);
    // Before the window exists, so that its creation sees the saved options.
    bool noFile = core::loadSettings(state);
    ui::ProgramIcons icons{loadProgramIcon(instance, 32), loadProgramIcon(instance, 16)};
    initCommonControls();
    ui::registerMainClass(instance, icons);
    // The pause gate starts open as part of the state.
    HWND mainWindow = ui::createMainWindow(instance, state);
    if (!noFile) ui::applyStoredPlacement(mainWindow, state.settings.placement);
    ShowWindow(mainWindow, SW_SHOW);
    return mainWindow;
}

void dispatchMessage(HWND mainWindow, MSG& message) {
    // The window's own keys first: Enter, Escape and F1, and the list's keys.
    if (ui::handleMainWindowKey(mainWindow, message)) return;
    // Tab between the path edits; any other Enter and Escape become the
    // commands 1 and 2, which the window ignores.
    if (IsDialogMessageA(mainWindow, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

int runMessageLoop(HWND mainWindow) {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) dispatchMessage(mainWindow, message);
    return static_cast<int>(message.wParam);
}

}  // namespace app
