// The pair search reads as a pipeline: index the folder, group the candidate
// pairs, split each group of equal size into classes of identical files,
// score what the classes leave open, and write the rows in pair order.
//
// Its rows are those of taking every pair (i, j), i < j, in index order and
// comparing it when it passes the mode's filter: only what no one can see
// (which files are read, and when) differs.
#include "search/pair_search.h"

#include <functional>
#include <memory>
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

// The rows of the search, in the order they appear.
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

    void pair(const std::string& fileA, const std::string& fileB, std::uint32_t score) {
        int row = state_.list.insertRow(nextRow_, fileA);
        state_.list.setCell(row, 1, fileB);
        state_.list.setCell(row, 2, text::decimalText(static_cast<std::int32_t>(score)));
        state_.list.ensureVisible(row);
        state_.pairCount.fetch_add(1);
        ++nextRow_;
    }

    // Not scrolled to.
    void close() {
        bool ran = state_.runControl.load() == core::run_control::kRun;
        int row = state_.list.insertRow(nextRow_, ran ? "End" : "Aborted");
        auto pairs = static_cast<std::int32_t>(state_.pairCount.load());
        state_.list.setCell(row, 1, text::decimalText(pairs) + " twins found");
    }

private:
    core::AppState& state_;
    int nextRow_ = 0;
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

// Fills `pairs` with the pairs of entry i still to judge, in index order.
using PairsOf = std::function<void(std::uint32_t i, std::vector<PairToJudge>& pairs)>;

// Outer entries in index order, each with its later pairs to judge in index
// order. Where every pair would pass the pause gate, the gate is waited at
// each outer step and at each pair step: pairs that are no candidates are
// not visited at all. An abort ends the search after the pair in hand, and
// that pair, perhaps scored on part of its bytes, gets no row. Progress
// runs from `progressFrom` to 100 over the outer entries.
void listPairs(core::AppState& state, const Index& index, const PairsOf& pairsOf, PairJudge& judge,
               RowWriter& rows, std::uint32_t progressFrom) {
    const auto n = static_cast<std::uint32_t>(index.entries.size());
    std::vector<PairToJudge> later;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::string& pathA = index.entries[i].path;
        state.currentFile.set(pathA);
        state.setPathA(pathA);
        state.pauseGate.wait();
        pairsOf(i, later);
        for (const PairToJudge& pair : later) {
            state.pauseGate.wait();
            state.setPathB(index.entries[pair.j].path);
            std::optional<std::uint32_t> score = judge.judge(i, pair.j, pair.score);
            if (state.abortRequested()) break;
            if (score) rows.pair(pathA, index.entries[pair.j].path, *score);
        }
        state.progressPercent.store(progressFrom + (i + 1) * (100 - progressFrom) / n);
        if (state.abortRequested()) break;
    }
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

// The pairs left after deciding in memory, sorted by i and then j.
PairsOf leftAfterDeciding(const std::vector<PairToJudge>& left) {
    return [&left, at = std::size_t{0}](std::uint32_t i, std::vector<PairToJudge>& pairs) mutable {
        pairs.clear();
        for (; at < left.size() && left[at].i == i; ++at) pairs.push_back(left[at]);
    };
}

void searchPairs(core::AppState& state, Index& index, const SearchBuffers& buffers, const SearchTuning& tuning,
                 WorkPool& pool, RowWriter& rows) {
    Candidates candidates = groupCandidates(index, state.settings.searchMode, state.settings.matchPercent);
    ClassTable classes;
    if (!buildClasses(state, index, candidates, buffers.arena(), tuning.classes, pool, classes)) return;
    PairJudge judge(state, index, candidates, classes, buffers.compare, buffers.arena());
    if (!decidesInMemory(candidates, tuning.prefixes)) {
        listPairs(state, index, allCandidates(index, candidates, classes), judge, rows, 0);
        return;
    }
    std::vector<PairToJudge> left;
    if (!pairsToJudge(state, index, candidates, tuning.prefixes, pool, left)) return;
    listPairs(state, index, leftAfterDeciding(left), judge, rows, kDecidedPercent);
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
    WorkPool pool(tuning.helperThreads < 0 ? WorkPool::helpersForThisMachine()
                                           : static_cast<std::size_t>(tuning.helperThreads));
    Index index;
    index.cap = tuning.indexCap;
    std::uint32_t n = indexFolder(state, index, folder, pool);
    state.limitReached.store(index.limitReached);
    rows.start(filesFoundText(index));
    // An index built under an abort is not searched.
    if (n != 0 && !state.abortRequested()) searchPairs(state, index, *buffers, tuning, pool, rows);
    rows.close();
    buffers.reset();
    index.entries = {};
    core::endRun(state, effects);
}

}  // namespace search
