#include "platform/counting.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {
std::atomic<std::uint64_t> gOpens{0};
std::atomic<std::uint64_t> gReads{0};
std::atomic<std::uint64_t> gBytesRead{0};
std::atomic<std::int64_t> gOpenHandles{0};
std::atomic<bool> gFailAllocations{false};
std::atomic<bool> gHandlesExhausted{false};

// The short-read switch: rarely set, so one lock is enough.
std::atomic<bool> gShortReads{false};
std::mutex gShortReadMutex;
std::string gShortReadPath;
std::uint64_t gShortReadOffset = 0;
}  // namespace

namespace counting {
void noteOpen() { ++gOpens; }

void noteHandleOpened() { ++gOpenHandles; }

void noteHandleClosed() { --gOpenHandles; }

void noteRead(std::uint64_t bytesDelivered) {
    ++gReads;
    gBytesRead += bytesDelivered;
}

bool allocationsFail() { return gFailAllocations.load(); }

bool handlesExhausted() { return gHandlesExhausted.load(); }

bool readLimitsSet() { return gShortReads.load(); }

std::uint64_t readLimitFor(const char* path) {
    constexpr std::uint64_t kNoLimit = ~std::uint64_t{0};
    if (!gShortReads.load()) return kNoLimit;
    std::lock_guard lock(gShortReadMutex);
    return gShortReadPath == path ? gShortReadOffset : kNoLimit;
}
}  // namespace counting

IoCounters ioCounters() { return {gOpens.load(), gReads.load(), gBytesRead.load()}; }

void resetIoCounters() {
    gOpens = 0;
    gReads = 0;
    gBytesRead = 0;
}

std::int64_t openHandleCount() { return gOpenHandles.load(); }

void failAllocationsForTesting(bool fail) { gFailAllocations = fail; }

void exhaustHandlesForTesting(bool exhausted) { gHandlesExhausted = exhausted; }

void shortenReadsForTesting(const std::string& path, std::uint64_t offset) {
    std::lock_guard lock(gShortReadMutex);
    gShortReadPath = path;
    gShortReadOffset = offset;
    gShortReads = !path.empty();
}

}  // namespace platform
