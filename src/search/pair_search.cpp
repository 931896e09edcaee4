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
#include "search/recall.h"
#include "search/reference_folder.h"
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

// The rows of the search, each written whole in one step of the list. Pair
// rows are written as the pairs are found, which in Directory mode is not
// pair order; once the search ends (also when aborted) they are put in pair
// order, (i, j) in index order, as one change of the list.
class RowWriter {
public:
    explicit RowWriter(core::RunContext& context) : context_(context) {}

    void indexing() { context_.rows.insertRow(0, "Indexing...."); }

    // "Start" takes the place of "Indexing....", whatever the index holds.
    void start(const std::string& found) {
        context_.rows.setRow(0, {"Start", found, ""});
        context_.startRowWritten.store(true);
        nextRow_ = 1;
    }

    void pair(std::uint32_t i, std::uint32_t j, const std::string& fileA, const std::string& fileB,
              std::uint32_t score) {
        const std::string scoreText = text::decimalText(static_cast<std::int32_t>(score));
        int row = context_.rows.insertRow(nextRow_, {fileA, fileB, scoreText});
        context_.rows.ensureVisible(row);
        context_.pairCount.fetch_add(1);
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
        context_.rows.reorderRows(1, order);
        std::sort(keys_.begin(), keys_.end());
    }

    // Not scrolled to.
    void close(const core::RunOutcome& outcome) {
        putInPairOrder();
        const bool ended = outcome.status != core::RunStatus::Aborted && outcome.status != core::RunStatus::Error;
        const std::string pairs = text::decimalText(static_cast<std::int32_t>(outcome.pairs)) + " twins found";
        context_.rows.insertRow(nextRow_, {ended ? "End" : "Aborted", pairs, ""});
    }

    std::uint64_t pairs() const { return keys_.size(); }

private:
    core::RunContext& context_;
    int nextRow_ = 0;
    std::vector<std::uint64_t> keys_;  // (i, j) of each pair row, as written
};

core::RunStatus listingStatus(RootListing root) {
    switch (root) {
        case RootListing::NotAFolder: return core::RunStatus::NotFound;
        case RootListing::CannotOpen: return core::RunStatus::CannotOpen;
        case RootListing::Listed: break;
    }
    return core::RunStatus::Complete;
}

// How the index came out: the searched folder refused, then the reference
// folder, the limit reached, or all of it. Its counts go into the outcome.
void takeIndex(const Index& index, core::RunOutcome& outcome) {
    outcome.status = listingStatus(index.root);
    if (outcome.status == core::RunStatus::Complete && index.hasReference) {
        outcome.status = listingStatus(index.referenceRoot);
        outcome.referenceRefused = outcome.status != core::RunStatus::Complete;
    }
    if (outcome.status == core::RunStatus::Complete && index.limitReached) outcome.status = core::RunStatus::Limit;
    outcome.filesFound = index.hasReference ? index.firstReference : index.entries.size();
    outcome.referenceFiles = index.referenceFiles;
    outcome.leftOut = index.leftOut;
}

// Whether there is anything to search: files, and with a reference folder
// files in both (a folder refused gave none).
bool anythingToSearch(const Index& index) {
    if (index.hasReference) return index.firstReference != 0 && index.entries.size() > index.firstReference;
    return !index.entries.empty();
}

std::string countText(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + (count == 1 ? one : many);
}

// Column 1 of the Start row: how many files the index holds, whether the
// limit cut the tree and what the walk left out; or why the folder gave none.
std::string startText(const core::RunOutcome& outcome, bool withReference, const std::string& limitAdvice) {
    switch (outcome.status) {
        case core::RunStatus::NotFound:
            return outcome.referenceRefused ? "Reference folder not found." : "Folder not found.";
        case core::RunStatus::CannotOpen:
            return outcome.referenceRefused ? "Cannot open the reference folder." : "Cannot open the folder.";
        default: break;
    }
    std::string found = text::decimalText(static_cast<std::int32_t>(outcome.filesFound)) + " files found";
    if (withReference)
        found += ", " + text::decimalText(static_cast<std::int32_t>(outcome.referenceFiles)) + " in the reference folder";
    found += '.';
    if (outcome.status == core::RunStatus::Limit)
        found.append(" Limit reached: the rest was not searched.").append(limitAdvice);
    if (outcome.leftOut.folders)
        found.append(" ").append(countText(outcome.leftOut.folders, " folder", " folders")).append(" could not be opened.");
    if (outcome.leftOut.links)
        found.append(" ").append(countText(outcome.leftOut.links, " link was", " links were")).append(" not followed.");
    return found;
}

