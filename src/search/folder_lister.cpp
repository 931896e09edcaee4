#include "search/folder_lister.h"

#include <algorithm>

#include "text/text.h"

namespace search {

std::string childPath(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += platform::kPathSeparator;
    path += name;
    return path;
}

bool descendsInto(const platform::ListedItem& item, const std::string& path) {
    // Links are never followed: a loop or a second path to one file cannot
    // arise. A cut path could name another folder, so a long one is left out.
    return item.kind == platform::ItemKind::Folder && item.name != "." && item.name != ".." &&
           path.size() <= text::kTextLimit;
}

Listing listFolder(const std::string& folder) {
    Listing items;
    platform::ListingHandle listing = platform::openListing(folder.c_str());
    if (!listing) return items;
    platform::ListedItem item;
    while (platform::nextItem(listing, item)) items.push_back(std::move(item));
    platform::closeListing(listing);
    return items;
}

void FolderLister::listAhead(const std::string& root, WorkPool& pool) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(root);
    }
    pool.run(pool.workers(), [this](std::size_t, std::size_t) { listUntilDone(); });
    std::lock_guard lock(mutex_);
    waiting_.clear();
}

bool FolderLister::shouldStop() const {
    return held_ >= budget_ || state_.abortRequested();
}

// Each worker takes the folder waiting last, so the tree is listed about in
// the order the walk will want it, and returns once nothing is waiting and
// no other worker can add more.
void FolderLister::listUntilDone() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || busy_ == 0; });
        if (waiting_.empty() || shouldStop()) {
            changed_.notify_all();
            return;
        }
        std::string folder = std::move(waiting_.back());
        waiting_.pop_back();
        ++busy_;
        lock.unlock();
        state_.currentFile.set(folder);
        Listing items = listFolder(folder);
        std::vector<std::string> subfolders;
        for (const platform::ListedItem& item : items)
            if (std::string path = childPath(folder, item.name); descendsInto(item, path))
                subfolders.push_back(std::move(path));
        lock.lock();
        held_ += items.size();
        listed_.emplace(std::move(folder), std::move(items));
        waiting_.insert(waiting_.end(), std::make_move_iterator(subfolders.rbegin()),
                        std::make_move_iterator(subfolders.rend()));
        --busy_;
        changed_.notify_all();
    }
}

Listing FolderLister::take(const std::string& folder) {
    {
        std::lock_guard lock(mutex_);
        if (auto it = listed_.find(folder); it != listed_.end()) {
            Listing items = std::move(it->second);
            listed_.erase(it);
            return items;
        }
    }
    return listFolder(folder);
}

}  // namespace search
