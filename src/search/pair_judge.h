// The score of one candidate pair, found with as little reading as the
// classes allow, and whether the pair gets a row.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "compare/compare_files.h"
#include "core/run.h"
#include "platform/platform.h"
#include "search/candidates.h"
#include "search/classes.h"
#include "search/indexer.h"
#include "search/prefix_decider.h"

namespace search {

class PairJudge {
public:
    PairJudge(core::RunContext& context, const core::RunRequest& request, Index& index, const Candidates& candidates,
              const ClassTable& classes, compare::CompareBuffers buffers, ReadArena checksumBuffer);

    // The score to list for the candidate pair (i, j), i < j, or nothing when
    // the pair gets no row. `known` is the pair's exact score where it was
    // found in memory (kScoreUnknown otherwise: the files are compared).
    // Scores that may come from a comparison cut short by an abort are the
    // caller's to discard.
    std::optional<std::uint32_t> judge(std::uint32_t i, std::uint32_t j, std::uint8_t known = kScoreUnknown);

private:
    bool knownToScoreZero(std::uint32_t e) const;
    std::uint32_t scoreOf(std::uint32_t i, std::uint32_t j);
    std::optional<std::uint32_t> checksumOf(std::uint32_t e);
    bool checksumsDiffer(std::uint32_t i, std::uint32_t j);
    bool checksumsFirst(std::uint32_t e) const;
    bool sameFile(std::uint32_t i, std::uint32_t j);

    core::RunContext& context_;
    Index& index_;
    const Candidates& candidates_;
    const ClassTable& classes_;
    compare::CompareBuffers buffers_;
    ReadArena checksumBuffer_;
    std::uint32_t matchPercent_;
    bool sizesMustAgree_;   // Quick Dir
    bool checksumsDecide_;  // Quick Dir with Hash on

    // Per class: scores of class pairs (only where a class holds several
    // files, so that the score can serve again) and checksums (none for a
    // file that could not be read whole).
    std::unordered_map<std::uint64_t, std::uint8_t> scores_;
    std::unordered_map<std::uint32_t, std::optional<std::uint32_t>> checksums_;
    // Per entry, looked up only for pairs about to be listed.
    std::unordered_map<std::uint32_t, std::optional<platform::FileIdentity>> identities_;
};

}  // namespace search
