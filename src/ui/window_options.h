// The two window options of the menu: On Top and Transparent.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

// 1: the topmost band; anything else: the normal band. Neither moves, sizes
// nor activates the window.
void applyOnTop(HWND window, std::uint32_t on);
// The whole window, children included, at opacity alpha/255 (low 8 bits).
// Only the layered style is added: the window keeps taking dropped files.
void applyTransparency(HWND window, std::uint32_t alpha);
// Opaque again; the other extended styles stay.
void removeTransparency(HWND window);

}  // namespace ui
