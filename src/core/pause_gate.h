// A manual-reset event: open means the worker may go on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace core {

class PauseGate {
public:
    void open();   // set: waiting workers go on
    void close();  // reset: workers wait at their next visit
    // One atomic load; the hot loops ask this before they wait.
    bool isOpen() const { return isOpen_.load(std::memory_order_acquire); }
    void wait();
    // Waits at most the given time; returns whether the gate was open.
    bool waitFor(std::chrono::milliseconds limit);

private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    std::atomic<bool> isOpen_{true};
};

}  // namespace core