// How the run ended: the failure of the process, the user's abort, or as
// the index came out.
void settleOutcome(core::RunOutcome& outcome, const core::RunContext& context, std::uint64_t pairs) {
    outcome.pairs = pairs;
    if (const char* failure = context.failureText()) {
        outcome.status = core::RunStatus::Error;
        outcome.message = failure;
    } else if (context.stoppedByUser()) {
        outcome.status = core::RunStatus::Aborted;
    }
}

// The parts of the bar: listing the tree, telling files of one size apart,
// then the pairs. Quick Dir reads most while telling files apart; Directory
// mode while deciding and judging its pairs.
struct Shares {
    ProgressShare index;
    ProgressShare classes;
    ProgressShare pairs;
    ProgressShare searched;  // with a reference folder: listing the searched folder, before `index`
};

// Against a reference folder, listing it is most of the work; the searched
// folder is usually the small one.
Shares sharesFor(std::uint32_t searchMode, bool withReference) {
    const bool quick = searchMode == core::search_mode::kQuickDir;
    if (withReference)
        return quick ? Shares{{5, 60}, {60, 90}, {90, 100}, {0, 5}} : Shares{{5, 40}, {40, 50}, {50, 100}, {0, 5}};
    return quick ? Shares{{0, 10}, {10, 70}, {70, 100}, {}} : Shares{{0, 5}, {5, 15}, {15, 100}, {}};
}

// Judges one pair and writes its row when it gets one; the caller shows
// its first file. False after an abort: the pair in hand, perhaps scored on
// part of its bytes, gets no row.
bool judgeAndList(core::RunContext& context, const Index& index, const PairToJudge& pair, PairJudge& judge,
                  RowWriter& rows) {
    context.pauseGate.wait();
    std::optional<std::uint32_t> score = judge.judge(pair.i, pair.j, pair.score);
    if (context.abortRequested()) return false;
    if (score) rows.pair(pair.i, pair.j, index.entries[pair.i].path, index.entries[pair.j].path, *score);
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
void listPairs(core::RunContext& context, const Index& index, const PairsOf& pairsOf, PairJudge& judge,
               RowWriter& rows, ProgressShare share, std::uint64_t visits) {
    const auto n = static_cast<std::uint32_t>(index.entries.size());
    std::vector<PairToJudge> later;
    std::uint64_t visited = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        context.currentFile.set(index.entries[i].path);
        context.pauseGate.wait();
        pairsOf(i, later);
        bool aborted = false;
        for (const PairToJudge& pair : later) {
            if (!judgeAndList(context, index, pair, judge, rows)) {
                aborted = true;
                break;
            }
            share.show(context, ++visited, visits);
        }
        share.show(context, ++visited, visits);
        if (aborted || context.abortRequested()) break;
    }
    if (!context.abortRequested()) raiseProgress(context, share.to);
}

// Quick Dir at matchPercent 100: the later candidates of entry i that the
// class building has not told apart from it: the later files of its class, and
// the later files of its group whose content it did not settle (with a
// reference folder, only those it may pair with). Each class is a chain in
// index order, so entry i costs only the pairs it has.
PairsOf classPairs(const Index& index, const Candidates& candidates, const ClassTable& classes) {
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    auto nextInClass = std::make_shared<std::vector<std::uint32_t>>(index.entries.size(), kNone);
    auto unsettled = std::make_shared<std::vector<std::vector<std::uint32_t>>>(candidates.groups.size());
    std::vector<std::uint32_t> lastOfClass(index.entries.size(), kNone);
    for (std::size_t g = 0; g < candidates.groups.size(); ++g) {
        for (std::uint32_t e : candidates.groups[g]) {
            if (classes.content[e] != Content::Settled) (*unsettled)[g].push_back(e);
            const std::uint32_t c = classes.classOf[e];
            if (lastOfClass[c] != kNone) (*nextInClass)[lastOfClass[c]] = e;
            lastOfClass[c] = e;
        }
    }
    return [&index, &candidates, &classes, nextInClass, unsettled, js = std::vector<std::uint32_t>()](
               std::uint32_t i, std::vector<PairToJudge>& pairs) mutable {
        pairs.clear();
        if (!candidates.listable[i] || index.isReference(i) || candidates.groupOf[i] == kNoGroup) return;
        if (classes.content[i] != Content::Settled) {
            laterCandidates(candidates, index, i, js);
            for (std::uint32_t j : js) pairs.push_back({i, j, kScoreUnknown});
            return;
        }
        js.clear();
        for (std::uint32_t j = (*nextInClass)[i]; j != kNone; j = (*nextInClass)[j]) js.push_back(j);
        const auto& others = (*unsettled)[candidates.groupOf[i]];
        const std::size_t mates = js.size();
        js.insert(js.end(), std::upper_bound(others.begin(), others.end(), i), others.end());
        std::inplace_merge(js.begin(), js.begin() + static_cast<std::ptrdiff_t>(mates), js.end());
        for (std::uint32_t j : js)
            if (index.mayPair(i, j)) pairs.push_back({i, j, kScoreUnknown});
    };
}

