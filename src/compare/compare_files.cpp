// The comparator reads both files in chunks of 10,000,000 bytes and walks
// each chunk as a row of byte steps: a differing byte lengthens the open run,
// an equal byte closes it (and, in File mode, lists it). The walk below finds
// the same run boundaries many bytes at a time. A run is one run wherever the
// chunks fall: it goes on across a boundary, and is listed once, at its true
// start, with its full length and the Details of its own first bytes.
#include "compare/compare_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
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

// What the byte steps of one comparison share. Rows go to `list` in File
// mode; the folder modes pass none.
struct Comparison {
    explicit Comparison(core::RunContext& c) : context(c) {}

    core::RunContext& context;
    core::ResultList* list = nullptr;
    bool quickDir = false;
    const std::uint8_t* bufferA = nullptr;
    const std::uint8_t* bufferB = nullptr;
    ChunkReader* reader = nullptr;
    platform::File* fileA = nullptr;
    platform::File* fileB = nullptr;

    std::uint32_t largerSize = 0;
    std::uint32_t commonLength = 0;
    std::uint32_t diffTotal = 0;
    std::uint32_t runLength = 0;
    std::uint32_t bytesLeft = 0;
    std::uint32_t chunkStart = 0;  // offset of the current chunk's first byte
    std::uint32_t chunk = 0;       // length of the current (or last) chunk

    PairOutcome outcome = PairOutcome::Done;
    platform::IoFault ioFault = platform::IoFault::None;
    std::string faultReason;  // File mode: why a fault, where the verdict alone does not say
    std::uint32_t listedFrom = 0;       // folder modes: the score a pair needs
    std::uint64_t stopAt = kNeverStop;  // differing bytes that make the pair unlisted

    std::uint32_t progressBase = 0;
    bool progressShift = false;
    DetailsBuffer details;

    // File mode: the first bytes of a run still open at the end of a chunk
    // (as many as its Details can show), kept because the next read
    // overwrites the buffers. 0 while the open run began in the chunk in hand.
    std::uint32_t keptBytes = 0;
    std::uint8_t keptA[kShownRunBytes] = {};
    std::uint8_t keptB[kShownRunBytes] = {};

    // File mode: the paths and what they named when opened.
    const char* pathA = nullptr;
    const char* pathB = nullptr;
    platform::FileStamp stampA;
    platform::FileStamp stampB;
};

// A run still open at the chunk's end goes on in the next chunk: keep (or
// complete) its first bytes for the Details.
void keepOpenRunHead(Comparison& c) {
    if (!c.list || c.runLength == 0 || c.keptBytes == kShownRunBytes) return;
    // Where the run's bytes begin in this chunk: its start, or the chunk's.
    std::uint32_t from = c.runLength < c.chunk ? c.chunk - c.runLength : 0;
    std::uint32_t take = std::min(kShownRunBytes - c.keptBytes, c.chunk - from);
    std::memcpy(c.keptA + c.keptBytes, c.bufferA + from, take);
    std::memcpy(c.keptB + c.keptBytes, c.bufferB + from, take);
    c.keptBytes += take;
}

// The row of the run that ends just before chunk index `end`. A run begun in
// an earlier chunk shows its kept first bytes, completed from this chunk.
// "Different" stands for a run of 9,999,999 bytes or more, wherever it lies.
void listRun(Comparison& c, std::uint32_t end) {
    const std::uint8_t* headA = c.bufferA + (end - std::min(end, c.runLength));
    const std::uint8_t* headB = c.bufferB + (end - std::min(end, c.runLength));
    std::uint8_t joinedA[kShownRunBytes];
    std::uint8_t joinedB[kShownRunBytes];
    if (c.runLength > end) {
        std::uint32_t shown = std::min(c.runLength, kShownRunBytes);
        std::uint32_t fromChunk = shown > c.keptBytes ? shown - c.keptBytes : 0;
        std::memcpy(joinedA, c.keptA, c.keptBytes);
        std::memcpy(joinedB, c.keptB, c.keptBytes);
        std::memcpy(joinedA + c.keptBytes, c.bufferA, fromChunk);
        std::memcpy(joinedB + c.keptBytes, c.bufferB, fromChunk);
        headA = joinedA;
        headB = joinedB;
    }
    std::string_view details = differenceDetails(headA, headB, c.runLength, c.details);
    const std::string position = text::unsignedDecimalText(c.chunkStart + end - c.runLength);
    const std::string length = text::unsignedDecimalText(c.runLength);  // a run may now pass 2 GiB
    c.list->ensureVisible(c.list->insertRow(kAppend, {position, length, details}));
}

