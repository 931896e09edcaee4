// pairlook-cli compare [--tsv | --json] FILE_A FILE_B: a File-mode run,
// started and ended as the window starts and ends it, with the rows on
// standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/run_output.h"

namespace cli {
namespace {

// The exit status the run's outcome stands for.
int exitStatusOf(const Finished& finished) {
    if (finished.interrupted) return kExitInterrupted;
    switch (finished.outcome.status) {
        case core::RunStatus::Same: return kExitSame;
        case core::RunStatus::Different: return kExitDiffer;
        default: return kExitTrouble;
    }
}

}  // namespace

int runCompareCommand(const Arguments& parsed) {
    static core::AppState state;  // large; one per process, like the program's
    core::RunRequest request;
    request.mode = core::search_mode::kFile;
    request.pathA = parsed.operands[0];
    request.pathB = parsed.operands[1];
    Finished finished = runInBackground(state, request);
    if (parsed.json)
        printCompareJson(state, parsed, finished.outcome, stdout);
    else
        printRows(state, parsed.tsv, core::search_mode::kFile, stdout);
    if (finished.outcome.status == core::RunStatus::Error)
        std::fprintf(stderr, "pairlook-cli: %s\n", finished.outcome.message.c_str());
    return exitStatusOf(finished);
}

}  // namespace cli