// Every candidate pair goes to the judge, but at matchPercent 100 none that
// the class building has told apart: one differing byte keeps its score
// below 100, so the judge would give it no row. In a large group of one
// size that spares visiting every pair of different files.
PairsOf allCandidates(const Index& index, const Candidates& candidates, const ClassTable& classes) {
    const bool skipToldApart = candidates.matchPercent == 100;
    if (skipToldApart && !candidates.directory) return classPairs(index, candidates, classes);
    return [&index, &candidates, &classes, skipToldApart, js = std::vector<std::uint32_t>()](
               std::uint32_t i, std::vector<PairToJudge>& pairs) mutable {
        laterCandidates(candidates, index, i, js);
        pairs.clear();
        for (std::uint32_t j : js)
            if (!skipToldApart || !classes.toldApart(i, j)) pairs.push_back({i, j, kScoreUnknown});
    };
}

// How many of the pairs among `members` may be listed: all of them, or with
// a reference folder each searched file with each reference file.
std::uint64_t listablePairsAmong(const Index& index, const std::vector<std::uint32_t>& members) {
    const auto count = static_cast<std::uint64_t>(members.size());
    if (!index.hasReference) return count * (count - (count != 0)) / 2;
    const auto references = static_cast<std::uint64_t>(
        std::count_if(members.begin(), members.end(), [&](std::uint32_t e) { return index.isReference(e); }));
    return references * (count - references);
}

// About how many outer entries and pairs listPairs visits, for the bar
// only: the outer entries, and the pairs of each group or size window (at
// matchPercent 100 only pairs the class building has not told apart).
std::uint64_t visitsOf(const Index& index, const Candidates& candidates, const ClassTable& classes) {
    std::uint64_t visits = index.entries.size();
    if (candidates.directory && candidates.matchPercent == 0) {
        std::vector<std::uint32_t> listable;
        for (std::uint32_t e = 0; e < candidates.listable.size(); ++e)
            if (candidates.listable[e]) listable.push_back(e);
        return visits + listablePairsAmong(index, listable);
    }
    if (candidates.directory) {
        const auto& order = candidates.bySize;
        const WindowPartners partners(index, order);
        auto sizeAt = [&](std::size_t k) { return index.entries[order[k]].listedSize; };
        for (std::size_t k = 0, end = 0; k < order.size(); ++k) {
            const std::uint64_t high = sizeWindow(sizeAt(k), candidates.matchPercent).high;
            for (end = std::max(end, k + 1); end < order.size() && sizeAt(end) <= high;) ++end;
            visits += partners.count(k, end);
        }
        return visits;
    }
    if (candidates.matchPercent != 100) {
        for (const auto& group : candidates.groups) visits += listablePairsAmong(index, group);
        return visits;
    }
    // At 100 only the pairs within a class (with a reference folder, each
    // searched file with each reference file of its class), and those of
    // files whose content was not settled.
    std::vector<std::uint32_t> referencesIn;  // per class, by its first entry
    if (index.hasReference) {
        referencesIn.assign(index.entries.size(), 0);
        for (const auto& group : candidates.groups)
            for (std::uint32_t e : group)
                if (classes.content[e] == Content::Settled && index.isReference(e)) ++referencesIn[classes.classOf[e]];
    }
    for (const auto& group : candidates.groups) {
        for (std::uint32_t e : group) {
            if (classes.content[e] != Content::Settled) {
                visits += group.size();
                continue;
            }
            if (classes.classOf[e] != e) continue;
            const std::uint64_t members = classes.classSize[e];
            if (index.hasReference) visits += referencesIn[e] * (std::max(members, std::uint64_t{1}) - referencesIn[e]);
            else visits += members * (members - (members != 0)) / 2;
        }
    }
    return visits;
}

// Directory mode: each step of deciding in memory hands over its pairs
// left, which are judged at once, so rows appear while the search goes on.
void listDecidedPairs(core::RunContext& context, const Index& index, const Candidates& candidates,
                      const SearchTuning& tuning, WorkPool& pool, PairJudge& judge, RowWriter& rows,
                      ProgressShare share) {
    auto judgeStep = [&](const std::vector<PairToJudge>& pairs, ProgressShare judging) {
        std::optional<std::uint32_t> shownI;
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            const PairToJudge& pair = pairs[k];
            // A step's pairs come by i: its file is shown once, and only
            // where the files are read (a pair decided in memory costs none).
            if (pair.score == kScoreUnknown && shownI != pair.i) {
                shownI = pair.i;
                context.currentFile.set(index.entries[pair.i].path);
            }
            if (!judgeAndList(context, index, pair, judge, rows)) return false;
            judging.show(context, k + 1, pairs.size());
        }
        return true;
    };
    if (!decidePairs(context, index, candidates, tuning.prefixes, pool, share, judgeStep)) return;
    raiseProgress(context, share.to);
}

