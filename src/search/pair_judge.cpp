#include "search/pair_judge.h"

#include "core/run_control.h"
#include "search/checksum.h"

namespace search {

PairJudge::PairJudge(core::RunContext& context, const core::RunRequest& request, Index& index,
                     const Candidates& candidates, const ClassTable& classes, compare::CompareBuffers buffers,
                     ReadArena checksumBuffer)
    : context_(context), index_(index), candidates_(candidates), classes_(classes), buffers_(buffers),
      checksumBuffer_(checksumBuffer), matchPercent_(request.matchPercent),
      sizesMustAgree_(request.mode == core::search_mode::kQuickDir),
      checksumsDecide_(sizesMustAgree_ && request.hash) {}

// In Quick Dir with Hash on a pair is compared only when the checksums agree,
// and listed only then, even where its score would reach matchPercent. The
// checksum is looked at only where it can change the outcome: identical files
// share it, and a pair that cannot reach matchPercent needs none.
std::optional<std::uint32_t> PairJudge::judge(std::uint32_t i, std::uint32_t j, std::uint8_t known) {
    std::uint32_t score = 0;
    bool checksumMatters = checksumsDecide_;
    if (classes_.identical(i, j)) {
        score = 100;
        checksumMatters = false;
    } else if (knownToScoreZero(i) || knownToScoreZero(j)) {
        score = 0;
    } else if (classes_.toldApart(i, j) && matchPercent_ == 100) {
        return std::nullopt;  // any differing byte keeps the score at 99 or less
    } else {
        if (checksumMatters && checksumsFirst(i) && checksumsDiffer(i, j)) return std::nullopt;
        score = known != kScoreUnknown ? known : scoreOf(i, j);
    }
    if (score < matchPercent_) return std::nullopt;
    if (checksumMatters && checksumsDiffer(i, j)) return std::nullopt;
    // Disposing of "either" file of such a pair would dispose of both.
    if (sameFile(i, j)) return std::nullopt;
    return score;
}

// Empty files and files that cannot be opened score 0 with any partner.
bool PairJudge::knownToScoreZero(std::uint32_t e) const {
    return index_.entries[e].listedSize == 0 || classes_.content[e] == Content::Unreadable;
}

// Identical files score alike against any partner, so a class pair is
// compared once. The early exit stops reading once the pair cannot reach
// matchPercent; the score of a pair that can is exact.
std::uint32_t PairJudge::scoreOf(std::uint32_t i, std::uint32_t j) {
    std::uint32_t a = classes_.classOf[i], b = classes_.classOf[j];
    bool reusable = classes_.classSize[a] > 1 || classes_.classSize[b] > 1;
    std::uint64_t key = (static_cast<std::uint64_t>(std::min(a, b)) << 32) | std::max(a, b);
    if (reusable) {
        if (auto it = scores_.find(key); it != scores_.end()) return it->second;
    }
    compare::PairScore result = compare::scorePair(context_, sizesMustAgree_, index_.entries[i].path.c_str(),
                                                   index_.entries[j].path.c_str(), buffers_, matchPercent_);
    switch (result.outcome) {
        case compare::PairOutcome::Done:
        case compare::PairOutcome::StoppedEarly:
            if (reusable) scores_.emplace(key, static_cast<std::uint8_t>(result.score));
            return result.score;
        case compare::PairOutcome::ProcessFault:
            // Out of handles or memory: the run stops rather than drop the pair.
            context_.fail(result.ioFault);
            return 0;
        default:
            // A file that came short or changed is no property of its class,
            // and an aborted score is discarded: neither serves again.
            return 0;
    }
}

// Computed once per class: its files share their content, hence the value.
std::optional<std::uint32_t> PairJudge::checksumOf(std::uint32_t e) {
    std::uint32_t c = classes_.classOf[e];
    auto it = checksums_.find(c);
    if (it == checksums_.end()) {
        Checksum sum = quickChecksum(index_.entries[e].path.c_str(), checksumBuffer_.bytes, checksumBuffer_.size,
                                     context_.runControl);
        if (platform::isProcessFault(sum.fault)) context_.fail(sum.fault);
        std::optional<std::uint32_t> value;
        if (sum.fault == platform::IoFault::None) value = sum.value;
        it = checksums_.emplace(c, value).first;
    }
    index_.entries[e].checksum = it->second.value_or(0);
    return it->second;
}

// A file that could not be read whole has no checksum to agree with: the
// pair gets no row.
bool PairJudge::checksumsDiffer(std::uint32_t i, std::uint32_t j) {
    std::optional<std::uint32_t> a = checksumOf(i);
    std::optional<std::uint32_t> b = checksumOf(j);
    return !a || !b || *a != *b;
}

// With two classes of a size, comparing first is as cheap as it gets: the
// comparison may stop early, while a checksum reads both files in full. With
// more, one checksum per class spares comparing every pair of them.
bool PairJudge::checksumsFirst(std::uint32_t e) const {
    std::uint32_t group = candidates_.groupOf[e];
    return group != kNoGroup && classes_.classesInGroup[group] >= 3;
}

bool PairJudge::sameFile(std::uint32_t i, std::uint32_t j) {
    // One file lies in one place: where the listing places two files apart,
    // they are two files, and no look-up is needed.
    const std::uint64_t placeA = index_.entries[i].diskOrder, placeB = index_.entries[j].diskOrder;
    if (placeA != 0 && placeB != 0 && placeA != placeB) return false;
    auto identityOf = [this](std::uint32_t e) -> const std::optional<platform::FileIdentity>& {
        auto it = identities_.find(e);
        if (it == identities_.end()) {
            platform::FileIdentity id;
            bool known = platform::identityOfPath(index_.entries[e].path.c_str(), id);
            it = identities_.emplace(e, known ? std::optional(id) : std::nullopt).first;
        }
        return it->second;
    };
    const auto& a = identityOf(i);
    const auto& b = identityOf(j);
    return a && b && *a == *b;
}

}  // namespace search
