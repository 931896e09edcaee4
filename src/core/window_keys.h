// What a key does in the main window, decided before the path edits and the
// list see it. The window turns keys and focus into these values and carries
// out the action; the tests read the rules without a window.
#pragma once

#include "core/app_state.h"

namespace core {

enum class WindowKey { Other, Enter, Escape, F1, Delete, CtrlA, CtrlC };
enum class KeyFocus { Elsewhere, PathEdit, List };
enum class KeyAction { None, Start, Abort, Help, RemoveRows, SelectAllRows, CopyRows };

// Enter in a path edit starts a run when idle; Escape aborts a running
// worker; F1 opens the help page anywhere; in the list, Delete takes out
// the selected pair rows where Remove would (idle, a folder mode, pairs
// listed), Ctrl+A selects every row and Ctrl+C copies the selected ones.
KeyAction keyActionFor(const AppState& state, WindowKey key, KeyFocus focus);

}  // namespace core
