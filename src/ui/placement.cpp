#include "ui/placement.h"

#include "core/settings.h"

namespace ui {
namespace {

// A window brought back minimised would look as if the program had not started.
UINT visibleShowCommand(UINT showCommand) {
    switch (showCommand) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
        case SW_HIDE: return SW_SHOWNORMAL;
        default: return showCommand;
    }
}

}  // namespace

WINDOWPLACEMENT toWindowPlacement(const core::WindowPlacement& stored) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.flags = static_cast<UINT>(stored.flags);
    placement.showCmd = static_cast<UINT>(stored.showCommand);
    placement.ptMinPosition = {stored.minimisedX, stored.minimisedY};
    placement.ptMaxPosition = {stored.maximisedX, stored.maximisedY};
    placement.rcNormalPosition = {stored.left, stored.top, stored.right, stored.bottom};
    return placement;
}

core::WindowPlacement fromWindowPlacement(const WINDOWPLACEMENT& placement) {
    core::WindowPlacement stored;
    stored.length = static_cast<std::int32_t>(placement.length);
    stored.flags = static_cast<std::int32_t>(placement.flags);
    stored.showCommand = static_cast<std::int32_t>(placement.showCmd);
    stored.minimisedX = placement.ptMinPosition.x;
    stored.minimisedY = placement.ptMinPosition.y;
    stored.maximisedX = placement.ptMaxPosition.x;
    stored.maximisedY = placement.ptMaxPosition.y;
    stored.left = placement.rcNormalPosition.left;
    stored.top = placement.rcNormalPosition.top;
    stored.right = placement.rcNormalPosition.right;
    stored.bottom = placement.rcNormalPosition.bottom;
    return stored;
}

void storePlacement(HWND window, core::WindowPlacement& stored) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) stored = fromWindowPlacement(placement);
}

bool applyStoredPlacement(HWND window, const core::WindowPlacement& stored) {
    if (!core::placementLooksUsable(stored)) return false;
    WINDOWPLACEMENT placement = toWindowPlacement(stored);
    if (!MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONULL)) return false;
    placement.showCmd = visibleShowCommand(placement.showCmd);
    return SetWindowPlacement(window, &placement) != 0;
}

}  // namespace ui
