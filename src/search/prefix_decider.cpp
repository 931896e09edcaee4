#include "search/prefix_decider.h"

#include <algorithm>

#include "compare/byte_runs.h"
#include "compare/score.h"
#include "core/run_control.h"
#include "platform/platform.h"

namespace search {
namespace {

constexpr std::uint64_t kNoHead = ~std::uint64_t{0};

// Heads are placed in size order and let go in size order: one ring of
// bytes, with offsets that only grow. A head never wraps around the end.
class HeadRing {
public:
    explicit HeadRing(std::size_t budget) : block_(platform::allocateBlock(budget)) {}

    bool obtained() const { return static_cast<bool>(block_); }

    // Where `length` bytes go, or kNoHead when there is no room now.
    std::uint64_t place(std::size_t length) {
        const std::uint64_t capacity = block_.size();
        std::uint64_t at = newest_;
        if (at % capacity + length > capacity) at += capacity - at % capacity;  // to the start
        if (length == 0 || at + length - oldest_ > capacity) return kNoHead;
        newest_ = at + length;
        return at;
    }
    // Lets go of every head placed before `end`.
    void releaseBefore(std::uint64_t end) { oldest_ = std::max(oldest_, end); }
    std::uint8_t* bytesAt(std::uint64_t at) const { return block_.bytes() + at % block_.size(); }

private:
    platform::Block block_;
    std::uint64_t oldest_ = 0;  // the first byte still in use
    std::uint64_t newest_ = 0;  // one past the last byte placed
};

class Decider {
public:
    Decider(core::RunContext& context, const Index& index, const Candidates& candidates, const PrefixTuning& tuning,
            WorkPool& pool)
        : context_(context), index_(index), order_(candidates.bySize), tuning_(tuning), pool_(pool),
          matchPercent_(candidates.matchPercent), ring_(tuning.budget), found_(pool.workers()),
          partners_(index, candidates.bySize) {}

    bool run(ProgressShare share, const DecidedPairs& take);

private:
    void measure();
    std::size_t windowEnd(std::size_t p, std::size_t from) const;
    void readHeads(std::size_t from, std::size_t to);
    void readHead(std::size_t k);
    void decideFor(std::size_t p, std::size_t worker);
    void decideForReference(std::size_t p, std::vector<PairToJudge>& out) const;
    void decide(std::size_t p, std::size_t q, std::vector<PairToJudge>& out) const;
    bool stopRequested();
    std::size_t stepEnd(std::size_t start) const;
    void weighWork();
    void collectFound(std::vector<PairToJudge>& pairs);

    core::RunContext& context_;
    const Index& index_;
    const std::vector<std::uint32_t>& order_;  // listable entries by size
    const PrefixTuning& tuning_;
    WorkPool& pool_;
    const std::uint32_t matchPercent_;
    HeadRing ring_;
    std::vector<std::vector<PairToJudge>> found_;  // per worker
    const WindowPartners partners_;
    // With a reference folder: the positions of the searched files, in order.
    std::vector<std::size_t> searchedAt_;

