#include "search/classes.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

#include "core/run_control.h"
#include "platform/platform.h"
#include "search/checksum.h"
#include "search/digest.h"
#include "search/folder_cache.h"
#include "search/work_pool.h"

namespace search {
namespace {

using Members = std::vector<std::uint32_t>;

constexpr std::size_t kLine = 64;
std::size_t onLines(std::uint64_t bytes) { return static_cast<std::size_t>((bytes + kLine - 1) / kLine * kLine); }

// The digest of a file's first and last `sample` bytes (of all of it when
// that is no longer): files that differ there are told apart without a
// digest of every byte.
std::uint64_t endsDigest(const std::uint8_t* bytes, std::uint64_t size, std::size_t sample) {
    if (size <= 2 * sample) return digestOf(bytes, size, 0);
    return digestOf(bytes + size - sample, sample, digestOf(bytes, sample, 0));
}

struct Head {
    Content content = Content::Settled;
    std::uint64_t digest = 0;
};

// What an opened file is to the class building. A file whose size is no
// longer the listed one has changed since it was listed: it is left to the
// comparator, which reads it as it is now.
Content contentOnOpening(const platform::File& file, std::uint64_t listedSize) {
    if (!file.isOpen()) return Content::Unreadable;
    return file.sizeAtOpen() != listedSize ? Content::Unsure : Content::Settled;
}

// A file's first `bytes` bytes, read into `into` (room bytes, in pieces
// when longer), and their digest. Touches nothing shared, so
// heads can be read on several threads at once. `fault` tells why it could
// not be read.
Head readHead(platform::File file, std::uint64_t listedSize, std::uint64_t bytes, std::uint8_t* into,
              std::size_t room, platform::IoFault& fault) {
    Head head;
    head.content = contentOnOpening(file, listedSize);
    fault = file.fault();
    if (head.content != Content::Settled) return head;
    for (std::uint64_t done = 0; done < bytes;) {
        auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(room, bytes - done));
        if (platform::readFile(file, into, piece) != piece) {
            head.content = Content::Unsure;
            fault = file.fault();
            break;
        }
        head.digest = digestOf(into, piece, head.digest);
        done += piece;
    }
    return head;
}

bool sizeStill(const platform::File& file, std::uint64_t size) {
    std::uint64_t now = 0;
    return platform::fileSize(file, now) && now == size;
}

class ClassBuilder {
public:
    ClassBuilder(core::RunContext& context, const Index& index, ReadArena arena, const ClassTuning& tuning,
                 WorkPool& pool, ClassTable& table)
        : context_(context), index_(index), arena_(arena), tuning_(tuning), table_(table),
          digest_(index.entries.size(), 0), folders_(pool.workers()), pool_(pool) {
        // Later passes read on every worker, each in its own part of the
        // arena, where every file held open needs a slot of at least a page.
        const std::size_t part = arena.size / pool_.workers();
        roomPerWorker_ = part >= 4096 ? part - part % 4096 : part;
        maxOpen_ = std::clamp<std::size_t>(tuning.maxOpen, 2, std::max<std::size_t>(roomPerWorker_ / 4096, 2));
        // Each worker's part holds at least a file in hand and a class head
        // read again, on cache lines of their own.
        prefixBytes_ = std::min(tuning.prefixBytes, roomPerWorker_ / 2 / kLine * kLine);
    }

    // What the first pass reads, and at most what the later passes read, in
    // bytes and a share for each file opened.
    struct Reading {
        std::uint64_t first = 0;
        std::uint64_t later = 0;
    };
    Reading readingOf(const std::vector<Members>& groups) const;
    std::uint64_t readingOfSets(const std::vector<Members>& sets) const;
    // The bar moves by the reading counted from here on.
    void countReading(ProgressShare share, std::uint64_t total) {
        progress_ = std::make_unique<ProgressCounter>(context_, share, total);
    }

