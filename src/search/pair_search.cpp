// The pair search reads as a pipeline: index the folder, group the candidate
// pairs, split each group of equal size into classes of identical files,
// score what the classes leave open, and write the rows as the pairs are
// found, in pair order once the search ends.
//
// Its rows are those of taking every pair (i, j), i < j, in index order and
// comparing it when it passes the mode's filter: only what no one can see
// (which files are read, and when) differs.
#include "search/pair_search.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "compare/compare_files.h"
#include "platform/platform.h"
#include "search/candidates.h"
#include "search/classes.h"
#include "search/indexer.h"
#include "search/pair_judge.h"
#include "search/prefix_decider.h"
#include "search/progress.h"
#include "search/work_pool.h"
#include "text/text.h"

namespace search {
namespace {

// The two compare buffers, obtained once for the search. The class building
// and the checksum read into the first while no comparison runs.
struct SearchBuffers {
    platform::Block a = platform::allocateBlock(kSearchBufferSize);
    platform::Block b = platform::allocateBlock(kSearchBufferSize);
    compare::CompareBuffers compare{a.bytes(), b.bytes()};

    bool obtained() const { return a && b; }
    ReadArena arena() const { return {a.bytes(), kSearchBufferSize}; }
};

// The rows of the search. Pair rows are written as the pairs are found,
// which in Directory mode is not pair order; once the search ends (also
// when aborted) they are put in pair order, (i, j) in index order, as one
// change of the list.
class RowWriter {
public:
    explicit RowWriter(core::AppState& state) : state_(state) {}

    void indexing() { state_.list.insertRow(0, "Indexing...."); }

    // "Start" takes the place of "Indexing....", whatever the index holds.
    void start(const std::string& found) {
        state_.list.deleteRow(0);
        state_.list.insertRow(0, "Start");
        state_.list.setCell(0, 1, found);
        nextRow_ = 1;
    }

    void pair(std::uint32_t i, std::uint32_t j, const std::string& fileA, const std::string& fileB,
              std::uint32_t score) {
        const std::string scoreText = text::decimalText(static_cast<std::int32_t>(score));
        int row = state_.list.insertRow(nextRow_, {fileA, fileB, scoreText});
        state_.list.ensureVisible(row);
        state_.pairCount.fetch_add(1);
        ++nextRow_;
        keys_.push_back((static_cast<std::uint64_t>(i) << 32) | j);
    }

    // Sorts the rows' keys, not their texts, and moves each row once: a
    // million rows take a fraction of a second.
    void putInPairOrder() {
        if (std::is_sorted(keys_.begin(), keys_.end())) return;
        std::vector<std::uint32_t> order(keys_.size());
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return keys_[a] < keys_[b]; });
        state_.list.reorderRows(1, order);
        std::sort(keys_.begin(), keys_.end());
    }

    // Not scrolled to.
    void close() {
        putInPairOrder();
        bool ran = state_.runControl.load() == core::run_control::kRun;
        int row = state_.list.insertRow(nextRow_, ran ? "End" : "Aborted");
        auto pairs = static_cast<std::int32_t>(state_.pairCount.load());
        state_.list.setCell(row, 1, text::decimalText(pairs) + " twins found");
    }

private:
    core::AppState& state_;
    int nextRow_ = 0;
    std::vector<std::uint64_t> keys_;  // (i, j) of each pair row, as written
};

// Column 1 of the Start row: how many files the index holds, and whether the
// limit cut the tree; or why the folder gave none.
std::string filesFoundText(const Index& index) {
    switch (index.root) {
        case RootListing::NotAFolder: return "Folder not found.";
        case RootListing::CannotOpen: return "Cannot open the folder.";
        case RootListing::Listed: break;
    }
    std::string found = text::decimalText(static_cast<std::int32_t>(index.entries.size())) + " files found.";
    if (index.limitReached) found += " Limit reached: the rest was not searched.";
    return found;
}

// The parts of the bar: listing the tree, telling files of one size apart,
// then the pairs. Quick Dir reads most while telling files apart; Directory
// mode while deciding and judging its pairs.
struct Shares {
    ProgressShare index;
    ProgressShare classes;
    ProgressShare pairs;
};