// Builds the classes of every group; with a cache, only of the files it
// does not know and one of each class it does. Recalling moves the first
// tenth of the bar's share, reading the rest.
bool buildClassesRecalling(core::RunContext& context, Index& index, const Candidates& candidates,
                           Recall* recall, const SearchBuffers& buffers, const SearchTuning& tuning, WorkPool& pool,
                           ClassTable& classes, ProgressShare share, bool checksums) {
    if (!recall)
        return buildClasses(context, index, candidates, buffers.arena(), tuning.classes, pool, classes, share,
                            checksums);
    recall->recallGroups(context, candidates, share.part(0, 1, 10));
    std::vector<platform::FileStamp>().swap(index.stamps);
    Candidates toRead;
    toRead.groups = recall->groupsToRead(candidates);
    if (!buildClasses(context, index, toRead, buffers.arena(), tuning.classes, pool, classes, share.part(1, 10, 10),
                      checksums))
        return false;
    recall->completeClasses(candidates, classes);
    return true;
}

void searchPairs(const core::RunRequest& request, core::RunContext& context, Index& index,
                 const SearchBuffers& buffers, const SearchTuning& tuning, WorkPool& pool, RowWriter& rows,
                 const Shares& shares, Recall* recall) {
    Candidates candidates = groupCandidates(index, request.mode, request.matchPercent);
    ClassTable classes;
    // Checksums decide pairs only in Quick Dir with Hash, and below 100: the
    // files read whole for the classes give theirs on the way.
    const bool checksums = !candidates.directory && request.hash && request.matchPercent < 100;
    if (!buildClassesRecalling(context, index, candidates, recall, buffers, tuning, pool, classes, shares.classes,
                               checksums))
        return;
    PairJudge judge(context, request, index, candidates, classes, buffers.compare, buffers.arena());
    judge.useRecall(recall);
    if (decidesInMemory(candidates, tuning.prefixes)) {
        listDecidedPairs(context, index, candidates, tuning, pool, judge, rows, shares.pairs);
    } else {
        listPairs(context, index, allCandidates(index, candidates, classes), judge, rows, shares.pairs,
                  visitsOf(index, candidates, classes));
    }
    // The classes are whole even when the pairs were cut short.
    if (recall) recall->rememberClasses(candidates, classes);
}

}  // namespace

core::RunOutcome searchFolder(const core::RunRequest& request, core::RunContext& context,
                              const SearchTuning& tuning) {
    context.pairCount.store(0);
    context.rows.clearRows();
    auto buffers = std::make_unique<SearchBuffers>();
    if (!buffers->obtained()) {
        buffers.reset();
        return core::notEnoughMemory();
    }
    const std::int64_t started = platform::stampTimeNow();
    CacheFile cacheFile(request.cacheFile, dayOf(started));
    RowWriter rows(context);
    rows.indexing();
    const bool withReference = !request.reference.empty();
    const Shares shares = sharesFor(request.mode, withReference);
    WorkPool pool(tuning.helperThreads < 0 ? WorkPool::helpersForThisMachine()
                                           : static_cast<std::size_t>(tuning.helperThreads));
    Index index;
    index.cap = request.fileLimit;
    index.quickDir = request.mode == core::search_mode::kQuickDir;
    index.keepStamps = cacheFile.inUse();
    if (withReference)
        indexWithReference(context, index, request, pool, shares.searched, shares.index);
    else
        indexFolder(context, index, request.pathA, pool, shares.index);
    core::RunOutcome outcome;
    takeIndex(index, outcome);
    rows.start(startText(outcome, withReference, request.limitAdvice));
    // An index built under an abort is not searched.
    if (anythingToSearch(index) && !context.abortRequested()) {
        raiseProgress(context, shares.index.to);
        std::optional<Recall> recall;
        if (cacheFile.inUse()) recall.emplace(cacheFile.cache(), index, started, tuning.recall);
        searchPairs(request, context, index, *buffers, tuning, pool, rows, shares, recall ? &*recall : nullptr);
    }
    settleOutcome(outcome, context, rows.pairs());
    rows.close(outcome);
    // After the last row: the user does not wait for the file to be written.
    // The run ends only after it, so the next one reads it whole.
    cacheFile.saveIfChanged();
    return outcome;
}

}  // namespace search