    bool prefixPass(const std::vector<Members>& groups, std::vector<Members>& survivors);
    // Resolves every set left by the first pass, on all the pool's threads.
    bool resolveAll(const std::vector<Members>& sets);

private:
    struct OpenFile {
        std::uint32_t entry;
        platform::File file;
    };
    using Sets = std::vector<std::vector<std::size_t>>;

    std::uint64_t sizeOf(std::uint32_t e) const { return index_.entries[e].listedSize; }
    const char* pathOf(std::uint32_t e) const { return index_.entries[e].path.c_str(); }
    bool stopRequested();
    // Running out of handles or memory fails the run: dropping the file
    // would silently change the rows.
    void noteFault(platform::IoFault fault) {
        if (platform::isProcessFault(fault)) context_.fail(fault);
    }
    // Opening a file costs about as much as reading this many bytes.
    static constexpr std::uint64_t kOpenCost = 16 * 1024;
    void counted(std::uint64_t bytes) {
        if (progress_) progress_->add(bytes);
    }
    // Entry e opened by the worker, relative to its folder where that is
    // held for the pass, else through the few folders the worker holds.
    platform::File openEntry(std::uint32_t e, std::size_t worker) {
        const platform::Folder& folder = held_.of(index_, e);
        if (folder.isOpen()) return platform::openForReading(folder, HeldFolders::nameOf(index_, e));
        return folders_[worker].open(index_, e);
    }
    // Entry e, listed `size` bytes long, read whole into `into` (room for
    // one byte more), relative to its folder where that is held.
    Content readWhole(std::uint32_t e, std::uint32_t size, std::uint8_t* into) {
        platform::IoFault fault = platform::IoFault::None;
        const platform::WholeFile read =
            platform::readListedFile(held_.of(index_, e), HeldFolders::nameOf(index_, e), pathOf(e), size, into, fault);
        noteFault(fault);
        switch (read) {
            case platform::WholeFile::Read: return Content::Settled;
            case platform::WholeFile::Changed: return Content::Unsure;
            case platform::WholeFile::Unopened: break;
        }
        return Content::Unreadable;
    }
    Head headOf(platform::File file, std::uint32_t e, std::uint64_t bytes, std::uint8_t* into, std::size_t room) {
        platform::IoFault fault = platform::IoFault::None;
        Head head = readHead(std::move(file), sizeOf(e), bytes, into, room, fault);
        noteFault(fault);
        return head;
    }
    // The worker's own part of the arena, for the passes after the first.
    ReadArena roomOf(std::size_t worker) const {
        return {arena_.bytes + worker * roomPerWorker_, roomPerWorker_};
    }
    bool resolve(const Members& set, std::size_t worker);
    bool digestFiles(const Members& files, std::uint64_t bytes, std::size_t worker);
    void splitByDigest(const Members& set, std::vector<Members>& parts) const;
    bool lockstep(const Members& set, std::vector<Members>& classes, std::size_t worker);
    void splitOnBlock(std::vector<OpenFile>& files, const std::vector<std::size_t>& set,
                      const std::vector<std::uint8_t*>& blocks, std::size_t length, Sets& next);
    bool batched(Members set, std::size_t worker);
    void record(const Members& members);
    void readHeadOf(std::uint32_t e, std::size_t worker);
    void classifyWhole(const Members& group, std::size_t worker);
    const std::uint8_t* readAgain(std::uint32_t head, std::uint8_t* into);

    core::RunContext& context_;
    const Index& index_;
    ReadArena arena_;
    const ClassTuning& tuning_;
    ClassTable& table_;
    std::vector<std::uint64_t> digest_;
    std::vector<FolderCache> folders_;  // per worker
    HeldFolders held_;                  // for the first pass, shared
    std::size_t roomPerWorker_ = 0;
    std::size_t maxOpen_ = 2;
    std::size_t prefixBytes_ = 0;
    std::unique_ptr<ProgressCounter> progress_;

