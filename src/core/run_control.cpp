#include "core/run_control.h"

#include <optional>

#include "platform/platform.h"

namespace core {
namespace {

void call(const std::function<void()>& effect) {
    if (effect) effect();
}

std::string read(const std::function<std::string()>& edit) {
    return edit ? edit() : std::string();
}

// The request the edits make, or nothing when a path it needs is empty. In
// the folder modes path B, the reference folder, may be empty.
std::optional<RunRequest> requestFromEdits(const AppState& state, const WindowEffects& effects) {
    std::string pathA = read(effects.readPathEditA);
    if (pathA.empty()) return std::nullopt;
    std::string pathB = read(effects.readPathEditB);
    if (pathB.empty() && state.settings.searchMode == search_mode::kFile) return std::nullopt;
    return requestFromSettings(state.settings, std::move(pathA), std::move(pathB), state.dataFolder);
}

// The abort request proper; the caller holds controlMutex and has seen a
// worker still running.
void abortLocked(AppState& state) {
    // The gate opens last: a paused worker that wakes must already see the
    // request, or it would read one more chunk before it stops.
    state.runState.store(run_state::kStopping);
    state.runControl.store(run_control::kAbort);
    state.pauseGate.open();
}

void saveAndClose(const WindowEffects& effects) {
    call(effects.saveSettings);
    call(effects.destroyWindow);
}

// The end of a close confirmed during a run: once nothing runs, the window
// goes, without saving the settings.
void closeIfIdle(AppState& state, const WindowEffects& effects) {
    if (state.runState.load() != run_state::kIdle) return;
    state.closePending = false;
    call(effects.stopCloseTimer);
    call(effects.destroyWindow);
}

}  // namespace

void startRun(AppState& state, const WindowEffects& effects) {
    state.list.clearRows();
    std::optional<RunRequest> request = requestFromEdits(state, effects);
    if (!request) return;
    if (const char* refusal = refusalOf(*request)) {
        if (effects.refuseRun) effects.refuseRun(refusal);
        return;
    }
    startPreparedRun(state, effects, *request);
}

void startPreparedRun(AppState& state, const WindowEffects& effects, const RunRequest& request) {
    state.referenceInList = request.mode != search_mode::kFile && !request.reference.empty();
    state.runState.store(run_state::kRunning);
    call(effects.startProgressTimer);
    state.progressPercent.store(0);
    state.pairCount.store(0);
    call(effects.refreshEditStates);
    if (effects.startWorker) effects.startWorker(request);
}

void togglePause(AppState& state, const WindowEffects& effects) {
    {
        std::lock_guard lock(state.controlMutex);
        // A worker that has just ended must not be left paused.
        if (workerRuns(state.runState.load())) {
            std::uint32_t control = state.runControl.load();
            if (control == run_control::kPaused) {
                state.runControl.store(run_control::kRun);
                state.pauseGate.open();
            } else if (control == run_control::kRun) {
                state.runControl.store(run_control::kPaused);
                state.pauseGate.close();
            }
        }
    }
    call(effects.repaintStrip);
}

void requestAbort(AppState& state) {
    std::lock_guard lock(state.controlMutex);
    if (workerRuns(state.runState.load())) abortLocked(state);
}

void endRun(AppState& state, const WindowEffects& effects) {
    if (const char* text = runFailureText(state.runFailure.load())) platform::showMessage(text);
    {
        std::lock_guard lock(state.controlMutex);
        state.runState.store(run_state::kIdle);
        state.runControl.store(run_control::kRun);
        // A pause given in the last moment would otherwise hold the next run.
        state.pauseGate.open();
    }
    call(effects.refreshEditStates);
    call(effects.runEnded);
}

void beginWorker(AppState& state) {
    state.runFailure.store(run_failure::kNone);
    state.startRowWritten.store(false);
}

void failRun(AppState& state, platform::IoFault fault) {
    std::uint32_t failure =
        fault == platform::IoFault::OutOfMemory ? run_failure::kOutOfMemory : run_failure::kOutOfHandles;
    std::lock_guard lock(state.controlMutex);
    if (!workerRuns(state.runState.load())) return;
    std::uint32_t none = run_failure::kNone;
    state.runFailure.compare_exchange_strong(none, failure);
    abortLocked(state);
}

const char* runFailureText(std::uint32_t failure) {
    switch (failure) {
        case run_failure::kOutOfHandles: return "Too many open files: the run was stopped";
        case run_failure::kOutOfMemory: return "Not enough memory: the run was stopped";
        default: return nullptr;
    }
}

void onCloseRequest(AppState& state, const WindowEffects& effects) {
    if (state.runState.load() == run_state::kIdle) {
        saveAndClose(effects);
        return;
    }
    std::uint32_t answer = effects.askCloseDuringRun ? effects.askCloseDuringRun() : kPromptSecond;
    if (answer != kPromptFirst) return;
    bool stillRunning;
    {
        std::lock_guard lock(state.controlMutex);
        std::uint32_t runState = state.runState.load();
        stillRunning = runState != run_state::kIdle;
        // Only a comparison or search worker listens for the abort; other
        // busy states end by themselves, and the close timer waits for them.
        if (workerRuns(runState)) abortLocked(state);
    }
    if (stillRunning) {
        // The worker's end closes the window; the timer is there in case a
        // busy state other than a worker's ends without telling.
        state.closePending = true;
        call(effects.startCloseTimer);
    } else {
        saveAndClose(effects);
    }
}

void onProgressTimerTick(AppState& state, const WindowEffects& effects) {
    std::uint32_t runState = state.runState.load();
    if (!workerRuns(runState)) {
        call(effects.repaintStrip);
        call(effects.stopProgressTimer);
    } else if (state.runControl.load() == run_control::kRun) {
        call(effects.repaintProgress);
    }
}

void onCloseTimerTick(AppState& state, const WindowEffects& effects) { closeIfIdle(state, effects); }

void onRunEnded(AppState& state, const WindowEffects& effects) {
    if (state.closePending) closeIfIdle(state, effects);
}

}  // namespace core
