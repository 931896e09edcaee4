// What both commands share: running a worker while this thread shows progress
// and turns Ctrl+C into the abort request, and printing the result rows.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/app_state.h"
#include "core/run.h"
#include "core/run_control.h"

namespace cli {

constexpr int kExitSame = 0;
constexpr int kExitDiffer = 1;
constexpr int kExitTrouble = 2;  // a fault, an open error or a usage error
constexpr int kExitLimitReached = 3;  // search: ended, but the file limit cut the tree
constexpr int kExitInterrupted = 130;

// Effects for a run without a window: nothing to repaint or refresh.
core::WindowEffects consoleEffects();

// A folder search's rows printed while it runs, for a terminal: the "Start"
// row, then each pair row soon after it is found (in Directory mode that is
// not always the list's final order), then, once the run has ended, the
// rows not printed yet, the closing row last. A table's columns are as wide
// as the widest a finished table allows, as the rows to come are unknown.
class LiveRows {
public:
    LiveRows(bool tsv, std::FILE* out) : tsv_(tsv), out_(out) {}

    // The rows to print that have appeared since the last call.
    std::vector<std::array<std::string, core::kColumnCount>> take(const core::AppState& state);
    void print(const std::vector<std::array<std::string, core::kColumnCount>>& rows);
    // After the run: the rows left, or every row when none was printed.
    void finish(const core::AppState& state);

private:
    bool firstTime(const std::array<std::string, core::kColumnCount>& row);

    const bool tsv_;
    bool captionPrinted_ = false;
    std::FILE* const out_;
    bool started_ = false;
    std::uint32_t pairsSeen_ = 0;
    std::unordered_set<std::string> printed_;  // File A and File B of each pair row printed
};

// Whether standard output is a terminal.
bool standardOutputIsTerminal();

// What became of a run started from the command line.
struct Finished {
    core::RunOutcome outcome;
    bool interrupted = false;  // by Ctrl+C
};

// Runs the request on a worker thread until it has ended. Meanwhile progress
// goes to standard error (only when it is a terminal), rows to `live` when
// given, and Ctrl+C requests the abort.
Finished runInBackground(core::AppState& state, const core::RunRequest& request, LiveRows* live = nullptr);

// A cell escaped byte by byte: backslash, TAB, LF, CR and other control bytes.
std::string escapeCell(std::string_view cell);
// The rows as they stand: one TAB-joined line per row, or a readable table
// under the column captions of the mode.
void printRows(const core::AppState& state, bool tsv, std::uint32_t searchMode, std::FILE* out);

// One line on standard error; returns the status of a usage error.
int usageError(const std::string& message);

// Flushes and closes standard output; false, after one line on standard
// error, when anything written to it did not arrive.
bool finishStandardOutput();

}  // namespace cli
