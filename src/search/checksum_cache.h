// The checksum cache: what searches learnt of files' content, kept in one
// file from one search to the next and keyed by each file's identity and
// stamp (volume, file id, size, write time, change time). An entry counts
// only while every key field matches the file; anything else is read again.
//
// The file is an image of the entries behind a header that names the format
// and holds a digest of everything: a file that is damaged, cut short, of
// another program or of a newer version is ignored and rebuilt. It is
// written to a temporary name of its own and moved in place, so a reader
// never sees half of one, and two programs at once each leave a whole file
// (the last to end keeps its own entries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace search {

// One file as a search read it. 64 bytes, stored as they are in memory.
struct CacheEntry {
    std::uint64_t volume = 0;
    std::uint64_t fileId = 0;
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;
    std::int64_t changed = 0;
    // The search that placed the file in its class among the files of its
    // size, and that class: two files marked by one search are identical
    // when their class numbers agree, and were told apart when not. 0: none.
    std::uint64_t searchId = 0;
    std::uint32_t classNumber = 0;
    std::uint32_t checksum = 0;  // with kHasChecksum
    std::uint32_t lastSeenDay = 0;
    std::uint32_t flags = 0;

    static constexpr std::uint32_t kHasChecksum = 1;

    bool hasClass() const { return searchId != 0; }
    bool hasChecksum() const { return (flags & kHasChecksum) != 0; }
    bool carriesNothing() const { return !hasClass() && !hasChecksum(); }
};

// Entries not seen by any search for this many days are dropped.
constexpr std::uint32_t kCacheKeptDays = 30;

// The day a stamp time falls on (counted from the platform's epoch).
std::uint32_t dayOf(std::int64_t stampTime);

// A 64-bit number no other search or program picks: the system's random
// source mixed with the clock. Never 0.
std::uint64_t unpredictableId();

class ChecksumCache {
public:
    ChecksumCache() = default;
    explicit ChecksumCache(std::uint32_t today) : today_(today) {}

    // Reads the cache file; false, and no entries, when it is missing,
    // damaged, cut short, foreign or of a newer version.
    bool load(const std::string& path);

    static constexpr std::uint32_t kNoSlot = 0xFFFFFFFFu;

    // The slot of the file with this stamp. An entry whose identity matches
    // but not the rest of its stamp no longer describes the file: it is
    // emptied and takes the new stamp, as does a new entry for a file the
    // cache did not know. Marks the entry seen today. kNoSlot when the
    // cache holds as many entries as it can. `found`, when given, is what
    // find() answered for the stamp's identity.
    std::uint32_t slotOf(const platform::FileStamp& stamp, std::uint32_t found = kNoSlot);
    // The slot of the entry of this identity, or kNoSlot.
    std::uint32_t find(const platform::FileIdentity& identity);
    // Room for this many more entries, so that adding them moves none.
    void reserve(std::size_t more) { entries_.reserve(entries_.size() + more); }
    CacheEntry& entry(std::uint32_t slot) { return entries_[slot]; }
    const CacheEntry& entry(std::uint32_t slot) const { return entries_[slot]; }
    // Whether anything was learnt or seen that the file does not hold yet.
    bool changed() const { return changed_; }
    void noteChanged() { changed_ = true; }
    std::size_t size() const { return entries_.size(); }

    // Drops the entries that carry nothing or were not seen for
    // kCacheKeptDays (slots handed out before no longer hold), then writes
    // the file; false when it could not be written (the old file then stays
    // as it was).
    bool save(const std::string& path);

private:
    void buildTable();
    void index(std::uint32_t slot);

    std::vector<CacheEntry> entries_;
    std::vector<std::uint32_t> table_;  // slots by identity, open addressing; built when first needed
    std::uint32_t next_ = 0;            // the slot after the one found last
    std::uint32_t today_ = 0;
    bool changed_ = false;
};

}  // namespace search
