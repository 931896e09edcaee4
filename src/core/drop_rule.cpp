#include "core/drop_rule.h"

#include "core/app_state.h"

namespace core {

DropTarget dropTargetFor(std::uint32_t searchMode, bool isFolder, std::uint32_t& dropToggle) {
    bool fileMode = searchMode == search_mode::kFile;
    if (isFolder) return fileMode ? DropTarget::None : DropTarget::EditA;
    if (!fileMode) return DropTarget::None;
    if (dropToggle == 1) {
        dropToggle = 0;
        return DropTarget::EditB;
    }
    dropToggle = 1;
    return DropTarget::EditA;
}

}  // namespace core
