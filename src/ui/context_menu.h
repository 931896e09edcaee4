// The right-click menu: built afresh from the state at every click, and the
// commands it sends to the main window.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/app_state.h"

namespace ui {

// Builds the menu (consuming the right-click marker), shows it with its
// right edge at the cursor, and destroys it once it has closed. A chosen
// item arrives at the window as a command.
void showContextMenu(HWND window, core::AppState& state);

// The main window's command handler. Commands it does not know (the edits'
// notices, Enter and Escape as commands 1 and 2) change nothing.
void onMenuCommand(HWND window, core::AppState& state, std::uint32_t command);

}  // namespace ui
