#include "ui/batch_delete_dialog.h"

#include <shellapi.h>

#include <optional>
#include <system_error>
#include <thread>

#include "core/batch_confirmation.h"
#include "core/batch_delete.h"
#include "platform/win32/shell_files.h"
#include "resource_ids.h"
#include "ui/details_dialog.h"
#include "ui/prompt_dialog.h"

namespace ui {
namespace {

constexpr UINT_PTR kEndTimerId = 1;
constexpr UINT kEndTimerPeriodMs = 1000;
// No questions and no error boxes from the shell, but its warning when a
// file cannot go to the recycle bin and would be deleted for good.
constexpr unsigned kBatchRecycleFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI | FOF_WANTNUKEWARNING;

struct BatchSession {
    core::AppState& state;
    OwnedFont large;
    OwnedFont small;
    bool started = false;
    // What the batch is to do, fixed when the dialog opens.
    std::optional<core::BatchRequest> request;
};

// Says what will happen, to how many files, before the user agrees.
void initialise(HWND dialog, BatchSession& session) {
    const core::AppState& state = session.state;
    const core::BatchRequest request = *session.request;
    core::BatchConfirmation confirmation =
        core::batchConfirmation(request.mode, request.moveDir, request.column,
                                core::filesWithFullScore(state.list, request.column));
    SetDlgItemTextA(dialog, IDOK, confirmation.action.c_str());
    EnableWindow(GetDlgItem(dialog, IDOK), confirmation.canStart);
    SetDlgItemTextA(dialog, IDC_PROMPT_MESSAGE, confirmation.message.c_str());
    SetDlgItemTextA(dialog, IDCANCEL, "Cancel action and do nothing");
    session.large = makeFont("Arial", 25, 50);
    session.small = makeFont("Arial", 16, 50);
    for (int id : {IDOK, IDCANCEL, IDC_PROMPT_MESSAGE}) setControlFont(dialog, id, session.large.get());
    setControlFont(dialog, IDC_PROMPT_MESSAGE, session.small.get());
    fitPromptToTexts(dialog);
}

// The batch is marked running before its thread starts, and the worker is
// handed what to do: a Cancel at any moment from here on reaches it.
void startWorker(HWND dialog, BatchSession& session) {
    core::AppState& state = session.state;
    if (!session.request || !core::beginBatch(state, *session.request)) return;
    auto work = [&state, dialog, request = *session.request] {
        core::BatchEffects effects;
        effects.recycle = [dialog](const std::vector<std::string>& paths) {
            platform::win32::recycleFiles(dialog, paths, kBatchRecycleFlags);
        };
        effects.showProgress = [dialog](const std::string& line) {
            SetDlgItemTextA(dialog, IDC_PROGRESS_LINE, line.c_str());
        };
        core::runBatchDelete(state.list, state.runState, request, effects);
    };
    try {
        std::thread(work).detach();
    } catch (const std::system_error&) {
        state.runState.store(core::run_state::kIdle);
    }
}

void onStart(HWND dialog, BatchSession& session) {
    session.started = true;
    startWorker(dialog, session);
    SetTimer(dialog, kEndTimerId, kEndTimerPeriodMs, nullptr);
    ShowWindow(GetDlgItem(dialog, IDOK), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_PROGRESS_LINE), SW_SHOW);
}

void onCancel(HWND dialog, BatchSession& session) {
    // While the worker runs it is asked to stop, and the dialog stays for its summary.
    if (!core::cancelBatch(session.state)) return;
    // Closed before the timer noticed the end: the rows have gone stale all the same.
    if (session.started) session.state.list.clearRows();
    EndDialog(dialog, IDCANCEL);
}

// Once the worker has ended the list is cleared, and the summary stays on
// the progress line until the user closes the dialog.
void onEndTimer(HWND dialog, BatchSession& session) {
    if (session.state.runState.load() != core::run_state::kIdle) return;
    KillTimer(dialog, kEndTimerId);
    session.state.list.clearRows();
    SetDlgItemTextA(dialog, IDCANCEL, "Close");
}

INT_PTR CALLBACK batchProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<BatchSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            session = reinterpret_cast<BatchSession*>(lParam);
            // A request that does not stand (a column that may not be
            // disposed of) is called off, not shown with made-up words.
            session->request = core::requestedBatch(session->state);
            if (!session->request) {
                core::cancelBatch(session->state);
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            initialise(dialog, *session);
            return TRUE;
        case WM_COMMAND:
            if (!session) return FALSE;
            if (LOWORD(wParam) == IDOK && IsWindowVisible(GetDlgItem(dialog, IDOK)) &&
                IsWindowEnabled(GetDlgItem(dialog, IDOK)))
                onStart(dialog, *session);
            if (LOWORD(wParam) == IDCANCEL) onCancel(dialog, *session);
            return TRUE;
        case WM_TIMER:
            if (session && wParam == kEndTimerId) onEndTimer(dialog, *session);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void openBatchDelete(MainWindow& main) {
    BatchSession session{main.state, {}, {}, false, std::nullopt};
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(main.window, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROMPT), main.window, batchProc,
                    reinterpret_cast<LPARAM>(&session));
}

}  // namespace ui
