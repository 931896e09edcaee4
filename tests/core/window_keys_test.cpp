#include "core/window_keys.h"

#include <gtest/gtest.h>

namespace {

using core::KeyAction;
using core::KeyFocus;
using core::WindowKey;

// Each key acts only where and when it makes sense; elsewhere it is left to
// the control that has the focus (an edit's own Delete and Ctrl+C, say).
TEST(WindowKeys, ActOnlyWhereAndWhenTheyMakeSense) {
    struct Case {
        const char* name;
        WindowKey key;
        KeyFocus focus;
        std::uint32_t runState, mode, pairs;
        KeyAction action;
    };
    using core::search_mode::kFile;
    using core::search_mode::kQuickDir;
    const Case cases[] = {
        {"Enter in a path edit", WindowKey::Enter, KeyFocus::PathEdit, 0, kFile, 0, KeyAction::Start},
        {"Enter in a path edit during a run", WindowKey::Enter, KeyFocus::PathEdit, 1, kFile, 0, KeyAction::None},
        {"Enter in the list", WindowKey::Enter, KeyFocus::List, 0, kFile, 0, KeyAction::None},
        {"Escape during a run", WindowKey::Escape, KeyFocus::List, 1, kFile, 0, KeyAction::Abort},
        {"Escape while idle", WindowKey::Escape, KeyFocus::PathEdit, 0, kFile, 0, KeyAction::None},
        {"Escape in a batch delete", WindowKey::Escape, KeyFocus::Elsewhere, 1025, kQuickDir, 3, KeyAction::None},
        {"F1 during a run", WindowKey::F1, KeyFocus::Elsewhere, 1, kFile, 0, KeyAction::Help},
        {"Delete on pairs", WindowKey::Delete, KeyFocus::List, 0, kQuickDir, 3, KeyAction::RemoveRows},
        {"Delete in File mode", WindowKey::Delete, KeyFocus::List, 0, kFile, 3, KeyAction::None},
        {"Delete with no pairs", WindowKey::Delete, KeyFocus::List, 0, kQuickDir, 0, KeyAction::None},
        {"Delete during a run", WindowKey::Delete, KeyFocus::List, 1, kQuickDir, 3, KeyAction::None},
        {"Delete in a path edit", WindowKey::Delete, KeyFocus::PathEdit, 0, kQuickDir, 3, KeyAction::None},
        {"Ctrl+A during a run", WindowKey::CtrlA, KeyFocus::List, 1, kFile, 0, KeyAction::SelectAllRows},
        {"Ctrl+A in a path edit", WindowKey::CtrlA, KeyFocus::PathEdit, 0, kFile, 0, KeyAction::None},
        {"Ctrl+C in the list", WindowKey::CtrlC, KeyFocus::List, 0, kFile, 0, KeyAction::CopyRows},
        {"Ctrl+C in a path edit", WindowKey::CtrlC, KeyFocus::PathEdit, 0, kFile, 0, KeyAction::None},
    };
    for (const Case& c : cases) {
        core::AppState state;
        state.runState = c.runState;
        state.settings.searchMode = c.mode;
        state.pairCount = c.pairs;
        EXPECT_EQ(core::keyActionFor(state, c.key, c.focus), c.action) << c.name;
    }
}

}  // namespace
