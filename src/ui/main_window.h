// The main window "PairBox": its class, its creation and its message dispatch.
#pragma once

#include <windows.h>

#include "core/app_state.h"
#include "core/run_control.h"

namespace ui {

constexpr char kMainClassName[] = "PairBox";
constexpr int kMainWidth = 520;
constexpr int kMainHeight = 400;

constexpr UINT_PTR kProgressTimerId = 1;
constexpr UINT kProgressTimerPeriodMs = 100;
constexpr UINT_PTR kCloseTimerId = 2;
constexpr UINT kCloseTimerPeriodMs = 1000;

// Heights within the client area of the painted strip and its progress area.
constexpr int kStripHeight = 120;
constexpr int kProgressAreaHeight = 60;
constexpr int kProgressAreaRightMargin = 175;

struct ProgramIcons {
    HICON large = nullptr;  // 32 x 32
    HICON small = nullptr;  // 16 x 16
};

// Makes the class known; a second registration in the same process fails
// harmlessly and keeps the first.
void registerMainClass(HINSTANCE instance, const ProgramIcons& icons);

// Creates the main window, hidden, 520 x 400 and centred on the screen. The
// state must outlive the window.
HWND createMainWindow(HINSTANCE instance, core::AppState& state);

}  // namespace ui
