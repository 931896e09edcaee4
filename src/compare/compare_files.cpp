// The comparator reads both files in chunks of 10,000,000 bytes and walks
// each chunk as a row of byte steps: a differing byte lengthens the open run,
// an equal byte closes it (and, in File mode, lists it). The walk below finds
// the same run boundaries many bytes at a time; the chunk boundaries, the
// closing step and the "Different" rule shape the rows and stay as they are.
#include "compare/compare_files.h"

#include <atomic>
#include <chrono>
#include <limits>

#include "compare/byte_runs.h"
#include "compare/chunk_reader.h"
#include "compare/score.h"
#include "platform/platform.h"
#include "text/text.h"

namespace compare {
namespace {

// The pause gate is looked at once per block of this many bytes; while it is
// closed the bytes are taken one at a time, each after a wait on the gate.
constexpr std::uint32_t kGateBlock = 64 * 1024;
constexpr std::chrono::milliseconds kPauseWaitLimit{1'000'000};
// Above this common length the progress is computed in units of 64 KiB, so
// that (base - left) * 100 stays within 32 bits.
constexpr std::uint32_t kShiftProgressAbove = 20'000'000;
constexpr int kAppend = std::numeric_limits<int>::max();
constexpr std::uint64_t kNeverStop = std::numeric_limits<std::uint64_t>::max();

std::atomic<bool> gByteByByte{false};

class OpenFile {
public:
    explicit OpenFile(const char* path) : handle_(platform::openForReading(path)) {}
    ~OpenFile() { platform::closeFile(handle_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    bool isOpen() const { return handle_ != platform::kNoFile; }
    platform::FileHandle handle() const { return handle_; }

private:
    platform::FileHandle handle_;
};

// What the byte steps of one comparison share. Rows go to `list` in File
// mode; the folder modes pass none.
struct Comparison {
    explicit Comparison(core::AppState& s) : state(s) {}

    core::AppState& state;
    core::ResultList* list = nullptr;
    bool quickDir = false;
    const std::uint8_t* bufferA = nullptr;
    const std::uint8_t* bufferB = nullptr;
    ChunkReader* reader = nullptr;

    std::uint32_t largerSize = 0;
    std::uint32_t commonLength = 0;
    std::uint32_t diffTotal = 0;
    std::uint32_t runLength = 0;
    std::uint32_t bytesLeft = 0;
    std::uint32_t chunkStart = 0;  // offset of the current chunk's first byte
    std::uint32_t chunk = 0;       // length of the current (or last) chunk

    std::uint32_t fault = 0;            // runState 5 or 6 as this comparison set it
    std::uint32_t listedFrom = 0;       // folder modes: the score a pair needs
    std::uint64_t stopAt = kNeverStop;  // differing bytes that make the pair unlisted
    bool stoppedEarly = false;

    std::uint32_t progressBase = 0;
    bool progressShift = false;
    DetailsBuffer details;
};

// The open run ends just before chunk index `end`, `remaining` bytes before
// the chunk's end: list it (File mode) and count it.
void closeRun(Comparison& c, std::uint32_t end, std::uint32_t remaining) {
    if (c.list) {
        std::uint32_t first = end - c.runLength;
        std::string_view details = differenceDetails(c.bufferA + first, c.bufferB + first, c.runLength,
                                                     remaining, c.details);
        int row = c.list->insertRow(kAppend, text::unsignedDecimalText(c.chunkStart + first));
        c.list->setCell(row, 1, text::decimalText(static_cast<std::int32_t>(c.runLength)));
        c.list->setCell(row, 2, details);
        c.list->ensureVisible(row);
    }
    c.diffTotal += c.runLength;
    c.runLength = 0;
}

// Byte steps over [from, to) of the chunk with the gate open.
void walkOpen(Comparison& c, std::uint32_t from, std::uint32_t to) {
    std::size_t i = from;
    while (i < to) {
        if (c.runLength == 0) {
            i = firstDifferingByte(c.bufferA, c.bufferB, i, to);
            if (i == to) return;
        }
        std::size_t end = firstEqualByte(c.bufferA, c.bufferB, i, to);
        c.runLength += static_cast<std::uint32_t>(end - i);
        if (end == to) return;
        closeRun(c, static_cast<std::uint32_t>(end), c.chunk - static_cast<std::uint32_t>(end));
        i = end + 1;
    }
}

// Byte steps over [from, to) while a pause may hold: each byte waits first.
void walkPaused(Comparison& c, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t i = from; i < to; ++i) {
        c.state.pauseGate.waitFor(kPauseWaitLimit);
        if (c.bufferA[i] != c.bufferB[i])
            ++c.runLength;
        else if (c.runLength > 0)
            closeRun(c, i, c.chunk - i);
    }
}

bool reachedStop(const Comparison& c) {
    return std::uint64_t{c.diffTotal} + c.runLength >= c.stopAt;
}

// All byte steps of the current chunk, each block as soon as its bytes are
// in; false when the pair can no longer be listed and reading stops.
bool walkChunk(Comparison& c) {
    for (std::uint32_t from = 0; from < c.chunk; from += kGateBlock) {
        std::uint32_t to = c.chunk - from > kGateBlock ? from + kGateBlock : c.chunk;
        c.reader->waitFor(to);
        if (c.state.pauseGate.isOpen() && !gByteByByte.load(std::memory_order_relaxed))
            walkOpen(c, from, to);
        else
            walkPaused(c, from, to);
        if (reachedStop(c)) return false;
    }
    return true;
}

void writeProgress(Comparison& c) {
    std::uint32_t left = c.progressShift ? c.bytesLeft >> 16 : c.bytesLeft;
    c.state.progressPercent.store((c.progressBase - left) * 100 / c.progressBase);
}

// Reads and walks chunk after chunk while runState is 1. After the last
// chunk a closing step at the position past the data closes a run that
// reaches the end. An abort (runState 2) ends the loop after its chunk.
void chunkLoop(Comparison& c, std::uint8_t* bufferA, std::uint8_t* bufferB) {
    auto& runState = c.state.runState;
    while (runState.load() == core::run_state::kRunning) {
        std::uint32_t chunk = c.bytesLeft < kChunkSize ? c.bytesLeft : kChunkSize;
        if (chunk == 0) {
            runState.store(core::run_state::kStopping);
            c.state.pauseGate.waitFor(kPauseWaitLimit);
            if (c.runLength > 0) closeRun(c, c.chunk, 1);
        } else {
            c.reader->begin(bufferA, bufferB, chunk);
            // A run open at the end of the last chunk is counted, not listed.
            c.diffTotal += c.runLength;
            c.runLength = 0;
            c.chunkStart = c.commonLength - c.bytesLeft;
            c.chunk = chunk;
            bool walkedToEnd = walkChunk(c);
            c.reader->end();
            if (!walkedToEnd) {
                c.stoppedEarly = true;
                runState.store(core::run_state::kStopping);
                return;
            }
        }
        c.bytesLeft -= chunk;
        if (c.list) writeProgress(c);
    }
}

// The fault is kept here too: an abort arriving now sets runState to 2, and
// the last row must still name the fault.
void setFault(Comparison& c, std::uint32_t code) {
    c.fault = code;
    c.state.runState.store(code);
}

// Takes the sizes: false (runState 5) for an empty file or one of 4 GiB or more.
bool acceptSizes(Comparison& c, const OpenFile& a, const OpenFile& b) {
    std::uint64_t sizeA = 0;
    std::uint64_t sizeB = 0;
    bool known = platform::fileSize(a.handle(), sizeA) && platform::fileSize(b.handle(), sizeB);
    if (!known || sizeA == 0 || sizeB == 0 || (sizeA >> 32) != 0 || (sizeB >> 32) != 0) {
        setFault(c, core::run_state::kFault);
        return false;
    }
    c.largerSize = static_cast<std::uint32_t>(sizeA > sizeB ? sizeA : sizeB);
    c.commonLength = static_cast<std::uint32_t>(sizeA > sizeB ? sizeB : sizeA);
    c.bytesLeft = c.commonLength;
    // The bytes by which the longer file exceeds the shorter are never read.
    c.diffTotal = c.largerSize - c.commonLength;
    return true;
}

void writeStartRow(Comparison& c) {
    c.progressBase = c.commonLength;
    if (c.commonLength > kShiftProgressAbove) {
        c.progressBase = c.commonLength >> 16;
        c.progressShift = true;
    }
    int row = c.list->insertRow(kAppend, "Start");
    c.list->setCell(row, 2, c.diffTotal == 0 ? "Files are the same size" : "Files are not the same size");
}

// Everything between the start and the finish that both modes share: open,
// size, compare. Leaves runState at 1 (Quick Dir short-cut), 2, 5 or 6; the
// files are closed again when it returns.
void comparePaths(Comparison& c, const char* pathA, const char* pathB, std::uint8_t* bufferA,
                  std::uint8_t* bufferB) {
    OpenFile a(pathA);
    if (!a.isOpen()) return setFault(c, core::run_state::kOpenError);
    OpenFile b(pathB);
    if (!b.isOpen()) return setFault(c, core::run_state::kOpenError);
    if (!acceptSizes(c, a, b)) return;
    if (c.listedFrom > 0) c.stopAt = firstUnlistedCount(c.largerSize, c.listedFrom);
    if (c.list) writeStartRow(c);
    if (c.quickDir && c.diffTotal != 0) {
        c.diffTotal = c.largerSize;  // sizes differ: the pair scores 0 unread
        return;
    }
    if (reachedStop(c)) {
        c.stoppedEarly = true;  // the size difference alone keeps it unlisted
        c.state.runState.store(core::run_state::kStopping);
        return;
    }
    c.bufferA = bufferA;
    c.bufferB = bufferB;
    ChunkReader reader(a.handle(), b.handle());
    c.reader = &reader;
    chunkLoop(c, bufferA, bufferB);
}

// runState = 1 at the start, unless an abort has already been requested:
// overwriting its 2 would lose it.
bool enterRunning(core::AppState& state) {
    std::lock_guard lock(state.controlMutex);
    if (state.abortRequested()) return false;
    state.runState.store(core::run_state::kRunning);
    return true;
}

void writeLastRow(Comparison& c) {
    bool aborted = c.state.runControl.load() != core::run_control::kRun;
    int row = c.list->insertRow(kAppend, aborted ? "Aborted" : "End");
    std::uint32_t runState = c.fault ? c.fault : c.state.runState.load();
    c.list->setCell(row, 2, verdictText(runState, c.largerSize, c.diffTotal));
    c.list->ensureVisible(row);
}

}  // namespace

void walkByteByByteForTesting(bool on) { gByteByByte.store(on); }

void runFileComparison(core::AppState& state, const core::WindowEffects& effects) {
    enterRunning(state);
    if (effects.refreshEditStates) effects.refreshEditStates();
    state.list.clearRows();
    auto* bufferA = static_cast<std::uint8_t*>(platform::allocateZeroed(kCompareBufferSize));
    auto* bufferB = static_cast<std::uint8_t*>(platform::allocateZeroed(kCompareBufferSize));
    if (!bufferA || !bufferB) {
        platform::releaseBlock(bufferA);
        platform::releaseBlock(bufferB);
        core::endRunForLackOfMemory(state, effects);
        return;
    }
    Comparison c(state);
    c.list = &state.list;
    std::string pathA = state.pathAText();
    std::string pathB = state.pathBText();
    comparePaths(c, pathA.c_str(), pathB.c_str(), bufferA, bufferB);
    writeLastRow(c);
    platform::releaseBlock(bufferA);
    platform::releaseBlock(bufferB);
    core::endRun(state, effects);
}

std::uint32_t scorePair(core::AppState& state, const char* pathA, const char* pathB,
                        const CompareBuffers& buffers, std::uint32_t listedFrom) {
    // A pair begun after an abort was requested is not read: it scores 0.
    if (!enterRunning(state)) return 0;
    Comparison c(state);
    c.quickDir = state.settings.searchMode == core::search_mode::kQuickDir;
    c.listedFrom = listedFrom;
    comparePaths(c, pathA, pathB, buffers.a, buffers.b);
    if (c.largerSize == 0) return 0;
    if (c.stoppedEarly) {
        // Below listedFrom, and no higher than the pair could still score.
        return similarityPercent(c.largerSize, c.diffTotal + c.runLength);
    }
    if (state.runState.load() != core::run_state::kStopping) return 0;
    return similarityPercent(c.largerSize, c.diffTotal);
}

}  // namespace compare
