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

// Whether a file of this size can appear in a row at all: under 4 GiB (the
// comparator refuses larger files) and, unless matchPercent is 0, not empty
// (empty files score 0).
bool isListableSize(std::uint64_t size, std::uint32_t matchPercent);

struct Candidates {
    bool directory = false;
    std::uint32_t matchPercent = 0;
    // Entries that can appear in a row (isListableSize).
    std::vector<bool> listable;
    // Listable entries of one full size, two or more, in index order; with a
    // reference folder, only sizes that both folders hold.
    std::vector<std::vector<std::uint32_t>> groups;
    std::vector<std::uint32_t> groupOf;          // per entry, or kNoGroup
    std::vector<std::uint32_t> positionInGroup;  // per entry
    // Directory mode: listable entries ordered by size, then index.
    std::vector<std::uint32_t> bySize;
};

Candidates groupCandidates(const Index& index, std::uint32_t searchMode, std::uint32_t matchPercent);

// The later entries (j > i) that entry i is a candidate with, in index order.
// With a reference folder only a searched file has candidates, and only
// reference files.
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

// Of the entries at positions k + 1 to end - 1 of an order (the entries by
// size), how many may pair with the one at k: all, or with a reference
// folder those of the other folder.
class WindowPartners {
public:
    WindowPartners(const Index& index, const std::vector<std::uint32_t>& order);
    std::uint64_t count(std::size_t k, std::size_t end) const;

private:
    const Index& index_;
    const std::vector<std::uint32_t>& order_;
    std::vector<std::uint32_t> referencesBefore_;  // per position, and one past the last
};

// The sizes a reference file can have to pair with some searched file (the
// entries of the index so far): Quick Dir their sizes, Directory mode their
// size windows (which may hold a little more). Reference files of other sizes
// are never entered, so never opened.
class PartnerSizes {
public:
    PartnerSizes(const Index& index, std::uint32_t searchMode, std::uint32_t matchPercent);
    bool admits(std::uint64_t size) const;

private:
    std::uint32_t matchPercent_;
    std::vector<SizeWindow> ranges_;  // sorted, apart
};

}  // namespace search
