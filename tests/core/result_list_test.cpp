#include "core/result_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/app_state.h"

namespace {

using core::ResultList;
using Rows = std::vector<std::array<std::string, core::kColumnCount>>;

TEST(ColumnsFor, EachModeHasItsCaptionsAndWidths) {
    struct Case {
        std::uint32_t mode;
        const char* captions[3];
        int widths[3];
    };
    const Case cases[] = {
        {core::search_mode::kFile, {"Position", "Length", "Details"}, {65, 65, 360}},
        {core::search_mode::kDirectory, {"File A", "File B", "%"}, {230, 230, 40}},
        {core::search_mode::kQuickDir, {"File A", "File B", "%"}, {230, 230, 40}},
    };
    for (const auto& c : cases) {
        auto columns = core::columnsFor(c.mode);
        for (int i = 0; i < core::kColumnCount; ++i) {
            EXPECT_STREQ(columns[static_cast<std::size_t>(i)].caption, c.captions[i]) << c.mode;
            EXPECT_EQ(columns[static_cast<std::size_t>(i)].width, c.widths[i]) << c.mode;
        }
    }
}

TEST(ResultList, InsertPlacesTheRowAndReportsWhereItLanded) {
    struct Case {
        int at;
        int landed;
        Rows after;
    };
    // Each case inserts "new" into the rows "r0", "r1".
    const Case cases[] = {
        {0, 0, {{"new", "", ""}, {"r0", "", ""}, {"r1", "", ""}}},
        {1, 1, {{"r0", "", ""}, {"new", "", ""}, {"r1", "", ""}}},
        {2, 2, {{"r0", "", ""}, {"r1", "", ""}, {"new", "", ""}}},
        {3, 2, {{"r0", "", ""}, {"r1", "", ""}, {"new", "", ""}}},
        {1'000'000, 2, {{"r0", "", ""}, {"r1", "", ""}, {"new", "", ""}}},
        {-1, 2, {{"r0", "", ""}, {"r1", "", ""}, {"new", "", ""}}},
    };
    for (const auto& c : cases) {
        ResultList list;
        list.insertRow(0, "r0");
        list.insertRow(1, "r1");
        EXPECT_EQ(list.insertRow(c.at, "new"), c.landed) << c.at;
        EXPECT_EQ(list.snapshot(), c.after) << c.at;
    }
}

TEST(ResultList, AFollowingSetCellAddressesTheLandedRow) {
    ResultList list;
    int row = list.insertRow(57, "End");
    list.setCell(row, 1, "3 twins found");
    EXPECT_EQ(row, 0);
    EXPECT_EQ(list.readCell(0, 1), "3 twins found");
}

TEST(ResultList, SetCellChangesOnlyAnExistingRowAndColumn) {
    ResultList list;
    list.insertRow(0, "a");
    list.setCell(0, 2, "details");
    list.setCell(0, 1, "length");
    list.setCell(0, 2, "");            // emptied again
    list.setCell(0, 1, "len");         // shorter than before
    list.setCell(1, 1, "no such row");
    list.setCell(-1, 1, "no such row");
    list.setCell(0, 3, "no such column");
    list.setCell(0, -1, "no such column");
    EXPECT_EQ(list.snapshot(), (Rows{{"a", "len", ""}}));
    list.setCell(0, 0, "b");
    EXPECT_EQ(list.readCell(0, 0), "b");
}

TEST(ResultList, ReadCellOfWhatDoesNotExistIsEmpty) {
    ResultList list;
    EXPECT_EQ(list.readCell(0, 0), "");
    list.insertRow(0, "x");
    EXPECT_EQ(list.readCell(1, 0), "");
    EXPECT_EQ(list.readCell(-1, 0), "");
    EXPECT_EQ(list.readCell(0, 3), "");
    EXPECT_EQ(list.readCell(0, 2), "");
}

// Paths have any length: a cell keeps every byte, and a shorter text
// written over a long one (or the other way round) reads back as written.
TEST(ResultList, CellsKeepTextsOfAnyLength) {
    ResultList list;
    for (std::size_t length : {0u, 1u, 599u, 600u, 70'000u, 300'000u, 5u}) {
        std::string text(length, 'p');
        for (std::size_t i = 0; i < length; i += 7) text[i] = static_cast<char>('a' + i % 26);
        int row = list.insertRow(0, text);
        list.setCell(row, 1, text);
        list.setCell(row, 2, text.substr(0, length / 2));
        EXPECT_EQ(list.readRow(row), (std::array<std::string, 3>{text, text, text.substr(0, length / 2)})) << length;
        list.setCell(row, 2, text);
        EXPECT_EQ(list.readCell(row, 2), text) << length;
    }
}

TEST(ResultList, CellsKeepEveryByteIncludingNul) {
    ResultList list;
    const std::string bytes("a\0b\tc\xFF", 6);
    list.insertRow(0, bytes);
    list.setCell(0, 2, bytes);
    EXPECT_EQ(list.readCell(0, 0), bytes);
    EXPECT_EQ(list.readCell(0, 2), bytes);
}

TEST(ResultList, DeleteRowMovesTheRowsBelowUp) {
    ResultList list;
    for (const char* text : {"r0", "r1", "r2"}) list.insertRow(99, text);
    list.setCell(2, 2, "two");
    list.deleteRow(1);
    EXPECT_EQ(list.snapshot(), (Rows{{"r0", "", ""}, {"r2", "", "two"}}));
    list.deleteRow(2);
    list.deleteRow(-1);
    EXPECT_EQ(list.rowCount(), 2);
    list.deleteRow(0);
    list.deleteRow(0);
    EXPECT_EQ(list.rowCount(), 0);
    list.deleteRow(0);
    EXPECT_EQ(list.rowCount(), 0);
}

TEST(ResultList, ForEachRowVisitsTheRowsInOrderAsSnapshotHasThem) {
    ResultList list;
    list.insertRow(0, "b");
    list.insertRow(0, "a");
    list.setCell(1, 2, std::string("x\0y", 3));
    list.insertRow(9, std::string(700, 'c'));
    Rows visited;
    list.forEachRow([&](const std::array<std::string_view, core::kColumnCount>& cells) {
        visited.push_back({std::string(cells[0]), std::string(cells[1]), std::string(cells[2])});
    });
    EXPECT_EQ(visited, list.snapshot());
    EXPECT_EQ(visited, (Rows{{"a", "", ""}, {"b", "", std::string("x\0y", 3)}, {std::string(700, 'c'), "", ""}}));
}

TEST(ResultList, ClearRowsEmptiesTheList) {
    ResultList list;
    list.insertRow(0, "a");
    list.insertRow(1, "b");
    list.clearRows();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(list.snapshot().empty());
    EXPECT_EQ(list.insertRow(5, "c"), 0);
}

TEST(ResultList, TheObserverHearsOfEveryChangeAndScroll) {
    ResultList list;
    int changes = 0;
    std::vector<int> scrolled;
    list.setObserver({[&] { ++changes; }, [&](int row) { scrolled.push_back(row); }});
    list.insertRow(0, "a");       // 1
    list.setCell(0, 1, "b");      // 2
    list.setCell(5, 1, "none");   // no row: nothing to tell
    list.deleteRow(3);            // no row: nothing to tell
    list.ensureVisible(0);
    list.insertRow(9, "c");       // 3
    list.ensureVisible(1);
    list.deleteRow(0);            // 4
    list.clearRows();             // 5
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(scrolled, (std::vector<int>{0, 1}));
}

TEST(ResultList, FocusComesFromTheViewOrIsNone) {
    ResultList list;
    EXPECT_EQ(list.focusedRow(), -1);
    int focus = 4;
    list.setFocusProvider([&] { return focus; });
    EXPECT_EQ(list.focusedRow(), 4);
    focus = -1;
    EXPECT_EQ(list.focusedRow(), -1);
}

// A finished search: "Start", `pairs` pair rows, the last row.
void fillSearchRows(ResultList& list, int pairs) {
    list.clearRows();
    list.insertRow(0, "Start");
    for (int i = 1; i <= pairs; ++i) {
        list.insertRow(i, "A" + std::to_string(i));
        list.setCell(i, 1, "B" + std::to_string(i));
        list.setCell(i, 2, "100");
    }
    int last = list.insertRow(pairs + 1, "End");
    list.setCell(last, 1, std::to_string(pairs) + " twins found");
}

TEST(RemoveFocusedRow, RefusesTheStartRowTheLastRowNoFocusAndNoPairs) {
    struct Case {
        const char* name;
        std::uint32_t pairCount;
        int focus;
    };
    const Case cases[] = {
        {"start row", 3, 0},
        {"no focus", 3, -1},
        {"last row", 3, 4},
        {"no pairs", 0, 2},
        {"no pairs, last row", 0, 4},
    };
    for (const auto& c : cases) {
        ResultList list;
        fillSearchRows(list, 3);
        Rows before = list.snapshot();
        std::atomic<std::uint32_t> pairCount{c.pairCount};
        list.setFocusProvider([&] { return c.focus; });
        EXPECT_FALSE(core::removeFocusedRow(list, pairCount)) << c.name;
        EXPECT_EQ(list.snapshot(), before) << c.name;
        EXPECT_EQ(pairCount.load(), c.pairCount) << c.name;
    }
}

TEST(RemoveFocusedRow, TakesOutAPairRowAndLowersTheCount) {
    for (int focus = 1; focus <= 3; ++focus) {
        ResultList list;
        fillSearchRows(list, 3);
        std::atomic<std::uint32_t> pairCount{3};
        list.setFocusProvider([&] { return focus; });
        EXPECT_TRUE(core::removeFocusedRow(list, pairCount)) << focus;
        EXPECT_EQ(pairCount.load(), 2u);
        EXPECT_EQ(list.rowCount(), 4);
        for (int row = 1; row <= 2; ++row) EXPECT_NE(list.readCell(row, 0), "A" + std::to_string(focus));
        EXPECT_EQ(list.readCell(3, 0), "End");
    }
}

TEST(RemoveFocusedRow, RemovingEveryPairRowLeavesStartAndEnd) {
    ResultList list;
    fillSearchRows(list, 4);
    std::atomic<std::uint32_t> pairCount{4};
    int focus = 0;
    list.setFocusProvider([&] { return focus; });
    // The moved-up last row stays refused at every step.
    for (std::uint32_t left = 4; left > 0; --left) {
        focus = static_cast<int>(left) + 1;
        EXPECT_FALSE(core::removeFocusedRow(list, pairCount)) << left;
        focus = static_cast<int>(left);  // the last pair row
        EXPECT_TRUE(core::removeFocusedRow(list, pairCount)) << left;
        EXPECT_EQ(pairCount.load(), left - 1);
    }
    EXPECT_EQ(list.snapshot(), (Rows{{"Start", "", ""}, {"End", "4 twins found", ""}}));
    focus = 1;
    EXPECT_FALSE(core::removeFocusedRow(list, pairCount));
    EXPECT_EQ(list.rowCount(), 2);
}

TEST(ResultList, AWriterAndAReaderOnTwoThreadsSeeWholeCells) {
    ResultList list;
    constexpr int kRows = 20'000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kRows; ++i) {
            int row = list.insertRow(kRows, std::to_string(i));
            list.setCell(row, 1, "len" + std::to_string(i));
            list.setCell(row, 2, std::string(static_cast<std::size_t>(i % 50), 'd'));
            list.ensureVisible(row);
        }
        done.store(true);
    });
    int checks = 0;
    while (!done.load() || checks == 0) {
        Rows rows = list.snapshot();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r][0], std::to_string(r));
            ASSERT_TRUE(rows[r][1].empty() || rows[r][1] == "len" + rows[r][0]);
            ASSERT_TRUE(rows[r][2].empty() || rows[r][2].size() == r % 50);
        }
        int count = list.rowCount();
        if (count > 0) {
            ASSERT_EQ(list.readCell(count - 1, 0), std::to_string(count - 1));
        }
        ++checks;
    }
    writer.join();
    EXPECT_EQ(list.rowCount(), kRows);
    EXPECT_EQ(list.readCell(kRows - 1, 1), "len" + std::to_string(kRows - 1));
}

TEST(ResultList, ReorderRowsPutsARangeInTheGivenOrderAsOneChange) {
    ResultList list;
    for (const char* text : {"Start", "p0", "p1", "p2", "p3", "End"}) list.insertRow(-1, text);
    list.setCell(3, 2, "score of p2");
    int notices = 0;
    list.setObserver({[&] { ++notices; }, nullptr});
    list.reorderRows(1, {2, 0, 3, 1});
    Rows rows = list.snapshot();
    std::vector<std::string> firsts;
    for (const auto& row : rows) firsts.push_back(row[0]);
    EXPECT_EQ(firsts, (std::vector<std::string>{"Start", "p2", "p0", "p3", "p1", "End"}));
    EXPECT_EQ(rows[1][2], "score of p2") << "cells travel with their row";
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(list.reorderCount(), 1u);
}

}  // namespace
