// Lists the folders of a tree ahead of the walk that indexes it, on several
// threads, while the walk goes on: a listing costs a name and a stat per
// item, bound by system calls that run side by side on several cores. The
// walk takes the listings in its own order, waits for one in hand, and
// lists on the spot any folder not reached ahead.
//
// Each subfolder is opened from its parent's open handle and never through a
// link, so a folder swapped for a link while the tree is walked cannot lead
// outside it. A parent stays open while any of its subfolders waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
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

// Whether the walk goes into a folder it has opened (the path it was reached
// by, the identity of the folder opened): false leaves it out with all below
// it, as if empty. Called on the lister's threads.
using FolderAdmission = std::function<bool(const std::string& path, const platform::FileIdentity& identity)>;

class FolderLister {
public:
    // Lists ahead no further once `budget` items are listed. The bar moves
    // through `share` as folders are listed ahead.
    FolderLister(core::RunContext& context, std::size_t budget, ProgressShare share = {})
        : context_(context), budget_(budget), share_(share) {}

    // Asks `admits` of every folder opened from now on; a folder whose
    // identity cannot be told is then refused.
    void admitOnly(FolderAdmission admits) { admits_ = std::move(admits); }

    // Runs `walk` (which takes the listings, from `root` on) on one of the
    // pool's threads while the others list `root` and every folder below it,
    // in the order the walk takes them, until all are listed, the budget is spent,
    // an abort is requested or the walk has ended. Listings not yet taken
    // are held up to a bound, so memory follows the walk, not the tree.
    // Shows each folder listed in currentFile.
    void walkWhileListing(const std::string& root, WorkPool& pool, const std::function<void()>& walk);

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
        // Where the walk meets it: the positions of it and of the folders
        // above it in their parents' listings. In this order the walk takes
        // folders, and the listers list them.
        std::vector<std::uint32_t> place;
    };

    void listUntilDone();
    bool shouldStop() const;
    Listing list(const Pending& pending, std::vector<Pending>& subfolders);
    // With mutex_ held.
    void countListed(const Pending& pending, std::vector<Pending>& subfolders);
    void addWaiting(std::vector<Pending>& subfolders);
    Pending takeWaiting(std::map<std::vector<std::uint32_t>, Pending>::iterator at);
    bool listerMayGoOn() const;

    core::RunContext& context_;
    FolderAdmission admits_;
    const std::size_t budget_;
    const ProgressShare share_;
    double listedPart_ = 0;  // of the whole tree, under mutex_
    std::mutex mutex_;
    std::condition_variable changed_;
    // Folders still to list, in the walk's order, and where each path is.
    std::map<std::vector<std::uint32_t>, Pending> waiting_;
    std::unordered_map<std::string, std::vector<std::uint32_t>> placeOf_;
    std::unordered_set<std::string> listing_;  // being listed by a lister
    std::size_t listedAhead_ = 0;  // items listed ahead so far
    std::size_t held_ = 0;         // items listed ahead and not taken yet
    bool walkDone_ = false;
    std::unordered_map<std::string, Listing> listed_;
    std::atomic<bool> rootRefused_{false};
    std::mutex refusedMutex_;  // list() runs with and without mutex_ held
    std::unordered_set<std::string> refused_;
};

}  // namespace search
