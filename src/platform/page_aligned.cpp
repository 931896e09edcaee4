#include "platform/page_aligned.h"

#include <cstdint>

namespace platform::page_aligned {
namespace {

constexpr std::size_t kPage = 4096;

}  // namespace

std::size_t rawSizeFor(std::size_t bytes) { return (bytes ? bytes : 1) + kPage; }

void* placeIn(void* raw) {
    if (!raw) return nullptr;
    auto* bytes = static_cast<std::uint8_t*>(raw);
    return bytes + (kPage - reinterpret_cast<std::uintptr_t>(bytes) % kPage) % kPage;
}

}  // namespace platform::page_aligned
