// pairlook-cli search: the folder search of the window, on the same worker.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/run_output.h"
#include "platform/platform.h"
#include "search/pair_search.h"
#include "text/text.h"

namespace cli {
namespace {

struct SearchOptions {
    bool tsv = false;
    std::uint32_t searchMode = core::search_mode::kDirectory;
    std::uint32_t hashEnabled = 1;
    std::uint32_t matchPercent = 95;
    std::string folder;
};

bool parsePercent(const std::string& value, std::uint32_t& percent) {
    if (value.empty() || value.size() > 3) return false;
    for (char c : value)
        if (c < '0' || c > '9') return false;
    percent = text::decimalValue(value);
    return percent <= 100;
}

// Returns an empty text when the options are good, else what is wrong.
std::string parseOptions(const std::vector<std::string>& args, SearchOptions& options) {
    bool haveFolder = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--tsv") {
            options.tsv = true;
        } else if (arg == "--quick") {
            options.searchMode = core::search_mode::kQuickDir;
        } else if (arg == "--no-hash") {
            options.hashEnabled = 0;
        } else if (arg == "--match") {
            if (k + 1 == args.size() || !parsePercent(args[k + 1], options.matchPercent))
                return "--match takes a percent from 0 to 100";
            ++k;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            return "unknown option '" + arg + "'";
        } else {
            if (arg == "--") {
                if (++k == args.size()) break;
            }
            if (haveFolder || k + 1 != args.size()) return "search takes one FOLDER";
            options.folder = args[k];
            haveFolder = true;
        }
    }
    return haveFolder ? std::string() : "search needs a FOLDER";
}

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
// file was searched. A run that could not start (no memory) leaves no rows.
int exitStatus(const core::AppState& state) {
    int rows = state.list.rowCount();
    if (rows == 0) return kExitTrouble;
    int closing = state.list.readCell(rows - 1, 0) == "Indexing...." ? 0 : rows - 1;
    std::string last = state.list.readCell(closing, 0);
    if (last == "End") return 0;
    return last == "Aborted" ? kExitInterrupted : kExitTrouble;
}

}  // namespace

int runSearchCommand(const std::vector<std::string>& args) {
    SearchOptions options;
    if (std::string problem = parseOptions(args, options); !problem.empty()) return usageError(problem);
    std::string folder = folderText(options.folder);
    if (!platform::isFolder(folder.c_str())) {
        std::fprintf(stderr, "pairlook-cli: '%s' is not a folder\n", options.folder.c_str());
        return kExitTrouble;
    }
    // The folder text lives in a 600-byte field; a cut one would search elsewhere.
    if (folder.size() > text::kTextLimit) {
        std::fprintf(stderr, "pairlook-cli: the folder path is longer than %zu bytes\n", text::kTextLimit);
        return kExitTrouble;
    }

    core::AppState state;
    state.settings.searchMode = options.searchMode;
    state.settings.hashEnabled = options.hashEnabled;
    state.settings.matchPercent = options.matchPercent;
    state.setPathA(folder);
    // What startRun does before it starts the worker.
    state.runState.store(core::run_state::kRunning);
    state.progressPercent.store(0);
    state.pairCount.store(0);
    const core::WindowEffects effects = consoleEffects();
    runWorker(state, [&] { search::runPairSearch(state, effects); });

    printRows(state, options.tsv, stdout);
    return exitStatus(state);
}

}  // namespace cli
