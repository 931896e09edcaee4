// The main window's placement, between the settings block and the window.
#pragma once

#include <windows.h>

#include "core/app_state.h"

namespace ui {

WINDOWPLACEMENT toWindowPlacement(const core::WindowPlacement& stored);
core::WindowPlacement fromWindowPlacement(const WINDOWPLACEMENT& placement);

// Puts the window's current placement into the stored record.
void storePlacement(HWND window, core::WindowPlacement& stored);
// Applies a stored placement unless it is zero or implausible, or its normal
// rectangle lies on no monitor (a screen since removed would hide the
// window). Returns whether it was applied.
bool applyStoredPlacement(HWND window, const core::WindowPlacement& stored);

}  // namespace ui
