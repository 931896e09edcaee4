#include "ui/keyboard.h"

#include "core/window_keys.h"
#include "ui/control_strip.h"
#include "ui/main_window.h"

namespace ui {
namespace {

core::WindowKey windowKeyOf(WPARAM virtualKey) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    switch (virtualKey) {
        case VK_RETURN: return core::WindowKey::Enter;
        case VK_ESCAPE: return core::WindowKey::Escape;
        case VK_F1: return core::WindowKey::F1;
        case VK_DELETE: return core::WindowKey::Delete;
        case 'A': return control ? core::WindowKey::CtrlA : core::WindowKey::Other;
        case 'C': return control ? core::WindowKey::CtrlC : core::WindowKey::Other;
    }
    return core::WindowKey::Other;
}

core::KeyFocus focusOf(const MainWindow& main, HWND target) {
    if (target == main.editA || target == main.editB) return core::KeyFocus::PathEdit;
    if (target == main.list.handle()) return core::KeyFocus::List;
    return core::KeyFocus::Elsewhere;
}

// With the focus nowhere (the path edit that had it was disabled, say), the
// system hands keys to the active window as system keys; Alt is not held then.
bool isKeyPress(const MSG& message) {
    constexpr LPARAM kAltHeld = 1 << 29;
    return message.message == WM_KEYDOWN || (message.message == WM_SYSKEYDOWN && !(message.lParam & kAltHeld));
}

}  // namespace

bool handleMainWindowKey(HWND mainWindow, const MSG& message) {
    if (!isKeyPress(message)) return false;
    // Keys of a dialog, or of another window, are theirs.
    if (message.hwnd != mainWindow && !IsChild(mainWindow, message.hwnd)) return false;
    MainWindow* main = mainWindowOf(mainWindow);
    if (!main) return false;
    core::KeyAction action =
        core::keyActionFor(main->state, windowKeyOf(message.wParam), focusOf(*main, message.hwnd));
    switch (action) {
        case core::KeyAction::None: return false;
        case core::KeyAction::Start: pressStart(*main); break;
        case core::KeyAction::Abort: pressAbort(*main); break;
        case core::KeyAction::Help: openHelpPage(*main); break;
        case core::KeyAction::RemoveRows: main->list.removeSelectedPairs(main->state.pairCount); break;
        case core::KeyAction::SelectAllRows: main->list.selectAll(); break;
        case core::KeyAction::CopyRows: main->list.copySelectedRows(mainWindow); break;
    }
    return true;
}

}  // namespace ui