Shares sharesFor(std::uint32_t searchMode) {
    if (searchMode == core::search_mode::kQuickDir) return {{0, 10}, {10, 70}, {70, 100}};
    return {{0, 5}, {5, 15}, {15, 100}};
}

// Judges one pair and writes its row when it gets one; the caller shows
// its first file. False after an abort: the pair in hand, perhaps scored on
// part of its bytes, gets no row.
bool judgeAndList(core::AppState& state, const Index& index, const PairToJudge& pair, PairJudge& judge,
                  RowWriter& rows) {
    state.pauseGate.wait();
    const std::string& pathB = index.entries[pair.j].path;
    state.setPathB(pathB);
    std::optional<std::uint32_t> score = judge.judge(pair.i, pair.j, pair.score);
    if (state.abortRequested()) return false;
    if (score) rows.pair(pair.i, pair.j, index.entries[pair.i].path, pathB, *score);
    return true;
}

// Fills `pairs` with the pairs of entry i to judge, in index order.
using PairsOf = std::function<void(std::uint32_t i, std::vector<PairToJudge>& pairs)>;

// Outer entries in index order, each with its later pairs to judge in index
// order: the rows come in pair order. Where every pair would pass the pause
// gate, the gate is waited at each outer step and at each pair step: pairs
// that are no candidates are not visited at all. An abort ends the search
// after the pair in hand. The bar moves by outer entries and pairs against
// `visits`, about how many there are.
void listPairs(core::AppState& state, const Index& index, const PairsOf& pairsOf, PairJudge& judge,
               RowWriter& rows, ProgressShare share, std::uint64_t visits) {
    const auto n = static_cast<std::uint32_t>(index.entries.size());
    std::vector<PairToJudge> later;
    std::uint64_t visited = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        state.currentFile.set(index.entries[i].path);
        state.setPathA(index.entries[i].path);
        state.pauseGate.wait();
        pairsOf(i, later);
        bool aborted = false;
        for (const PairToJudge& pair : later) {
            if (!judgeAndList(state, index, pair, judge, rows)) {
                aborted = true;
                break;
            }
            share.show(state, ++visited, visits);
        }
        share.show(state, ++visited, visits);
        if (aborted || state.abortRequested()) break;
    }
    if (!state.abortRequested()) raiseProgress(state, share.to);
}

// Every candidate pair goes to the judge, but at matchPercent 100 none that
// the class building has told apart: one differing byte keeps its score
// below 100, so the judge would give it no row. In a large group of one
// size that spares visiting every pair of different files.
PairsOf allCandidates(const Index& index, const Candidates& candidates, const ClassTable& classes) {
    const bool skipToldApart = candidates.matchPercent == 100;
    return [&index, &candidates, &classes, skipToldApart, js = std::vector<std::uint32_t>()](
               std::uint32_t i, std::vector<PairToJudge>& pairs) mutable {
        laterCandidates(candidates, index, i, js);
        pairs.clear();
        for (std::uint32_t j : js)
            if (!skipToldApart || !classes.toldApart(i, j)) pairs.push_back({i, j, kScoreUnknown});
    };
}

// About how many outer entries and pairs listPairs visits, for the bar
// only: the outer entries, and the pairs of each group or size window (at
// matchPercent 100 only pairs the class building has not told apart).
std::uint64_t visitsOf(const Index& index, const Candidates& candidates, const ClassTable& classes) {
    std::uint64_t visits = index.entries.size();
    auto pairsAmong = [](std::uint64_t count) { return count * (count - (count != 0)) / 2; };
    if (candidates.directory && candidates.matchPercent == 0) {
        return visits + pairsAmong(static_cast<std::uint64_t>(
                            std::count(candidates.listable.begin(), candidates.listable.end(), true)));
    }
    if (candidates.directory) {
        const auto& order = candidates.bySize;
        auto sizeAt = [&](std::size_t k) { return index.entries[order[k]].listedSize; };
        for (std::size_t k = 0, end = 0; k < order.size(); ++k) {
            const std::uint64_t high = sizeWindow(sizeAt(k), candidates.matchPercent).high;
            for (end = std::max(end, k + 1); end < order.size() && sizeAt(end) <= high;) ++end;
            visits += end - k - 1;
        }
        return visits;
    }
    for (const auto& group : candidates.groups) {
        if (candidates.matchPercent != 100) {
            visits += pairsAmong(group.size());
            continue;
        }
        for (std::uint32_t e : group) {
            if (classes.content[e] != Content::Settled) visits += group.size();
            else if (classes.classOf[e] == e) visits += pairsAmong(classes.classSize[e]);
        }
    }
    return visits;
}

