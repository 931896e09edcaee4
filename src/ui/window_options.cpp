#include "ui/window_options.h"

namespace ui {
namespace {

using SetLayeredAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looked up at run time: older systems do not have it.
SetLayeredAttributes layeredAttributesCall() {
    HMODULE user32 = GetModuleHandleA("USER32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<SetLayeredAttributes>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
}

}  // namespace

void applyOnTop(HWND window, std::uint32_t on) {
    SetWindowPos(window, on == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void applyTransparency(HWND window, std::uint32_t alpha) {
    LONG_PTR extended = GetWindowLongPtrA(window, GWL_EXSTYLE);
    SetWindowLongPtrA(window, GWL_EXSTYLE, extended | WS_EX_LAYERED);
    if (SetLayeredAttributes call = layeredAttributesCall())
        call(window, 0, static_cast<BYTE>(alpha & 0xFF), LWA_ALPHA);
}

void removeTransparency(HWND window) {
    LONG_PTR extended = GetWindowLongPtrA(window, GWL_EXSTYLE);
    SetWindowLongPtrA(window, GWL_EXSTYLE, extended & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
}

}  // namespace ui
