#include "platform/counting.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

// The counts are spread over slots on cache lines of their own, a thread
// taking the next slot when it first counts: counters shared by threads
// that open and read many small files at once would pass their cache line
// between the processors on every file (4 % of a Quick Dir search on two
// cores). Threads that come to share a slot still count right. Reading the
// counts adds up every slot's.
struct alignas(64) Tally {
    std::atomic<std::uint64_t> opens{0};
    std::atomic<std::uint64_t> reads{0};
    std::atomic<std::uint64_t> bytesRead{0};
    std::atomic<std::int64_t> handles{0};
};
constexpr std::size_t kTallies = 16;
Tally gTallies[kTallies];
std::atomic<std::size_t> gNextTally{0};

Tally& ownTally() {
    thread_local const std::size_t own = gNextTally.fetch_add(1) % kTallies;
    return gTallies[own];
}

struct Sum {
    std::uint64_t opens = 0, reads = 0, bytesRead = 0;
    std::int64_t handles = 0;
};
Sum sumOfTallies() {
    Sum total;
    for (const Tally& t : gTallies) {
        total.opens += t.opens.load(std::memory_order_relaxed);
        total.reads += t.reads.load(std::memory_order_relaxed);
        total.bytesRead += t.bytesRead.load(std::memory_order_relaxed);
        total.handles += t.handles.load(std::memory_order_relaxed);
    }
    return total;
}

// The sums at the last reset.
std::mutex gResetMutex;
Sum gAtReset;

std::atomic<bool> gFailAllocations{false};
std::atomic<bool> gHandlesExhausted{false};
std::atomic<bool> gMovesCopy{false};
std::atomic<bool> gFileIdsRefused{false};
std::atomic<std::uint64_t> gCopyWriteLimit{~std::uint64_t{0}};

// The short-read switch: rarely set, so one lock is enough.
std::atomic<bool> gShortReads{false};
std::mutex gShortReadMutex;
std::string gShortReadPath;
std::uint64_t gShortReadOffset = 0;

// The refused-folder switch, likewise.
std::atomic<bool> gRefusesFolder{false};
std::mutex gRefusedFolderMutex;
std::string gRefusedFolder;
}  // namespace

namespace counting {
void noteOpen() { ownTally().opens.fetch_add(1, std::memory_order_relaxed); }

void noteHandleOpened() { ownTally().handles.fetch_add(1, std::memory_order_relaxed); }

// A handle may close on another thread than it opened on: only the sum counts.
void noteHandleClosed() { ownTally().handles.fetch_sub(1, std::memory_order_relaxed); }

void noteRead(std::uint64_t bytesDelivered) {
    Tally& own = ownTally();
    own.reads.fetch_add(1, std::memory_order_relaxed);
    own.bytesRead.fetch_add(bytesDelivered, std::memory_order_relaxed);
}

bool allocationsFail() { return gFailAllocations.load(); }

bool handlesExhausted() { return gHandlesExhausted.load(); }

bool readLimitsSet() { return gShortReads.load(); }

bool movesCopy() { return gMovesCopy.load(); }

std::uint64_t copyWriteLimit() { return gCopyWriteLimit.load(); }

bool folderRefused(const char* path) {
    if (!gRefusesFolder.load()) return false;
    std::lock_guard lock(gRefusedFolderMutex);
    return gRefusedFolder == path;
}

bool fileIdsRefused() { return gFileIdsRefused.load(); }

std::uint64_t readLimitFor(const char* path) {
    constexpr std::uint64_t kNoLimit = ~std::uint64_t{0};
    if (!gShortReads.load()) return kNoLimit;
    std::lock_guard lock(gShortReadMutex);
    return gShortReadPath == path ? gShortReadOffset : kNoLimit;
}
}  // namespace counting

IoCounters ioCounters() {
    std::lock_guard lock(gResetMutex);
    const Sum now = sumOfTallies();
    return {now.opens - gAtReset.opens, now.reads - gAtReset.reads, now.bytesRead - gAtReset.bytesRead};
}

void resetIoCounters() {
    std::lock_guard lock(gResetMutex);
    gAtReset = sumOfTallies();
}

std::int64_t openHandleCount() { return sumOfTallies().handles; }

void failAllocationsForTesting(bool fail) { gFailAllocations = fail; }

void exhaustHandlesForTesting(bool exhausted) { gHandlesExhausted = exhausted; }

void refuseFolderForTesting(const std::string& path) {
    std::lock_guard lock(gRefusedFolderMutex);
    gRefusedFolder = path;
    gRefusesFolder = !path.empty();
}

void listWithoutFileIdsForTesting(bool on) { gFileIdsRefused = on; }

void copyMovesForTesting(bool on, std::uint64_t writesFailAfter) {
    gCopyWriteLimit = writesFailAfter;
    gMovesCopy = on;
}

void shortenReadsForTesting(const std::string& path, std::uint64_t offset) {
    std::lock_guard lock(gShortReadMutex);
    gShortReadPath = path;
    gShortReadOffset = offset;
    gShortReads = !path.empty();
}

}  // namespace platform
