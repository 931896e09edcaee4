// pairlook-cli compare [--tsv] FILE_A FILE_B: a File-mode run, started and
// ended as the window starts and ends it, with the rows on standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/run_output.h"
#include "compare/compare_files.h"
#include "text/text.h"

namespace cli {
namespace {

struct CompareArgs {
    bool tsv = false;
    std::vector<std::string> files;
};

// Fills `parsed`; returns an empty text, or what is wrong with the arguments.
std::string parseCompareArgs(const std::vector<std::string>& args, CompareArgs& parsed) {
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--tsv") {
            parsed.tsv = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return "compare: unknown option '" + arg + "'";
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.files.size() != 2) return "compare needs two files: FILE_A FILE_B";
    for (const std::string& file : parsed.files) {
        if (file.empty()) return "compare: a file name is empty";
        // A cut path could name another file; the program's paths hold 599 bytes.
        if (file.size() > text::kTextLimit) return "compare: a path is longer than 599 bytes";
    }
    return {};
}

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

int runCompareCommand(const std::vector<std::string>& args) {
    CompareArgs parsed;
    if (std::string problem = parseCompareArgs(args, parsed); !problem.empty()) return usageError(problem);

    static core::AppState state;  // large; one per process, like the program's
    state.settings.searchMode = core::search_mode::kFile;
    core::WindowEffects effects = consoleEffects();
    effects.readPathEditA = [&] { return parsed.files[0]; };
    effects.readPathEditB = [&] { return parsed.files[1]; };
    core::startRun(state, effects);

    bool interrupted = runWorker(state, [&] { compare::runFileComparison(state, effects); });
    printRows(state, parsed.tsv, stdout);
    std::fflush(stdout);
    if (interrupted) return kExitInterrupted;
    return exitStatusOf(state.list);
}

}  // namespace cli
