// Reads one chunk of both files at a time, in pieces, so that the walk can
// begin on the first bytes while later ones are still arriving. For a large
// chunk file B is read on a helper thread while this thread reads file A.
// What lands in each buffer is exactly what one plain read of the chunk
// would put there, and a read that delivers less than asked is reported:
// the bytes after it would be those of an earlier chunk.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace compare {

class ChunkReader {
public:
    ChunkReader(platform::File& fileA, platform::File& fileB);
    ~ChunkReader();
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // Starts the next chunk: `count` bytes of file A into intoA and of file B
    // into intoB, from their current positions.
    void begin(std::uint8_t* intoA, std::uint8_t* intoB, std::uint32_t count);
    // Returns once bytes [0, upTo) of the chunk are in both buffers: true, or
    // false when a file delivered fewer bytes than asked (cut short or
    // failing) and the chunk cannot be trusted.
    bool waitFor(std::uint32_t upTo);
    // After a false waitFor: the fault of the file that came short.
    platform::IoFault fault() const { return fault_; }
    // Ends the chunk, read to its end or not: afterwards nothing touches the
    // buffers and the files are read no further until the next begin.
    void end();

private:
    bool startHelper();
    void helperLoop();
    void readPiecesOfB();

    bool readPiece(platform::File& file, std::uint8_t* into, std::uint32_t from, std::uint32_t to);

    platform::File& fileA_;
    platform::File& fileB_;
    std::uint8_t* intoA_ = nullptr;
    std::uint8_t* intoB_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint32_t readyA_ = 0;        // this thread's own progress in file A
    bool overlapped_ = false;         // the helper reads B for this chunk
    bool shortA_ = false;             // file A came short in this chunk
    platform::IoFault fault_ = platform::IoFault::None;

    std::thread helper_;
    bool helperStarted_ = false;
    bool helperFailed_ = false;
    std::atomic<std::uint32_t> readyB_{0};   // bytes of B in place, published by the helper
    std::atomic<bool> stopB_{false};         // the chunk ended early: stop reading B
    std::atomic<bool> shortB_{false};        // B came short: published before readyB_
    platform::IoFault faultB_ = platform::IoFault::None;  // written before shortB_

    // Wakes the helper for a job, this thread when a job ends or more of B
    // has arrived.
    std::mutex mutex_;
    std::condition_variable changed_;
    bool jobPending_ = false;  // guarded by mutex_
    bool quit_ = false;
};

}  // namespace compare
