// The folder-mode worker: indexes the folder of the request, finds every
// pair of files whose score reaches matchPercent and lists them between a
// "Start" and an "End" (or "Aborted") row.
#pragma once

#include <cstddef>

#include "core/run.h"
#include "search/classes.h"
#include "search/indexer.h"
#include "search/prefix_decider.h"

namespace search {

// Sizes the search works with; tests shrink them to reach every path with
// small trees. The rows never depend on them.
struct SearchTuning {
    ClassTuning classes;
    PrefixTuning prefixes;
    // Threads beside the search's own that list folders and read heads;
    // -1: one per further core.
    int helperThreads = -1;
};

// Each of the two compare buffers of a search.
constexpr std::size_t kSearchBufferSize = 10'000'050;

// Searches request.pathA (Directory or Quick Dir, request.mode), writing the
// rows as it goes, and returns how it ended. Not enough memory for its
// buffers: no rows, an Error outcome.
core::RunOutcome searchFolder(const core::RunRequest& request, core::RunContext& context,
                              const SearchTuning& tuning = {});

}  // namespace search
