#include "ui/window_effects.h"

#include "core/settings.h"
#include "resource_ids.h"
#include "ui/main_window.h"
#include "ui/placement.h"

namespace ui {
namespace {

void repaintTop(HWND window, int height, int rightMargin) {
    RECT client;
    GetClientRect(window, &client);
    RECT area{0, 0, client.right - rightMargin, height};
    InvalidateRect(window, &area, FALSE);
}

void saveSettings(HWND window, core::AppState& state) {
    storePlacement(window, state.settings.placement);
    core::saveSettings(state);
}

}  // namespace

std::uint32_t askCloseDuringRun(HWND owner) {
    int answer = MessageBoxA(owner,
                             "Pairlook is in the middle of a search. If you stop now you will need to start "
                             "again from the beginning.\r\n\r\nClose anyway?",
                             PAIRLOOK_TITLE, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    return answer == IDYES ? core::kPromptFirst : core::kPromptSecond;
}

core::WindowEffects makeWindowEffects(HWND window, core::AppState& state) {
    core::WindowEffects effects;
    effects.startProgressTimer = [window] { SetTimer(window, kProgressTimerId, kProgressTimerPeriodMs, nullptr); };
    effects.stopProgressTimer = [window] { KillTimer(window, kProgressTimerId); };
    effects.startCloseTimer = [window] { SetTimer(window, kCloseTimerId, kCloseTimerPeriodMs, nullptr); };
    effects.stopCloseTimer = [window] { KillTimer(window, kCloseTimerId); };
    effects.repaintStrip = [window] { repaintTop(window, kStripHeight, 0); };
    effects.repaintProgress = [window] {
        repaintTop(window, kProgressAreaHeight, kProgressAreaRightMargin);
    };
    effects.saveSettings = [window, &state] { saveSettings(window, state); };
    effects.destroyWindow = [window] { DestroyWindow(window); };
    effects.askCloseDuringRun = [window] { return askCloseDuringRun(window); };
    return effects;
}

}  // namespace ui
