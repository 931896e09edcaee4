// Folders of the index held open, so that a file is opened by its name
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
#include "search/work_pool.h"

namespace search {

// A few folders, the most recently used, for files read in disk order.
class FolderCache {
public:
    // Opens entry e of the index for reading; by its path when its folder
    // cannot be held.
    platform::File open(const Index& index, std::uint32_t e);

private:
    static constexpr std::size_t kHeld = 4;
    std::vector<std::pair<std::uint32_t, platform::Folder>> held_;  // the most recently used last
};

// The folders of many files at once, for a pass whose files lie all over
// the tree. Held before the pass and only read during it, by any thread.
class HeldFolders {
public:
    // Holds the folders of `entries`, opened on the pool's threads: all of
    // them where the process has the handles to spare, else those with the
    // most entries first.
    void hold(const Index& index, const std::vector<std::uint32_t>& entries, WorkPool& pool);
    // The held folder of entry e; a folder that is not open when its folder
    // is not held (the entry is then opened by its path).
    const platform::Folder& of(const Index& index, std::uint32_t e) const;
    // The entry's name within its folder.
    static const char* nameOf(const Index& index, std::uint32_t e);

private:
    std::vector<platform::Folder> held_;  // per folder of the index
    platform::Folder none_;
};

}  // namespace search
