// The program's entry steps: start-up and the message loop.
#pragma once

#include <windows.h>

#include "core/app_state.h"
#include "core/folders.h"

namespace app {

// The one state record of the process.
core::AppState& appState();

// Resolves the folders (through the probe), loads the settings, registers
// the window class and creates and shows the main window, at its saved
// place when the settings file had one. Returns the main window.
HWND startUp(core::AppState& state, const core::FolderProbe& probe = core::FolderProbe{});

// One message of the loop: the main window's keys, then the dialog keys of
// its children, then the message's own window.
void dispatchMessage(HWND mainWindow, MSG& message);

// Runs until the quit message; returns its exit code.
int runMessageLoop(HWND mainWindow);

}  // namespace app
