#include "search/recent_heads.h"

#include <cstring>

namespace search {

RecentHeads::RecentHeads(std::size_t capacity)
    : bytes_(capacity ? std::make_unique_for_overwrite<std::uint8_t[]>(capacity) : nullptr), capacity_(capacity) {}

const std::uint8_t* RecentHeads::find(std::uint32_t entry) const {
    auto it = offsetOf_.find(entry);
    return it == offsetOf_.end() ? nullptr : bytes_.get() + it->second;
}

void RecentHeads::dropOldest() {
    offsetOf_.erase(order_.front().entry);
    order_.pop_front();
}

void RecentHeads::keep(std::uint32_t entry, const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > capacity_ || offsetOf_.count(entry)) return;
    if (at_ + size > capacity_) {
        // The end of the ring is given up for this round: the copies still
        // there are older than any written since the last wrap, so they go
        // first, and the oldest copy is again the one just ahead.
        while (!order_.empty() && order_.front().offset >= at_) dropOldest();
        at_ = 0;
    }
    while (!order_.empty() && order_.front().offset < at_ + size &&
           order_.front().offset + order_.front().size > at_)
        dropOldest();
    std::memcpy(bytes_.get() + at_, data, size);
    offsetOf_[entry] = at_;
    order_.push_back({entry, at_, size});
    at_ += size;
}

}  // namespace search
