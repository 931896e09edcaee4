#include "core/window_keys.h"

namespace core {

KeyAction keyActionFor(const AppState& state, WindowKey key, KeyFocus focus) {
    std::uint32_t runState = state.runState.load();
    bool idle = runState == run_state::kIdle;
    bool inList = focus == KeyFocus::List;
    switch (key) {
        case WindowKey::Enter:
            return focus == KeyFocus::PathEdit && idle ? KeyAction::Start : KeyAction::None;
        case WindowKey::Escape: return workerRuns(runState) ? KeyAction::Abort : KeyAction::None;
        case WindowKey::F1: return KeyAction::Help;
        case WindowKey::Delete: {
            bool pairsListed = state.settings.searchMode != search_mode::kFile && state.pairCount.load() > 0;
            return inList && idle && pairsListed ? KeyAction::RemoveRows : KeyAction::None;
        }
        case WindowKey::CtrlA: return inList ? KeyAction::SelectAllRows : KeyAction::None;
        case WindowKey::CtrlC: return inList ? KeyAction::CopyRows : KeyAction::None;
        case WindowKey::Other: break;
    }
    return KeyAction::None;
}

}  // namespace core
