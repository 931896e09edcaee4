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
    platform::FileIdentity identity;
    const bool identified = !admits_ || platform::identityOf(*folder, identity);
    if (!folder->isOpen() || folder->fault() != platform::IoFault::None || !identified) {
        if (platform::isProcessFault(folder->fault())) context_.fail(folder->fault());
        if (!pending.parent) rootRefused_.store(true);
        std::lock_guard lock(refusedMutex_);
        refused_.insert(pending.path);
        return {};
    }
    if (admits_ && !admits_(pending.path, identity)) return {};
    for (std::uint32_t k = 0; k < items.size(); ++k) {
        if (!descendsInto(items[k])) continue;
        std::vector<std::uint32_t> place = pending.place;
        place.push_back(k);
        subfolders.push_back({childPath(pending.path, items[k].name), items[k].name, folder, 0, std::move(place)});
    }
    return items;
}

void FolderLister::walkWhileListing(const std::string& root, WorkPool& pool, const std::function<void()>& walk) {
    {
        std::lock_guard lock(mutex_);
        std::vector<Pending> first{Pending{root, {}, nullptr, 1.0, {}}};
        addWaiting(first);
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

// Nothing waiting is no reason to end: the walk lists the folders it
// reaches first on the spot, and their subfolders wait for the listers.
bool FolderLister::listerMayGoOn() const { return shouldStop() || (!waiting_.empty() && held_ < kHeldAhead); }

void FolderLister::addWaiting(std::vector<Pending>& subfolders) {
    for (Pending& sub : subfolders) {
        placeOf_.emplace(sub.path, sub.place);
        std::vector<std::uint32_t> place = sub.place;
        waiting_.emplace(std::move(place), std::move(sub));
    }
}

FolderLister::Pending FolderLister::takeWaiting(std::map<std::vector<std::uint32_t>, Pending>::iterator at) {
    Pending pending = std::move(at->second);
    waiting_.erase(at);
    placeOf_.erase(pending.path);
    return pending;
}

// Each lister takes the folder the walk will want first of those waiting,
// and returns once the walk has ended or listing must stop.
void FolderLister::listUntilDone() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return listerMayGoOn(); });
        if (shouldStop()) {
            changed_.notify_all();
            return;
        }
        Pending pending = takeWaiting(waiting_.begin());
        listing_.insert(pending.path);
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
    auto place = placeOf_.find(folder);
    if (place == placeOf_.end()) return {};
    Pending pending = takeWaiting(waiting_.find(place->second));
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
