#include "search/search_harness.h"

#include <filesystem>
#include <sstream>

#include "compare/compare_files.h"
#include "platform/platform.h"
#include "search/checksum.h"
#include "search/indexer.h"

namespace search_test {
using testing_support::pseudoRandomBytes;

std::unique_ptr<core::AppState> preparedState(const std::string& folder, const Options& options) {
    auto state = std::make_unique<core::AppState>();
    state->settings.searchMode = options.searchMode;
    state->settings.hashEnabled = options.hashEnabled;
    state->settings.matchPercent = options.matchPercent;
    state->setPathA(folder);
    state->setPathB(options.reference);
    state->runState.store(core::run_state::kRunning);
    return state;
}

core::RunRequest requestOf(const core::AppState& state) {
    return core::requestFromSettings(state.settings, state.pathAText(), state.pathBText());
}

Rows runSearch(core::AppState& state, const core::RunRequest& request, const search::SearchTuning& tuning) {
    search::runWorker(state, core::WindowEffects{}, request, tuning);
    return state.list.snapshot();
}

Rows runSearch(core::AppState& state, const search::SearchTuning& tuning) {
    return runSearch(state, requestOf(state), tuning);
}

Rows runSearch(const std::string& folder, const Options& options, const search::SearchTuning& tuning) {
    auto state = preparedState(folder, options);
    return runSearch(*state, tuning);
}

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    platform::FileIdentity ia, ib;
    return platform::identityOfPath(a.c_str(), ia) && platform::identityOfPath(b.c_str(), ib) && ia == ib;
}

fs::path realPath(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    return error ? fs::absolute(path).lexically_normal() : real;
}

// Whether the file's folder, by its real path, is `folder` or lies below it.
bool underFolder(const std::string& file, const fs::path& folder) {
    const fs::path real = realPath(fs::u8path(file).parent_path());
    return std::mismatch(folder.begin(), folder.end(), real.begin(), real.end()).first == folder.end();
}

}  // namespace

Rows referenceRows(const std::string& folder, const Options& options) {
    auto state = preparedState(folder, options);
    core::RunContext context(*state);
    const bool quick = options.searchMode == core::search_mode::kQuickDir;
    search::Index index;
    index.quickDir = quick;
    search::indexFolder(context, index, folder);
    // A reference folder's files follow the folder's, and take those of the
    // folder that really lie under it as their own.
    const bool cross = !options.reference.empty();
    if (cross) {
        const fs::path root = realPath(fs::u8path(options.reference));
        std::erase_if(index.entries, [&](const search::IndexEntry& e) { return underFolder(e.path, root); });
    }
    const auto searched = static_cast<std::uint32_t>(index.entries.size());
    if (cross) search::indexFolder(context, index, options.reference);
    const auto n = static_cast<std::uint32_t>(index.entries.size());
    std::vector<std::uint8_t> a(search::kSearchBufferSize), b(search::kSearchBufferSize);
    // A file that could not be read whole has no checksum to agree with.
    std::vector<bool> unsummed(n, false);
    if (quick && options.hashEnabled) {
        for (std::uint32_t e = 0; e < n; ++e) {
            search::Checksum sum = search::quickChecksum(index.entries[e].path.c_str(), a.data(), a.size(), state->runControl);
            index.entries[e].checksum = sum.value;
            unsummed[e] = sum.fault != platform::IoFault::None;
        }
    }
    Rows rows{{"Start",
               cross ? std::to_string(searched) + " files found, " + std::to_string(n - searched) +
                           " in the reference folder."
                     : std::to_string(n) + " files found.",
               ""}};
    for (std::uint32_t i = 0; i < n; ++i) {
        for (std::uint32_t j = i + 1; j < n; ++j) {
            if (cross && (i >= searched || j < searched)) continue;
            const auto& ei = index.entries[i];
            const auto& ej = index.entries[j];
            if (ei.size != ej.size || ei.checksum != ej.checksum || unsummed[i] || unsummed[j]) continue;
            std::uint32_t score =
                compare::scorePair(context, quick, ei.path.c_str(), ej.path.c_str(), {a.data(), b.data()}, 0).score;
            if (score < options.matchPercent) continue;
            constexpr std::uint64_t kRefused = std::uint64_t{1} << 32;
            if (ei.listedSize >= kRefused || ej.listedSize >= kRefused || sameFile(ei.path, ej.path)) continue;
            rows.push_back({ei.path, ej.path, std::to_string(score)});
        }
    }
    rows.push_back({"End", std::to_string(rows.size() - 1) + " twins found", ""});
    return rows;
}

