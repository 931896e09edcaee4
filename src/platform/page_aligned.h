// Zero-filled blocks that start on a page, for both halves of the platform
// layer: the kernel copies file data into a page-aligned buffer much faster
// than into one that starts 16 bytes past a page (measured: 30% of the time
// of reading many small files). Internal to src/platform.
#pragma once

#include <cstddef>

namespace platform::page_aligned {

// How many bytes to obtain for a block of `bytes`.
std::size_t rawSizeFor(std::size_t bytes);
// The aligned block inside a raw allocation of rawSizeFor bytes.
void* placeIn(void* raw);

}  // namespace platform::page_aligned
