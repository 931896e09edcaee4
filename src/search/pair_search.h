// The folder-mode worker: indexes the folder in state.pathA, finds every pair
// of files whose score reaches matchPercent and lists them between a "Start"
// and an "End" (or "Aborted") row.
#pragma once

#include <cstddef>

#include "core/app_state.h"
#include "core/run_control.h"
#include "search/classes.h"
#include "search/indexer.h"
#include "search/prefix_decider.h"

namespace search {

// Sizes the search works with; tests shrink them to reach every path with
// small trees. The rows never depend on them, but for the index cap: the
// most files searched (kNoIndexCap for no limit; pairlook-cli --max-files).
struct SearchTuning {
    std::size_t indexCap = kIndexCap;
    ClassTuning classes;
    PrefixTuning prefixes;
    // Threads beside the search's own that list folders and read heads;
    // -1: one per further core.
    int helperThreads = -1;
};

// Each of the two compare buffers of a search.
constexpr std::size_t kSearchBufferSize = 10'000'050;

// Runs on the worker's own thread; ends with endRun.
void runPairSearch(core::AppState& state, const core::WindowEffects& effects);
void runPairSearch(core::AppState& state, const core::WindowEffects& effects, const SearchTuning& tuning);

}  // namespace search
