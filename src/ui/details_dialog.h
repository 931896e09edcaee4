// The details of one duplicate pair, and what the user can do with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/app_state.h"

namespace ui {

// The list's double-click and the menu's Details: shows the focused pair
// (the first pair when the focus is on the "Start" row). Does nothing in
// File mode or while the program is busy.
void openPairDetails(HWND mainWindow, core::AppState& state);

// The shell's delete to the recycle bin, with these FOF_ flags; false when
// the user aborted it.
bool recycleFiles(HWND owner, const std::vector<std::string>& paths, unsigned flags);

}  // namespace ui