// The open run ends just before chunk index `end`: list it (File mode) and
// count it.
void closeRun(Comparison& c, std::uint32_t end) {
    if (c.list) listRun(c, end);
    c.diffTotal += c.runLength;
    c.runLength = 0;
    c.keptBytes = 0;
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
        closeRun(c, static_cast<std::uint32_t>(end));
        i = end + 1;
    }
}

// Byte steps over [from, to) while a pause may hold: each byte waits first.
void walkPaused(Comparison& c, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t i = from; i < to; ++i) {
        c.context.pauseGate.waitFor(kPauseWaitLimit);
        if (c.bufferA[i] != c.bufferB[i])
            ++c.runLength;
        else if (c.runLength > 0)
            closeRun(c, i);
    }
}

bool reachedStop(const Comparison& c) {
    return std::uint64_t{c.diffTotal} + c.runLength >= c.stopAt;
}

// A file that delivered less than its size said, or whose size changed, is
// not compared on: its bytes would be partly those of an earlier read.
void failReading(Comparison& c, platform::IoFault fault) {
    c.ioFault = fault;
    c.outcome = platform::isProcessFault(fault) ? PairOutcome::ProcessFault : PairOutcome::Fault;
}

// All byte steps of the current chunk, each block as soon as its bytes are
// in; false when reading stops: the pair can no longer be listed, or a file
// came short.
bool walkChunk(Comparison& c) {
    for (std::uint32_t from = 0; from < c.chunk; from += kGateBlock) {
        std::uint32_t to = c.chunk - from > kGateBlock ? from + kGateBlock : c.chunk;
        if (!c.reader->waitFor(to)) {
            failReading(c, c.reader->fault());
            return false;
        }
        if (c.context.pauseGate.isOpen() && !gByteByByte.load(std::memory_order_relaxed))
            walkOpen(c, from, to);
        else
            walkPaused(c, from, to);
        if (reachedStop(c)) {
            c.outcome = PairOutcome::StoppedEarly;
            return false;
        }
    }
    return true;
}

bool sizeUnchanged(const platform::File& file) {
    std::uint64_t now = 0;
    return platform::fileSize(file, now) && now == file.sizeAtOpen();
}

void writeProgress(Comparison& c) {
    std::uint32_t left = c.progressShift ? c.bytesLeft >> 16 : c.bytesLeft;
    c.context.progressPercent.store((c.progressBase - left) * 100 / c.progressBase);
}

// File mode: a verdict on files that are no longer what was read would not
// hold. Names the file whose path no longer names it as it was opened.
bool explainedByChange(Comparison& c) {
    if (!c.pathA) return false;  // not File mode, or no stamps taken
    const char* changed = nullptr;
    if (!platform::stillStamped(c.pathA, c.stampA))
        changed = "File A changed during the comparison.";
    else if (!platform::stillStamped(c.pathB, c.stampB))
        changed = "File B changed during the comparison.";
    if (changed) c.faultReason = changed;
    return changed != nullptr;
}

