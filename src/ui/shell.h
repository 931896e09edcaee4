// What the program asks of the shell: opening files, folders and links with
// their default program, and the help page.
#pragma once

#include <string>

#include "core/app_state.h"

namespace ui {

// Opens a path or address with the shell's default action; failures are not
// reported.
void openWithShell(const std::string& target);

// programFolder + "ReadMe.htm"; a missing page shows nothing when opened.
std::string helpPagePath(const core::AppState& state);

}  // namespace ui
