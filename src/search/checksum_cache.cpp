#include "search/checksum_cache.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <random>
#include <type_traits>

#include "search/digest.h"

namespace search {
namespace {

// The entries are written as they lie in memory.
static_assert(std::endian::native == std::endian::little);
static_assert(std::is_trivially_copyable_v<CacheEntry> && sizeof(CacheEntry) == 64);

constexpr char kMagic[8] = {'P', 'A', 'I', 'R', 'S', 'U', 'M', 'S'};
constexpr std::uint32_t kVersion = 1;

struct CacheHeader {
    char magic[8] = {};
    std::uint32_t version = 0;
    std::uint32_t entrySize = 0;
    std::uint64_t count = 0;
    std::uint64_t digest = 0;  // of the fields above and of every entry
};
static_assert(sizeof(CacheHeader) == 32);

constexpr std::uint32_t kNoSlot = ChecksumCache::kNoSlot;
// Slots are 32-bit, and one value marks an empty place of the table.
constexpr std::uint64_t kMostEntries = 0xFFFFFFF0u;

std::uint64_t digestOfCache(const CacheHeader& header, const std::vector<CacheEntry>& entries) {
    const std::uint64_t seed =
        digestOf(reinterpret_cast<const std::uint8_t*>(&header), offsetof(CacheHeader, digest), 0);
    return digestOf(reinterpret_cast<const std::uint8_t*>(entries.data()), entries.size() * sizeof(CacheEntry), seed);
}

bool readAll(platform::File& file, void* into, std::uint64_t bytes) {
    auto* at = static_cast<std::uint8_t*>(into);
    constexpr std::uint64_t kPiece = std::uint64_t{1} << 30;
    while (bytes > 0) {
        const auto piece = static_cast<std::uint32_t>(std::min(bytes, kPiece));
        if (platform::readFile(file, at, piece) != piece) return false;
        at += piece;
        bytes -= piece;
    }
    return true;
}

// Whether the header is this program's, of this version, and the file holds
// exactly the entries it counts.
bool headerFits(const CacheHeader& header, std::uint64_t fileSize) {
    return std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 && header.version == kVersion &&
           header.entrySize == sizeof(CacheEntry) && header.count <= kMostEntries &&
           fileSize == sizeof(CacheHeader) + header.count * sizeof(CacheEntry);
}

std::uint64_t placeOf(const platform::FileIdentity& identity) {
    return mixBits(identity.volume * 0x9E3779B97F4A7C15ull ^ identity.fileId);
}

// A name beside the cache file that no other program picks.
std::string temporaryNameFor(const std::string& path) {
    const std::uint64_t random = unpredictableId();
    static const char kHex[] = "0123456789abcdef";
    std::string name = path + ".tmp-";
    for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(random >> shift) & 0xF];
    return name;
}

}  // namespace

std::uint64_t unpredictableId() {
    std::random_device device;
    const std::uint64_t id = (std::uint64_t{device()} << 32) ^ device() ^
                             static_cast<std::uint64_t>(platform::stampTimeNow());
    return id == 0 ? 1 : id;
}

std::uint32_t dayOf(std::int64_t stampTime) {
    constexpr std::int64_t kTicksPerDay = platform::kStampTicksPerSecond * 86'400;
    return stampTime <= 0 ? 0 : static_cast<std::uint32_t>(stampTime / kTicksPerDay);
}

bool ChecksumCache::load(const std::string& path) {
    entries_.clear();
    table_.clear();
    next_ = 0;
    platform::File file = platform::openForReading(path.c_str());
    CacheHeader header;
    if (!file.isOpen() || !readAll(file, &header, sizeof header) || !headerFits(header, file.sizeAtOpen()))
        return false;
    // Room for the files a search adds (an eighth more), taken now: growing
    // a vector of a million entries later would hold it twice for a moment,
    // and the room not used is never touched, so it costs no memory.
    const auto count = static_cast<std::size_t>(header.count);
    std::vector<CacheEntry> entries;
    entries.reserve(count + count / 8 + 1024);
    entries.resize(count);
    if (!readAll(file, entries.data(), header.count * sizeof(CacheEntry)) ||
        digestOfCache(header, entries) != header.digest)
        return false;
    entries_ = std::move(entries);
    return true;
}

