#include "platform/counting.h"

#include <atomic>

#include "platform/platform.h"

namespace platform {
namespace {
std::atomic<std::uint64_t> gOpens{0};
std::atomic<std::uint64_t> gReads{0};
std::atomic<std::uint64_t> gBytesRead{0};
std::atomic<bool> gFailAllocations{false};
}  // namespace

namespace counting {
void noteOpen() { ++gOpens; }

void noteRead(std::uint64_t bytesDelivered) {
    ++gReads;
    gBytesRead += bytesDelivered;
}

bool allocationsFail() { return gFailAllocations.load(); }
}  // namespace counting

IoCounters ioCounters() { return {gOpens.load(), gReads.load(), gBytesRead.load()}; }

void resetIoCounters() {
    gOpens = 0;
    gReads = 0;
    gBytesRead = 0;
}

void failAllocationsForTesting(bool fail) { gFailAllocations = fail; }

}  // namespace platform
