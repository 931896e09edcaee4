// What run control does to the main window: timers, repaints, saving the
// settings, closing, and the question asked when closing during a run.
#pragma once

#include <windows.h>

#include "core/app_state.h"
#include "core/run_control.h"

namespace ui {

core::WindowEffects makeWindowEffects(HWND window, core::AppState& state);

// Asks whether to stop the running search and close. A stand-in message
// box until the program's own prompt dialog takes its place.
std::uint32_t askCloseDuringRun(HWND owner);

}  // namespace ui
