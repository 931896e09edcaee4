#include "search/work_pool.h"

#include <algorithm>

namespace search {

WorkPool::WorkPool(std::size_t helpers) {
    for (std::size_t k = 1; k <= helpers; ++k) helpers_.emplace_back([this, k] { helperLoop(k); });
}

WorkPool::~WorkPool() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

std::size_t WorkPool::helpersForThisMachine() {
    unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? std::min<std::size_t>(cores, 3) : 0;
}

void WorkPool::work(std::size_t worker) {
    for (std::size_t k = next_.fetch_add(1); k < count_; k = next_.fetch_add(1)) (*job_)(k, worker);
}

void WorkPool::run(std::size_t count, const Job& job) {
    if (count == 0) return;
    {
        std::lock_guard lock(mutex_);
        job_ = &job;
        count_ = count;
        next_.store(0);
        busyHelpers_ = helpers_.size();
        ++generation_;
    }
    wake_.notify_all();
    work(0);
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return busyHelpers_ == 0; });
    job_ = nullptr;
}

void WorkPool::helperLoop(std::size_t worker) {
    std::size_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
        if (quit_) return;
        seen = generation_;
        lock.unlock();
        work(worker);
        lock.lock();
        if (--busyHelpers_ == 0) finished_.notify_all();
    }
}

}  // namespace search
