// What the program asks of the shell: opening files, folders and links with
// their default program, and the help page.
#pragma once

#include <string>

#include "core/app_state.h"

namespace ui {

// Opens a path or address with the shell's default action; failures are not
// reported.
void openWithShell(const std::string& target);

// Opens programFolder + "ReadMe.htm"; a missing page shows nothing.
void openHelp(const core::AppState& state);

}  // namespace ui
