#include "search/folder_cache.h"

#include <algorithm>

namespace search {

platform::File FolderCache::open(const Index& index, std::uint32_t e) {
    const IndexEntry& entry = index.entries[e];
    if (entry.folder >= index.folders.size() || entry.nameAt == 0) return platform::openForReading(entry.path.c_str());
    auto it = std::find_if(held_.begin(), held_.end(), [&](const auto& h) { return h.first == entry.folder; });
    if (it == held_.end()) {
        platform::Folder folder = platform::holdFolder(index.folders[entry.folder].c_str());
        if (!folder.isOpen()) return platform::openForReading(entry.path.c_str());
        if (held_.size() == kHeld) held_.erase(held_.begin());
        held_.emplace_back(entry.folder, std::move(folder));
    } else if (it + 1 != held_.end()) {
        std::rotate(it, it + 1, held_.end());
    }
    return platform::openForReading(held_.back().second, entry.path.c_str() + entry.nameAt);
}

}  // namespace search