Rows pairRowsOf(const Rows& rows) {
    if (rows.size() < 2) return {};
    return Rows(rows.begin() + 1, rows.end() - 1);
}

std::string describe(const Rows& rows) {
    std::ostringstream out;
    for (const Row& r : rows) out << r[0] << " | " << r[1] << " | " << r[2] << "\n";
    return out.str();
}

namespace {

std::string withByte(std::string s, std::size_t at, char value) {
    s[at] = value;
    return s;
}

std::string withEveryNth(std::string s, std::size_t step) {
    for (std::size_t at = 0; at < s.size(); at += step) s[at] = static_cast<char>(~s[at]);
    return s;
}

}  // namespace

void writeMixedTree(const testing_support::TempFolder& f, std::uint32_t seed) {
    const std::string k1 = pseudoRandomBytes(1000, seed);
    f.write("dup/one", k1);
    f.write("dup/two", k1);
    f.write("other/three", k1);
    f.write("late", withByte(k1, 999, 'x'));
    f.write("early", withByte(k1, 0, 'x'));
    // 4k+1 and 4k+2 bytes differing only at the end: their checksums agree.
    f.write("tail/nine-a", "abcdefghi");
    f.write("tail/nine-b", "abcdefghj");
    f.write("tail/ten-a", "abcdefghij");
    f.write("tail/ten-b", "abcdefghXY");
    f.write("tail/ten-c", "Zbcdefghij");
    for (const char* name : {"empty/a", "empty/b", "empty/c"}) f.write(name, "");
    const std::string k2 = pseudoRandomBytes(60'000, seed + 1);
    f.write("near/base", k2);
    f.write("near/one-byte", withByte(k2, 30'000, 'q'));
    f.write("near/every-20th", withEveryNth(k2, 20));
    f.write("near/every-3rd", withEveryNth(k2, 3));
    f.write("near/longer", k2 + pseudoRandomBytes(500, seed + 2));
    f.write("near/much-longer", k2 + pseudoRandomBytes(3000, seed + 3));
    f.write("near/shorter", k2.substr(0, 57'500));
    f.write("small/abc", "abc");
    f.write("small/abcd", "abcd");
    f.write("small/hello world", "hello world");
    f.write("small/hello", "hello");
    // Five copies and two files that share their first 70,000 bytes with them.
    const std::string k3 = pseudoRandomBytes(80'000, seed + 4);
    for (int c = 0; c < 5; ++c) f.write("many/copy" + std::to_string(c), k3);
    f.write("many/late-a", withByte(k3, 75'000, 'a'));
    f.write("many/late-b", withByte(k3, 75'000, 'b'));
    for (int u = 0; u < 4; ++u) f.write("unique/u" + std::to_string(u), pseudoRandomBytes(100 + 37 * u, seed + 10 + u));
    std::error_code error;
    fs::create_hard_link(fs::u8path(f.pathOf("dup/one")), fs::u8path(f.pathOf("dup/one-link")), error);
}

std::vector<search::SearchTuning> tuningsToTry() {
    search::SearchTuning plain;
    search::SearchTuning tiny;
    tiny.classes.prefixBytes = 16;
    tiny.classes.firstBlock = 8;
    tiny.classes.largestBlock = 64;
    tiny.classes.maxOpen = 3;
    tiny.helperThreads = 0;
    tiny.classes.keptHeadBytes = 200;  // room for three heads of a group: later ones are read again
    tiny.classes.sampleBytes = 2;      // files of equal ends compared byte by byte, then by digest
    tiny.classes.directCompares = 1;
    tiny.prefixes.budget = 300;  // few heads fit: most pairs go to the files
    tiny.prefixes.filesPerStep = 1;
    search::SearchTuning pairsOnly = tiny;
    pairsOnly.classes.maxOpen = 2;
    pairsOnly.classes.prefixBytes = 4096;
    pairsOnly.classes.keptHeadBytes = 0;  // every class head read again
    pairsOnly.classes.directCompares = 0;  // and held against by its digest first
    pairsOnly.helperThreads = 3;
    pairsOnly.prefixes.budget = 100'000;
    pairsOnly.prefixes.filesPerStep = 3;
    search::SearchTuning everyPairRead = plain;
    everyPairRead.prefixes.enabled = false;
    return {plain, tiny, pairsOnly, everyPairRead};
}

bool permissionsBlockReading(const std::string& path) {
    return !platform::openForReading(path.c_str()).isOpen();
}

}  // namespace search_test
