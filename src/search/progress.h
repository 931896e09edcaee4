// How far a search has come: each phase owns a share of progressPercent and
// moves it within that share as its work gets done, so the bar never stands
// still while a phase works.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "core/run.h"

namespace search {

// The part of the bar from `from` to `to` percent.
struct ProgressShare {
    std::uint32_t from = 0;
    std::uint32_t to = 0;

    // The percent that `done` of `total` stands at (from when total is 0).
    std::uint32_t at(std::uint64_t done, std::uint64_t total) const;
    // The part of this share from done0 to done1 of total.
    ProgressShare part(std::uint64_t done0, std::uint64_t done1, std::uint64_t total) const {
        return {at(done0, total), at(done1, total)};
    }
    // Moves the bar to at(done, total); never back.
    void show(core::RunContext& context, std::uint64_t done, std::uint64_t total) const;

    bool operator==(const ProgressShare&) const = default;
};

// Raises progressPercent to `percent`; a lower value is left as it is. Safe
// from several threads at once.
void raiseProgress(core::RunContext& context, std::uint32_t percent);

// For tests: called with each new value of progressPercent a search sets,
// on the thread that set it. Set and cleared only while no search runs.
using ProgressWatcher = std::function<void(std::uint32_t percent)>;
void watchProgress(ProgressWatcher watcher);

// Work counted from several threads at once against a total known ahead (or
// a guess of it: the bar stops at the share's end).
class ProgressCounter {
public:
    ProgressCounter(core::RunContext& context, ProgressShare share, std::uint64_t total)
        : context_(context), share_(share), total_(total) {}

    void add(std::uint64_t units) {
        const std::uint64_t done = done_.fetch_add(units, std::memory_order_relaxed) + units;
        share_.show(context_, done, total_);
    }

private:
    core::RunContext& context_;
    const ProgressShare share_;
    const std::uint64_t total_;
    std::atomic<std::uint64_t> done_{0};
};

}  // namespace search
