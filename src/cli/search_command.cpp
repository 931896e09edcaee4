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

// A folder that could not be searched at all: its Start row says why, and
// standard error too. Status 2, as for a usage error.
bool folderRefused(const core::AppState& state, const std::string& given) {
    std::string found = state.list.rowCount() > 0 ? state.list.readCell(0, 1) : std::string();
    if (found == "Folder not found.")
        std::fprintf(stderr, "pairlook-cli: '%s' is not a folder\n", given.c_str());
    else if (found == "Cannot open the folder.")
        std::fprintf(stderr, "pairlook-cli: cannot open the folder '%s'\n", given.c_str());
    else
        return false;
    return true;
}

// The closing row is the last row. A run that could not start (no memory)
// leaves no rows; one stopped by a failure of the process ends "Aborted" too.
// A run that ended but searched only part of the tree says so with status 3.
int exitStatus(const core::AppState& state, const std::string& given, bool interrupted) {
    if (interrupted) return kExitInterrupted;
    if (state.runFailure.load() != core::run_failure::kNone) return kExitTrouble;
    int rows = state.list.rowCount();
    if (rows == 0) return kExitTrouble;
    if (folderRefused(state, given)) return kExitTrouble;
    if (state.list.readCell(rows - 1, 0) != "End") return kExitTrouble;
    return state.limitReached.load() ? kExitLimitReached : kExitSame;
}

// What the JSON document says of the run: an abort outweighs the limit, as
// an aborted run searched less than the limit let it.
RunStatus searchRunStatus(const core::AppState& state, bool interrupted) {
    if (runWasAborted(state, interrupted)) return RunStatus::Aborted;
    return state.limitReached.load() ? RunStatus::Limit : RunStatus::Complete;
}

}  // namespace

int runSearchCommand(const Arguments& options) {
    const std::string& given = options.operands[0];
    std::string folder = folderText(given);
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
    search::SearchTuning tuning;
    tuning.indexCap = options.maxFiles == 0 || options.maxFiles >= search::kNoIndexCap
                          ? search::kNoIndexCap
                          : static_cast<std::size_t>(options.maxFiles);
    const core::WindowEffects effects = consoleEffects();
    // On a terminal the rows appear as they are found; otherwise they are
    // printed in the list's order once the run has ended.
    if (!options.json && standardOutputIsTerminal()) {
        LiveRows live(options.tsv, stdout);
        bool interrupted = runWorker(state, [&] { search::runPairSearch(state, effects, tuning); }, &live);
        return exitStatus(state, given, interrupted);
    }
    bool interrupted = runWorker(state, [&] { search::runPairSearch(state, effects, tuning); });

    if (options.json)
        printSearchJson(state, options, folder, searchRunStatus(state, interrupted), stdout);
    else
        printRows(state, options.tsv, stdout);
    return exitStatus(state, given, interrupted);
}

}  // namespace cli
