// The text of a control, read whole: a path in an edit may be of any length.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

std::string windowText(HWND control);
std::string dialogItemText(HWND dialog, int controlId);

}  // namespace ui
