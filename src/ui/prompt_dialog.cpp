#include "ui/prompt_dialog.h"

#include "core/run_control.h"
#include "resource_ids.h"
#include "ui/owned_handles.h"

namespace ui {
namespace {

constexpr std::uint32_t kSmallMessageKinds = 10;

struct PromptSession {
    core::AppState& state;
    OwnedFont large;
    OwnedFont small;
};

void openPrompt(HWND dialog, PromptSession& session) {
    core::AppState& state = session.state;
    if (state.promptTopmost != 0)
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    SetDlgItemTextA(dialog, IDC_PROMPT_MESSAGE, state.prompt.message.c_str());
    SetDlgItemTextA(dialog, IDOK, state.prompt.firstText.c_str());
    SetDlgItemTextA(dialog, IDCANCEL, state.prompt.secondText.c_str());
    session.large = makeFont("Arial", 20, 50);
    session.small = makeFont("Arial", 16, 50);
    setControlFont(dialog, IDOK, session.large.get());
    setControlFont(dialog, IDCANCEL, session.large.get());
    bool smallMessage = state.prompt.kind >= kSmallMessageKinds;
    if (smallMessage) state.prompt.kind -= kSmallMessageKinds;
    setControlFont(dialog, IDC_PROMPT_MESSAGE, smallMessage ? session.small.get() : session.large.get());
}

void answer(HWND dialog, PromptSession& session, std::uint32_t result) {
    core::AppState& state = session.state;
    state.promptResult = result;
    state.prompt = core::PromptRequest{};
    state.promptTopmost = 1;
    EndDialog(dialog, result);
}

INT_PTR CALLBACK promptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<PromptSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            openPrompt(dialog, *reinterpret_cast<PromptSession*>(lParam));
            return TRUE;  // the focus goes to the first button
        case WM_COMMAND:
            if (!session) return FALSE;
            // Escape and every other close request arrive as button 2.
            if (LOWORD(wParam) == IDOK) answer(dialog, *session, core::kPromptFirst);
            if (LOWORD(wParam) == IDCANCEL) answer(dialog, *session, core::kPromptSecond);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void setControlFont(HWND dialog, int controlId, HFONT font) {
    SendDlgItemMessageA(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::uint32_t runPrompt(HWND owner, core::AppState& state) {
    // The fonts are deleted after the dialog is gone, never while it uses them.
    PromptSession session{state, {}, {}};
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    INT_PTR shown =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROMPT), owner, promptProc, reinterpret_cast<LPARAM>(&session));
    // A question that could not be asked was not answered yes.
    if (shown <= 0) state.promptResult = core::kPromptSecond;
    return state.promptResult;
}

}  // namespace ui
