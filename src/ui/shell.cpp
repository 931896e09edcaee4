#include "ui/shell.h"

#include <windows.h>
#include <shellapi.h>

namespace ui {

void openWithShell(const std::string& target) {
    ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void openHelp(const core::AppState& state) { openWithShell(state.programFolder + "ReadMe.htm"); }

}  // namespace ui
