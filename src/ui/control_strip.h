// The painted strip at the top of the main window: labels, progress, the
// six painted buttons and the hit test that lights them.
#pragma once

#include <windows.h>

#include "ui/main_window.h"

namespace ui {

void paintStrip(MainWindow& main);
// The pointer's client position, as the mouse-move message gives it.
void trackHover(MainWindow& main, unsigned x, unsigned y);
// Acts on the lit button, not on where the button was released.
void onStripClick(MainWindow& main);

}  // namespace ui
