#include "ui/shell.h"

#include "platform/win32/shell_files.h"

namespace ui {

void openWithShell(const std::string& target) { platform::win32::openWithShell(target); }

void openHelp(const core::AppState& state) { openWithShell(state.programFolder + "ReadMe.htm"); }

}  // namespace ui
