// Run control: starting a worker, pause, resume, abort, the end of a run, the
// close request and the two timer ticks. The window-side effects are handed
// in, so the logic runs and is tested without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/app_state.h"
#include "core/run.h"
#include "platform/platform.h"

namespace core {

// Prompt answers.
constexpr std::uint32_t kPromptFirst = 1;
constexpr std::uint32_t kPromptSecond = 2;

struct WindowEffects {
    std::function<std::string()> readPathEditA;
    std::function<std::string()> readPathEditB;
    std::function<void()> startProgressTimer;   // id 1, 100 ms
    std::function<void()> stopProgressTimer;
    std::function<void()> startCloseTimer;      // id 2, 1,000 ms
    std::function<void()> stopCloseTimer;
    // On a new thread, handed the request it is to carry out.
    std::function<void(const RunRequest& request)> startWorker;
    std::function<void()> repaintStrip;         // the whole strip
    std::function<void()> repaintProgress;      // the progress area only
    std::function<void()> refreshEditStates;    // may be called from a worker
    std::function<void()> runEnded;             // from the worker: onRunEnded on the window's thread
    std::function<void()> saveSettings;
    std::function<void()> destroyWindow;
    std::function<std::uint32_t()> askCloseDuringRun;  // the prompt; returns kPromptFirst or kPromptSecond
    std::function<void(const char* why)> refuseRun;   // a message: Start was pressed, but nothing runs
};

// Start while idle: clears the list, reads the path edits into the request
// of the current mode and options (in the folder modes edit B holds the
// reference folder, which may be empty), and starts the worker. An empty
// path starts nothing; a request that must not run (refusalOf) is refused
// with its message.
void startRun(AppState& state, const WindowEffects& effects);
// The run itself, for a request made already: the details dialog's Detail
// View starts here. The edits are disabled before the worker starts.
void startPreparedRun(AppState& state, const WindowEffects& effects, const RunRequest& request);
// Pause from run, Resume from pause; nothing once an abort was requested.
void togglePause(AppState& state, const WindowEffects& effects);
// Opens the gate so a paused worker sees the request; does nothing once the
// worker has ended.
void requestAbort(AppState& state);
// The worker's last step, on its own thread, after it has freed its buffers.
void endRun(AppState& state, const WindowEffects& effects);

// The close box, system menu or Exit: saves and closes while idle; asks, and
// aborts, during a run.
void onCloseRequest(AppState& state, const WindowEffects& effects);
void onProgressTimerTick(AppState& state, const WindowEffects& effects);
void onCloseTimerTick(AppState& state, const WindowEffects& effects);
// The worker's end, told on the window's thread: a close that waits for it
// happens now, not at the close timer's next tick.
void onRunEnded(AppState& state, const WindowEffects& effects);

// A worker's first step: no failure yet, no Start row.
void beginWorker(AppState& state);
// The process ran out of handles or memory while the worker ran: results
// would silently change, so the run stops as for an abort (its last row reads
// "Aborted"), and endRun tells the user why. Safe from any thread.
void failRun(AppState& state, platform::IoFault fault);
// The message for runFailure, or nullptr for none.
const char* runFailureText(std::uint32_t failure);

}  // namespace core
