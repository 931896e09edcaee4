#include "app/startup.h"

#include "core/settings.h"
#include "resource_ids.h"
#include "ui/main_window.h"
#include "ui/placement.h"

namespace app {
namespace {

HICON loadProgramIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_PAIRLOOK), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
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
    ui::registerMainClass(instance, icons);
    // The pause gate starts open as part of the state.
    HWND mainWindow = ui::createMainWindow(instance, state);
    if (!noFile) ui::applyStoredPlacement(mainWindow, state.settings.placement);
    ShowWindow(mainWindow, SW_SHOW);
    return mainWindow;
}

int runMessageLoop(HWND mainWindow) {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Tab between the path edits; Enter and Escape become commands 1 and 2.
        if (IsDialogMessageA(mainWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

void openHelp(const core::AppState& state) {
    std::string page = state.programFolder + "ReadMe.htm";
    ShellExecuteA(nullptr, nullptr, page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace app