    WorkPool& pool_;
};

ClassBuilder::Reading ClassBuilder::readingOf(const std::vector<Members>& groups) const {
    Reading reading;
    for (const Members& group : groups) {
        const std::uint64_t size = sizeOf(group.front());
        if (size == 0) continue;
        reading.first += group.size() * (kOpenCost + std::min<std::uint64_t>(size, prefixBytes_));
        if (size > prefixBytes_) reading.later += group.size() * (size - prefixBytes_);
    }
    return reading;
}

std::uint64_t ClassBuilder::readingOfSets(const std::vector<Members>& sets) const {
    std::uint64_t bytes = 0;
    for (const Members& set : sets) bytes += set.size() * (kOpenCost + sizeOf(set.front()));
    return bytes;
}

void sortByDiskOrder(Members& members, const Index& index) {
    std::sort(members.begin(), members.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto da = index.entries[a].diskOrder, db = index.entries[b].diskOrder;
        return da != db ? da < db : a < b;
    });
}

bool ClassBuilder::stopRequested() {
    context_.pauseGate.wait();
    return context_.abortRequested();
}

void ClassBuilder::record(const Members& members) {
    std::uint32_t first = *std::min_element(members.begin(), members.end());
    for (std::uint32_t e : members) table_.classOf[e] = first;
    table_.classSize[first] = static_cast<std::uint32_t>(members.size());
}

// Reads the first `bytes` bytes of each file through the worker's part of
// the arena and keeps their digest.
bool ClassBuilder::digestFiles(const Members& files, std::uint64_t bytes, std::size_t worker) {
    const ReadArena room = roomOf(worker);
    for (std::uint32_t e : files) {
        if (stopRequested()) return false;
        context_.currentFile.set(index_.entries[e].path);
        Head head = headOf(openEntry(e, worker), e, std::min(bytes, sizeOf(e)), room.bytes, room.size);
        table_.content[e] = head.content;
        digest_[e] = head.digest;
        counted(kOpenCost + std::min(bytes, sizeOf(e)));
    }
    return true;
}

// Parts keep the set's order; a file alone in its part is settled as it is.
void ClassBuilder::splitByDigest(const Members& set, std::vector<Members>& parts) const {
    std::unordered_map<std::uint64_t, std::size_t> partOf;
    std::size_t first = parts.size();
    for (std::uint32_t e : set) {
        if (table_.content[e] != Content::Settled) continue;
        auto [it, fresh] = partOf.try_emplace(digest_[e], parts.size());
        if (fresh) parts.emplace_back();
        parts[it->second].push_back(e);
    }
    parts.erase(std::remove_if(parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end(),
                               [](const Members& p) { return p.size() < 2; }),
                parts.end());
}

