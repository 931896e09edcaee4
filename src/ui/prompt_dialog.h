// The two-button question: the caller fills state.prompt, runs the dialog
// and reads the answer from state.promptResult.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/app_state.h"

namespace ui {

// Shows the dialog modally over `owner`. Returns 1 for the first button,
// 2 for the second (also Escape). Afterwards the request is cleared and
// promptTopmost is 1 again; promptResult keeps the answer.
std::uint32_t runPrompt(HWND owner, core::AppState& state);

// Gives a control of a dialog a font (the dialog keeps using it until it
// closes, so the font must outlive it).
void setControlFont(HWND dialog, int controlId, HFONT font);

}  // namespace ui
