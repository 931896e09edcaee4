// The bar of a folder search moves in every phase: listing the tree, telling
// files of one size apart, deciding pairs in memory and judging them.
#include "search/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

using search::ProgressShare;

// Every value the search gives the bar, and the file shown at that moment.
struct Watched {
    std::uint32_t percent;
    std::string file;
};

std::vector<Watched> watchSearch(const std::string& folder, const Options& options,
                                 const search::SearchTuning& tuning, const std::string& cacheFile = {}) {
    auto state = preparedState(folder, options);
    core::RunRequest request = requestOf(*state);
    request.cacheFile = cacheFile;
    std::mutex mutex;
    std::vector<Watched> seen;
    search::watchProgress([&](std::uint32_t percent) {
        std::lock_guard lock(mutex);
        seen.push_back({percent, state->currentFile.get()});
    });
    runSearch(*state, request, tuning);
    search::watchProgress(nullptr);
    return seen;
}

// Values strictly inside each share, with a file of the tree shown.
void expectMovesIn(const std::vector<Watched>& seen, std::initializer_list<ProgressShare> shares,
                   const std::string& folder, const std::string& what) {
    for (const ProgressShare& share : shares) {
        auto inside = std::find_if(seen.begin(), seen.end(), [&](const Watched& w) {
            return w.percent > share.from && w.percent < share.to && w.file.rfind(folder, 0) == 0;
        });
        EXPECT_NE(inside, seen.end()) << what << ": nothing between " << share.from << " and " << share.to;
    }
    // Workers raising it at once may report in either order; the bar ends full.
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(std::max_element(seen.begin(), seen.end(), [](const Watched& a, const Watched& b) {
                  return a.percent < b.percent;
              })->percent,
              100u)
        << what;
}

// Eight folders; in each, copies and near copies of a few sizes, so that
// every phase has work to count.
void writeTreeWithWorkInEveryPhase(const TempFolder& f, const std::string& under = "") {
    for (int folder = 0; folder < 8; ++folder) {
        const std::string dir = under + "d" + std::to_string(folder) + "/";
        for (int k = 0; k < 6; ++k) {
            const std::string content =
                testing_support::pseudoRandomBytes(3000 + 100 * k, static_cast<std::uint32_t>(k + 1));
            f.write(dir + "copy" + std::to_string(k), content);
            std::string near = content;
            near[static_cast<std::size_t>(folder) * 10] ^= 0x55;
            f.write(dir + "near" + std::to_string(k), near);
        }
    }
}

// Each mode and tuning moves the bar inside every one of its phases' shares.
TEST(SearchProgress, MovesInEveryPhase) {
    TempFolder f;
    writeTreeWithWorkInEveryPhase(f);
    search::SearchTuning stepwise;
    stepwise.prefixes.filesPerStep = 1;
    stepwise.classes.prefixBytes = 1024;  // longer files read in later passes too
    search::SearchTuning everyPairRead = stepwise;
    everyPairRead.prefixes.enabled = false;
    const std::initializer_list<ProgressShare> directory{{0, 5}, {5, 15}, {15, 100}}, quick{{0, 10}, {10, 70}, {70, 100}};
    const struct {
        const char* name;
        Options options;
        const search::SearchTuning& tuning;
        std::initializer_list<ProgressShare> shares;
    } cases[] = {
        {"Directory, deciding in memory", {core::search_mode::kDirectory, 1, 95}, stepwise, directory},
        {"Directory, every pair read", {core::search_mode::kDirectory, 1, 95}, everyPairRead, directory},
        {"Quick Dir at 100", {core::search_mode::kQuickDir, 1, 100}, stepwise, quick},
        {"Quick Dir at 95", {core::search_mode::kQuickDir, 1, 95}, stepwise, quick},
    };
    for (const auto& c : cases) expectMovesIn(watchSearch(f.path(), c.options, c.tuning), c.shares, f.path(), c.name);
}

// Against a reference folder the searched folder's listing comes first and
// the reference's takes most of the bar; a search whose files the cache
// knows all reads none of them. Either way the bar moves in every phase,
// with a file of the tree shown.
TEST(SearchProgress, MovesInEveryPhaseAgainstAReferenceOrFromTheCache) {
    TempFolder f, data;
    writeTreeWithWorkInEveryPhase(f, "card/");
    writeTreeWithWorkInEveryPhase(f, "library/");
    const std::string card = f.pathOf("card");
    expectMovesIn(watchSearch(card, {kQuick, 1, 100, f.pathOf("library")}, {}), {{0, 5}, {5, 60}, {60, 90}, {90, 100}},
                  f.path(), "against a reference");

    search::SearchTuning remembering;
    remembering.recall.settleSeconds = 0;
    const std::string cache = data.pathOf("cache.dat");
    watchSearch(card, {kQuick, 1, 100}, remembering, cache);
    platform::resetIoCounters();
    const std::vector<Watched> seen = watchSearch(card, {kQuick, 1, 100}, remembering, cache);
    ASSERT_EQ(platform::ioCounters().opens, 1u) << "a file of the tree was read";
    expectMovesIn(seen, {{0, 10}, {10, 70}, {70, 100}}, card, "from the cache");
}

}  // namespace
}  // namespace search_test
