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

void FolderLister::walkWhileListing(const std::string& root, WorkPool& pool, const std::function<void()>& walk) {
    {
        std::lock_guard lock(mutex_);
        order_.push_back(root);
        waiting_.emplace(root, Pending{root, {}, nullptr, 1.0});
    }
    std::atomic<bool> walkTaken{false};
    pool.run(pool.workers(), [&](std::size_t, std::size_t) {
        if (walkTaken.exchange(true)) {
            listUntilDone();
            return;
        }
        walk();
        std::lock_guard lock(mutex_);
        walkDone_ = true;
        changed_.notify_all();
    });
}

bool FolderLister::shouldStop() const {
    return walkDone_ || listedAhead_ >= budget_ || context_.abortRequested();
}

// Listings not taken yet are held up to this many items: far enough ahead
// to keep every lister busy, near enough that a tree of millions of files
// is never held whole.
constexpr std::size_t kHeldAhead = 64 * 1024;

bool FolderLister::listerMayGoOn() const {
    return shouldStop() || (busy_ == 0 && order_.empty()) || (!order_.empty() && held_ < kHeldAhead);
}

// Pushed in reverse, so that the first subfolder is listed next.
void FolderLister::addWaiting(std::vector<Pending>& subfolders) {
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
        order_.push_back(it->path);
        waiting_.emplace(it->path, std::move(*it));
    }
}

// Each lister takes the folder waiting last, so the tree is listed about in
// the order the walk wants it, and returns once the walk has ended, listing
// must stop, or nothing is waiting and no other lister can add more.
void FolderLister::listUntilDone() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return listerMayGoOn(); });
        if (shouldStop() || order_.empty()) {
            changed_.notify_all();
            return;
        }
        const std::string path = std::move(order_.back());
        order_.pop_back();
        auto it = waiting_.find(path);
        if (it == waiting_.end()) continue;  // the walk listed it
        Pending pending = std::move(it->second);
        waiting_.erase(it);
        listing_.insert(pending.path);
        ++busy_;
        lock.unlock();
        context_.currentFile.set(pending.path);
        std::vector<Pending> subfolders;
        Listing items = list(pending, subfolders);
        lock.lock();
        countListed(pending, subfolders);
        listedAhead_ += items.size();
        held_ += items.size();
        listing_.erase(pending.path);
        listed_.emplace(std::move(pending.path), std::move(items));
        addWaiting(subfolders);
        --busy_;
        changed_.notify_all();
    }
}

// A listing in hand is waited for; one still waiting is listed here, and
// its subfolders wait for the listers.
Listing FolderLister::take(const std::string& folder) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return listing_.count(folder) == 0; });
    if (auto it = listed_.find(folder); it != listed_.end()) {
        Listing items = std::move(it->second);
        listed_.erase(it);
        held_ -= items.size();
        changed_.notify_all();
        return items;
    }
    auto it = waiting_.find(folder);
    if (it == waiting_.end()) return {};
    Pending pending = std::move(it->second);
    waiting_.erase(it);
    lock.unlock();
    std::vector<Pending> subfolders;
    Listing items = list(pending, subfolders);
    lock.lock();
    countListed(pending, subfolders);
    addWaiting(subfolders);
    changed_.notify_all();
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