    // Per position in size order.
    std::vector<std::uint32_t> size_;
    std::vector<std::uint64_t> high_;          // the largest partner size
    std::vector<std::uint32_t> unlistedFrom_;  // differing bytes that keep it below, as the larger file
    std::vector<std::uint32_t> headLength_;
    std::vector<std::uint64_t> headAt_;        // in the ring, or kNoHead
    std::vector<std::size_t> windowEnd_;       // one past its last partner
    std::vector<std::uint64_t> work_;  // deciding its pairs, for the bar
    std::uint64_t totalWork_ = 0;
};

// The sizes, windows and head lengths. A head holds what a pair with any
// partner in the window needs to fall below matchPercent when its bytes
// differ as unrelated bytes do (one in 256 agrees), and a margin.
void Decider::measure() {
    const std::size_t m = order_.size();
    size_.resize(m);
    high_.resize(m);
    unlistedFrom_.resize(m);
    headLength_.resize(m);
    headAt_.assign(m, kNoHead);
    windowEnd_.resize(m);
    for (std::size_t k = 0; k < m; ++k) size_[k] = static_cast<std::uint32_t>(index_.entries[order_[k]].listedSize);
    if (index_.hasReference)
        for (std::size_t k = 0; k < m; ++k)
            if (!index_.isReference(order_[k])) searchedAt_.push_back(k);
    const std::uint64_t largest = m ? size_[m - 1] : 0;
    std::size_t end = 0;
    for (std::size_t k = 0; k < m; ++k) {
        high_[k] = std::min(sizeWindow(size_[k], matchPercent_).high, largest);
        unlistedFrom_[k] = static_cast<std::uint32_t>(compare::firstUnlistedCount(size_[k], matchPercent_));
        std::uint64_t need = compare::firstUnlistedCount(static_cast<std::uint32_t>(high_[k]), matchPercent_);
        headLength_[k] = static_cast<std::uint32_t>(std::min<std::uint64_t>(size_[k], need + need / 64 + 64));
        end = windowEnd(k, std::max(end, k + 1));
        windowEnd_[k] = end;
    }
    weighWork();
}

// What deciding the pairs of each file costs, for the bar. In memory a pair
// costs a fixed part and a part that grows with its head (measured at match
// 50, where heads are whole files: a pair costs about as much as comparing
// 8 KiB more of head). Where the heads of a file's window cannot all be held
// in the ring, its pairs go to the comparator, which opens and reads both
// files: several times the cost.
void Decider::weighWork() {
    constexpr std::uint64_t kPerPair = 8 * 1024;
    constexpr std::uint64_t kReadFromFiles = 8;
    const std::size_t m = order_.size();
    std::vector<std::uint64_t> headsBefore(m + 1, 0);
    for (std::size_t k = 0; k < m; ++k) headsBefore[k + 1] = headsBefore[k] + headLength_[k];
    work_.resize(m);
    for (std::size_t k = 0; k < m; ++k) {
        const bool heldInRing = headsBefore[windowEnd_[k]] - headsBefore[k] <= tuning_.budget;
        work_[k] = partners_.count(k, windowEnd_[k]) * (headLength_[k] + kPerPair) * (heldInRing ? 1 : kReadFromFiles);
        totalWork_ += work_[k];
    }
}

std::size_t Decider::windowEnd(std::size_t p, std::size_t from) const {
    std::size_t q = from;
    while (q < size_.size() && size_[q] <= high_[p]) ++q;
    return q;
}

// Places the heads of [from, to) in the ring, then reads them on all the
// pool's threads.
void Decider::readHeads(std::size_t from, std::size_t to) {
    std::vector<std::size_t> placed;
    for (std::size_t k = from; k < to; ++k) {
        headAt_[k] = ring_.place(headLength_[k]);
        if (headAt_[k] != kNoHead) placed.push_back(k);
    }
    pool_.run(placed.size(), [&](std::size_t n, std::size_t) { readHead(placed[n]); });
}

// A head that cannot be read whole, or of a file that has changed since it
// was listed, is not used: its pairs go to the comparator.
void Decider::readHead(std::size_t k) {
    const IndexEntry& entry = index_.entries[order_[k]];
    if (context_.abortRequested()) {
        headAt_[k] = kNoHead;
        return;
    }
    platform::File file = platform::openForReading(entry.path.c_str());
    const bool whole = file.isOpen() && file.sizeAtOpen() == entry.listedSize &&
                       platform::readFile(file, ring_.bytesAt(headAt_[k]), headLength_[k]) == headLength_[k];
    if (whole) return;
    if (platform::isProcessFault(file.fault())) context_.fail(file.fault());
    headAt_[k] = kNoHead;
}

// Pair (p, q), p before q in size order, so size p <= size q: the smaller
// and the larger file. The size difference counts as differing bytes.
void Decider::decide(std::size_t p, std::size_t q, std::vector<PairToJudge>& out) const {
    std::uint32_t i = order_[p], j = order_[q];
    if (i > j) std::swap(i, j);
    if (headAt_[p] == kNoHead || headAt_[q] == kNoHead) {
        out.push_back({i, j, kScoreUnknown});
        return;
    }
    const std::uint32_t smaller = size_[p], larger = size_[q];
    const std::uint32_t sizeDifference = larger - smaller;
    const std::size_t enough = unlistedFrom_[q] - sizeDifference;  // above 0: the pair is a candidate
    const std::size_t compared = std::min(headLength_[p], headLength_[q]);
    const std::size_t differing =
        compare::countDifferingBytes(ring_.bytesAt(headAt_[p]), ring_.bytesAt(headAt_[q]), compared, enough);
    if (differing >= enough) return;  // it can no longer reach matchPercent
    std::uint8_t score = kScoreUnknown;
    if (compared == smaller)
        score = static_cast<std::uint8_t>(
            compare::similarityPercent(larger, sizeDifference + static_cast<std::uint32_t>(differing)));
    out.push_back({i, j, score});
}

void Decider::decideFor(std::size_t p, std::size_t worker) {
    std::vector<PairToJudge>& out = found_[worker];
    if (index_.isReference(order_[p])) {
        decideForReference(p, out);
        return;
    }
    std::uint32_t lastSize = 0;
    bool sizeTested = false;
    bool lastIsCandidate = false;
    for (std::size_t q = p + 1; q < windowEnd_[p]; ++q) {
        if (!index_.mayPair(order_[p], order_[q])) continue;
        // Equal sizes come together: the size test is made once for each.
        if (!sizeTested || size_[q] != lastSize) {
            sizeTested = true;
            lastSize = size_[q];
            lastIsCandidate = bestScoreForSizes(size_[p], lastSize) >= matchPercent_;
        }
        if (lastIsCandidate) decide(p, q, out);
    }
}

// A reference file pairs only with searched files: the few of its window
// are looked up, not every reference file beside it.
void Decider::decideForReference(std::size_t p, std::vector<PairToJudge>& out) const {
    auto q = std::upper_bound(searchedAt_.begin(), searchedAt_.end(), p);
    for (; q != searchedAt_.end() && *q < windowEnd_[p]; ++q)
        if (bestScoreForSizes(size_[p], size_[*q]) >= matchPercent_) decide(p, *q, out);
}

// A step takes filesPerStep files, or fewer where their pairs would compare
// many bytes (large heads in a wide window), so that pause and abort are
// looked at every few hundredths of a second.
std::size_t Decider::stepEnd(std::size_t start) const {
    constexpr std::uint64_t kBytesPerStep = std::uint64_t{64} << 20;
    const std::size_t limit = std::min(order_.size(), start + std::max<std::size_t>(tuning_.filesPerStep, 1));
    std::uint64_t bytes = 0;
    std::size_t end = start;
    while (end < limit && (end == start || bytes < kBytesPerStep)) {
        bytes += partners_.count(end, windowEnd_[end]) * headLength_[end];
        ++end;
    }
    return end;
}

bool Decider::stopRequested() {
    context_.pauseGate.wait();
    return context_.abortRequested();
}

// The pairs the workers found in the step, in (i, j) order.
void Decider::collectFound(std::vector<PairToJudge>& pairs) {
    pairs.clear();
    for (auto& part : found_) {
        pairs.insert(pairs.end(), part.begin(), part.end());
        part.clear();
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const PairToJudge& a, const PairToJudge& b) { return a.i != b.i ? a.i < b.i : a.j < b.j; });
}

// Each step's pairs go to `take` at once, so their rows appear while the
// search goes on. Deciding a step and judging its pairs share the step's
// part of the bar by the pairs each visits.
bool Decider::run(ProgressShare share, const DecidedPairs& take) {
    if (!ring_.obtained()) {
        context_.fail(platform::IoFault::OutOfMemory);
        return false;
    }
    measure();
    const std::size_t m = order_.size();
    std::size_t headsRead = 0;
    std::uint64_t workDone = 0;
    std::vector<PairToJudge> pairs;
    for (std::size_t start = 0; start < m;) {
        if (stopRequested()) return false;
        const std::size_t end = stepEnd(start);
        context_.currentFile.set(index_.entries[order_[start]].path);
        const std::size_t needed = std::max(windowEnd_[end - 1], end);
        readHeads(headsRead, needed);
        headsRead = std::max(headsRead, needed);
        if (context_.abortRequested()) return false;
        pool_.run(end - start, [&](std::size_t k, std::size_t worker) { decideFor(start + k, worker); });
        // Later files pair only with files after them: these heads are done.
        std::uint64_t stepPairs = 0, stepWork = 0;
        for (std::size_t k = start; k < end; ++k) {
            if (headAt_[k] != kNoHead) ring_.releaseBefore(headAt_[k] + headLength_[k]);
            stepPairs += partners_.count(k, windowEnd_[k]);
            stepWork += work_[k];
        }
        collectFound(pairs);
        const std::uint64_t judging = stepPairs ? stepWork * std::min<std::uint64_t>(pairs.size(), stepPairs) / stepPairs : 0;
        share.show(context_, workDone + stepWork - judging, totalWork_);
        if (!pairs.empty() && !take(pairs, share.part(workDone + stepWork - judging, workDone + stepWork, totalWork_)))
            return false;
        workDone += stepWork;
        share.show(context_, workDone, totalWork_);
        start = end;
    }
    return true;
}

}  // namespace

bool decidesInMemory(const Candidates& candidates, const PrefixTuning& tuning) {
    return tuning.enabled && candidates.directory && candidates.matchPercent != 0;
}

bool decidePairs(core::RunContext& context, const Index& index, const Candidates& candidates,
                 const PrefixTuning& tuning, WorkPool& pool, ProgressShare share, const DecidedPairs& take) {
    Decider decider(context, index, candidates, tuning, pool);
    return decider.run(share, take);
}

}  // namespace search
