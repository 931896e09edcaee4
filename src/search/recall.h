// The checksum cache within one search: what it recalls of the files of the
// index, the groups of one size that must still be read, and what the
// search leaves it for the next one.
//
// Files marked by one search are identical when their class numbers agree
// and were told apart when not. So a group of one size whose files all
// carry the marks of one search, each with the stamp it had then, is known
// without a byte read. Otherwise one file of each class the cache knows and
// every file it does not know are read, as a group of their own; the files
// the cache knew then join the class of the file of theirs that was read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/run.h"
#include "search/candidates.h"
#include "search/checksum_cache.h"
#include "search/classes.h"
#include "search/indexer.h"
#include "search/progress.h"

namespace search {

struct RecallTuning {
    // A file is remembered only when its write and change times lie this
    // long before the search began: a file written twice within one tick of
    // the file system's clock keeps its stamp. Tests set 0.
    std::int64_t settleSeconds = 2;
};

// The cache file of a search, read on a thread of its own while the tree is
// listed. No file: nothing is read and nothing written.
class CacheFile {
public:
    CacheFile(std::string path, std::uint32_t today);
    ~CacheFile();
    CacheFile(const CacheFile&) = delete;
    CacheFile& operator=(const CacheFile&) = delete;

    bool inUse() const { return !path_.empty(); }
    // The cache, once read (empty when the file was missing or not trusted).
    ChecksumCache& cache();
    // Writes what the search learnt, when it learnt anything.
    void saveIfChanged();

private:
    std::string path_;
    ChecksumCache cache_;
    std::thread loading_;
};

class Recall {
public:
    Recall(ChecksumCache& cache, const Index& index, std::int64_t searchStart, const RecallTuning& tuning);

    // Looks up every file that shares its size; shows the file in hand and
    // moves the bar through `share`. The index's stamps are not needed after.
    void recallGroups(core::RunContext& context, const Candidates& candidates, ProgressShare share);
    // The groups the class building must still read (see above).
    std::vector<std::vector<std::uint32_t>> groupsToRead(const Candidates& candidates);
    // Completes the table the class building left for those groups.
    void completeClasses(const Candidates& candidates, ClassTable& table) const;

    std::optional<std::uint32_t> checksumOf(std::uint32_t e) const;
    void rememberChecksum(std::uint32_t e, std::uint32_t checksum);
    // Marks the files of every group that was read with their classes.
    void rememberClasses(const Candidates& candidates, const ClassTable& table);

private:
    bool known(std::uint32_t e) const;
    bool trusted(std::uint32_t e) const;

    ChecksumCache& cache_;
    const Index& index_;
    const std::int64_t trustedBefore_;
    const std::uint64_t searchId_;  // this search's marks
    std::vector<std::uint32_t> slot_;        // per entry, ChecksumCache::kNoSlot when not looked up
    // Per entry: a stamp that the listing gave whole, of a file not written
    // since shortly before the search began.
    std::vector<bool> trusted_;
    std::vector<std::uint32_t> stand_;       // per known entry: the file of its class that stands for it
    std::vector<bool> groupKnown_;           // per group: known without reading
};

}  // namespace search
