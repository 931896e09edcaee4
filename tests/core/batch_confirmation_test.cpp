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
    using core::batch_mode::kLink;
    auto one = core::batchConfirmation(kLink, "", 1, 1), three = core::batchConfirmation(kLink, "", 1, 3);
    EXPECT_EQ(one.action, "Link 1 file of column File B");
    EXPECT_EQ(three.action, "Link 3 files of column File B");
    for (const char* phrase : {"the file of column File B ", "a hard link to its partner: its name", "It is checked"})
        EXPECT_NE(one.message.find(phrase), std::string::npos) << phrase;
    for (const char* phrase : {"the 3 files of column File B ", "links to their partners: each name", "Each is checked"})
        EXPECT_NE(three.message.find(phrase), std::string::npos) << phrase;
}

}  // namespace
