// The one state record shared by the window thread and the workers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/pause_gate.h"
#include "core/result_list.h"

namespace core {

// runState: what the program is busy with. Codes 1 to 500 mean a comparison
// or search worker runs; the codes above 500 are requests handed between
// dialogs and the state of the batch delete.
namespace run_state {
constexpr std::uint32_t kIdle = 0;
constexpr std::uint32_t kRunning = 1;
constexpr std::uint32_t kStopping = 2;        // end of data, or abort requested
constexpr std::uint32_t kFault = 5;           // a file is empty or 4 GiB or larger
constexpr std::uint32_t kOpenError = 6;       // a file failed to open
constexpr std::uint32_t kDetailRequested = 1001;
constexpr std::uint32_t kBatchColumnA = 1020;
constexpr std::uint32_t kBatchColumnB = 1021;
constexpr std::uint32_t kBatchRunning = 1025;
constexpr std::uint32_t kRightClickIdle = 2000;
constexpr std::uint32_t kBatchCancel = 9999;
constexpr std::uint32_t kLastWorkerCode = 500;
}  // namespace run_state

inline bool workerRuns(std::uint32_t runState) {
    return runState >= 1 && runState <= run_state::kLastWorkerCode;
}

// runControl: the request to the running worker.
namespace run_control {
constexpr std::uint32_t kRun = 0;
constexpr std::uint32_t kPaused = 5;
constexpr std::uint32_t kAbort = 10;
}  // namespace run_control

// runFailure: why the last run was stopped by the process's own trouble
// rather than by the user. Set while a run ends; cleared when the next starts.
namespace run_failure {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kOutOfHandles = 1;
constexpr std::uint32_t kOutOfMemory = 2;
}  // namespace run_failure

namespace search_mode {
constexpr std::uint32_t kFile = 0;
constexpr std::uint32_t kDirectory = 1;
constexpr std::uint32_t kQuickDir = 2;
}  // namespace search_mode

namespace batch_mode {
constexpr std::uint32_t kRecycle = 0;
constexpr std::uint32_t kDelete = 1;
constexpr std::uint32_t kMove = 2;
constexpr std::uint32_t kLink = 3;  // replace with a hard link to the partner
}  // namespace batch_mode

constexpr std::size_t kTextBuffer = 600;  // 599 characters and the NUL

// The window-placement record as the platform stores it: eleven signed words.
struct WindowPlacement {
    std::int32_t length = 0;
    std::int32_t flags = 0;
    std::int32_t showCommand = 0;
    std::int32_t minimisedX = 0;
    std::int32_t minimisedY = 0;
    std::int32_t maximisedX = 0;
    std::int32_t maximisedY = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The stored slice of the state, in file order. Texts are NUL-terminated
// within their field.
struct SettingsBlock {
    std::uint32_t searchMode = 0;
    std::uint32_t alwaysOnTop = 0;
    std::uint32_t matchPercent = 0;
    std::uint32_t reserved1 = 0;
    std::uint32_t transparent = 0;
    std::uint32_t hashEnabled = 0;
    std::uint32_t batchDeleteMode = 0;
    std::uint32_t transparencyLevel = 0;
    // Two bytes of what was reserved, the layout unchanged. 0, the default
    // and what older files hold, remembers checksums ("Remember checksums"
    // ticked); 1 keeps the cache neither read nor written.
    std::uint8_t forgetChecksums = 0;
    // 1: folder searches go past the window's file limit ("Search every file").
    std::uint8_t searchEveryFile = 0;
    std::uint8_t reserved2[26] = {};
    char moveDir[kTextBuffer] = {};
    WindowPlacement placement;
    char pathA[kTextBuffer] = {};
    char pathB[kTextBuffer] = {};
    char currentFileHead[96] = {};  // the first 96 bytes of currentFile
};
static_assert(sizeof(WindowPlacement) == 44);
static_assert(sizeof(SettingsBlock) == 2000);

// A text that one thread writes while another paints it: copied whole under a
// lock, so a reader never sees half of two paths.
class SharedText {
public:
    void set(const std::string& value);
    std::string get() const;

private:
    mutable std::mutex mutex_;
    std::string value_;
};

// Copies a text into a fixed field, cut so that the NUL fits, never inside
// a UTF-8 character.
void copyToField(char* field, std::size_t fieldSize, const std::string& value);
// Whether the text fits a field whole, with its NUL.
inline bool fitsField(const std::string& value, std::size_t fieldSize) { return value.size() < fieldSize; }
// The text of a fixed field, up to its NUL or its end.
std::string fieldText(const char* field, std::size_t fieldSize);

// Which painted button of the strip the pointer was last seen over.
struct HoverFlags {
    std::uint32_t help = 0;
    std::uint32_t aboutPause = 0;
    std::uint32_t chooseA = 0;
    std::uint32_t chooseB = 0;
    std::uint32_t mode = 0;
    std::uint32_t startAbort = 0;
};

// A question for the prompt dialog: kind below 10 shows the message in the
// large font, 10 or more in the small one.
struct PromptRequest {
    std::uint32_t kind = 0;
    std::string message;
    std::string firstText;
    std::string secondText;
};

struct AppState {
    std::atomic<std::uint32_t> runState{run_state::kIdle};
    std::atomic<std::uint32_t> runControl{run_control::kRun};
    std::atomic<std::uint32_t> pairCount{0};
    std::atomic<std::uint32_t> progressPercent{0};
    std::atomic<std::uint32_t> runFailure{run_failure::kNone};
    // The run's first row (a search's Start row) stands whole; cleared when a
    // run starts. Lets a reader print rows as they come without reading texts.
    std::atomic<bool> startRowWritten{false};

    // Pause, abort and close test and write runState/runControl under this
    // lock, and endRun resets them under it, so they never interleave.
    std::mutex controlMutex;
    PauseGate pauseGate;

    // Options, stored paths and placement. Workers only read the options;
    // they write pathA/pathB while they run, the window reads them only idle.
    SettingsBlock settings;
    SharedText currentFile;

    ResultList list;

    std::string programFolder;  // ends in the separator, or empty
    std::string dataFolder;     // ends in the separator, or empty

    // The window's client size, stored at every size change; the strip's
    // geometry follows the width.
    std::uint32_t clientWidth = 0;
    std::uint32_t clientHeight = 0;
    // File mode: 0 sends the next dropped file to path edit A, 1 to B.
    std::uint32_t dropToggle = 0;
    HoverFlags hover;

    // A close was confirmed during a run: the window goes when the worker
    // has ended. Window thread only.
    bool closePending = false;
    // The list's pairs come from a search against a reference folder: every
    // File B lies in it, and nothing may dispose of one. Set as a run starts,
    // window thread only.
    bool referenceInList = false;
    // Edit B holds a file in File mode and the reference folder in the folder
    // modes; the text of the kind not shown waits here. Window thread only.
    std::string parkedPathB;

    // Dialog exchange, used by the window layer.
    std::uint32_t aboutOpen = 0;
    PromptRequest prompt;
    std::uint32_t promptResult = 0;
    std::uint32_t promptTopmost = 1;
    std::atomic<std::int32_t> detailsRow{0};

    std::string pathAText() const { return fieldText(settings.pathA, sizeof settings.pathA); }
    std::string pathBText() const { return fieldText(settings.pathB, sizeof settings.pathB); }
    bool abortRequested() const { return runControl.load() == run_control::kAbort; }
    void setPathA(const std::string& path) { copyToField(settings.pathA, sizeof settings.pathA, path); }
    void setPathB(const std::string& path) { copyToField(settings.pathB, sizeof settings.pathB, path); }
};

}  // namespace core
