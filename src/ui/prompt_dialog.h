// The two-button question: the caller fills state.prompt, runs the dialog
// and reads the answer from state.promptResult.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/app_state.h"

namespace ui {

// Shows the dialog modally over `owner`. Returns 1 for the first button,
// 2 for the second (also Escape). Afterwards the request is cleared and
// promptTopmost is 1 again; promptResult keeps the answer.
std::uint32_t runPrompt(HWND owner, core::AppState& state);
// A yes-or-no question with its message in the small font, shown as
// runPrompt shows it: true when the user picked `yes`.
bool askSmall(HWND owner, core::AppState& state, std::string message, std::string yes, std::string no);

// Grows the prompt's message to show its whole text and its two buttons
// to hold their captions, in the fonts they have now; what lies below the
// message moves down and the dialog grows around them, centred where it was.
void fitPromptToTexts(HWND dialog);

// Gives a control of a dialog a font (the dialog keeps using it until it
// closes, so the font must outlive it).
void setControlFont(HWND dialog, int controlId, HFONT font);

}  // namespace ui
