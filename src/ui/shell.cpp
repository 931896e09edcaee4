#include "ui/shell.h"

#include <windows.h>
#include <shellapi.h>

namespace ui {

void openWithShell(const std::string& target) {
    ShellExecuteA(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string helpPagePath(const core::AppState& state) { return state.programFolder + "ReadMe.htm"; }

}  // namespace ui
