#include "core/batch_confirmation.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "core/batch_delete.h"
#include "platform/platform.h"

namespace {

// Three copies x, y, z of one file give three pairs; each column names two
// files, one of them twice. A 99 pair, a pair with an empty cell, and rows
// after the last row do not count.
TEST(FilesWithFullScore, CountsEachFileOnceAndOnlyAt100) {
    core::ResultList list;
    list.insertRow(-1, "Start");
    const char* rows[][3] = {
        {"x", "y", "100"}, {"x", "z", "100"}, {"y", "z", "100"}, {"p", "q", "99"}, {"", "r", "100"},
        {"End", "5 twins found", ""}, {"s", "t", "100"},
    };
    for (const auto& row : rows) {
        int at = list.insertRow(-1, row[0]);
        list.setCell(at, 1, row[1]);
        list.setCell(at, 2, row[2]);
    }
    EXPECT_EQ(core::filesWithFullScore(list, 0), 2u);  // x, y
    EXPECT_EQ(core::filesWithFullScore(list, 1), 3u);  // y, z, r
}

// The button names the action, the count and the column; the message names
// the folder of a move; nothing starts where it could only empty the list.
TEST(BatchConfirmation, SaysTheActionTheColumnAndTheCount) {
    struct Case {
        const char* name;
        std::uint32_t mode;
        std::string moveDir;
        int column;
        std::uint32_t files;
        std::string action, messageStart;
        bool canStart;
    };
    const std::string moveFolder = std::string("dupes") + platform::kPathSeparator;
    const Case cases[] = {
        {"recycle", core::batch_mode::kRecycle, "", 1, 3, "Recycle 3 files of Column B",
         "Recycle the 3 files of column File B found 100% the same.", true},
        {"delete one", core::batch_mode::kDelete, "", 0, 1, "Delete 1 file of Column A",
         "Delete for good the file of column File A found 100% the same.", true},
        {"move", core::batch_mode::kMove, "dupes", 1, 2, "Move 2 files of Column B",
         "Move the 2 files of column File B found 100% the same to " + moveFolder + ".", true},
        {"move with no folder", core::batch_mode::kMove, "", 1, 2, "Move 2 files of Column B",
         "No move folder is chosen", false},
        {"nothing at 100", core::batch_mode::kRecycle, "", 0, 0, "Recycle 0 files of Column A",
         "No file in column File A was found 100% the same", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core::BatchConfirmation confirmation = core::batchConfirmation(c.mode, c.moveDir, c.column, c.files);
        EXPECT_EQ(confirmation.action, c.action);
        EXPECT_EQ(confirmation.message.rfind(c.messageStart, 0), 0u) << confirmation.message;
        EXPECT_EQ(confirmation.canStart, c.canStart);
    }
}

}  // namespace
