#include "search/checksum.h"

#include "core/app_state.h"
#include "platform/platform.h"

namespace search {
namespace {

std::uint32_t wordAt(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The last 1 to 3 bytes as one value; of three bytes the middle one does not
// enter (that is how the checksum is defined, not a slip).
std::uint32_t tailValue(const std::uint8_t* p, std::size_t count) {
    std::uint32_t t0 = p[0];
    if (count == 1) return t0 << 24;
    if (count == 2) return (t0 << 16) | (static_cast<std::uint32_t>(p[1]) << 24);
    return (t0 << 24) | (static_cast<std::uint32_t>(p[2]) << 8);
}

}  // namespace

void addToChecksum(ChecksumSums& sums, const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t b = sums.wordSum;
    std::uint32_t a = sums.sumOfSums;
    std::size_t at = 0;
    for (; at + 4 <= count; at += 4) {
        b += wordAt(bytes + at);
        a += b;
    }
    if (at < count) {
        b += tailValue(bytes + at, count - at);
        a += b;
    }
    sums.wordSum = b;
    sums.sumOfSums = a;
}

std::uint32_t checksumValue(const ChecksumSums& sums) {
    return static_cast<std::uint32_t>(sums.wordSum << 16) + (sums.sumOfSums & 0xFFFFu);
}

Checksum quickChecksum(const char* path, std::uint8_t* buffer, std::size_t bufferSize,
                       const std::atomic<std::uint32_t>& runControl) {
    platform::File file = platform::openForReading(path);
    if (!file.isOpen()) return {0, file.fault()};
    // Only the low 32 bits of the length are read, as with every size here.
    auto remaining = static_cast<std::uint32_t>(file.sizeAtOpen());
    std::size_t chunkLimit = bufferSize < 4 ? 4 : bufferSize - bufferSize % 4;
    if (chunkLimit > kChecksumChunk) chunkLimit = kChecksumChunk;
    ChecksumSums sums;
    std::uint8_t small[4];
    std::uint8_t* into = bufferSize < 4 ? small : buffer;
    while (remaining != 0 && runControl.load() != core::run_control::kAbort) {
        auto chunk = static_cast<std::uint32_t>(remaining < chunkLimit ? remaining : chunkLimit);
        if (platform::readFile(file, into, chunk) != chunk) {
            // The rest of the buffer holds an earlier chunk's bytes.
            bool process = platform::isProcessFault(file.fault());
            return {0, process ? file.fault() : platform::IoFault::OfFile};
        }
        addToChecksum(sums, into, chunk);
        remaining -= chunk;
    }
    return {checksumValue(sums)};
}

}  // namespace search
