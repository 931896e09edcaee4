#include "search/progress.h"

namespace search {

std::uint32_t ProgressShare::at(std::uint64_t done, std::uint64_t total) const {
    if (total == 0 || to <= from) return from;
    if (done >= total) return to;
    // Counts of weighted work can pass 2^57, where done * 100 would overflow.
    return from + static_cast<std::uint32_t>(static_cast<long double>(done) * (to - from) / total);
}

void ProgressShare::show(core::RunContext& context, std::uint64_t done, std::uint64_t total) const {
    raiseProgress(context, at(done, total));
}

namespace {
ProgressWatcher gWatcher;
}  // namespace

void watchProgress(ProgressWatcher watcher) { gWatcher = std::move(watcher); }

void raiseProgress(core::RunContext& context, std::uint32_t percent) {
    std::uint32_t now = context.progressPercent.load(std::memory_order_relaxed);
    // The strip writes 99 back over 100; the worker only ever raises it.
    while (now < percent) {
        if (context.progressPercent.compare_exchange_weak(now, percent)) {
            if (gWatcher) gWatcher(percent);
            return;
        }
    }
}

}  // namespace search
