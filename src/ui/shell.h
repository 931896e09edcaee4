// What the program asks of the shell: opening files, folders and links with
// their default program, and the help page.
#pragma once

#include <string>

#include "core/app_state.h"

namespace ui {

// Opens a path or address with the shell's default action; false when the
// shell could not.
bool openWithShell(const std::string& target);

// programFolder + "ReadMe.htm".
std::string helpPagePath(const core::AppState& state);
// What the user is told when the help page does not open.
std::string helpPageUnopenedText(const std::string& page);

}  // namespace ui
