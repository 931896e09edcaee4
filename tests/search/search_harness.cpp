#include "search/search_harness.h"

#include <filesystem>
#include <sstream>

#include "compare/compare_files.h"
#include "platform/platform.h"
#include "search/checksum.h"
#include "search/indexer.h"

namespace search_test {
namespace fs = std::filesystem;
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

// The files of a folder as the plain algorithm sees them.
struct PlainFiles {
    std::vector<search::IndexEntry> entries;
    // A file that could not be read whole has no checksum to agree with.
    std::vector<bool> unsummed;
};

PlainFiles plainFiles(core::AppState& state, const std::string& folder, const Options& options,
                      std::vector<std::uint8_t>& buffer) {
    core::RunContext context(state);
    search::Index index;
    index.quickDir = options.searchMode == core::search_mode::kQuickDir;
    search::indexFolder(context, index, folder);
    PlainFiles files{std::move(index.entries), {}};
    files.unsummed.assign(files.entries.size(), false);
    if (!index.quickDir || !options.hashEnabled) return files;
    for (std::size_t e = 0; e < files.entries.size(); ++e) {
        search::Checksum sum =
            search::quickChecksum(files.entries[e].path.c_str(), buffer.data(), buffer.size(), state.runControl);
        files.entries[e].checksum = sum.value;
        files.unsummed[e] = sum.fault != platform::IoFault::None;
    }
    return files;
}

// Compares every pair the mode lets through by its full score.
class PlainPairs {
public:
    explicit PlainPairs(const Options& options)
        : options_(options), state_(preparedState("", options)), a_(search::kSearchBufferSize),
          b_(search::kSearchBufferSize) {}

    PlainFiles filesOf(const std::string& folder) { return plainFiles(*state_, folder, options_, a_); }

    void addPair(const PlainFiles& one, std::size_t i, const PlainFiles& other, std::size_t j, Rows& rows) {
        const auto& ei = one.entries[i];
        const auto& ej = other.entries[j];
        if (ei.size != ej.size || ei.checksum != ej.checksum || one.unsummed[i] || other.unsummed[j]) return;
        core::RunContext context(*state_);
        const bool quick = options_.searchMode == core::search_mode::kQuickDir;
        std::uint32_t score =
            compare::scorePair(context, quick, ei.path.c_str(), ej.path.c_str(), {a_.data(), b_.data()}, 0).score;
        if (score < options_.matchPercent) return;
        constexpr std::uint64_t kRefused = std::uint64_t{1} << 32;
        if (ei.listedSize >= kRefused || ej.listedSize >= kRefused || sameFile(ei.path, ej.path)) return;
        rows.push_back({ei.path, ej.path, std::to_string(score)});
    }

private:
    const Options& options_;
    std::unique_ptr<core::AppState> state_;
    std::vector<std::uint8_t> a_, b_;
};

fs::path realPath(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    return error ? fs::absolute(path).lexically_normal() : real;
}

// Whether the file's folder, by its real path, is the reference folder or
// lies below it.
bool underFolder(const fs::path& file, const fs::path& folder) {
    const fs::path real = realPath(file.parent_path());
    return std::mismatch(folder.begin(), folder.end(), real.begin(), real.end()).first == folder.end();
}

Rows withEndRow(Rows rows) {
    rows.push_back({"End", std::to_string(rows.size() - 1) + " twins found", ""});
    return rows;
}

// The links (never followed) met below `folder`, but those in folders
// under `skipped` when given.
std::uint64_t linksBelow(const std::string& folder, const fs::path* skipped) {
    std::uint64_t links = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(fs::u8path(folder), error), end; !error && it != end; it.increment(error))
        if (it->is_symlink() && !(skipped && underFolder(it->path(), *skipped))) ++links;
    return links;
}

std::string linksText(std::uint64_t links) {
    if (links == 0) return "";
    return " " + std::to_string(links) + (links == 1 ? " link was" : " links were") + " not followed.";
}

Rows crossRows(const std::string& folder, const Options& options) {
    PlainPairs pairs(options);
    PlainFiles searched = pairs.filesOf(folder);
    PlainFiles reference = pairs.filesOf(options.reference);
    const fs::path referenceRoot = realPath(fs::u8path(options.reference));
    PlainFiles outside;
    for (std::size_t e = 0; e < searched.entries.size(); ++e) {
        if (underFolder(fs::u8path(searched.entries[e].path), referenceRoot)) continue;
        outside.entries.push_back(searched.entries[e]);
        outside.unsummed.push_back(searched.unsummed[e]);
    }
    Rows rows{{"Start",
               std::to_string(outside.entries.size()) + " files found, " + std::to_string(reference.entries.size()) +
                   " in the reference folder." +
                   linksText(linksBelow(folder, &referenceRoot) + linksBelow(options.reference, nullptr)),
               ""}};
    for (std::size_t i = 0; i < outside.entries.size(); ++i)
        for (std::size_t j = 0; j < reference.entries.size(); ++j) pairs.addPair(outside, i, reference, j, rows);
    return withEndRow(std::move(rows));
}

}  // namespace

Rows referenceRows(const std::string& folder, const Options& options) {
    if (!options.reference.empty()) return crossRows(folder, options);
    PlainPairs pairs(options);
    PlainFiles files = pairs.filesOf(folder);
    const std::size_t n = files.entries.size();
    Rows rows{{"Start", std::to_string(n) + " files found.", ""}};
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) pairs.addPair(files, i, files, j, rows);
    return withEndRow(std::move(rows));
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
    tiny.prefixes.budget = 300;  // few heads fit: most pairs go to the files
    tiny.prefixes.filesPerStep = 1;
    search::SearchTuning pairsOnly = tiny;
    pairsOnly.classes.maxOpen = 2;
    pairsOnly.classes.prefixBytes = 4096;
    pairsOnly.classes.keptHeadBytes = 0;  // every class head read again
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
