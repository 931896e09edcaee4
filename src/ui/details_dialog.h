// The details of one duplicate pair, and what the user can do with it.
#pragma once

#include <windows.h>

#include "core/app_state.h"

namespace ui {

// The list's double-click and the menu's Details: shows the focused pair
// (the first pair when the focus is on the "Start" row). Does nothing in
// File mode or while the program is busy.
void openPairDetails(HWND mainWindow, core::AppState& state);

}  // namespace ui
