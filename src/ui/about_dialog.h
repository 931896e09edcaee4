// The About dialog: the program and data folders, the system description,
// and the links to the maker.
#pragma once

#include <windows.h>

#include "core/app_state.h"

namespace ui {

// Runs the dialog modally; aboutOpen is 1 while it is open.
void openAbout(HWND owner, core::AppState& state);

}  // namespace ui
