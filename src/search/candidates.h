// Which pairs can be listed at all: the candidates. Quick Dir compares only
// files of equal size; Directory compares files whose sizes are close enough
// that the size difference alone cannot keep the score below matchPercent.
// Everything else is left out before a byte is read.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "search/indexer.h"

namespace search {

constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();

struct Candidates {
    bool directory = false;
    std::uint32_t matchPercent = 0;
    // Entries that can appear in a row: under 4 GiB (the comparator refuses
    // larger files) and, unless matchPercent is 0, not empty (empty files
    // score 0).
    std::vector<bool> listable;
    // Listable entries of one full size, two or more, in index order.
    std::vector<std::vector<std::uint32_t>> groups;
    std::vector<std::uint32_t> groupOf;          // per entry, or kNoGroup
    std::vector<std::uint32_t> positionInGroup;  // per entry
    // Directory mode: listable entries ordered by size, then index.
    std::vector<std::uint32_t> bySize;
};

Candidates groupCandidates(const Index& index, std::uint32_t searchMode, std::uint32_t matchPercent);

// The later entries (j > i) that entry i is a candidate with, in index order.
void laterCandidates(const Candidates& candidates, const Index& index, std::uint32_t i,
                     std::vector<std::uint32_t>& out);

// The highest score two files of these sizes can reach: the comparator counts
// the size difference as differing bytes, and the score only falls as more
// bytes differ. Sizes below 4 GiB, neither 0.
std::uint32_t bestScoreForSizes(std::uint64_t sizeA, std::uint64_t sizeB);

// A range of sizes that holds every partner size x with
// bestScoreForSizes(size, x) >= matchPercent (matchPercent 1 to 100). It may
// hold more; the exact test is made for each partner.
struct SizeWindow {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
};
SizeWindow sizeWindow(std::uint64_t size, std::uint32_t matchPercent);

}  // namespace search
