// The main window's keys: Enter, Escape and F1 anywhere in it, and Delete,
// Ctrl+A and Ctrl+C in the list. The message loop offers every message
// here first.
#pragma once

#include <windows.h>

namespace ui {

// Carries out the key's action when `message` is a key for the main window
// or one of its children that does something now; true when it did.
bool handleMainWindowKey(HWND mainWindow, const MSG& message);

}  // namespace ui
