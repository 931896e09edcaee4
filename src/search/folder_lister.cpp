#include "search/folder_lister.h"

#include <algorithm>

#include "core/run_control.h"

namespace search {

std::string childPath(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += platform::kPathSeparator;
    path += name;
    return path;
}

bool descendsInto(const platform::ListedItem& item) {
    // Links are never followed: a loop or a second path to one file cannot
    // arise.
    return item.kind == platform::ItemKind::Folder && item.name != "." && item.name != "..";
}

// Opens and reads one folder; its subfolders keep it open until they are
// listed themselves.
Listing FolderLister::list(const Pending& pending, std::vector<Pending>& subfolders) {
    Listing items;
    auto folder = std::make_shared<platform::Folder>(
        pending.parent ? platform::openSubfolder(*pending.parent, pending.name)
                       : platform::openFolder(pending.path.c_str()));
    platform::ListedItem item;
    if (folder->isOpen())
        while (platform::nextItem(*folder, item)) items.push_back(std::move(item));
    if (!folder->isOpen() || folder->fault() != platform::IoFault::None) {
        if (platform::isProcessFault(folder->fault())) context_.fail(folder->fault());
        if (!pending.parent) rootRefused_.store(true);
        std::lock_guard lock(refusedMutex_);
        refused_.insert(pending.path);
        return {};
    }
    for (const platform::ListedItem& listed : items)
        if (descendsInto(listed)) subfolders.push_back({childPath(pending.path, listed.name), listed.name, folder});
    return items;
}

void FolderLister::listAhead(const std::string& root, WorkPool& pool) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back({root, {}, nullptr, 1.0});
    }
    pool.run(pool.workers(), [this](std::size_t, std::size_t) { listUntilDone(); });
    std::lock_guard lock(mutex_);
    for (Pending& pending : waiting_) unlisted_.emplace(pending.path, std::move(pending));
    waiting_.clear();
}

bool FolderLister::shouldStop() const {
    return held_ >= budget_ || context_.abortRequested();
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
        Pending pending = std::move(waiting_.back());
        waiting_.pop_back();
        ++busy_;
        lock.unlock();
        context_.currentFile.set(pending.path);
        std::vector<Pending> subfolders;
        Listing items = list(pending, subfolders);
        lock.lock();
        countListed(pending, subfolders);
        held_ += items.size();
        listed_.emplace(std::move(pending.path), std::move(items));
        waiting_.insert(waiting_.end(), std::make_move_iterator(subfolders.rbegin()),
                        std::make_move_iterator(subfolders.rend()));
        --busy_;
        changed_.notify_all();
    }
}

Listing FolderLister::take(const std::string& folder) {
    std::lock_guard lock(mutex_);
    if (auto it = listed_.find(folder); it != listed_.end()) {
        Listing items = std::move(it->second);
        listed_.erase(it);
        return items;
    }
    auto it = unlisted_.find(folder);
    if (it == unlisted_.end()) return {};
    Pending pending = std::move(it->second);
    unlisted_.erase(it);
    std::vector<Pending> subfolders;
    Listing items = list(pending, subfolders);
    countListed(pending, subfolders);
    for (Pending& sub : subfolders) unlisted_.emplace(sub.path, std::move(sub));
    return items;
}

bool FolderLister::refused(const std::string& folder) {
    std::lock_guard lock(refusedMutex_);
    return refused_.count(folder) != 0;
}

// The folder's part of the tree is shared among it and its subfolders, and
// its own share moves the bar, whether it was listed ahead or when the walk
// came to it.
void FolderLister::countListed(const Pending& pending, std::vector<Pending>& subfolders) {
    const double part = pending.part / static_cast<double>(subfolders.size() + 1);
    for (Pending& sub : subfolders) sub.part = part;
    listedPart_ += part;
    constexpr std::uint64_t kSteps = 1'000'000;
    share_.show(context_, static_cast<std::uint64_t>(listedPart_ * kSteps), kSteps);
}

}  // namespace search
