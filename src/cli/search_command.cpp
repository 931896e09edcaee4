// pairlook-cli search: the folder search of the window, on the same worker.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/run_output.h"
#include "platform/platform.h"
#include "search/pair_search.h"
#include "text/text.h"

namespace cli {
namespace {

// The engine puts one separator between the folder text and each name, so a
// trailing separator is dropped ("dir/" searches as "dir"). A root keeps its
// own ("/", or "C:\" on Windows): its files then read "//name" or "C:\\name",
// which still open.
std::string folderText(std::string folder) {
    auto isRoot = [](const std::string& f) {
        return f.size() == 1 || (f.size() == 3 && f[1] == ':');
    };
    while (!folder.empty() && folder.back() == platform::kPathSeparator && !isRoot(folder)) folder.pop_back();
    return folder;
}

// The closing row is the last row, or row 0 above "Indexing...." when no
// file was searched. A run that could not start (no memory) leaves no rows;
// one stopped by a failure of the process ends "Aborted" too.
int exitStatus(const core::AppState& state, bool interrupted) {
    if (interrupted) return kExitInterrupted;
    if (state.runFailure.load() != core::run_failure::kNone) return kExitTrouble;
    int rows = state.list.rowCount();
    if (rows == 0) return kExitTrouble;
    int closing = state.list.readCell(rows - 1, 0) == "Indexing...." ? 0 : rows - 1;
    return state.list.readCell(closing, 0) == "End" ? 0 : kExitTrouble;
}

}  // namespace

int runSearchCommand(const Arguments& options) {
    const std::string& given = options.operands[0];
    std::string folder = folderText(given);
    if (!platform::isFolder(folder.c_str())) {
        std::fprintf(stderr, "pairlook-cli: '%s' is not a folder\n", given.c_str());
        return kExitTrouble;
    }
    // The folder text lives in a 600-byte field; a cut one would search elsewhere.
    if (folder.size() > text::kTextLimit) {
        std::fprintf(stderr, "pairlook-cli: the folder path is longer than %zu bytes\n", text::kTextLimit);
        return kExitTrouble;
    }

    core::AppState state;
    state.settings.searchMode = options.quick ? core::search_mode::kQuickDir : core::search_mode::kDirectory;
    state.settings.hashEnabled = options.noHash ? 0 : 1;
    state.settings.matchPercent = options.matchPercent;
    state.setPathA(folder);
    // What startRun does before it starts the worker.
    state.runState.store(core::run_state::kRunning);
    state.progressPercent.store(0);
    state.pairCount.store(0);
    const core::WindowEffects effects = consoleEffects();
    // On a terminal the rows appear as they are found; otherwise they are
    // printed in the list's order once the run has ended.
    if (!options.json && standardOutputIsTerminal()) {
        LiveRows live(options.tsv, stdout);
        bool interrupted = runWorker(state, [&] { search::runPairSearch(state, effects); }, &live);
        return exitStatus(state, interrupted);
    }
    bool interrupted = runWorker(state, [&] { search::runPairSearch(state, effects); });

    if (options.json)
        printSearchJson(state, options, folder,
                        runWasAborted(state, interrupted) ? RunStatus::Aborted : RunStatus::Complete, stdout);
    else
        printRows(state, options.tsv, stdout);
    return exitStatus(state, interrupted);
}

}  // namespace cli
