#include "core/drop_rule.h"

#include "core/app_state.h"
#include "core/strip_model.h"

namespace core {

namespace {

// The row of path edit B: from halfway between the two edits down to the
// list.
bool onLowerPathRow(std::int64_t y) { return y >= 94 && y < kStripHeight; }

}  // namespace

DropTarget dropTargetFor(std::uint32_t searchMode, bool isFolder, std::int64_t dropY, std::uint32_t& dropToggle) {
    bool fileMode = searchMode == search_mode::kFile;
    if (isFolder) {
        if (fileMode) return DropTarget::None;
        return onLowerPathRow(dropY) ? DropTarget::EditB : DropTarget::EditA;
    }
    if (!fileMode) return DropTarget::None;
    if (dropToggle == 1) {
        dropToggle = 0;
        return DropTarget::EditB;
    }
    dropToggle = 1;
    return DropTarget::EditA;
}

}  // namespace core
