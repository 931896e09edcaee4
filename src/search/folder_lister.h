// Lists the folders of a tree ahead of the walk that indexes it, on several
// threads: a listing costs a name and a stat per item, bound by system calls
// that run side by side on several cores. The walk then takes the listings
// in its own order and lists on the spot any folder not reached ahead.
//
// Each subfolder is opened from its parent's open handle and never through a
// link, so a folder swapped for a link while the tree is walked cannot lead
// outside it. A parent stays open while any of its subfolders waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/run.h"
#include "platform/platform.h"
#include "search/progress.h"
#include "search/work_pool.h"

namespace search {

using Listing = std::vector<platform::ListedItem>;

// The path of an item in a folder: one separator between them, always.
std::string childPath(const std::string& folder, const std::string& name);

// Whether the walk descends into the item: a folder (never a link), not "."
// or "..".
bool descendsInto(const platform::ListedItem& item);

class FolderLister {
public:
    // Lists ahead no further once `budget` items are held. The bar moves
    // through `share` as folders are listed ahead.
    FolderLister(core::RunContext& context, std::size_t budget, ProgressShare share = {})
        : context_(context), budget_(budget), share_(share) {}

    // Lists `root` and every folder below it on the pool's threads, the
    // first subfolder first, until all are listed, the budget is spent or an
    // abort is requested. Shows each folder listed in currentFile.
    void listAhead(const std::string& root, WorkPool& pool);

    // The items of `folder` (the root, or a subfolder of a folder taken
    // before), listed ahead or now; each listing is handed out once. Empty
    // when it cannot be listed. Running out of handles or memory fails the run.
    Listing take(const std::string& folder);

    // Whether the root could not be opened for listing.
    bool rootRefused() const { return rootRefused_.load(); }
    // Whether `folder`, once taken, could not be opened or listed.
    bool refused(const std::string& folder);

private:
    // A folder still to be listed, and the open folder it is opened from
    // (none for the root).
    struct Pending {
        std::string path;
        std::string name;
        std::shared_ptr<const platform::Folder> parent;
        double part = 0;  // of the whole tree, for the bar
    };

    void listUntilDone();
    bool shouldStop() const;
    Listing list(const Pending& pending, std::vector<Pending>& subfolders);
    // With mutex_ held.
    void countListed(const Pending& pending, std::vector<Pending>& subfolders);

    core::RunContext& context_;
    const std::size_t budget_;
    const ProgressShare share_;
    double listedPart_ = 0;  // of the whole tree, under mutex_
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Pending> waiting_;  // folders still to list, the next one last
    std::size_t busy_ = 0;          // folders being listed
    std::size_t held_ = 0;          // items listed ahead so far
    std::unordered_map<std::string, Listing> listed_;
    std::unordered_map<std::string, Pending> unlisted_;  // known, not listed ahead
    std::atomic<bool> rootRefused_{false};
    std::mutex refusedMutex_;  // list() runs with and without mutex_ held
    std::unordered_set<std::string> refused_;
};

}  // namespace search
