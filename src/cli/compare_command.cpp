// pairlook-cli compare [--tsv | --json] FILE_A FILE_B: a File-mode run,
// started and ended as the window starts and ends it, with the rows on
// standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/run_output.h"
#include "compare/compare_files.h"

namespace cli {
namespace {

// The exit status the last row stands for.
int exitStatusOf(const core::ResultList& list) {
    int rows = list.rowCount();
    if (rows == 0) return kExitTrouble;  // not enough memory: no rows at all
    std::string verdict = list.readCell(rows - 1, 2);
    if (verdict == "Same") return kExitSame;
    if (verdict == "Fault" || verdict == "Error opening file") return kExitTrouble;
    return kExitDiffer;
}

}  // namespace

int runCompareCommand(const Arguments& parsed) {
    static core::AppState state;  // large; one per process, like the program's
    state.settings.searchMode = core::search_mode::kFile;
    core::WindowEffects effects = consoleEffects();
    effects.readPathEditA = [&] { return parsed.operands[0]; };
    effects.readPathEditB = [&] { return parsed.operands[1]; };
    core::startRun(state, effects);

    bool interrupted = runWorker(state, [&] { compare::runFileComparison(state, effects); });
    if (parsed.json)
        printCompareJson(state, parsed, runWasAborted(state, interrupted) ? RunStatus::Aborted : RunStatus::Complete,
                         stdout);
    else
        printRows(state, parsed.tsv, stdout);
    if (interrupted) return kExitInterrupted;
    if (state.runFailure.load() != core::run_failure::kNone) return kExitTrouble;
    return exitStatusOf(state.list);
}

}  // namespace cli