// The first pass reads every file that shares its size once. A group of
// files no longer than a head goes to one worker, which reads them whole,
// each group in disk order, and places each in its class at once. Of longer
// files the head is read, all of them in disk order, and they are sorted by
// the digest of their heads.
bool ClassBuilder::prefixPass(const std::vector<Members>& groups, std::vector<Members>& survivors) {
    std::vector<Members> whole;
    Members heads;
    for (const Members& group : groups) {
        const std::uint64_t size = sizeOf(group.front());
        if (size == 0) continue;
        if (size > prefixBytes_) {
            heads.insert(heads.end(), group.begin(), group.end());
            continue;
        }
        whole.push_back(group);
        sortByDiskOrder(whole.back(), index_);
    }
    std::sort(whole.begin(), whole.end(), [&](const Members& a, const Members& b) {
        return index_.entries[a.front()].diskOrder < index_.entries[b.front()].diskOrder;
    });
    sortByDiskOrder(heads, index_);
    // The files of a group lie all over the tree: every folder that holds
    // one is held for the pass, where the process has the handles.
    Members all = heads;
    for (const Members& group : whole) all.insert(all.end(), group.begin(), group.end());
    held_.hold(index_, all, pool_);
    std::vector<std::uint32_t>().swap(all);
    // No step waits for its slowest group: each worker takes the next group
    // as it is done, and the progress shows every few groups' first file.
    constexpr std::size_t kGroupsPerProgress = 16;
    pool_.run(whole.size(), [&](std::size_t k, std::size_t worker) {
        if (k % kGroupsPerProgress == 0) context_.currentFile.set(index_.entries[whole[k].front()].path);
        classifyWhole(whole[k], worker);
    });
    // Between steps the progress shows the file in hand.
    constexpr std::size_t kFilesPerStep = 256;
    // A worker takes a run of neighbouring files at a time: the files of one
    // folder, and entries whose bookkeeping shares a cache line, stay with
    // one thread.
    constexpr std::size_t kFilesPerJob = 16;
    for (std::size_t start = 0; start < heads.size(); start += kFilesPerStep) {
        if (stopRequested()) return false;
        context_.currentFile.set(index_.entries[heads[start]].path);
        const std::size_t end = std::min(heads.size(), start + kFilesPerStep);
        pool_.run((end - start + kFilesPerJob - 1) / kFilesPerJob, [&](std::size_t job, std::size_t worker) {
            const std::size_t from = start + job * kFilesPerJob;
            for (std::size_t k = from; k < std::min(end, from + kFilesPerJob); ++k) readHeadOf(heads[k], worker);
        });
    }
    if (context_.abortRequested()) return false;  // files after the abort were not read
    for (const Members& group : groups) {
        if (sizeOf(group.front()) <= prefixBytes_) continue;  // done, or empty: nothing to read
        Members ordered = group;
        sortByDiskOrder(ordered, index_);
        splitByDigest(ordered, survivors);
    }
    std::sort(survivors.begin(), survivors.end(), [&](const Members& a, const Members& b) {
        return index_.entries[a.front()].diskOrder < index_.entries[b.front()].diskOrder;
    });
    return true;
}

// Runs on any worker, in a small buffer of its own that stays in the
// processor's cache from file to file.
void ClassBuilder::readHeadOf(std::uint32_t e, std::size_t worker) {
    // A pause holds every worker before its next file, and after an abort no
    // file is read: the step ends at once and the pass stops after it.
    if (stopRequested()) return;
    Head head = headOf(openEntry(e, worker), e, prefixBytes_, arena_.bytes + worker * 2 * prefixBytes_, prefixBytes_);
    table_.content[e] = head.content;
    digest_[e] = head.digest;
    counted(kOpenCost + prefixBytes_);
}

