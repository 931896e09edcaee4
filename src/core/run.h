// A run as three small types: what the worker is told (the request, fixed
// before its thread starts), what it may touch while it runs (the context),
// and what it ends with (the outcome). No decision is read back from the
// window's state or from the texts of rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/app_state.h"
#include "platform/platform.h"

namespace core {

// The most files the window searches; the rest of the tree is not walked,
// and the Start row says so. pairlook-cli --max-files sets or lifts it.
constexpr std::size_t kWindowFileLimit = 149'900;
constexpr std::size_t kNoFileLimit = static_cast<std::size_t>(-1);

struct RunRequest {
    std::uint32_t mode = search_mode::kFile;
    std::string pathA;  // File mode: the first file; the folder modes: the folder searched
    std::string pathB;  // File mode: the second file
    // The folder modes: a folder the searched one is compared with and that
    // is never touched; only pairs of a searched file (File A) and a file
    // under it (File B) are listed. Empty: the searched folder alone.
    std::string reference;
    std::uint32_t matchPercent = 95;
    bool hash = true;
    std::size_t fileLimit = kWindowFileLimit;
    // The folder modes: the checksum cache read and written; empty for none.
    std::string cacheFile;
    // Said after the limit's words in the Start row: how to lift the limit.
    std::string limitAdvice;
};

// The checksum cache of the window, in its data folder beside the settings.
constexpr char kCacheFileName[] = "dPairSum.dat";

// The request the window's settings and these paths make: in the folder
// modes the second path is the reference folder. With a data folder, and
// "Remember checksums" ticked, the cache lies in it.
RunRequest requestFromSettings(const SettingsBlock& settings, std::string pathA, std::string pathB,
                               const std::optional<std::string>& dataFolder = std::nullopt);

// Why the request must not run, as the user reads it; nullptr when it may.
// The folder searched and its reference folder must be two folders: the
// same folder by another path counts as the same (decided by identity).
const char* refusalOf(const RunRequest& request);

// How a run ended. The rows, the CLI's exit status and its JSON read this.
enum class RunStatus : std::uint8_t {
    Complete,    // a search that ran to its end
    Aborted,     // the user's abort (or a pause at the very end)
    Limit,       // a search that ran to its end, but the file limit cut the tree
    NotFound,    // the folder is missing or not a folder
    CannotOpen,  // the folder exists but could not be listed
    Same,        // File mode: no byte differs
    Different,   // File mode: the files differ
    Error,       // a file could not be opened or read, or the process ran short: see message
};

// What a walk of the tree left out, and why.
struct LeftOut {
    std::uint64_t folders = 0;  // folders that could not be opened or listed
    std::uint64_t links = 0;    // links (and Windows mount points, which are links there), never followed
    bool operator==(const LeftOut&) const = default;
};

struct RunOutcome {
    RunStatus status = RunStatus::Complete;
    std::string message;          // Error: what went wrong, as the user reads it
    std::uint64_t filesFound = 0;  // folder modes: files of the searched folder
    std::uint64_t referenceFiles = 0;  // files of the reference folder
    // NotFound, CannotOpen: it was the reference folder that failed.
    bool referenceRefused = false;
    LeftOut leftOut;
    std::uint64_t pairs = 0;       // pair rows listed
};

// A run that could not get its buffers: no rows, after the message.
RunOutcome notEnoughMemory();

// The status as pairlook-cli's JSON names it.
const char* statusName(RunStatus status);

// What a worker may touch while it runs: the abort request, the pause gate,
// the bar, the file in hand, the failure of the process and the rows. It
// cannot read the window's options or paths: those come in the request.
class RunContext {
public:
    explicit RunContext(AppState& state)
        : pauseGate(state.pauseGate),
          progressPercent(state.progressPercent),
          currentFile(state.currentFile),
          rows(state.list),
          pairCount(state.pairCount),
          startRowWritten(state.startRowWritten),
          runControl(state.runControl),
          state_(state) {}

    bool abortRequested() const { return runControl.load() == run_control::kAbort; }
    // The run ends "Aborted" rather than "End": an abort, or a pause given
    // as the run ended.
    bool stoppedByUser() const { return runControl.load() != run_control::kRun; }
    // The process ran out of handles or memory: the run stops as for an
    // abort and ends with that message. Safe from any thread.
    void fail(platform::IoFault fault);
    // The message of such a failure, or nullptr.
    const char* failureText() const;

    PauseGate& pauseGate;
    std::atomic<std::uint32_t>& progressPercent;
    SharedText& currentFile;
    ResultList& rows;
    std::atomic<std::uint32_t>& pairCount;  // pair rows written
    std::atomic<bool>& startRowWritten;     // the Start row stands whole
    const std::atomic<std::uint32_t>& runControl;

private:
    AppState& state_;
};

}  // namespace core
