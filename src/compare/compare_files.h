// The two-file comparator: File mode lists every run of differing bytes; the
// folder modes ask it for the score of one pair.
#pragma once

#include <cstdint>

#include "core/run.h"
#include "platform/platform.h"

namespace compare {

// Files are read in chunks of this size; progress and memory follow them,
// the rows do not (a run of differing bytes is one row wherever they fall).
constexpr std::uint32_t kChunkSize = 10'000'000;
// Each compare buffer holds one chunk (and a little slack).
constexpr std::size_t kCompareBufferSize = 10'000'064;

// The two chunk buffers of a run; a search obtains them once and reuses them.
struct CompareBuffers {
    std::uint8_t* a = nullptr;
    std::uint8_t* b = nullptr;
};

// What happened to one pair. Only the File-mode worker turns it into
// runState: a folder search keeps its own states while it scores pairs.
enum class PairOutcome {
    Done,          // both read to the end of the common length: the score is exact
    StoppedEarly,  // could no longer reach the score asked for: the score is below it
    Fault,         // a file is empty or 4 GiB or larger, or came short or changed size while read
    CannotOpen,
    Aborted,       // an abort was requested before or during it: the score covers part
    ProcessFault,  // the process ran out of handles or memory: says nothing of the files
};

struct PairScore {
    PairOutcome outcome = PairOutcome::Done;
    std::uint32_t score = 0;  // 0..100; 0 for every outcome but Done, StoppedEarly and Aborted
    platform::IoFault ioFault = platform::IoFault::None;  // which, for ProcessFault
};

// File mode: compares request.pathA with request.pathB, writes the rows and
// progress, honours pause and abort, and returns how it ended. An abort
// requested before it starts is kept: the files are opened and sized, no
// chunk is read, and the last row is "Aborted". Files that changed while
// they were compared (written, replaced or gone) end it with "Fault".
// Not enough memory for its buffers: no rows, an Error outcome.
core::RunOutcome compareFiles(const core::RunRequest& request, core::RunContext& context);

// The folder modes: the similarity score (0..100) of the two files, read
// into the given buffers. Writes no rows, leaves progress alone; pause and
// abort act as in File mode. `sizesMustAgree` (Quick Dir) scores a pair of
// different sizes 0 without reading. Once the differing bytes make the score
// fall below `listedFrom`, reading stops and the score returned is below
// `listedFrom` (0 lets it read to the end and returns the exact score); a
// pair whose size difference alone keeps it below is not read at all. A pair
// begun after an abort was requested is not read and scores 0.
PairScore scorePair(core::RunContext& context, bool sizesMustAgree, const char* pathA, const char* pathB,
                    const CompareBuffers& buffers, std::uint32_t listedFrom = 0);

// Test switch: walk every chunk one byte step at a time, as while paused,
// instead of many bytes at a time. The rows must be the same either way.
void walkByteByByteForTesting(bool on);

}  // namespace compare
