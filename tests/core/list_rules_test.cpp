#include "core/list_rules.h"

#include <gtest/gtest.h>

namespace {

// A File-mode run of bytes may hold a TAB or a line break; copied, each row
// still pastes as one line of three fields.
TEST(RowsAsTabText, OneLinePerRowWhateverTheCellsHold) {
    const std::vector<std::array<std::string, core::kColumnCount>> rows{{"1", "2", "File A is \"a\tb\nc\""},
                                                                        {"End", "", "Same"}};
    EXPECT_EQ(core::rowsAsTabText(rows), "1\t2\tFile A is \"a b c\"\r\nEnd\t\tSame\r\n");
}

}  // namespace
