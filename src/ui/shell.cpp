#include "ui/shell.h"

#include "platform/win32/shell_files.h"

namespace ui {

bool openWithShell(const std::string& target) { return platform::win32::openWithShell(target); }

std::string helpPagePath(const core::AppState& state) { return state.programFolder + "ReadMe.htm"; }

std::string helpPageUnopenedText(const std::string& page) {
    return "The help page could not be opened here. Open it with a web browser; it is the file\r\n" + page;
}

}  // namespace ui
