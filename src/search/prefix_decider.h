// Directory mode at scale: most candidate pairs decided in memory.
//
// Almost every candidate pair is two unrelated files whose sizes lie close.
// The differing bytes that keep such a pair below matchPercent lie in the
// first (100 - matchPercent)% or so of the larger file: those heads are read
// once, in size order, and held only for the files of the current size
// window. As the differing count only grows with every byte compared, a pair
// that its heads already keep below matchPercent can never be listed; where
// both files are whole in memory the score is exact. Only the rest are left
// to the comparator, which reads the files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/run.h"
#include "search/candidates.h"
#include "search/indexer.h"
#include "search/progress.h"
#include "search/work_pool.h"

namespace search {

constexpr std::uint8_t kScoreUnknown = 0xFF;

// A candidate pair left to judge, i before j in index order.
struct PairToJudge {
    std::uint32_t i = 0;
    std::uint32_t j = 0;
    // The exact score, found with both files whole in memory; otherwise
    // kScoreUnknown and the files are read.
    std::uint8_t score = kScoreUnknown;
};

struct PrefixTuning {
    bool enabled = true;  // off: every candidate pair goes to the comparator
    // Bytes of heads held at once; a head that does not fit is not read, and
    // its pairs go to the comparator.
    std::size_t budget = std::size_t{160} << 20;
    // Files whose pairs are decided between two looks at pause and abort.
    std::size_t filesPerStep = 256;
};

// Whether the search decides in memory: Directory mode with matchPercent
// above 0 (at 0 every pair is listed, whatever its bytes).
bool decidesInMemory(const Candidates& candidates, const PrefixTuning& tuning);

// The pairs of one step that the heads cannot keep below matchPercent,
// sorted by i and then j, and the part of the bar that judging them owns.
// Returns false to stop deciding.
using DecidedPairs = std::function<bool(const std::vector<PairToJudge>& pairs, ProgressShare judging)>;

// Decides every candidate pair on the heads, in steps of files in size
// order, and hands each step's pairs to `take` as soon as they are decided.
// Reads heads on all the pool's threads and decides pairs on them too; moves
// the bar through `share` and shows the file in hand; waits at the pause
// gate. Returns false when stopped by an abort, a failure of the process or
// `take`.
bool decidePairs(core::RunContext& context, const Index& index, const Candidates& candidates,
                 const PrefixTuning& tuning, WorkPool& pool, ProgressShare share, const DecidedPairs& take);

}  // namespace search