// A search looks files up about in the order the last one stored them: the
// entry after the last one found is tried first, and the table is built
// only when that fails.
std::uint32_t ChecksumCache::find(const platform::FileIdentity& identity) {
    auto matches = [&](std::uint32_t slot) {
        return entries_[slot].volume == identity.volume && entries_[slot].fileId == identity.fileId;
    };
    if (next_ < entries_.size() && matches(next_)) return next_++;
    if (table_.empty()) buildTable();
    if (table_.empty()) return kNoSlot;
    const std::size_t mask = table_.size() - 1;
    for (std::size_t at = placeOf(identity) & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = table_[at];
        if (slot == kNoSlot) return kNoSlot;
        if (matches(slot)) {
            next_ = slot + 1;
            return slot;
        }
    }
}

void ChecksumCache::buildTable() {
    if (entries_.empty()) return;
    table_.assign(std::bit_ceil(entries_.size() * 2), kNoSlot);
    for (std::uint32_t slot = 0; slot < entries_.size(); ++slot) index(slot);
}

// Keeps the table at most half full; a file's identity is in it once.
void ChecksumCache::index(std::uint32_t slot) {
    if ((static_cast<std::size_t>(slot) + 1) * 2 > table_.size()) {
        table_.assign(std::max<std::size_t>(1024, std::bit_ceil((static_cast<std::size_t>(slot) + 1) * 2)), kNoSlot);
        for (std::uint32_t s = 0; s < slot; ++s) index(s);
    }
    const std::size_t mask = table_.size() - 1;
    const platform::FileIdentity identity{entries_[slot].volume, entries_[slot].fileId};
    std::size_t at = placeOf(identity) & mask;
    while (table_[at] != kNoSlot) {
        const CacheEntry& there = entries_[table_[at]];
        if (there.volume == identity.volume && there.fileId == identity.fileId) return;  // a duplicate: the first stays
        at = (at + 1) & mask;
    }
    table_[at] = slot;
}

std::uint32_t ChecksumCache::slotOf(const platform::FileStamp& stamp, std::uint32_t found) {
    std::uint32_t slot = found != kNoSlot ? found : find(stamp.identity);
    if (slot == kNoSlot) {
        if (entries_.size() >= kMostEntries) return kNoSlot;
        // An eighth more at a time: a million entries leave little unused.
        if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + entries_.size() / 8 + 1024);
        slot = static_cast<std::uint32_t>(entries_.size());
        entries_.emplace_back();
        entries_.back().volume = stamp.identity.volume;
        entries_.back().fileId = stamp.identity.fileId;
        entries_.back().size = ~stamp.size;  // taken below as a changed file
        if (!table_.empty()) index(slot);  // else the table, once built, holds it
    }
    CacheEntry& e = entries_[slot];
    if (e.size != stamp.size || e.lastWrite != stamp.lastWrite || e.changed != stamp.changed) {
        changed_ = changed_ || !e.carriesNothing();  // what it said goes
        e = CacheEntry{};
        e.volume = stamp.identity.volume;
        e.fileId = stamp.identity.fileId;
        e.size = stamp.size;
        e.lastWrite = stamp.lastWrite;
        e.changed = stamp.changed;
    }
    if (e.lastSeenDay != today_) {
        e.lastSeenDay = today_;
        changed_ = changed_ || !e.carriesNothing();
    }
    return slot;
}

bool ChecksumCache::save(const std::string& path) {
    const std::uint32_t oldest = today_ > kCacheKeptDays ? today_ - kCacheKeptDays : 0;
    std::erase_if(entries_, [&](const CacheEntry& e) { return e.carriesNothing() || e.lastSeenDay < oldest; });
    table_.clear();
    next_ = 0;
    CacheHeader header;
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.version = kVersion;
    header.entrySize = sizeof(CacheEntry);
    header.count = entries_.size();
    header.digest = digestOfCache(header, entries_);
    const std::string temporary = temporaryNameFor(path);
    return platform::replaceWithWholeFile(
        temporary.c_str(), path.c_str(),
        {{&header, sizeof header}, {entries_.data(), entries_.size() * sizeof(CacheEntry)}});
}

}  // namespace search
