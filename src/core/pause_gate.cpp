#include "core/pause_gate.h"

namespace core {

void PauseGate::open() {
    {
        std::lock_guard lock(mutex_);
        isOpen_.store(true, std::memory_order_release);
    }
    opened_.notify_all();
}

void PauseGate::close() {
    std::lock_guard lock(mutex_);
    isOpen_.store(false, std::memory_order_release);
}

void PauseGate::wait() {
    if (isOpen()) return;
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return isOpen_.load(std::memory_order_acquire); });
}

bool PauseGate::waitFor(std::chrono::milliseconds limit) {
    if (isOpen()) return true;
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, limit, [this] { return isOpen_.load(std::memory_order_acquire); });
}

}  // namespace core
