#include "search/candidates.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "compare/score.h"
#include "search/classes.h"
#include "search/pair_search.h"
#include "support/temp_folder.h"

namespace search {
namespace {

using testing_support::TempFolder;

TEST(SizeBound, BestScoreIsTheScoreOfTheSizeDifferenceAlone) {
    struct Case {
        std::uint64_t a, b;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {10, 10, 100}, {10, 7, 70}, {7, 10, 70}, {4, 3, 75}, {11, 5, 45},
        {50'000, 49'999, 99}, {50'001, 50'000, 99}, {1'000'000, 900'000, 90}, {2'000'000, 1, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(bestScoreForSizes(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

// Every partner size outside the window scores below matchPercent, checked
// size by size across the 50,000-byte switch to KiB arithmetic.
TEST(SizeBound, WindowHoldsEveryPartnerThatCanReachMatchPercent) {
    const std::uint64_t sizes[] = {1, 2, 3, 7, 100, 999, 4'096, 49'000, 50'000, 50'001, 51'234, 60'000, 131'072, 250'000};
    for (std::uint32_t match : {1u, 2u, 50u, 90u, 95u, 99u, 100u}) {
        for (std::uint64_t size : sizes) {
            SizeWindow w = sizeWindow(size, match);
            ASSERT_LE(w.low, size);
            ASSERT_GE(w.high, size);
            for (std::uint64_t x = 1; x < w.low; ++x)
                ASSERT_LT(bestScoreForSizes(size, x), match) << size << " vs " << x << " at " << match;
            std::uint64_t scanTo = std::min<std::uint64_t>(w.high * 2 + 4096, 30'000'000);
            for (std::uint64_t x = w.high + 1; x <= scanTo; x += (x > 2'000'000 ? 7 : 1))
                ASSERT_LT(bestScoreForSizes(size, x), match) << size << " vs " << x << " at " << match;
        }
    }
}

TEST(SizeBound, WindowIsNotFarWiderThanNeeded) {
    EXPECT_EQ(sizeWindow(10'000, 95).low, 9'500u) << "exact up to 50,000 bytes";
    EXPECT_EQ(sizeWindow(10'000, 95).high, 10'526u);
    for (std::uint64_t size : {10'000u, 1'000'000u}) {
        SizeWindow w = sizeWindow(size, 95);
        EXPECT_GE(w.low, size * 94 / 100) << size;
        EXPECT_LE(w.high, size * 106 / 100) << size;
    }
}

TEST(Candidates, QuickDirGroupsEqualSizesAndDirectoryUsesTheWindow) {
    Index index;
    const std::uint64_t sizes[] = {100, 0, 96, 100, 0, 120, 100, (std::uint64_t{1} << 32) + 100};
    for (std::uint64_t size : sizes)
        index.entries.push_back({"x", static_cast<std::uint32_t>(size), 0, size, 0});
    std::vector<std::uint32_t> out;
    struct Case {
        std::uint32_t mode, match, i;
        std::vector<std::uint32_t> later;
    };
    const Case cases[] = {
        {core::search_mode::kQuickDir, 95, 0, {3, 6}},
        {core::search_mode::kQuickDir, 95, 1, {}},   // empty files cannot reach 95
        {core::search_mode::kQuickDir, 0, 1, {4}},   // at 0 they are listed
        {core::search_mode::kQuickDir, 0, 3, {6}},
        {core::search_mode::kQuickDir, 0, 7, {}},    // 4 GiB and more: never
        {core::search_mode::kDirectory, 95, 0, {2, 3, 6}},
        {core::search_mode::kDirectory, 96, 0, {2, 3, 6}},
        {core::search_mode::kDirectory, 97, 0, {3, 6}},
        {core::search_mode::kDirectory, 83, 3, {5, 6}},
        {core::search_mode::kDirectory, 0, 2, {3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        Candidates candidates = groupCandidates(index, c.mode, c.match);
        laterCandidates(candidates, index, c.i, out);
        EXPECT_EQ(out, c.later) << "mode " << c.mode << " match " << c.match << " entry " << c.i;
    }
}

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The classes are exactly the sets of byte-equal files of one size, whatever
// the tuning: batches, whole-content digests and block sizes.
TEST(Classes, AreTheSetsOfEqualContent) {
    TempFolder f;
    std::string base = testing_support::pseudoRandomBytes(5000, 4);
    std::vector<std::string> contents;
    for (int k = 0; k < 7; ++k) contents.push_back(base);
    for (std::size_t at : {0u, 20u, 4999u}) {
        std::string changed = base;
        changed[at] = static_cast<char>(~changed[at]);
        contents.push_back(changed);
        contents.push_back(changed);
    }
    contents.emplace_back(5000, '\0');
    Index index;
    for (std::size_t k = 0; k < contents.size(); ++k) {
        // Interleaved names, so that index order and content order differ.
        std::string name = "f";
        name += std::to_string((k * 3) % contents.size() + 10);
        std::string path = f.write(name, contents[k]);
        index.entries.push_back({path, 5000, 0, 5000, 1000 - k});
    }
    std::vector<std::uint8_t> arena(kSearchBufferSize);
    struct Case {
        ClassTuning tuning;
        std::size_t helpers;
    };
    const Case cases[] = {{ClassTuning{}, 1}, {ClassTuning{16, 8, 64, 3, 0}, 0}, {ClassTuning{4096, 1024, 1024, 2, 0}, 1},
                          {ClassTuning{4096, 1024, 1024, 2, 10'000}, 3}, {ClassTuning{64, 4096, 4096, 4}, 1},
                          {ClassTuning{8192, 1024, 1024, 2, 0}, 1}, {ClassTuning{8192, 1024, 1024, 2, 12'000}, 0}};
    for (const auto& [tuning, helpers] : cases) {
        core::AppState state;
        core::RunContext context(state);
        WorkPool pool(helpers);
        Candidates candidates = groupCandidates(index, core::search_mode::kQuickDir, 100);
        ASSERT_EQ(candidates.groups.size(), 1u);
        ClassTable table;
        ASSERT_TRUE(buildClasses(context, index, candidates, {arena.data(), arena.size()}, tuning, pool, table));
        for (std::size_t a = 0; a < contents.size(); ++a) {
            EXPECT_EQ(table.content[a], Content::Settled);
            for (std::size_t b = a + 1; b < contents.size(); ++b) {
                bool equal = contentOf(index.entries[a].path) == contentOf(index.entries[b].path);
                EXPECT_EQ(table.identical(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)), equal)
                    << a << " and " << b << " with max open " << tuning.maxOpen;
                EXPECT_EQ(table.toldApart(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)), !equal);
            }
        }
        EXPECT_EQ(table.classesInGroup[0], 5u);
    }
}

}  // namespace
}  // namespace search