// Directory mode: each step of deciding in memory hands over its pairs
// left, which are judged at once, so rows appear while the search goes on.
void listDecidedPairs(core::AppState& state, const Index& index, const Candidates& candidates,
                      const SearchTuning& tuning, WorkPool& pool, PairJudge& judge, RowWriter& rows,
                      ProgressShare share) {
    std::optional<std::pair<std::uint32_t, std::uint32_t>> lastInPairOrder;
    auto judgeStep = [&](const std::vector<PairToJudge>& pairs, ProgressShare judging) {
        std::optional<std::uint32_t> shownI;
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            const PairToJudge& pair = pairs[k];
            // A step's pairs come by i: its file is shown once, and only
            // where the files are read (a pair decided in memory costs none).
            if (pair.score == kScoreUnknown && shownI != pair.i) {
                shownI = pair.i;
                state.setPathA(index.entries[pair.i].path);
                state.currentFile.set(index.entries[pair.i].path);
            }
            if (!judgeAndList(state, index, pair, judge, rows)) return false;
            lastInPairOrder = std::max(lastInPairOrder.value_or(std::pair{0u, 0u}), std::pair{pair.i, pair.j});
            judging.show(state, k + 1, pairs.size());
        }
        return true;
    };
    if (!decidePairs(state, index, candidates, tuning.prefixes, pool, share, judgeStep)) return;
    raiseProgress(state, share.to);
    // As the pair walk in index order leaves them: the last outer entry, and
    // the last file compared.
    state.setPathA(index.entries.back().path);
    if (lastInPairOrder) state.setPathB(index.entries[lastInPairOrder->second].path);
}

void searchPairs(core::AppState& state, Index& index, const SearchBuffers& buffers, const SearchTuning& tuning,
                 WorkPool& pool, RowWriter& rows, const Shares& shares) {
    Candidates candidates = groupCandidates(index, state.settings.searchMode, state.settings.matchPercent);
    ClassTable classes;
    if (!buildClasses(state, index, candidates, buffers.arena(), tuning.classes, pool, classes, shares.classes))
        return;
    PairJudge judge(state, index, candidates, classes, buffers.compare, buffers.arena());
    if (decidesInMemory(candidates, tuning.prefixes)) {
        listDecidedPairs(state, index, candidates, tuning, pool, judge, rows, shares.pairs);
        return;
    }
    listPairs(state, index, allCandidates(index, candidates, classes), judge, rows, shares.pairs,
              visitsOf(index, candidates, classes));
}

}  // namespace

void runPairSearch(core::AppState& state, const core::WindowEffects& effects) {
    runPairSearch(state, effects, SearchTuning{});
}

void runPairSearch(core::AppState& state, const core::WindowEffects& effects, const SearchTuning& tuning) {
    core::beginWorker(state);
    state.pairCount.store(0);
    if (effects.refreshEditStates) effects.refreshEditStates();
    state.list.clearRows();
    auto buffers = std::make_unique<SearchBuffers>();
    if (!buffers->obtained()) {
        buffers.reset();
        core::endRunForLackOfMemory(state, effects);
        return;
    }
    const std::string folder = state.pathAText();
    RowWriter rows(state);
    rows.indexing();
    const Shares shares = sharesFor(state.settings.searchMode);
    WorkPool pool(tuning.helperThreads < 0 ? WorkPool::helpersForThisMachine()
                                           : static_cast<std::size_t>(tuning.helperThreads));
    Index index;
    index.cap = tuning.indexCap;
    std::uint32_t n = indexFolder(state, index, folder, pool, shares.index);
    state.limitReached.store(index.limitReached);
    rows.start(filesFoundText(index));
    // An index built under an abort is not searched.
    if (n != 0 && !state.abortRequested()) {
        raiseProgress(state, shares.index.to);
        searchPairs(state, index, *buffers, tuning, pool, rows, shares);
    }
    rows.close();
    buffers.reset();
    index.entries = {};
    core::endRun(state, effects);
}

}  // namespace search
