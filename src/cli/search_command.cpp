// pairlook-cli search: the folder search of the window, on the same worker.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/run_output.h"
#include "core/folders.h"
#include "core/run.h"
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
int exitStatus(const Finished& finished, const Arguments& options) {
    const core::RunOutcome& outcome = finished.outcome;
    const std::string& given = outcome.referenceRefused ? options.reference : options.operands[0];
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

// In the per-user data folder, as the window keeps its settings; on a
// system where even the user's configuration folder is missing, it is made.
// No such folder known: no cache.
std::string defaultCacheFile() {
    const std::string appData = platform::appDataFolder();
    if (appData.empty()) return {};
    platform::createFolder(appData.c_str());
    return core::userDataFolder() + core::kCacheFileName;
}

}  // namespace

int runSearchCommand(const Arguments& options) {
    core::AppState state;
    core::RunRequest request;
    request.mode = options.quick ? core::search_mode::kQuickDir : core::search_mode::kDirectory;
    request.pathA = folderText(options.operands[0]);
    if (!options.reference.empty()) request.reference = folderText(options.reference);
    if (const char* refusal = core::refusalOf(request)) {
        std::fprintf(stderr, "pairlook-cli: %s\n", refusal);
        return kExitTrouble;
    }
    request.hash = !options.noHash;
    request.matchPercent = options.matchPercent;
    request.fileLimit = options.maxFiles == 0 || options.maxFiles >= search::kNoIndexCap
                            ? search::kNoIndexCap
                            : static_cast<std::size_t>(options.maxFiles);
    if (!options.noCache) request.cacheFile = options.cacheFile.empty() ? defaultCacheFile() : options.cacheFile;
    // On a terminal the rows appear as they are found; otherwise they are
    // printed in the list's order once the run has ended.
    if (!options.json && standardOutputIsTerminal()) {
        LiveRows live(options.tsv, stdout);
        return exitStatus(runInBackground(state, request, &live), options);
    }
    Finished finished = runInBackground(state, request);
    if (options.json)
        printSearchJson(state, options, request, finished.outcome, stdout);
    else
        printRows(state, options.tsv, request.mode, stdout);
    return exitStatus(finished, options);
}

}  // namespace cli
