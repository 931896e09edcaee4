// The search over files that come short, change while they are read, or
// cannot be opened for want of handles: no row may rest on bytes a file no
// longer holds, and a failure of the process is never taken for a property
// of a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "core/run_control.h"
#include "platform/platform.h"
#include "search/search_harness.h"
#include "support/temp_folder.h"

namespace search_test {
namespace {

struct ModeCase {
    std::uint32_t mode;
    std::uint32_t hash;
};
const ModeCase kModes[] = {{kDirectory, 1}, {kQuick, 1}, {kQuick, 0}};

bool appearsIn(const Rows& rows, const std::string& path) {
    for (const Row& row : rows)
        if (row[0] == path || row[1] == path) return true;
    return false;
}

// Copies read whole by the first pass (1,000 bytes) and side by side (100,000
// bytes), and near copies that only the comparator tells apart.
void writeCopies(const TempFolder& f) {
    const std::string small = testing_support::pseudoRandomBytes(1'000, 31);
    const std::string large = testing_support::pseudoRandomBytes(100'000, 32);
    for (const char* name : {"s1", "s2", "s3"}) f.write(name, small);
    for (const char* name : {"l1", "l2", "l3"}) f.write(name, large);
    std::string near = large;
    near[99'000] = static_cast<char>(~near[99'000]);
    f.write("l-near", near);
}

// Each reading path in turn meets a file cut short: the heads of small and
// large files, the side-by-side read, the checksum and the comparator. The
// file then pairs with nothing, and the rows are those of the plain search
// that meets the same cut.
TEST(SearchUnderChange, AFileCutShortPairsWithNothing) {
    TempFolder f;
    writeCopies(f);
    const auto tunings = tuningsToTry();
    struct Cut {
        const char* name;
        std::uint64_t at;
    };
    const Cut cuts[] = {{"s2", 0}, {"s1", 999}, {"l1", 10}, {"l2", 70'000}, {"l3", 99'999}, {"l-near", 99'500}};
    for (const Cut& cut : cuts) {
        const std::string victim = f.pathOf(cut.name);
        platform::shortenReadsForTesting(victim, cut.at);
        for (const ModeCase& m : kModes) {
            for (std::uint32_t match : {0u, 95u, 100u}) {
                Options options{m.mode, m.hash, match};
                Rows expected = referenceRows(f.path(), options);
                for (std::size_t t = 0; t < tunings.size(); ++t) {
                    Rows rows = runSearch(f.path(), options, tunings[t]);
                    EXPECT_EQ(rows, expected) << cut.name << " cut at " << cut.at << ", mode " << m.mode << " hash "
                                              << m.hash << " match " << match << " tuning " << t << "\n"
                                              << describe(rows);
                    if (match > 0) {
                        EXPECT_FALSE(appearsIn(rows, victim)) << cut.name << "\n" << describe(rows);
                    }
                }
            }
        }
        platform::shortenReadsForTesting({}, 0);
    }
}

TEST(SearchUnderChange, RunningOutOfHandlesStopsTheSearchWithAFailure) {
    TempFolder f;
    writeCopies(f);
    for (const ModeCase& m : kModes) {
        // While indexing, and once indexing is done (class building and scoring).
        for (bool fromStart : {true, false}) {
            auto state = preparedState(f.path(), {m.mode, m.hash, 95});
            if (fromStart) platform::exhaustHandlesForTesting(true);
            state->list.setObserver({[&] {
                                         if (state->list.readCell(0, 0) == "Start") platform::exhaustHandlesForTesting(true);
                                     },
                                     nullptr});
            Rows rows = runSearch(*state);
            platform::exhaustHandlesForTesting(false);
            SCOPED_TRACE("mode " + std::to_string(m.mode) + (fromStart ? " from the start" : " after indexing"));
            EXPECT_EQ(rows.back()[0], "Aborted") << describe(rows);
            EXPECT_EQ(state->runFailure.load(), core::run_failure::kOutOfHandles);
            EXPECT_EQ(state->runState.load(), core::run_state::kIdle);
            EXPECT_EQ(state->runControl.load(), core::run_control::kRun);
        }
    }
}

// Another thread rewrites, truncates, grows, deletes and renames files while
// the search reads them. Stable copies are never touched, and no changing
// file is ever identical to another file: its first byte is its own, even
// half written, and every write leaves a stamp of its own in its last
// bytes. So at match 100 the rows must be the pairs of stable copies, and at
// most a changing file met under its old and its new name, whatever was read
// when.
class Mutator {
public:
    Mutator(const TempFolder& f, const std::vector<std::string>& bases) : folder_(f), bases_(bases) {
        for (std::size_t k = 0; k < bases_.size() * 4; ++k) {
            names_.push_back("changing/v" + std::to_string(k));
            rewrite(k);
        }
        thread_ = std::thread([this] { run(); });
    }
    ~Mutator() {
        stop_ = true;
        thread_.join();
    }

private:
    const std::string& baseOf(std::size_t k) const { return bases_[k % bases_.size()]; }

    void rewrite(std::size_t k) {
        std::string content = baseOf(k);
        content[0] = static_cast<char>('A' + k);
        std::string stamp = "#" + std::to_string(++stamps_) + "#";
        content.replace(content.size() - stamp.size(), stamp.size(), stamp);
        std::ofstream(fs::u8path(folder_.pathOf(names_[k])), std::ios::binary | std::ios::trunc) << content;
    }

    void step(std::size_t k, unsigned action) {
        std::error_code error;
        const fs::path path = fs::u8path(folder_.pathOf(names_[k]));
        switch (action) {
            case 0: rewrite(k); break;
            case 1: fs::resize_file(path, baseOf(k).size() / 2 + k, error); break;
            case 2: std::ofstream(path, std::ios::binary | std::ios::app) << "+" << ++stamps_; break;
            case 3: fs::remove(path, error); break;
            default: {
                std::string renamed = "changing/v" + std::to_string(k) + "-" + std::to_string(++stamps_);
                fs::rename(path, fs::u8path(folder_.pathOf(renamed)), error);
                if (!error) names_[k] = renamed;
            }
        }
    }

    void run() {
        std::mt19937 random(17);
        while (!stop_) step(random() % names_.size(), static_cast<unsigned>(random() % 5));
    }

    const TempFolder& folder_;
    const std::vector<std::string>& bases_;
    std::vector<std::string> names_;
    unsigned stamps_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// "changing/v3" and "changing/v3-17" are one file, renamed: their number.
std::string changingFileOf(const std::string& path, const TempFolder& f) {
    const std::string prefix = f.pathOf("changing/v");
    if (path.rfind(prefix, 0) != 0) return {};
    return path.substr(prefix.size(), path.find('-', prefix.size()) - prefix.size());
}

TEST(SearchUnderChange, ConcurrentRewritesNeverListAPairThatWasNotIdentical) {
    TempFolder f;
    const std::vector<std::string> bases = {testing_support::pseudoRandomBytes(3'000, 41),
                                            testing_support::pseudoRandomBytes(100'000, 42)};
    Rows stablePairs;
    const char* stable[] = {"stable/a1", "stable/a2", "stable/a3", "stable/b1", "stable/b2"};
    for (const char* name : stable) f.write(name, bases[name[7] == 'a' ? 0 : 1]);
    for (std::size_t i = 0; i < std::size(stable); ++i)
        for (std::size_t j = i + 1; j < std::size(stable); ++j)
            if (stable[i][7] == stable[j][7]) stablePairs.push_back({f.pathOf(stable[i]), f.pathOf(stable[j]), "100"});
    std::sort(stablePairs.begin(), stablePairs.end());

    const std::int64_t handlesBefore = platform::openHandleCount();
    {
        Mutator mutator(f, bases);
        for (int round = 0; round < 3; ++round) {
            for (const ModeCase& m : kModes) {
                Rows rows = runSearch(f.path(), {m.mode, m.hash, 100}, tuningsToTry()[round % 3]);
                ASSERT_GE(rows.size(), 2u);
                EXPECT_EQ(rows.back()[0], "End") << describe(rows);
                Rows stableRows;
                for (const Row& row : pairRowsOf(rows)) {
                    std::string a = changingFileOf(row[0], f), b = changingFileOf(row[1], f);
                    if (a.empty() && b.empty())
                        stableRows.push_back(row);
                    else
                        EXPECT_EQ(a, b) << "a pair of different changing files:\n" << describe(rows);
                }
                std::sort(stableRows.begin(), stableRows.end());
                EXPECT_EQ(stableRows, stablePairs) << "mode " << m.mode << " hash " << m.hash << "\n"
                                                   << describe(rows);
            }
        }
    }
    EXPECT_EQ(platform::openHandleCount(), handlesBefore);
}

}  // namespace
}  // namespace search_test
