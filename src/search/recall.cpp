#include "search/recall.h"

#include <algorithm>
#include <tuple>

namespace search {
namespace {

using Members = std::vector<std::uint32_t>;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// Puts every member in its class: the first in index order names it.
void record(const Members& members, ClassTable& table) {
    const std::uint32_t first = *std::min_element(members.begin(), members.end());
    for (std::uint32_t e : members) {
        table.classOf[e] = first;
        table.classSize[e] = 1;
    }
    table.classSize[first] = static_cast<std::uint32_t>(members.size());
}

}  // namespace

CacheFile::CacheFile(std::string path, std::uint32_t today) : path_(std::move(path)), cache_(today) {
    if (inUse()) loading_ = std::thread([this] { cache_.load(path_); });
}

CacheFile::~CacheFile() {
    if (loading_.joinable()) loading_.join();
}

ChecksumCache& CacheFile::cache() {
    if (loading_.joinable()) loading_.join();
    return cache_;
}

void CacheFile::saveIfChanged() {
    if (inUse() && cache().changed()) cache_.save(path_);
}

Recall::Recall(ChecksumCache& cache, const Index& index, std::int64_t searchStart, const RecallTuning& tuning)
    : cache_(cache), index_(index), trustedBefore_(searchStart - tuning.settleSeconds * platform::kStampTicksPerSecond),
      searchId_(unpredictableId()), slot_(index.entries.size(), ChecksumCache::kNoSlot),
      stand_(index.entries.size(), kNone) {}

bool Recall::known(std::uint32_t e) const {
    return slot_[e] != ChecksumCache::kNoSlot && cache_.entry(slot_[e]).hasClass();
}

// A stamp that the listing gave whole, of a file that has not been written
// since shortly before the search began.
bool Recall::trusted(std::uint32_t e) const { return slot_[e] != ChecksumCache::kNoSlot && trusted_[e]; }

void Recall::recallGroups(core::RunContext& context, const Candidates& candidates, ProgressShare share) {
    // The files the cache does not know are counted first, so that their
    // entries are added without moving the others.
    // In index order: the stamps are read one after the other, not all over
    // memory (a fifth of the time with a million files), and the entries
    // the cache adds lie in the order the next search looks them up.
    const auto n = static_cast<std::uint32_t>(index_.entries.size());
    std::uint64_t members = 0, unknown = 0;
    for (std::uint32_t e = 0; e < n; ++e) {
        if (candidates.groupOf[e] == kNoGroup) continue;
        ++members;
        const platform::FileStamp& stamp = index_.stamps[e];
        if (stamp.identity.fileId != 0) slot_[e] = cache_.find(stamp.identity);
        unknown += slot_[e] == ChecksumCache::kNoSlot ? 1 : 0;
    }
    cache_.reserve(unknown);
    trusted_.assign(index_.entries.size(), false);
    constexpr std::uint64_t kFilesPerShow = 64;
    std::uint64_t done = 0;
    for (std::uint32_t e = 0; e < n; ++e) {
        if (candidates.groupOf[e] == kNoGroup) continue;
        const platform::FileStamp& stamp = index_.stamps[e];
        if (stamp.identity.fileId != 0) slot_[e] = cache_.slotOf(stamp, slot_[e]);
        trusted_[e] = stamp.identity.fileId != 0 && stamp.changed != 0 && stamp.changed < trustedBefore_ &&
                      stamp.lastWrite < trustedBefore_;
        if (++done % kFilesPerShow == 0) {
            context.currentFile.set(index_.entries[e].path);
            share.show(context, done, members);
        }
    }
    raiseProgress(context, share.to);
}

namespace {

// A known file of a group and the class the cache puts it in.
struct Recalled {
    std::uint64_t searchId;
    std::uint32_t classNumber;
    std::uint32_t entry;
    bool operator<(const Recalled& other) const {
        return std::tie(searchId, classNumber, entry) < std::tie(other.searchId, other.classNumber, other.entry);
    }
};

}  // namespace

std::vector<Members> Recall::groupsToRead(const Candidates& candidates) {
    std::vector<Members> toRead;
    groupKnown_.assign(candidates.groups.size(), false);
    std::vector<Recalled> recalled;
    for (std::size_t g = 0; g < candidates.groups.size(); ++g) {
        recalled.clear();
        Members read;
        for (std::uint32_t e : candidates.groups[g]) {
            if (!known(e)) {
                read.push_back(e);
                continue;
            }
            const CacheEntry& entry = cache_.entry(slot_[e]);
            recalled.push_back({entry.searchId, entry.classNumber, e});
        }
        // The first file of each class stands for the others.
        std::sort(recalled.begin(), recalled.end());
        const std::size_t unknown = read.size();
        for (std::size_t k = 0; k < recalled.size(); ++k) {
            const bool first = k == 0 || recalled[k].searchId != recalled[k - 1].searchId ||
                               recalled[k].classNumber != recalled[k - 1].classNumber;
            if (first) read.push_back(recalled[k].entry);
            stand_[recalled[k].entry] = read.back();
        }
        const bool oneSearch = recalled.empty() || recalled.front().searchId == recalled.back().searchId;
        if (unknown == 0 && oneSearch) {
            groupKnown_[g] = true;
        } else if (read.size() >= 2) {
            // In index order, as the group was: the first files of the
            // classes come in the order of their classes, not of the index.
            std::sort(read.begin(), read.end());
            toRead.push_back(std::move(read));
        }
    }
    return toRead;
}

// A known file joins the class of the file that stood for it, when that one
// was read whole again; when it could not be, the known files of its class
// still score 100 with each other but are told apart from no one.
void Recall::completeClasses(const Candidates& candidates, ClassTable& table) const {
    const std::uint64_t n = index_.entries.size();
    std::vector<std::pair<std::uint64_t, std::uint32_t>> classes;  // (class key, entry)
    for (std::size_t g = 0; g < candidates.groups.size(); ++g) {
        classes.clear();
        for (std::uint32_t e : candidates.groups[g]) {
            const std::uint32_t stand = stand_[e];
            if (groupKnown_[g]) {
                classes.emplace_back(stand, e);
                table.content[e] = Content::Settled;
            } else if (stand == kNone || stand == e) {
                classes.emplace_back(table.classOf[e], e);  // read in this search
            } else if (table.content[stand] == Content::Settled) {
                classes.emplace_back(table.classOf[stand], e);
                table.content[e] = Content::Settled;
            } else {
                classes.emplace_back(n + stand, e);
                table.content[e] = Content::Unsure;
            }
        }
        std::sort(classes.begin(), classes.end());
        Members members;
        for (std::size_t k = 0; k < classes.size(); ++k) {
            members.push_back(classes[k].second);
            if (k + 1 == classes.size() || classes[k + 1].first != classes[k].first) {
                record(members, table);
                members.clear();
            }
        }
    }
    table.classesInGroup.clear();
    for (const Members& group : candidates.groups) {
        std::uint32_t count = 0;
        for (std::uint32_t e : group) count += table.classOf[e] == e ? 1 : 0;
        table.classesInGroup.push_back(count);
    }
}

std::optional<std::uint32_t> Recall::checksumOf(std::uint32_t e) const {
    if (slot_[e] == ChecksumCache::kNoSlot || !cache_.entry(slot_[e]).hasChecksum()) return std::nullopt;
    return cache_.entry(slot_[e]).checksum;
}

void Recall::rememberChecksum(std::uint32_t e, std::uint32_t checksum) {
    if (!trusted(e)) return;
    CacheEntry& entry = cache_.entry(slot_[e]);
    entry.checksum = checksum;
    entry.flags |= CacheEntry::kHasChecksum;
    cache_.noteChanged();
}

void Recall::rememberClasses(const Candidates& candidates, const ClassTable& table) {
    for (std::size_t g = 0; g < candidates.groups.size(); ++g) {
        if (groupKnown_[g]) continue;
        for (std::uint32_t e : candidates.groups[g]) {
            if (table.content[e] != Content::Settled || !trusted(e)) continue;
            CacheEntry& entry = cache_.entry(slot_[e]);
            entry.searchId = searchId_;
            entry.classNumber = table.classOf[e];
            cache_.noteChanged();
        }
    }
}

}  // namespace search
