#include "ui/prompt_dialog.h"

#include <algorithm>

#include "core/run_control.h"
#include "resource_ids.h"
#include "ui/owned_handles.h"
#include "ui/window_text.h"

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
    fitPromptToTexts(dialog);
}

RECT placeIn(HWND dialog, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void reshape(HWND dialog, HWND child, int dx, int dy, int wider, int taller) {
    RECT rect = placeIn(dialog, child);
    MoveWindow(child, rect.left + dx, rect.top + dy, rect.right - rect.left + wider, rect.bottom - rect.top + taller,
               TRUE);
}

HFONT fontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)); }

// The room a button's caption takes on one line, with the button's edges.
int captionWidth(HWND button) {
    const std::string caption = windowText(button);
    HDC dc = GetDC(button);
    SIZE size{};
    {
        SelectedObject font(dc, fontOf(button));
        GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    }
    ReleaseDC(button, dc);
    return size.cx + 4 * GetSystemMetrics(SM_CXEDGE) + 8;
}

int lineHeight(HWND control) {
    HDC dc = GetDC(control);
    TEXTMETRICA metrics{};
    {
        SelectedObject font(dc, fontOf(control));
        GetTextMetricsA(dc, &metrics);
    }
    ReleaseDC(control, dc);
    return metrics.tmHeight;
}

// The edit wraps the text itself: as many lines as it makes, no fewer.
int missingMessageHeight(HWND message) {
    RECT format{};
    SendMessageA(message, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    auto lines = static_cast<int>(SendMessageA(message, EM_GETLINECOUNT, 0, 0));
    return std::max(0, lines * lineHeight(message) - static_cast<int>(format.bottom - format.top));
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

void fitPromptToTexts(HWND dialog) {
    HWND message = GetDlgItem(dialog, IDC_PROMPT_MESSAGE);
    const HWND below[] = {GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL),
                          GetDlgItem(dialog, IDC_PROGRESS_LINE)};
    int wider = 0;
    for (HWND button : {below[0], below[1]}) {
        RECT rect = placeIn(dialog, button);
        wider = std::max(wider, captionWidth(button) - static_cast<int>(rect.right - rect.left));
    }
    if (wider > 0) {
        reshape(dialog, message, 0, 0, wider, 0);
        for (HWND child : below) reshape(dialog, child, 0, 0, wider, 0);
    }
    int taller = missingMessageHeight(message);
    if (taller > 0) {
        reshape(dialog, message, 0, 0, 0, taller);
        for (HWND child : below) reshape(dialog, child, 0, taller, 0, 0);
    }
    RECT frame{};
    GetWindowRect(dialog, &frame);
    MoveWindow(dialog, frame.left - wider / 2, frame.top - taller / 2, frame.right - frame.left + wider,
               frame.bottom - frame.top + taller, TRUE);
}

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

bool askSmall(HWND owner, core::AppState& state, std::string message, std::string yes, std::string no) {
    state.prompt.kind = kSmallMessageKinds + 1;
    state.prompt.message = std::move(message);
    state.prompt.firstText = std::move(yes);
    state.prompt.secondText = std::move(no);
    return runPrompt(owner, state) == core::kPromptFirst;
}

}  // namespace ui
