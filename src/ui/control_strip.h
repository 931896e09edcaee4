// The painted strip at the top of the main window: labels, progress, the
// six painted buttons and the hit test that lights them.
#pragma once

#include <windows.h>

#include <string>

#include "ui/main_window.h"

namespace ui {

void paintStrip(MainWindow& main);
// The pointer's client position, as the mouse messages give it.
void trackHover(MainWindow& main, int x, int y);
// The pointer left the client area, or another window came over it.
void onMouseLeave(MainWindow& main);
// A press in the client area; only a release that follows one acts.
void onStripPress(MainWindow& main);
// Acts on the button under the release, not on the one that is lit.
void onStripRelease(MainWindow& main, int x, int y);
// The strip's font for `text` in a room `width` pixels wide: the first of
// the window's strip fonts, largest first, in which it fits (the smallest
// when none does).
HFONT stripFontFitting(const MainWindow& main, HDC dc, const std::string& text, int width);
// What Start and Abort do, from the strip or from the keyboard.
void pressStart(MainWindow& main);
void pressAbort(MainWindow& main);

}  // namespace ui
