// Bookkeeping that both halves of the platform layer share: the reading
// counters, the count of open handles and the test switches. Internal to
// src/platform.
#pragma once

#include <cstdint>

namespace platform::counting {

// A file opened for reading (counted for the tests' proofs).
void noteOpen();
// Any handle of a file or folder, opened or closed.
void noteHandleOpened();
void noteHandleClosed();
void noteRead(std::uint64_t bytesDelivered);
bool allocationsFail();
bool handlesExhausted();
// Where reads of the file opened at `path` stop: the test switch's offset
// for that path, else no limit.
std::uint64_t readLimitFor(const char* path);
bool readLimitsSet();
// The folder test switch: whether openFolder of `path` is refused.
bool folderRefused(const char* path);
// The file-id test switch: whether listings with file ids are refused.
bool fileIdsRefused();
// The move test switch: whether moves copy, and after how many bytes the
// copy's writes fail.
bool movesCopy();
std::uint64_t copyWriteLimit();

}  // namespace platform::counting
