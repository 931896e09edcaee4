#include "ui/context_menu.h"

#include <vector>

#include "core/menu_model.h"
#include "ui/about_dialog.h"
#include "ui/choosers.h"
#include "ui/details_dialog.h"
#include "ui/main_window.h"
#include "ui/shell.h"
#include "ui/window_options.h"

namespace ui {
namespace {

// Destroying the top menu destroys the sub-menus attached to it.
HMENU makePopupMenu(const std::vector<core::MenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    for (const core::MenuItem& item : items) {
        if (item.isSeparator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item.submenu.empty()) {
            AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(makePopupMenu(item.submenu)),
                        item.text.c_str());
        } else {
            AppendMenuA(menu, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), item.command,
                        item.text.c_str());
        }
    }
    return menu;
}

void toggleTransparency(HWND window, core::SettingsBlock& settings) {
    if (settings.transparent == 0) {
        applyTransparency(window, settings.transparencyLevel);
        settings.transparent = 1;
    } else {
        removeTransparency(window);
        settings.transparent = 0;
    }
}

}  // namespace

void showContextMenu(HWND window, core::AppState& state) {
    HMENU menu = makePopupMenu(core::buildContextMenu(state));
    POINT cursor{};
    GetCursorPos(&cursor);
    // In front, so that a click elsewhere closes the menu.
    SetForegroundWindow(window);
    TrackPopupMenuEx(menu, TPM_RIGHTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, window, nullptr);
    DestroyMenu(menu);
}

void onMenuCommand(HWND window, core::AppState& state, std::uint32_t command) {
    namespace id = core::menu_command;
    core::SettingsBlock& settings = state.settings;
    if (core::applyOptionCommand(settings, command)) {
        if (command == id::kOnTop) applyOnTop(window, settings.alwaysOnTop);
        return;
    }
    switch (command) {
        case id::kAbout: openAbout(window, state); break;
        case id::kHelp:
            if (MainWindow* main = mainWindowOf(window)) openHelpPage(*main);
            break;
        case id::kExit: SendMessageA(window, WM_CLOSE, 0, 0); break;
        case id::kTransparent: toggleTransparency(window, settings); break;
        case id::kSelectMoveDir:
            settings.batchDeleteMode = core::batch_mode::kMove;
            chooseFolder(window, settings.moveDir, kMoveFolderPrompt);
            break;
        case id::kDetails: openPairDetails(window, state); break;
        case id::kRemove: core::removeFocusedRow(state.list, state.pairCount); break;
    }
}

}  // namespace ui
