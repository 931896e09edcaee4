// The content checksum: a pre-filter for Quick Dir with Hash on. Its value is
// never shown, so only its definition matters, not where the chunks fall.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace search {

// The chunk of the original reading; any chunk that is a multiple of 4 gives
// the same value, so a search passes in the buffer it already has.
constexpr std::size_t kChecksumChunk = 20'000'064;

// The running sums: B the word sum, A the sum of sums.
struct ChecksumSums {
    std::uint32_t wordSum = 1;
    std::uint32_t sumOfSums = 0;
};

// Adds `count` bytes to the sums: little-endian 32-bit words, then, when the
// count is not a multiple of 4, one tail value packed from the last 1 to 3
// bytes. Only the last piece of a file may leave a tail.
void addToChecksum(ChecksumSums& sums, const std::uint8_t* bytes, std::size_t count);
// (B << 16) + (A & 0xFFFF) in 32 bits.
std::uint32_t checksumValue(const ChecksumSums& sums);

struct Checksum {
    std::uint32_t value = 0;
    // Not None when the file could not be opened, or delivered fewer bytes
    // than its size said (cut short while read, or failing): the value then
    // stands for no content, and the file cannot be trusted to pair.
    platform::IoFault fault = platform::IoFault::None;
};

// The checksum of the file at `path`, read in chunks of the largest multiple
// of 4 that fits the buffer (at least 4 bytes); value 0 when the file cannot
// be opened. runControl 10 (abort) is tested before every chunk; the value
// then covers the chunks read so far, and the caller does not use it.
Checksum quickChecksum(const char* path, std::uint8_t* buffer, std::size_t bufferSize,
                       const std::atomic<std::uint32_t>& runControl);

}  // namespace search
