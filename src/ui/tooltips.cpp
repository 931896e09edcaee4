#include "ui/tooltips.h"

#include <commctrl.h>

namespace ui {

HWND createTooltipControl(HINSTANCE instance) {
    // A popup, as tips are: created as a plain top-level window it starts
    // with a caption, is handed to the window manager for good, and every tip
    // shown or hidden then waits for it (seconds where there is none).
    return CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
}

void addTooltipTo(HWND tooltipControl, HWND window, int controlId, const char* text) {
    addTooltipToChild(tooltipControl, GetDlgItem(window, controlId), text);
}

void addTooltipToChild(HWND tooltipControl, HWND child, const char* text) {
    if (!tooltipControl || !child) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(child);
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = const_cast<char*>(text);
    // Taking the old tool out first keeps one tool per child.
    SendMessageA(tooltipControl, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tooltipControl, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void removeTooltipsOf(HWND tooltipControl, HWND window) {
    if (!tooltipControl) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    // Each deletion moves the later tools down, so the same index is asked again.
    for (UINT at = 0; SendMessageA(tooltipControl, TTM_ENUMTOOLSA, at, reinterpret_cast<LPARAM>(&tool));) {
        if (tool.hwnd == window)
            SendMessageA(tooltipControl, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        else
            ++at;
    }
}

void addAreaTooltipTo(HWND tooltipControl, HWND window, UINT_PTR id, const RECT& area, const char* text) {
    if (!tooltipControl) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = id;
    tool.rect = area;
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tooltipControl, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tooltipControl, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace ui
