// A few folders of the index held open, so that a file is opened by its name
// relative to its folder: the path above the folder is not looked up again
// for every file (a third of the time of opening many small files), and
// nothing swapped in above the folder can redirect the open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "search/indexer.h"

namespace search {

class FolderCache {
public:
    // Opens entry e of the index for reading; by its path when its folder
    // cannot be held.
    platform::File open(const Index& index, std::uint32_t e);

private:
    static constexpr std::size_t kHeld = 4;
    std::vector<std::pair<std::uint32_t, platform::Folder>> held_;  // the most recently used last
};

}  // namespace search
