// Bookkeeping that both halves of the platform layer share: the reading
// counters and the allocation test switch. Internal to src/platform.
#pragma once

#include <cstdint>

namespace platform::counting {

void noteOpen();
void noteRead(std::uint64_t bytesDelivered);
bool allocationsFail();

}  // namespace platform::counting
