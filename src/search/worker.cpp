#include "search/worker.h"

#include "compare/compare_files.h"

namespace search {

core::RunOutcome runWorker(core::AppState& state, const core::WindowEffects& effects, const core::RunRequest& request,
                           const SearchTuning& tuning) {
    core::beginWorker(state);
    core::RunContext context(state);
    core::RunOutcome outcome = request.mode == core::search_mode::kFile
                                   ? compare::compareFiles(request, context)
                                   : searchFolder(request, context, tuning);
    core::endRun(state, effects);
    return outcome;
}

}  // namespace search
