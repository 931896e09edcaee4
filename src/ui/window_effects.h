// What run control does to the main window: timers, repaints, the path
// edits, the worker thread, saving the settings, closing, and the question
// asked when closing during a run.
#pragma once

#include <windows.h>

#include "core/app_state.h"
#include "core/run_control.h"

namespace ui {

core::WindowEffects makeWindowEffects(HWND window, core::AppState& state);

}  // namespace ui