// A group of files no longer than a head, on one worker, in its own part of
// the arena: each file is read whole and joins the first class whose first
// file has the same bytes, or starts a class of its own. The first files stay
// where they were read while the part (and the budget of kept heads) lasts:
// memory used again from group to group, never fresh. A first file that
// found no room is read again when a later file may match it.
//
// A file is held against the first files whose ends (sampleBytes at each)
// agree with its own: the first few of them byte by byte, the rest only
// where the digests of the whole files agree too. Digesting every byte of
// every file cost a sixth of the pass; most files part at their ends, and a
// copy is compared byte by byte anyway.
void ClassBuilder::classifyWhole(const Members& group, std::size_t worker) {
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    const std::uint64_t size = sizeOf(group.front());
    const std::size_t slot = onLines(size + 1);  // a byte more tells a file grown
    const ReadArena room = roomOf(worker);
    std::uint8_t* const spare = room.bytes + room.size - slot;  // a first file read again
    std::uint8_t* const inHand = spare - slot;                  // the file in hand once the room is taken
    const std::size_t budget = std::min(room.size - 2 * slot, tuning_.keptHeadBytes / pool_.workers());
    struct First {
        std::uint32_t entry;
        const std::uint8_t* bytes;  // nullptr when not kept
        std::uint32_t nextSameEnds = kNone;
        std::uint32_t members = 1;
        std::uint32_t lowest;    // the class's first entry in index order
        bool digested = false;   // `digest` holds the digest of all its bytes
        std::uint64_t digest = 0;
    };
    std::vector<First> firsts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> joined;  // (entry, first) of each later copy
    std::unordered_map<std::uint64_t, std::uint32_t> firstWithEnds;
    std::uint32_t inSpare = kNone;  // the first whose bytes the spare holds
    // The bytes of first f: where they were kept, or read again into the spare.
    auto bytesOf = [&](std::uint32_t f) -> const std::uint8_t* {
        if (firsts[f].bytes) return firsts[f].bytes;
        if (inSpare == f) return spare;
        inSpare = kNone;
        if (!readAgain(firsts[f].entry, spare)) return nullptr;
        inSpare = f;
        return spare;
    };
    std::size_t used = 0;
    for (std::uint32_t e : group) {
        // A pause holds every worker before its next file; after an abort no
        // file is read and the pass stops after the step.
        if (stopRequested()) return;
        std::uint8_t* into = used + slot <= budget ? room.bytes + used : inHand;
        table_.content[e] = readWhole(e, static_cast<std::uint32_t>(size), into);
        counted(kOpenCost + size);
        if (table_.content[e] != Content::Settled) continue;
        if (!table_.checksumKnown.empty()) {
            ChecksumSums sums;
            addToChecksum(sums, into, size);
            table_.checksum[e] = checksumValue(sums);
            table_.checksumKnown[e] = 1;
        }
        const std::uint64_t ends = endsDigest(into, size, tuning_.sampleBytes);
        auto [at, fresh] = firstWithEnds.try_emplace(ends, static_cast<std::uint32_t>(firsts.size()));
        std::optional<std::uint64_t> whole;
        std::uint32_t last = kNone, match = kNone, tried = 0;
        for (std::uint32_t f = fresh ? kNone : at->second; f != kNone && match == kNone; f = firsts[f].nextSameEnds) {
            last = f;
            if (tried++ >= tuning_.directCompares) {
                if (!whole) whole = digestOf(into, size, 0);
                if (!firsts[f].digested) {
                    const std::uint8_t* bytes = bytesOf(f);
                    if (!bytes) continue;
                    firsts[f].digest = digestOf(bytes, size, 0);
                    firsts[f].digested = true;
                }
                if (firsts[f].digest != *whole) continue;
            }
            const std::uint8_t* bytes = bytesOf(f);
            if (bytes && std::memcmp(bytes, into, size) == 0) match = f;
        }
        if (match != kNone) {
            ++firsts[match].members;
            firsts[match].lowest = std::min(firsts[match].lowest, e);
            joined.emplace_back(e, match);
            continue;
        }
        if (last != kNone) firsts[last].nextSameEnds = static_cast<std::uint32_t>(firsts.size());
        firsts.push_back({e, into == inHand ? nullptr : into, kNone, 1, e, whole.has_value(), whole.value_or(0)});
        if (into != inHand) used += slot;
    }
    for (const First& first : firsts) {
        if (first.members < 2) continue;
        table_.classOf[first.entry] = first.lowest;
        table_.classSize[first.lowest] = first.members;
    }
    for (const auto& [e, f] : joined)
        if (firsts[f].members > 1) table_.classOf[e] = firsts[f].lowest;
}

// The bytes of a first file that found no room, read again into `into`.
// Nothing when it cannot be read again; it is then left to the comparator.
const std::uint8_t* ClassBuilder::readAgain(std::uint32_t head, std::uint8_t* into) {
    if (table_.content[head] != Content::Settled) return nullptr;
    if (readWhole(head, static_cast<std::uint32_t>(sizeOf(head)), into) == Content::Settled) return into;
    table_.content[head] = Content::Unsure;
    return nullptr;
}

