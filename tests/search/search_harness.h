// Shared by the search tests: running a search on the test's thread, the
// plain quadratic algorithm as the reference for its rows, and trees of
// files where the search's shortcuts matter.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "search/pair_search.h"
#include "search/worker.h"
#include "support/temp_folder.h"

namespace search_test {

namespace fs = std::filesystem;
using testing_support::TempFolder;
constexpr std::uint32_t kDirectory = core::search_mode::kDirectory;
constexpr std::uint32_t kQuick = core::search_mode::kQuickDir;

using Row = std::array<std::string, 3>;
using Rows = std::vector<Row>;

struct Options {
    std::uint32_t searchMode = core::search_mode::kDirectory;
    std::uint32_t hashEnabled = 1;
    std::uint32_t matchPercent = 95;
    std::string reference = {};  // the reference folder, or empty for none
};

// A state as startRun leaves it for a folder search: the options in its
// settings, the folder in pathA, the reference folder in pathB.
std::unique_ptr<core::AppState> preparedState(const std::string& folder, const Options& options);
// The request startRun would make of that state.
core::RunRequest requestOf(const core::AppState& state);

// Runs the search to its end on this thread, as the window's worker thread
// does, and returns its rows.
Rows runSearch(const std::string& folder, const Options& options, const search::SearchTuning& tuning = {});
Rows runSearch(core::AppState& state, const search::SearchTuning& tuning = {});
Rows runSearch(core::AppState& state, const core::RunRequest& request, const search::SearchTuning& tuning = {});

// Takes every pair (i, j), i < j, of the index, filters it as the mode says
// (Quick Dir: equal size, and with Hash equal checksum; checksums computed
// for every file) and lists it when the comparator's full score reaches
// matchPercent, unless it names one file twice or a file of 4 GiB or more.
// With a reference folder the pairs are instead each file of the folder
// (but those whose real folder lies under the reference) with each file of
// the reference, in walk order.
Rows referenceRows(const std::string& folder, const Options& options);

// Only the pair rows (between the first and the closing row).
Rows pairRowsOf(const Rows& rows);
std::string describe(const Rows& rows);

// A tree with every kind of pair the shortcuts treat apart: identical sets
// (also beyond one open batch), same size differing early, late and in the
// last bytes (where checksums collide), empty files, near duplicates of
// other sizes, a hard link, files sharing a long head.
void writeMixedTree(const testing_support::TempFolder& folder, std::uint32_t seed);

// Tunings that push small trees through every path of the class building
// and of deciding pairs in memory, and one that reads every candidate pair.
std::vector<search::SearchTuning> tuningsToTry();

// Whether permissions keep this process from reading (not so for root).
bool permissionsBlockReading(const std::string& path);

}  // namespace search_test
