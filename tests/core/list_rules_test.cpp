#include "core/list_rules.h"

#include "core/app_state.h"

#include <gtest/gtest.h>

namespace {

// A File-mode run of bytes may hold a TAB or a line break; copied, each row
// still pastes as one line of three fields, its high bytes as the list shows
// them, whether every row is copied or a selection.
TEST(RowsAsTabText, OneLinePerRowWhateverTheCellsHold) {
    core::ResultList list;
    list.insertRow(-1, {"1", "2", "File A is \"a\tb\nc\xE9\""});
    list.insertRow(-1, {"End", "", "Same"});
    core::HighByteTexts highBytes;
    highBytes[0xE9 - 128] = "<E9>";
    EXPECT_EQ(core::rowsAsTabText(list, nullptr, core::search_mode::kFile, highBytes),
              "1\t2\tFile A is \"a b c<E9>\"\r\nEnd\t\tSame\r\n");
    const std::vector<int> last{1};
    EXPECT_EQ(core::rowsAsTabText(list, &last, core::search_mode::kFile, highBytes), "End\t\tSame\r\n");
    EXPECT_EQ(core::rowsAsTabText(list, nullptr, core::search_mode::kQuickDir, highBytes),
              "1\t2\tFile A is \"a b c\xE9\"\r\nEnd\t\tSame\r\n");
}

// Delete takes out only pair rows, whatever the selection holds, in one
// pass: the rows left and the count are those of taking them one by one.
TEST(RemovePairRows, TakesOutOnlyPairRowsAndCountsThem) {
    core::ResultList list;
    list.insertRow(0, "Start");
    for (int k = 0; k < 6; ++k) list.insertRow(-1, {"p" + std::to_string(k), "b", "100"});
    list.insertRow(-1, "End");
    std::atomic<std::uint32_t> pairCount{6};
    // Row 0 is Start, 7 is End, 9 does not exist; 3 is given twice.
    EXPECT_EQ(core::removePairRows(list, pairCount, {7, 3, 0, 1, 3, 9, 6}), 3);
    EXPECT_EQ(pairCount.load(), 3u);
    std::vector<std::string> left;
    for (const auto& row : list.snapshot()) left.push_back(row[0]);
    EXPECT_EQ(left, (std::vector<std::string>{"Start", "p1", "p3", "p4", "End"}));
}

}  // namespace
