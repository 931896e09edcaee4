#include "search/folder_cache.h"

#include <algorithm>

namespace search {
namespace {

bool hasFolder(const Index& index, const IndexEntry& entry) {
    return entry.folder < index.folders.size() && entry.nameAt != 0;
}

}  // namespace

platform::File FolderCache::open(const Index& index, std::uint32_t e) {
    const IndexEntry& entry = index.entries[e];
    if (!hasFolder(index, entry)) return platform::openForReading(entry.path.c_str());
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

void HeldFolders::hold(const Index& index, const std::vector<std::uint32_t>& entries, WorkPool& pool) {
    std::vector<std::uint32_t> filesIn(index.folders.size(), 0);
    for (std::uint32_t e : entries)
        if (hasFolder(index, index.entries[e])) ++filesIn[index.entries[e].folder];
    std::vector<std::uint32_t> folders;
    for (std::uint32_t f = 0; f < filesIn.size(); ++f)
        if (filesIn[f] != 0) folders.push_back(f);
    const std::size_t room = platform::foldersToHold();
    if (folders.size() > room) {
        std::stable_sort(folders.begin(), folders.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return filesIn[a] > filesIn[b]; });
        folders.resize(room);
    }
    held_.resize(index.folders.size());
    constexpr std::size_t kFoldersPerJob = 64;
    pool.run((folders.size() + kFoldersPerJob - 1) / kFoldersPerJob, [&](std::size_t job, std::size_t) {
        const std::size_t end = std::min(folders.size(), (job + 1) * kFoldersPerJob);
        for (std::size_t k = job * kFoldersPerJob; k < end; ++k)
            held_[folders[k]] = platform::holdFolder(index.folders[folders[k]].c_str());
    });
}

const platform::Folder& HeldFolders::of(const Index& index, std::uint32_t e) const {
    const IndexEntry& entry = index.entries[e];
    return hasFolder(index, entry) && entry.folder < held_.size() ? held_[entry.folder] : none_;
}

const char* HeldFolders::nameOf(const Index& index, std::uint32_t e) {
    const IndexEntry& entry = index.entries[e];
    return hasFolder(index, entry) ? entry.path.c_str() + entry.nameAt : entry.path.c_str();
}

}  // namespace search
