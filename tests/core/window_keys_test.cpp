#include "core/window_keys.h"

#include <gtest/gtest.h>

namespace {

using core::KeyAction;
using core::KeyFocus;
using core::WindowKey;

// Where a key would do harm, it is left to the control that has the focus:
// no second run over a running one, no rows taken out under a worker or
// from File mode's differences, no Escape into a batch delete.
TEST(WindowKeys, DoNothingWhereTheyWouldDoHarm) {
    struct Case {
        const char* name;
        WindowKey key;
        KeyFocus focus;
        std::uint32_t runState, mode;
    };
    using core::search_mode::kFile;
    using core::search_mode::kQuickDir;
    const Case cases[] = {
        {"Enter during a run", WindowKey::Enter, KeyFocus::PathEdit, 1, kFile},
        {"Delete during a run", WindowKey::Delete, KeyFocus::List, 1, kQuickDir},
        {"Delete in File mode", WindowKey::Delete, KeyFocus::List, 0, kFile},
        {"Delete in a path edit", WindowKey::Delete, KeyFocus::PathEdit, 0, kQuickDir},
        {"Ctrl+C in a path edit", WindowKey::CtrlC, KeyFocus::PathEdit, 0, kQuickDir},
        {"Escape in a batch delete", WindowKey::Escape, KeyFocus::Elsewhere, 1025, kQuickDir},
    };
    for (const Case& c : cases) {
        core::AppState state;
        state.runState = c.runState;
        state.settings.searchMode = c.mode;
        state.pairCount = 3;
        EXPECT_EQ(core::keyActionFor(state, c.key, c.focus), KeyAction::None) << c.name;
    }
}

}  // namespace
