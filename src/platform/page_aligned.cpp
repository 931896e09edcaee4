#include "platform/page_aligned.h"

#include <cstdint>
#include <cstring>

namespace platform::page_aligned {
namespace {

constexpr std::size_t kPage = 4096;

}  // namespace

std::size_t rawSizeFor(std::size_t bytes) { return (bytes ? bytes : 1) + kPage; }

void* placeIn(void* raw) {
    if (!raw) return nullptr;
    // Allocators return at least 8-byte-aligned memory, so the gap before the
    // block always has room for the raw address.
    auto* bytes = static_cast<std::uint8_t*>(raw);
    std::uint8_t* block = bytes + (kPage - reinterpret_cast<std::uintptr_t>(bytes) % kPage);
    std::memcpy(block - sizeof raw, &raw, sizeof raw);
    return block;
}

void* rawOf(void* block) {
    if (!block) return nullptr;
    void* raw;
    std::memcpy(&raw, static_cast<std::uint8_t*>(block) - sizeof raw, sizeof raw);
    return raw;
}

}  // namespace platform::page_aligned