// The closing step, after the last chunk: a step at the position past the
// data closes a run that reaches the end. Files whose size has changed since
// they were opened, or that were written, replaced or removed meanwhile, are
// a fault instead: what was read is no longer the file.
void closeComparison(Comparison& c) {
    // compareFiles names the file that changed.
    if (!sizeUnchanged(*c.fileA) || !sizeUnchanged(*c.fileB)) return failReading(c, platform::IoFault::OfFile);
    c.context.pauseGate.waitFor(kPauseWaitLimit);
    if (explainedByChange(c)) return failReading(c, platform::IoFault::OfFile);
    if (c.runLength > 0) closeRun(c, c.chunk);
    c.outcome = PairOutcome::Done;
}

// Reads and walks chunk after chunk, then makes the closing step. A run open
// at a chunk's end goes on into the next. An abort ends the loop after the
// chunk in hand; the closing step is then not made, and a run still open is
// neither listed nor counted.
void chunkLoop(Comparison& c, std::uint8_t* bufferA, std::uint8_t* bufferB) {
    while (!c.context.abortRequested()) {
        std::uint32_t chunk = c.bytesLeft < kChunkSize ? c.bytesLeft : kChunkSize;
        if (chunk == 0) return closeComparison(c);
        keepOpenRunHead(c);
        c.reader->begin(bufferA, bufferB, chunk);
        c.chunkStart = c.commonLength - c.bytesLeft;
        c.chunk = chunk;
        bool walkedToEnd = walkChunk(c);
        c.reader->end();
        if (!walkedToEnd) return;
        c.bytesLeft -= chunk;
        if (c.list) writeProgress(c);
    }
    c.outcome = PairOutcome::Aborted;
}

// Takes the sizes: false (a fault) for an empty file or one of 4 GiB or more.
bool acceptSizes(Comparison& c, const platform::File& a, const platform::File& b) {
    const std::uint64_t sizeA = a.sizeAtOpen();
    const std::uint64_t sizeB = b.sizeAtOpen();
    if (sizeA == 0 || sizeB == 0 || (sizeA >> 32) != 0 || (sizeB >> 32) != 0) {
        c.outcome = PairOutcome::Fault;
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
    c.list->insertRow(kAppend, {"Start", "", c.diffTotal == 0 ? "Files are the same size" : "Files are not the same size"});
}

bool opened(Comparison& c, const platform::File& file) {
    if (file.isOpen()) return true;
    c.ioFault = file.fault();
    c.outcome = platform::isProcessFault(file.fault()) ? PairOutcome::ProcessFault : PairOutcome::CannotOpen;
    return false;
}

// Everything between the start and the finish that both modes share: open,
// size, compare; the outcome is left in c. The files are closed again when
// it returns.
void comparePaths(Comparison& c, const char* pathA, const char* pathB, std::uint8_t* bufferA,
                  std::uint8_t* bufferB) {
    platform::File a = platform::openForReading(pathA);
    if (!opened(c, a)) return;
    platform::File b = platform::openForReading(pathB);
    if (!opened(c, b)) return;
    if (c.list) {
        if (!platform::stampOf(a, c.stampA) || !platform::stampOf(b, c.stampB))
            return failReading(c, platform::IoFault::OfFile);
        c.pathA = pathA;
        c.pathB = pathB;
    }
    if (!acceptSizes(c, a, b)) return;
    if (c.listedFrom > 0) c.stopAt = firstUnlistedCount(c.largerSize, c.listedFrom);
    if (c.list) writeStartRow(c);
    if (c.quickDir && c.diffTotal != 0) {
        c.diffTotal = c.largerSize;  // sizes differ: the pair scores 0 unread
        return;
    }
    if (reachedStop(c)) {
        c.outcome = PairOutcome::StoppedEarly;  // the size difference alone keeps it unlisted
        return;
    }
    c.bufferA = bufferA;
    c.bufferB = bufferB;
    c.fileA = &a;
    c.fileB = &b;
    ChunkReader reader(a, b);
    c.reader = &reader;
    chunkLoop(c, bufferA, bufferB);
}

// Column 2 of the last row: "Fault", "Error opening file", "Same" or the
// share in common. A failure of the process names what it kept from
// happening: the open, or the reading.
std::string verdictOf(const Comparison& c) {
    std::uint32_t ended = core::run_state::kStopping;
    switch (c.outcome) {
        case PairOutcome::Fault: ended = core::run_state::kFault; break;
        case PairOutcome::CannotOpen: ended = core::run_state::kOpenError; break;
        case PairOutcome::ProcessFault:
            ended = c.largerSize ? core::run_state::kFault : core::run_state::kOpenError;
            break;
        default: break;
    }
    return verdictText(ended, c.largerSize, c.diffTotal);
}

core::RunOutcome outcomeOf(const Comparison& c) {
    core::RunOutcome outcome;
    if (const char* failure = c.context.failureText()) {
        outcome.status = core::RunStatus::Error;
        outcome.message = failure;
    } else if (c.context.stoppedByUser()) {
        outcome.status = core::RunStatus::Aborted;
    } else if (c.outcome == PairOutcome::CannotOpen) {
        outcome.status = core::RunStatus::Error;
        outcome.message = "Error opening file";
    } else if (c.outcome == PairOutcome::Fault) {
        outcome.status = core::RunStatus::Error;
        outcome.message = !c.faultReason.empty() ? c.faultReason
                          : c.largerSize == 0    ? "A file is empty or 4 GiB or larger."
                                                 : "A file could not be read to its end.";
    } else {
        outcome.status = c.diffTotal == 0 ? core::RunStatus::Same : core::RunStatus::Different;
    }
    return outcome;
}

// "Aborted" when the user stopped the run (or paused it as it ended), else
// "End"; a fault's reason, where the verdict alone does not say it, stands
// beside it. Written whole, in one step.
void writeLastRow(Comparison& c) {
    const char* label = c.context.stoppedByUser() ? "Aborted" : "End";
    c.list->ensureVisible(c.list->insertRow(kAppend, {label, c.faultReason, verdictOf(c)}));
}

}  // namespace

