// The thread procedure of a run, the same for the window and pairlook-cli:
// File mode compares two files, the folder modes search a folder; then the
// run ends.
#pragma once

#include "core/run.h"
#include "core/run_control.h"
#include "search/pair_search.h"

namespace search {

// Runs the request to its end on this thread, with the state's run words as
// its context, then ends the run (endRun). Returns how it ended.
core::RunOutcome runWorker(core::AppState& state, const core::WindowEffects& effects, const core::RunRequest& request,
                           const SearchTuning& tuning = {});

}  // namespace search