// Files of one size whose heads agree. A set too large to hold open at once
// is first split by the digest of the whole content.
bool ClassBuilder::resolve(const Members& set, std::size_t worker) {
    std::vector<Members> parts;
    if (set.size() <= maxOpen_ || sizeOf(set.front()) <= prefixBytes_) {
        parts.push_back(set);
    } else {
        if (!digestFiles(set, sizeOf(set.front()), worker)) return false;
        splitByDigest(set, parts);
    }
    for (const Members& part : parts) {
        if (part.size() > maxOpen_) {
            if (!batched(part, worker)) return false;
            continue;
        }
        std::vector<Members> classes;
        if (!lockstep(part, classes, worker)) return false;
        for (const Members& c : classes) record(c);
    }
    return true;
}

// Reads the files of one size side by side, block by block, and splits them
// where their bytes part: a file is read only until it stands alone, and the
// files still together at the end are identical.
bool ClassBuilder::lockstep(const Members& set, std::vector<Members>& classes, std::size_t worker) {
    const ReadArena room = roomOf(worker);
    std::vector<OpenFile> files;
    for (std::uint32_t e : set) {
        platform::File file = openEntry(e, worker);
        table_.content[e] = contentOnOpening(file, sizeOf(e));
        noteFault(file.fault());
        if (table_.content[e] == Content::Settled) files.push_back({e, std::move(file)});
    }
    counted(kOpenCost * set.size());
    Sets sets;
    if (files.size() >= 2) {
        sets.emplace_back(files.size());
        for (std::size_t k = 0; k < files.size(); ++k) sets[0][k] = k;
    }
    const std::uint64_t size = sizeOf(set.front());
    std::uint64_t offset = 0;
    std::size_t block = tuning_.firstBlock;
    bool stopped = false;
    std::vector<std::uint8_t*> blocks;
    while (offset < size && !sets.empty()) {
        stopped = stopRequested();
        if (stopped) break;
        std::size_t active = 0;
        for (const auto& s : sets) active += s.size();
        std::size_t slot = room.size / active;
        if (slot >= 4096) slot -= slot % 4096;
        auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>({block, slot, size - offset}));
        Sets next;
        std::size_t place = 0;
        for (const auto& s : sets) {
            blocks.clear();
            for (std::size_t k : s) {
                std::uint8_t* into = room.bytes + slot * place++;
                std::uint32_t got = platform::readFile(files[k].file, into, length);
                if (got != length) noteFault(files[k].file.fault());
                blocks.push_back(got == length ? into : nullptr);
            }
            splitOnBlock(files, s, blocks, length, next);
        }
        counted(std::uint64_t{length} * active);
        offset += length;
        block = std::min(block * 4, tuning_.largestBlock);
        sets = std::move(next);
    }
    for (const auto& s : sets) {
        classes.emplace_back();
        for (std::size_t k : s) {
            // Read to its end: a file that has grown since is not the one read.
            if (!stopped && !sizeStill(files[k].file, size)) {
                table_.content[files[k].entry] = Content::Unsure;
                continue;
            }
            classes.back().push_back(files[k].entry);
        }
        if (classes.back().size() < 2) classes.pop_back();
    }
    return !stopped;
}

// One block of each file of a set: files whose block agrees stay together.
// A file that delivered less than its listed size is left to the comparator.
void ClassBuilder::splitOnBlock(std::vector<OpenFile>& files, const std::vector<std::size_t>& set,
                                const std::vector<std::uint8_t*>& blocks, std::size_t length, Sets& next) {
    std::size_t first = next.size();
    std::vector<const std::uint8_t*> leaders;
    for (std::size_t at = 0; at < set.size(); ++at) {
        if (!blocks[at]) {
            table_.content[files[set[at]].entry] = Content::Unsure;
            continue;
        }
        std::size_t bucket = 0;
        while (bucket < leaders.size() && std::memcmp(leaders[bucket], blocks[at], length) != 0) ++bucket;
        if (bucket == leaders.size()) {
            leaders.push_back(blocks[at]);
            next.emplace_back();
        }
        next[first + bucket].push_back(set[at]);
    }
    next.erase(std::remove_if(next.begin() + static_cast<std::ptrdiff_t>(first), next.end(),
                              [](const std::vector<std::size_t>& s) { return s.size() < 2; }),
               next.end());
}

