#include "core/list_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::array<std::string, core::kColumnCount>>;

// "Start", three pairs, "End", as a folder search leaves them.
void showThreePairs(core::ResultList& list, std::atomic<std::uint32_t>& pairCount) {
    list.insertRow(-1, "Start");
    for (const char* file : {"a", "b", "c"}) list.setCell(list.insertRow(-1, file), 2, "100");
    list.setCell(list.insertRow(-1, "End"), 1, "3 twins found");
    pairCount = 3;
}

std::vector<std::string> firstColumn(const core::ResultList& list) {
    std::vector<std::string> cells;
    for (const auto& row : list.snapshot()) cells.push_back(row[0]);
    return cells;
}

// Delete takes out the selected pair rows only, in any order given, and
// keeps pairCount pointing at the last row.
TEST(RemovePairRows, TakesOutOnlyThePairRowsSelected) {
    struct Case {
        const char* name;
        std::vector<int> selected;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"Start, a middle pair and End", {4, 0, 2}, {"Start", "a", "c", "End"}},
        {"every row, as after Ctrl+A", {0, 1, 2, 3, 4}, {"Start", "End"}},
        {"the same row twice", {1, 1}, {"Start", "b", "c", "End"}},
        {"rows beyond the list", {7, -1}, {"Start", "a", "b", "c", "End"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core::ResultList list;
        std::atomic<std::uint32_t> pairCount{0};
        showThreePairs(list, pairCount);
        int removed = core::removePairRows(list, pairCount, c.selected);
        EXPECT_EQ(firstColumn(list), c.left);
        EXPECT_EQ(removed, static_cast<int>(5 - c.left.size()));
        EXPECT_EQ(pairCount.load(), c.left.size() - 2);
    }
}

TEST(RowsAsTabText, OneLinePerRowWhateverTheCellsHold) {
    const Rows rows{{"1", "2", "File A is \"a\tb\nc\""}, {"End", "", "Same"}};
    EXPECT_EQ(core::rowsAsTabText(rows), "1\t2\tFile A is \"a b c\"\r\nEnd\t\tSame\r\n");
}

}  // namespace
