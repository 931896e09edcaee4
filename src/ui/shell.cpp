#include "ui/shell.h"

#include "platform/win32/shell_files.h"

namespace ui {

void openWithShell(const std::string& target) { platform::win32::openWithShell(target); }

std::string helpPagePath(const core::AppState& state) { return state.programFolder + "ReadMe.htm"; }

}  // namespace ui