// More identical-looking files than can be held open: each round reads the
// first file beside a batch of the others at a time; the files that match it
// form its class, the rest go round again.
bool ClassBuilder::batched(Members set, std::size_t worker) {
    const std::size_t batchSize = maxOpen_ - 1;
    while (set.size() >= 2) {
        const std::uint32_t lead = set.front();
        Members leadClass{lead}, leftover;
        std::size_t at = 1;
        while (at < set.size()) {
            Members batch{lead};
            std::size_t end = std::min(set.size(), at + batchSize);
            batch.insert(batch.end(), set.begin() + static_cast<std::ptrdiff_t>(at),
                         set.begin() + static_cast<std::ptrdiff_t>(end));
            at = end;
            std::vector<Members> classes;
            if (!lockstep(batch, classes, worker)) return false;
            Members joined;
            for (const Members& c : classes)
                if (std::find(c.begin(), c.end(), lead) != c.end()) joined = c;
            for (std::size_t k = 1; k < batch.size(); ++k) {
                std::uint32_t e = batch[k];
                if (std::find(joined.begin(), joined.end(), e) != joined.end())
                    leadClass.push_back(e);
                else if (table_.content[e] == Content::Settled)
                    leftover.push_back(e);
            }
            if (table_.content[lead] != Content::Settled) {
                // The first file changed under us: the others go round again.
                leftover.insert(leftover.end(), set.begin() + static_cast<std::ptrdiff_t>(at), set.end());
                break;
            }
        }
        if (leadClass.size() >= 2) record(leadClass);
        sortByDiskOrder(leftover, index_);
        set = std::move(leftover);
    }
    return true;
}

// Sets of different sizes share nothing: each worker reads its sets in its
// own part of the arena. The classes do not depend on who read what.
bool ClassBuilder::resolveAll(const std::vector<Members>& sets) {
    std::atomic<bool> stopped{false};
    pool_.run(sets.size(), [&](std::size_t k, std::size_t worker) {
        if (stopped.load()) return;
        if (!resolve(sets[k], worker)) stopped.store(true);
    });
    return !stopped.load();
}

}  // namespace

bool buildClasses(core::RunContext& context, const Index& index, const Candidates& candidates, ReadArena arena,
                  const ClassTuning& tuning, WorkPool& pool, ClassTable& table, ProgressShare share,
                  bool checksums) {
    const std::size_t n = index.entries.size();
    table.classOf.resize(n);
    for (std::uint32_t e = 0; e < n; ++e) table.classOf[e] = e;
    table.classSize.assign(n, 1);
    table.content.assign(n, Content::NotRead);
    table.checksum.assign(checksums ? n : 0, 0);
    table.checksumKnown.assign(checksums ? n : 0, 0);
    ClassBuilder builder(context, index, arena, tuning, pool, table);
    // Most files that share a head are copies, yet most longer files part
    // in their heads: the first pass takes its part of the bar against a
    // quarter of what the later passes could read at most.
    const ClassBuilder::Reading reading = builder.readingOf(candidates.groups);
    const ProgressShare firstPass = share.part(0, reading.first, reading.first + reading.later / 4);
    builder.countReading(firstPass, reading.first);
    std::vector<Members> survivors;
    if (!builder.prefixPass(candidates.groups, survivors)) return false;
    raiseProgress(context, firstPass.to);
    builder.countReading(ProgressShare{firstPass.to, share.to}, builder.readingOfSets(survivors));
    if (!builder.resolveAll(survivors)) return false;
    raiseProgress(context, share.to);
    table.classesInGroup.clear();
    for (const Members& group : candidates.groups) {
        std::uint32_t count = 0;
        for (std::uint32_t e : group) count += table.classOf[e] == e ? 1 : 0;
        table.classesInGroup.push_back(count);
    }
    return true;
}

}  // namespace search
