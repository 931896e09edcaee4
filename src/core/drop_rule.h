// Where a path dropped on the main window goes.
#pragma once

#include <cstdint>

namespace core {

enum class DropTarget { None, EditA, EditB };

// File mode takes files, alternating edit A, B, A, ... (the toggle lives on
// across mode changes); the folder modes take a folder into edit A, or into
// edit B, the reference folder, when it is dropped on the lower path row of
// the strip (client y `dropY`). A folder in File mode or a file in a folder
// mode is ignored.
DropTarget dropTargetFor(std::uint32_t searchMode, bool isFolder, std::int64_t dropY, std::uint32_t& dropToggle);

}  // namespace core
