// The program's one tooltip window: every tip of the main window and of the
// dialogs is a tool of it.
#pragma once

#include <windows.h>

namespace ui {

// Topmost, shown also while the window is inactive, no owner.
HWND createTooltipControl(HINSTANCE instance);

// Gives the child `controlId` of `window` the tip `text`; the control relays
// the child's mouse messages itself. Adding a tip for the same child again
// replaces its text: a child never has two tools.
void addTooltipTo(HWND tooltipControl, HWND window, int controlId, const char* text);
// The same for a child known by its handle.
void addTooltipToChild(HWND tooltipControl, HWND child, const char* text);

// Takes out every tip of `window` and its children: a dialog's tips go with
// it, or each opening would leave tools that name closed windows.
void removeTooltipsOf(HWND tooltipControl, HWND window);

// A tip for an area of `window`'s client (a painted button), known by `id`;
// adding it again moves the area and replaces the text.
void addAreaTooltipTo(HWND tooltipControl, HWND window, UINT_PTR id, const RECT& area, const char* text);

}  // namespace ui
