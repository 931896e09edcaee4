#include "core/drop_rule.h"

#include <gtest/gtest.h>

#include "core/app_state.h"

namespace core {
namespace {

// Files alternate between the edits in File mode; a folder goes to edit A in
// the folder modes, or to edit B (the reference) when dropped on its row.
TEST(DropRule, ThePathGoesWhereTheModeAndTheDropPointSay) {
    struct Case {
        std::uint32_t mode;
        bool folder;
        std::int64_t y;
        DropTarget target;
    };
    const Case cases[] = {
        {search_mode::kFile, false, 100, DropTarget::EditA},  // alternating, wherever dropped
        {search_mode::kFile, false, 10, DropTarget::EditB},
        {search_mode::kFile, true, 100, DropTarget::None},
        {search_mode::kDirectory, false, 100, DropTarget::None},
        {search_mode::kDirectory, true, 93, DropTarget::EditA},
        {search_mode::kDirectory, true, 94, DropTarget::EditB},
        {search_mode::kQuickDir, true, 119, DropTarget::EditB},
        {search_mode::kQuickDir, true, 120, DropTarget::EditA},  // the list
        {search_mode::kQuickDir, true, 0, DropTarget::EditA},
    };
    std::uint32_t toggle = 0;
    for (const Case& c : cases)
        EXPECT_EQ(dropTargetFor(c.mode, c.folder, c.y, toggle), c.target) << "mode " << c.mode << " y " << c.y;
}

}  // namespace
}  // namespace core