void walkByteByByteForTesting(bool on) { gByteByByte.store(on); }

core::RunOutcome compareFiles(const core::RunRequest& request, core::RunContext& context) {
    context.rows.clearRows();
    platform::Block bufferA = platform::allocateBlock(kCompareBufferSize);
    platform::Block bufferB = platform::allocateBlock(kCompareBufferSize);
    if (!bufferA || !bufferB) {
        return core::notEnoughMemory();
    }
    Comparison c(context);
    c.list = &context.rows;
    comparePaths(c, request.pathA.c_str(), request.pathB.c_str(), bufferA.bytes(), bufferB.bytes());
    // Running out of handles says nothing of the files: the run is failed.
    if (c.outcome == PairOutcome::ProcessFault) context.fail(c.ioFault);
    // A file that came short may have been cut or replaced meanwhile.
    if (c.outcome == PairOutcome::Fault && c.faultReason.empty()) explainedByChange(c);
    writeLastRow(c);
    return outcomeOf(c);
}

PairScore scorePair(core::RunContext& context, bool sizesMustAgree, const char* pathA, const char* pathB,
                    const CompareBuffers& buffers, std::uint32_t listedFrom) {
    // A pair begun after an abort was requested is not read: it scores 0.
    if (context.abortRequested()) return {PairOutcome::Aborted, 0};
    Comparison c(context);
    c.quickDir = sizesMustAgree;
    c.listedFrom = listedFrom;
    comparePaths(c, pathA, pathB, buffers.a, buffers.b);
    switch (c.outcome) {
        case PairOutcome::Done:
        case PairOutcome::Aborted:
            return {c.outcome, similarityPercent(c.largerSize, c.diffTotal)};
        case PairOutcome::StoppedEarly:
            // Below listedFrom, and no higher than the pair could still score.
            return {c.outcome, similarityPercent(c.largerSize, c.diffTotal + c.runLength)};
        default:
            return {c.outcome, 0, c.ioFault};
    }
}

}  // namespace compare
