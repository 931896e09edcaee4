// The checksum cache: a search that recalls lists the rows of one that
// reads, whatever became of the files, or of the cache file, in between.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "platform/platform.h"
#include "search/checksum_cache.h"
#include "search/digest.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

using testing_support::exactFsPath;

// Files are remembered however fresh they are.
search::SearchTuning cacheTuning(search::SearchTuning tuning = {}) {
    tuning.recall.settleSeconds = 0;
    return tuning;
}

Rows searchWith(const std::string& folder, const Options& options, const std::string& cacheFile,
                const search::SearchTuning& tuning = cacheTuning()) {
    auto state = preparedState(folder, options);
    core::RunRequest request = requestOf(*state);
    request.cacheFile = cacheFile;
    return runSearch(*state, request, tuning);
}

// Copies, copies with one byte changed and files of their own, of a few
// sizes, over a few folders.
void writeRandomTree(const TempFolder& f, std::uint32_t seed, int count) {
    std::mt19937 random(seed);
    std::vector<std::string> contents;
    for (int k = 0; k < count; ++k) {
        std::string content;
        const auto roll = random() % 10;
        if (roll < 4 && !contents.empty()) {
            content = contents[random() % contents.size()];
            if (roll == 0 && !content.empty()) content[random() % content.size()] ^= 0x21;
        } else {
            content = testing_support::pseudoRandomBytes(1 + random() % 3 * 40'000 + random() % 3, random());
        }
        contents.push_back(content);
        f.write("d" + std::to_string(random() % 4) + "/f" + std::to_string(k), content);
    }
}

const Options kCases[] = {{core::search_mode::kDirectory, 1, 90}, {kQuick, 1, 95}, {kQuick, 0, 90}, {kQuick, 1, 100}};

// Searched twice with the cache, then once more after some files changed,
// a tree lists the rows of searches without it; at match 100 the second
// Quick Dir search opens no file but the cache.
TEST(CachedSearch, ListsTheRowsOfAnUncachedOne) {
    for (std::uint32_t seed : {1u, 2u}) {
        TempFolder f, data;
        writeRandomTree(f, seed, 40);
        writeMixedTree(f, seed);
        const std::string cache = data.pathOf("cache.dat");
        for (const search::SearchTuning& tuning : {cacheTuning(), cacheTuning(tuningsToTry()[1])}) {
            fs::remove(fs::u8path(cache));
            for (const Options& options : kCases) {
                const Rows expected = runSearch(f.path(), options);
                EXPECT_EQ(searchWith(f.path(), options, cache, tuning), expected) << "first, seed " << seed;
                platform::resetIoCounters();
                EXPECT_EQ(searchWith(f.path(), options, cache, tuning), expected) << "second, seed " << seed;
                if (options.matchPercent == 100 && options.searchMode == kQuick) {
                    EXPECT_EQ(platform::ioCounters().opens, 1u) << "only the cache is read";
                }
            }
            f.write("many/copy1", "changed");
            f.write("dup/two", testing_support::pseudoRandomBytes(1000, 99));
            f.write("d1/new copy", testing_support::pseudoRandomBytes(60'000, seed + 1));
            fs::remove(exactFsPath(f.pathOf("dup/one-link")));
            for (const Options& options : kCases)
                EXPECT_EQ(searchWith(f.path(), options, cache, tuning), runSearch(f.path(), options))
                    << "after changes, seed " << seed << " match " << options.matchPercent;
        }
    }
}

// Files of one size remembered by separate searches (of two folders) were
// never compared with each other: the search of both reads them again.
TEST(CachedSearch, FilesRememberedBySeparateSearchesAreComparedAgain) {
    TempFolder f, data;
    f.write("x/a", "content one");
    f.write("x/b", "content two");
    f.write("y/c", "content one");
    f.write("y/d", "content 3-3");
    const std::string cache = data.pathOf("cache.dat");
    const Options options{kQuick, 1, 100};
    searchWith(f.pathOf("x"), options, cache);
    searchWith(f.pathOf("y"), options, cache);
    EXPECT_EQ(searchWith(f.path(), options, cache), runSearch(f.path(), options));
}

// Waits until the clock of the file system has moved past `changed`, so
// that a write now gives a file a change time of its own.
void waitPastChangeTime(const TempFolder& f, std::int64_t changed) {
    platform::FileStamp probe;
    for (int attempt = 0; attempt < 500; ++attempt) {
        const std::string path = f.write("clock probe", std::to_string(attempt));
        if (platform::stampOfPath(path.c_str(), probe) && probe.changed > changed) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(CachedSearch, AFileWrittenWithItsSizeAndWriteTimePutBackIsReadAgain) {
    TempFolder f, data;
    const std::string content = testing_support::pseudoRandomBytes(5'000, 4);
    f.write("a", content);
    const std::string b = f.write("b", content);
    // A whole second, which every library can set again exactly.
    const auto writeTime =
        std::chrono::floor<std::chrono::seconds>(fs::last_write_time(exactFsPath(b))) - std::chrono::hours(1);
    fs::last_write_time(exactFsPath(b), writeTime);
    const std::string cache = data.pathOf("cache.dat");
    const Options options{kQuick, 1, 100};
    ASSERT_EQ(pairRowsOf(searchWith(f.path(), options, cache)).size(), 1u);

    platform::FileStamp before, after;
    ASSERT_TRUE(platform::stampOfPath(b.c_str(), before));
    waitPastChangeTime(data, before.changed);
    std::string edited = content;
    edited[2'500] ^= 0x01;
    f.write("b", edited);
    fs::last_write_time(exactFsPath(b), writeTime);
    ASSERT_TRUE(platform::stampOfPath(b.c_str(), after));
    ASSERT_EQ(after.size, before.size);
    ASSERT_EQ(after.lastWrite, before.lastWrite);
    ASSERT_NE(after.changed, before.changed);

    EXPECT_EQ(searchWith(f.path(), options, cache), runSearch(f.path(), options));
}

// A cache file written by this program, read back as bytes.
std::string cacheBytes(const std::string& path) {
    std::ifstream in(exactFsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Puts the digest a cache file of these bytes would carry.
void sealCache(std::string& bytes) {
    constexpr std::size_t kDigestAt = 24, kHeader = 32;
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    const std::uint64_t digest = search::digestOf(p + kHeader, bytes.size() - kHeader, search::digestOf(p, kDigestAt, 0));
    std::memcpy(p + kDigestAt, &digest, sizeof digest);
}

// Every kind of cache file that is not to be trusted gives the rows of no
// cache, and is rebuilt. In each, the entry of "b" claims it is identical
// to "a", which it is not.
TEST(CachedSearch, AnUntrustedCacheFileGivesTheRowsOfNoCacheAndIsRebuilt) {
    TempFolder f, data;
    const std::string content = testing_support::pseudoRandomBytes(3'000, 5);
    f.write("a", content);
    f.write("b", content.substr(0, 2'999) + "x");
    const std::string cache = data.pathOf("cache.dat");
    const Options options{kQuick, 1, 100};
    const Rows expected = runSearch(f.path(), options);
    searchWith(f.path(), options, cache);
    std::string valid = cacheBytes(cache);
    ASSERT_EQ(valid.size(), 32u + 2 * sizeof(search::CacheEntry));
    search::CacheEntry a, b;
    std::memcpy(&a, valid.data() + 32, sizeof a);
    std::memcpy(&b, valid.data() + 32 + sizeof a, sizeof b);
    ASSERT_NE(a.classNumber, b.classNumber);
    std::string lying = valid;
    const std::size_t classOfSecond = 32 + sizeof a + offsetof(search::CacheEntry, classNumber);
    std::memcpy(lying.data() + classOfSecond, &a.classNumber, sizeof a.classNumber);

    auto withVersion = [](std::string bytes, std::uint32_t version) {
        std::memcpy(bytes.data() + 8, &version, sizeof version);
        sealCache(bytes);
        return bytes;
    };
    auto foreign = lying;
    foreign[0] = 'Q';
    sealCache(foreign);
    std::mt19937 random(6);
    std::string noise(valid.size(), '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const struct {
        const char* what;
        std::string bytes;
    } kinds[] = {
        {"random bytes", noise},
        {"damaged entry", lying},
        {"cut short", lying.substr(0, lying.size() - 1)},
        {"header only", lying.substr(0, 32)},
        {"foreign", foreign},
        {"newer version", withVersion(lying, 2)},
    };
    for (const auto& kind : kinds) {
        std::ofstream(exactFsPath(cache), std::ios::binary | std::ios::trunc) << kind.bytes;
        EXPECT_EQ(searchWith(f.path(), options, cache), expected) << kind.what;
        search::ChecksumCache reread;
        EXPECT_TRUE(reread.load(cache)) << kind.what << ": not rebuilt";
    }
    std::ofstream(exactFsPath(cache), std::ios::binary | std::ios::trunc) << withVersion(lying, 1);
    EXPECT_NE(searchWith(f.path(), options, cache), expected) << "the lie, sealed, is believed: the cases prove nothing";
}

TEST(CachedSearch, ConcurrentSearchesShareOneFile) {
    TempFolder one, two, data;
    writeRandomTree(one, 7, 30);
    writeRandomTree(two, 8, 30);
    const std::string cache = data.pathOf("cache.dat");
    const Options options{kQuick, 1, 100};
    const Rows expectedOne = runSearch(one.path(), options), expectedTwo = runSearch(two.path(), options);
    for (int round = 0; round < 3; ++round) {
        Rows rowsOne, rowsTwo;
        std::thread other([&] { rowsTwo = searchWith(two.path(), options, cache); });
        rowsOne = searchWith(one.path(), options, cache);
        other.join();
        EXPECT_EQ(rowsOne, expectedOne) << "round " << round;
        EXPECT_EQ(rowsTwo, expectedTwo) << "round " << round;
        search::ChecksumCache reread;
        EXPECT_TRUE(reread.load(cache)) << "round " << round;
    }
}

platform::FileStamp stampOf(std::uint64_t fileId, std::int64_t changed = 100) {
    return {{1, fileId}, 10, 50, changed};
}

// Entries are kept while seen, and only what they carry; a file whose stamp
// moved loses what its entry said.
TEST(ChecksumCacheFile, KeepsWhatWasSeenLatelyAndCarriesSomething) {
    TempFolder data;
    const std::string path = data.pathOf("cache.dat");
    search::ChecksumCache first(1000);
    for (std::uint64_t id : {1u, 2u, 3u}) first.entry(first.slotOf(stampOf(id))).checksum = 7;
    first.entry(first.slotOf(stampOf(1))).flags = search::CacheEntry::kHasChecksum;
    first.entry(first.slotOf(stampOf(2))).flags = search::CacheEntry::kHasChecksum;
    ASSERT_TRUE(first.save(path));

    search::ChecksumCache later(1000 + search::kCacheKeptDays);
    ASSERT_TRUE(later.load(path));
    EXPECT_EQ(later.size(), 2u) << "the entry that carried nothing is gone";
    // Looked up out of the order they were stored in, and one it never held.
    EXPECT_EQ(later.find({1, 2}), 1u);
    EXPECT_EQ(later.find({1, 1}), 0u);
    EXPECT_EQ(later.find({1, 3}), search::ChecksumCache::kNoSlot);
    EXPECT_TRUE(later.entry(later.slotOf(stampOf(1, 101))).carriesNothing()) << "its file changed";
    ASSERT_TRUE(later.save(path));

    search::ChecksumCache check(1000 + search::kCacheKeptDays);
    ASSERT_TRUE(check.load(path));
    ASSERT_EQ(check.size(), 1u);
    const search::CacheEntry& kept = check.entry(check.slotOf(stampOf(2)));
    EXPECT_TRUE(kept.hasChecksum());
    EXPECT_EQ(kept.checksum, 7u);

    search::ChecksumCache tooLate(1001 + search::kCacheKeptDays);
    ASSERT_TRUE(tooLate.load(path));
    ASSERT_TRUE(tooLate.save(path));
    ASSERT_TRUE(tooLate.load(path));
    EXPECT_EQ(tooLate.size(), 0u) << "not seen for longer than it is kept";
}

}  // namespace
}  // namespace search_test
