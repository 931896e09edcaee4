#include "compare/chunk_reader.h"

#include <system_error>

namespace compare {
namespace {

// Pieces small enough to be walked while still in the cache.
constexpr std::uint32_t kPiece = 512 * 1024;
// Below this a second thread costs more than the overlap gains.
constexpr std::uint32_t kOverlapFrom = 2 * kPiece;

std::uint32_t pieceEnd(std::uint32_t at, std::uint32_t count) {
    return count - at > kPiece ? at + kPiece : count;
}

}  // namespace

ChunkReader::ChunkReader(platform::File& fileA, platform::File& fileB)
    : fileA_(fileA), fileB_(fileB) {}

ChunkReader::~ChunkReader() {
    end();
    if (!helperStarted_) return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    helper_.join();
}

bool ChunkReader::startHelper() {
    if (helperStarted_) return true;
    if (helperFailed_) return false;
    try {
        helper_ = std::thread([this] { helperLoop(); });
        helperStarted_ = true;
    } catch (const std::system_error&) {
        helperFailed_ = true;  // no thread to be had: read both files here
    }
    return helperStarted_;
}

void ChunkReader::helperLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return jobPending_ || quit_; });
        if (quit_) return;
        lock.unlock();
        readPiecesOfB();
        lock.lock();
        jobPending_ = false;
        changed_.notify_all();
    }
}

bool ChunkReader::readPiece(platform::File& file, std::uint8_t* into, std::uint32_t from, std::uint32_t to) {
    return platform::readFile(file, into + from, to - from) == to - from;
}

// A piece that comes short ends the reading of B: the waiter learns of it
// before it sees the chunk as complete.
void ChunkReader::readPiecesOfB() {
    std::uint32_t at = 0;
    while (at < count_ && !stopB_.load(std::memory_order_relaxed)) {
        std::uint32_t next = pieceEnd(at, count_);
        if (!readPiece(fileB_, intoB_, at, next)) {
            faultB_ = fileB_.fault();
            shortB_.store(true, std::memory_order_release);
            next = count_;
        }
        at = next;
        readyB_.store(at, std::memory_order_release);
        // Through the lock, so a waiter between its test and its sleep
        // cannot miss the news.
        { std::lock_guard lock(mutex_); }
        changed_.notify_all();
    }
}

void ChunkReader::begin(std::uint8_t* intoA, std::uint8_t* intoB, std::uint32_t count) {
    intoA_ = intoA;
    intoB_ = intoB;
    count_ = count;
    readyA_ = 0;
    readyB_.store(0, std::memory_order_relaxed);
    stopB_.store(false, std::memory_order_relaxed);
    shortB_.store(false, std::memory_order_relaxed);
    shortA_ = false;
    fault_ = platform::IoFault::None;
    overlapped_ = count >= kOverlapFrom && startHelper();
    if (!overlapped_) return;
    {
        std::lock_guard lock(mutex_);
        jobPending_ = true;
    }
    changed_.notify_all();
}

bool ChunkReader::waitFor(std::uint32_t upTo) {
    if (upTo > count_) upTo = count_;
    while (readyA_ < upTo && !shortA_) {
        std::uint32_t next = pieceEnd(readyA_, count_);
        if (!readPiece(fileA_, intoA_, readyA_, next)) {
            shortA_ = true;
            fault_ = fileA_.fault();
        } else if (!overlapped_ && !readPiece(fileB_, intoB_, readyA_, next)) {
            shortA_ = true;  // B, read here on this thread
            fault_ = fileB_.fault();
        }
        readyA_ = next;
    }
    if (shortA_) return false;
    if (!overlapped_) return true;
    if (readyB_.load(std::memory_order_acquire) < upTo) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return readyB_.load(std::memory_order_acquire) >= upTo; });
    }
    if (!shortB_.load(std::memory_order_acquire)) return true;
    fault_ = faultB_;
    return false;
}

void ChunkReader::end() {
    if (!overlapped_) return;
    stopB_.store(true, std::memory_order_relaxed);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !jobPending_; });
    overlapped_ = false;
}

}  // namespace compare
