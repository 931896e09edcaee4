#include "core/batch_confirmation.h"

#include <gtest/gtest.h>

#include "core/app_state.h"
#include "platform/platform.h"

namespace {

// A move names its folder; where the action could only empty the list (no
// move folder, nothing at 100%) it cannot start, and says why.
TEST(BatchConfirmation, NamesTheMoveFolderAndRefusesWhatWouldDoNothing) {
    using core::batch_mode::kMove;
    using core::batch_mode::kRecycle;
    auto move = core::batchConfirmation(kMove, "dupes", 1, 2);
    EXPECT_TRUE(move.canStart);
    EXPECT_NE(move.message.find(std::string(" to dupes") + platform::kPathSeparator + "."), std::string::npos);
    auto noFolder = core::batchConfirmation(kMove, "", 1, 2);
    EXPECT_FALSE(noFolder.canStart);
    EXPECT_EQ(noFolder.message.rfind("No move folder is chosen", 0), 0u);
    auto nothing = core::batchConfirmation(kRecycle, "", 0, 0);
    EXPECT_FALSE(nothing.canStart);
    EXPECT_EQ(nothing.message, "No file in column File A was found 100% the same as its partner.");
}

// One file is spoken of in the singular, several in the plural, and the
// button names the column as the message does.
TEST(BatchConfirmation, SpeaksOfOneFileOrManyAndNamesTheColumnAlike) {
    using namespace core::batch_mode;
    struct Case {
        std::uint32_t mode;
        int column;
        std::uint32_t files;
        const char* action;
        const char* message;
    };
    const Case cases[] = {
        {kLink, 1, 1, "Link 1 file of column File B",
         "Replace the file of column File B found 100% the same with a hard link to its partner: its name stays, "
         "the content is stored once, and a change made through one name shows through the other. It is checked "
         "against its partner again; one copy always stays."},
        {kLink, 0, 3, "Link 3 files of column File A",
         "Replace the 3 files of column File A found 100% the same with hard links to their partners: each name "
         "stays, the content is stored once, and a change made through one name shows through the other. Each is "
         "checked against its partner again; one copy always stays."},
        {kDelete, 1, 2, "Delete 2 files of column File B",
         "Delete for good the 2 files of column File B found 100% the same. Each is checked against its partner "
         "again; one copy always stays."},
    };
    for (const Case& c : cases) {
        core::BatchConfirmation confirmation = core::batchConfirmation(c.mode, "", c.column, c.files);
        EXPECT_EQ(confirmation.action, c.action);
        EXPECT_EQ(confirmation.message, c.message);
    }
}

}  // namespace
