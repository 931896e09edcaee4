// The folder-mode worker: indexes the folder in state.pathA, finds every pair
// of files whose score reaches matchPercent and lists them between a "Start"
// and an "End" (or "Aborted") row.
#pragma once

#include "core/app_state.h"
#include "core/run_control.h"

namespace search {

// Runs on the worker's own thread; ends with endRun.
void runPairSearch(core::AppState& state, const core::WindowEffects& effects);

}  // namespace search
