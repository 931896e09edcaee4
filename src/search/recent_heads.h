// The bytes of the class heads met most recently, up to a budget, in one
// ring: copies of a file tend to lie near each other on disk, and older heads
// make room for newer ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>

namespace search {

class RecentHeads {
public:
    explicit RecentHeads(std::size_t capacity);

    // The bytes kept for a file, or nullptr. Valid until the next keep().
    const std::uint8_t* find(std::uint32_t entry) const;
    // Keeps a copy, dropping the oldest copies it overwrites. Copies larger
    // than the whole budget are not kept.
    void keep(std::uint32_t entry, const std::uint8_t* data, std::size_t size);

private:
    struct Kept {
        std::uint32_t entry;
        std::size_t offset;
        std::size_t size;
    };
    void dropOldest();

    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t capacity_;
    std::size_t at_ = 0;      // where the next copy goes
    std::deque<Kept> order_;  // oldest first
    std::unordered_map<std::uint32_t, std::size_t> offsetOf_;
};

}  // namespace search
