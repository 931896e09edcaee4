// Exact classes: inside each group of equal-size files, the sets of files
// whose bytes are all equal. A pair inside a class scores 100 without being
// read again; two files told apart here differ, so they cannot score 100.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/run.h"
#include "search/candidates.h"
#include "search/indexer.h"
#include "search/progress.h"
#include "search/work_pool.h"

namespace search {

// What the class building learnt of a file's content.
enum class Content : std::uint8_t {
    NotRead,     // alone in its size, empty, or in Directory mode outside any group
    Settled,     // read and told apart from, or matched with, every file of its size
    Unreadable,  // could not be opened: scores 0 with anything
    Unsure,      // delivered fewer bytes than listed (changed while read): left to the comparator
};

struct ClassTable {
    // Per entry: the first entry (in index order) of its class; itself when
    // it is alone.
    std::vector<std::uint32_t> classOf;
    // Per class (indexed by its first entry): how many files it holds.
    std::vector<std::uint32_t> classSize;
    std::vector<Content> content;
    // Per group: how many classes its files fall into (a file alone counts one).
    std::vector<std::uint32_t> classesInGroup;
    // When asked for: the checksum of each file read whole in one piece
    // (checksumKnown 1), so that the checksum does not read it again.
    std::vector<std::uint32_t> checksum;
    std::vector<std::uint8_t> checksumKnown;

    bool identical(std::uint32_t a, std::uint32_t b) const {
        return classOf[a] == classOf[b] && classSize[classOf[a]] > 1;
    }
    // Both read in full view of each other and found different.
    bool toldApart(std::uint32_t a, std::uint32_t b) const {
        return content[a] == Content::Settled && content[b] == Content::Settled && classOf[a] != classOf[b];
    }
};

// Where the class building reads: one buffer for the whole search.
struct ReadArena {
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
};

struct ClassTuning {
    // First pass: this much of every file that shares its size, in disk order.
    std::size_t prefixBytes = 64 * 1024;
    // Later passes read side by side in blocks growing from this size.
    std::size_t firstBlock = 256 * 1024;
    std::size_t largestBlock = 4 * 1024 * 1024;
    // Files held open at once by a side-by-side read.
    std::size_t maxOpen = 64;
    // Files no longer than prefixBytes are read whole by the first pass, a
    // group of one size at a time on each worker; up to this much of the
    // first file of each class (shared by the workers, and no more than a
    // worker's part of the arena) stays in memory to compare later copies
    // with. The others are read again when a later file may match them.
    std::size_t keptHeadBytes = 32 * 1024 * 1024;
    // Such a file is held against the first files whose first and last
    // sampleBytes agree with its own: the first directCompares of them byte
    // by byte, the others only where the digests of all their bytes agree.
    std::size_t sampleBytes = 256;
    std::uint32_t directCompares = 2;
};

// Builds the classes of every group; the first pass reads on all the pool's
// threads, each in its own part of the arena. Waits at the pause gate and
// tests for an abort between steps and between blocks; returns false when
// aborted. The bar moves through `share` by the bytes read. With
// `checksums`, the checksum of every file read whole in one piece is kept.
bool buildClasses(core::RunContext& context, const Index& index, const Candidates& candidates, ReadArena arena,
                  const ClassTuning& tuning, WorkPool& pool, ClassTable& table, ProgressShare share = {},
                  bool checksums = false);

}  // namespace search
