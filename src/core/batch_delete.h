// Disposing of one column of 100% pairs: recycle, delete or move every file
// of the column whose partner still holds the same bytes, or replace it by
// a hard link to that partner. The worker's logic, without a window: the
// dialog hands in the recycle bin and the progress line.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "platform/platform.h"

namespace core {

// At most this many paths go to the recycle bin in one call.
constexpr std::size_t kRecycleBatch = 1001;

// What a check just before disposing of a file found.
// AlreadyDecided: the caller knew what to do from the two files' identities
// alone, so they were not read.
enum class DuplicateCheck {
    Identical,
    FileMissing,
    PartnerMissing,
    SameFile,
    SizeDiffers,
    ContentDiffers,
    Unreadable,
    InUse,  // the file or its partner is held or locked by another program
    AlreadyDecided
};

// A file found identical to its partner, both held open from the check until
// the file has gone: neither can be written meanwhile, nor the partner
// deleted or moved (where the system keeps such holds).
struct CheckedPair {
    platform::File file;     // opened for disposal
    platform::File partner;  // opened for reading
    platform::FileStamp fileStamp;
    platform::FileStamp partnerStamp;
};

// Compares two files to their true end, with its own two buffers, reused
// from check to check. A read that comes back short is a mismatch, never a
// match on stale buffer bytes.
class DuplicateChecker {
public:
    DuplicateChecker();
    DuplicateCheck check(const std::string& file, const std::string& partner);
    // The same check; when the files are identical `held` keeps them open.
    // When `decided` says yes to the two identities, the files are not read:
    // `held` then has only their stamps.
    using Decided = std::function<bool(const platform::FileIdentity& file, const platform::FileIdentity& partner)>;
    DuplicateCheck check(const std::string& file, const std::string& partner, CheckedPair& held,
                         const Decided& decided = {});

private:
    std::vector<std::uint8_t> bufferA_;
    std::vector<std::uint8_t> bufferB_;
};

// Whether both paths still name the files as they were checked: nothing
// written, replaced, renamed or moved since.
bool unchangedSinceCheck(const CheckedPair& held, const std::string& file, const std::string& partner);

// Whether the file of this identity is still at the path.
bool stillAt(const std::string& path, const platform::FileIdentity& identity);

// The warning before the details' Delete File recycles a file that the check
// no longer finds a copy of; nothing when its partner is still a copy (or the
// file itself is gone, which the recycle bin reports on its own).
std::optional<std::string> lastCopyWarning(DuplicateCheck check);

// Replaces the file, checked identical to its partner and held since, by a
// link to the partner: nothing when either changed since the check (no link
// is made then), else why it failed, or None once the path names the partner.
std::optional<platform::DisposalFault> linkCheckedFile(const std::string& file, const std::string& partner,
                                                       CheckedPair& held);

// Link File of the details: the file becomes a hard link to its partner
// when the two are still copies. Empty when it did; otherwise why not.
std::string linkOneFile(const std::string& file, const std::string& partner);

// Why a file stayed where it was, as the summaries give it: "in use",
// "read-only", "whose name is taken in the move folder" and so on.
const char* whyNotDisposed(platform::DisposalFault fault);
// Why a file could not be replaced by a link to its partner, by what the
// check just before found.
std::string whyNotLinked(DuplicateCheck check);

struct BatchOutcome {
    std::uint32_t disposed = 0;
    std::uint32_t changed = 0;       // missing, changed or unreadable since the search
    std::uint32_t lastCopy = 0;      // its partner was disposed of, or is the file itself
    std::uint32_t alreadyThere = 0;  // Move: it is in the move folder already
    std::uint32_t failed = 0;        // the system would not recycle, delete, move or replace it
    // Why the files counted in `failed` stayed.
    std::array<std::uint32_t, platform::kDisposalFaultCount> notDone{};
    std::uint32_t noMoveFolder = 0;  // Move without a move folder
    bool cancelled = false;

    std::uint32_t skipped() const { return changed + lastCopy + alreadyThere + noMoveFolder; }
};

// What the batch is to do, fixed on the window's thread before its worker
// starts and handed to it.
struct BatchRequest {
    int column = 0;  // 0 File A, 1 File B
    std::uint32_t mode = batch_mode::kRecycle;
    std::string moveDir;  // the move folder as chosen; empty for none
};

// Whether the files of a column (0 File A, 1 File B) may be disposed of,
// one or all: never File B after a search against a reference folder
// (referenceInList), which Pairlook never changes.
bool mayDisposeOfColumn(const AppState& state, int column);
// The batch the details dialog asked for (runState 1020 or 1021), with the
// mode and move folder of the settings; nothing when none was asked for, or
// when its column may not be disposed of.
std::optional<BatchRequest> requestedBatch(const AppState& state);
// On the window's thread, right before the worker starts: marks the batch
// as running (runState 1025). False when the request no longer stands.
bool beginBatch(AppState& state, const BatchRequest& request);
// Cancel in the batch dialog. A running batch is asked to stop before its
// next file (false: the dialog stays for the summary); otherwise the batch
// is called off or over (true: the dialog closes).
bool cancelBatch(AppState& state);

struct BatchEffects {
    // Hands paths to the recycle bin in one call.
    std::function<void(const std::vector<std::string>& paths)> recycle;
    // The progress line: each path in turn, then the summary.
    std::function<void(const std::string& line)> showProgress;
    // The outcome, just before runState goes back to 0.
    std::function<void(const BatchOutcome& outcome)> finished;
    // For tests: called once a file has passed its check, before it goes.
    std::function<void(const std::string& file, const std::string& partner)> afterCheck;
    // For tests: called on the worker's thread before it looks at a row.
    std::function<void()> atStart;
};

// The batch worker, once beginBatch has marked it running. Rows are read
// from row 1 on, and only rows whose score reads exactly "100" are acted
// on. Once runState reads 9999 (cancel) nothing more is disposed of: it
// stops before the next file. Ends with the summary on the progress line
// and runState 0, which it sets only from the running or cancelled state.
BatchOutcome runBatchDelete(ResultList& rows, std::atomic<std::uint32_t>& runState, const BatchRequest& request,
                            const BatchEffects& effects);

// "Recycled 3 files. Skipped 1: 1 changed or missing since the search."
std::string batchSummary(std::uint32_t batchDeleteMode, const std::string& moveDir, const BatchOutcome& outcome);

// How many files the batch action would take from the column (0 File A,
// 1 File B): the distinct paths of the rows from row 1 on whose score reads
// exactly "100", up to the last row, as the worker walks them.
std::uint32_t filesWithFullScore(const ResultList& list, int column);

}  // namespace core
