// The similarity score and the texts that describe a comparison: the Details
// of one run of differing bytes and the verdict of the last File-mode row.
// Stateless; all arithmetic is unsigned 32-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace compare {

// A run of this many bytes or more is called "Different" instead of being
// shown byte by byte.
constexpr std::uint32_t kDifferentFrom = 9'999'999;
// A run of several bytes shows at most this many of them.
constexpr std::uint32_t kShownRunBytes = 20;

// The score 0..100 of `differing` bytes out of `total` (the larger file size).
// Above 50,000 bytes both counts are taken in KiB; any differing byte keeps
// the score below 100. A total of 0 scores 0.
std::uint32_t similarityPercent(std::uint32_t total, std::uint32_t differing);

// The smallest differing count whose score falls below `listedFrom`: a pair
// that has counted this many differing bytes can no longer reach it. Returns
// total + 1 when no count up to total falls below (listedFrom 0, for one).
std::uint64_t firstUnlistedCount(std::uint32_t total, std::uint32_t listedFrom);

// One byte: "0Ah" for the bytes below 32, else the byte between double quotes.
std::string byteText(std::uint8_t b);
// n bytes (2 to 20) up to the first NUL among them, between double quotes.
std::string runBytesText(const std::uint8_t* bytes, std::uint32_t n);

// Room for the longest Details text (66 characters) and then some; texts are
// composed here without touching the heap, once per listed run.
struct DetailsBuffer {
    char text[128];
};
// The Details column of a run, given its first byte in each buffer and its
// length.
std::string_view differenceDetails(const std::uint8_t* bytesA, const std::uint8_t* bytesB,
                                   std::uint32_t runLength, DetailsBuffer& out);
std::string differenceDetails(const std::uint8_t* bytesA, const std::uint8_t* bytesB, std::uint32_t runLength);

// Column 2 of the last File-mode row: "Fault", "Error opening file", "Same"
// or "Files have N% in common".
std::string verdictText(std::uint32_t runState, std::uint32_t largerSize, std::uint32_t diffTotal);

}  // namespace compare
