// pairlook-cli search: the folder search of the window, on the same worker.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/run_output.h"
#include "platform/platform.h"
#include "search/indexer.h"

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

// The status the outcome stands for; a folder that could not be searched at
// all, or a run that failed, is said on standard error too.
int exitStatus(const Finished& finished, const std::string& given) {
    const core::RunOutcome& outcome = finished.outcome;
    if (finished.interrupted) return kExitInterrupted;
    switch (outcome.status) {
        case core::RunStatus::Complete: return kExitSame;
        case core::RunStatus::Limit: return kExitLimitReached;
        case core::RunStatus::NotFound:
            std::fprintf(stderr, "pairlook-cli: '%s' is not a folder\n", given.c_str());
            return kExitTrouble;
        case core::RunStatus::CannotOpen:
            std::fprintf(stderr, "pairlook-cli: cannot open the folder '%s'\n", given.c_str());
            return kExitTrouble;
        case core::RunStatus::Error:
            std::fprintf(stderr, "pairlook-cli: %s\n", outcome.message.c_str());
            return kExitTrouble;
        default: return kExitTrouble;
    }
}

}  // namespace

int runSearchCommand(const Arguments& options) {
    const std::string& given = options.operands[0];
    core::AppState state;
    core::RunRequest request;
    request.mode = options.quick ? core::search_mode::kQuickDir : core::search_mode::kDirectory;
    request.pathA = folderText(given);
    request.hash = !options.noHash;
    request.matchPercent = options.matchPercent;
    request.fileLimit = options.maxFiles == 0 || options.maxFiles >= search::kNoIndexCap
                            ? search::kNoIndexCap
                            : static_cast<std::size_t>(options.maxFiles);
    // On a terminal the rows appear as they are found; otherwise they are
    // printed in the list's order once the run has ended.
    if (!options.json && standardOutputIsTerminal()) {
        LiveRows live(options.tsv, stdout);
        return exitStatus(runInBackground(state, request, &live), given);
    }
    Finished finished = runInBackground(state, request);
    if (options.json)
        printSearchJson(state, options, request.pathA, finished.outcome, stdout);
    else
        printRows(state, options.tsv, request.mode, stdout);
    return exitStatus(finished, given);
}

}  // namespace cli
