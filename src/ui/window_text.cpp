#include "ui/window_text.h"

namespace ui {

std::string windowText(HWND control) {
    int length = GetWindowTextLengthA(control);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), length + 1)));
    return text;
}

std::string dialogItemText(HWND dialog, int controlId) { return windowText(GetDlgItem(dialog, controlId)); }

}  // namespace ui
