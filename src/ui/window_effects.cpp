#include "ui/window_effects.h"

#include <system_error>
#include <thread>

#include "core/settings.h"
#include "core/strip_model.h"
#include "resource_ids.h"
#include "search/worker.h"
#include "ui/main_window.h"
#include "ui/placement.h"
#include "ui/prompt_dialog.h"
#include "ui/window_text.h"

namespace ui {
namespace {

// Without erasing: the strip is drawn whole, background included.
void repaint(HWND window, const core::StripRect& area) {
    RECT rect{area.left, area.top, area.right, area.bottom};
    InvalidateRect(window, &rect, FALSE);
}


// The paths are kept as the user left them in the edits, not as a run or
// a chooser last had them.
void saveSettings(HWND window, core::AppState& state) {
    storePlacement(window, state.settings.placement);
    core::keepPathEdits(state.settings, dialogItemText(window, IDC_PATH_A), dialogItemText(window, IDC_PATH_B));
    core::saveSettings(state);
}

std::uint32_t askCloseDuringRun(HWND window, core::AppState& state) {
    return askSmall(window, state,
                    "Pairlook is in the middle of a search. If you stop now you will need to start again from the "
                    "beginning.",
                    "I know, close anyway.", "Don't close.")
               ? core::kPromptFirst
               : core::kPromptSecond;
}

// The worker gets its own copy of the effects: the window's copy goes with
// the window, which may close while the worker takes its last step. What it
// is to do is fixed here, before its thread starts.
void startWorkerThread(core::AppState& state, const core::WindowEffects& effects, const core::RunRequest& request) {
    auto work = [&state, effects, request] { search::runWorker(state, effects, request); };
    try {
        std::thread(work).detach();
    } catch (const std::system_error&) {
        // No thread, no run: back to idle as a run that ended at once.
        core::endRun(state, effects);
    }
}

}  // namespace

core::WindowEffects makeWindowEffects(HWND window, core::AppState& state) {
    core::WindowEffects effects;
    effects.readPathEditA = [window] { return dialogItemText(window, IDC_PATH_A); };
    effects.readPathEditB = [window] { return dialogItemText(window, IDC_PATH_B); };
    effects.startProgressTimer = [window] { SetTimer(window, kProgressTimerId, kProgressTimerPeriodMs, nullptr); };
    effects.stopProgressTimer = [window] { KillTimer(window, kProgressTimerId); };
    effects.startCloseTimer = [window] { SetTimer(window, kCloseTimerId, kCloseTimerPeriodMs, nullptr); };
    effects.stopCloseTimer = [window] { KillTimer(window, kCloseTimerId); };
    effects.repaintStrip = [window, &state] { repaint(window, core::stripArea(state.clientWidth)); };
    effects.repaintProgress = [window, &state] { repaint(window, core::progressArea(state.clientWidth)); };
    effects.refreshEditStates = [window] { refreshEditStates(window); };
    effects.runEnded = [window] { PostMessageA(window, kRunEndedMessage, 0, 0); };
    effects.saveSettings = [window, &state] { saveSettings(window, state); };
    effects.destroyWindow = [window] { DestroyWindow(window); };
    effects.askCloseDuringRun = [window, &state] { return askCloseDuringRun(window, state); };
    effects.refuseRun = [window](const char* why) {
        MessageBoxA(window, why, PAIRLOOK_TITLE, MB_OK | MB_ICONINFORMATION);
    };
    core::WindowEffects forWorker = effects;
    effects.startWorker = [&state, forWorker](const core::RunRequest& request) {
        startWorkerThread(state, forWorker, request);
    };
    return effects;
}

}  // namespace ui
