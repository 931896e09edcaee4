#include "search/indexer.h"

#include "search/folder_lister.h"

namespace search {
namespace {

std::uint32_t countOf(const Index& index) { return static_cast<std::uint32_t>(index.entries.size()); }

struct Walk {
    core::RunContext& context;
    Index& index;
    FolderLister& lister;
    const WalkRules& rules;
    std::size_t rootFolder;  // the walk's root in Index::folders

    bool ofReference() const { return static_cast<bool>(rules.pairable); }
};

std::uint32_t walkFolder(Walk& walk, const std::string& folder);

// Pipes, devices and sockets would block or never end; links are not
// followed.
bool entersAsFile(const platform::ListedItem& item) { return item.kind == platform::ItemKind::File; }

// The walk of a reference folder counts each file, and enters it only when a
// searched file can pair with it and there is room.
bool entersReferenceFile(Walk& walk, const platform::ListedItem& item) {
    ++walk.index.referenceFiles;
    if (!walk.rules.pairable(item.size)) return false;
    if (walk.index.entries.size() < walk.index.cap) return true;
    walk.index.limitReached = true;
    return false;
}

// One item of a folder's listing: descends into a folder, enters a file,
// skips everything else.
void indexItem(Walk& walk, const std::string& folder, std::uint32_t folderId, const platform::ListedItem& item) {
    if (descendsInto(item)) {
        walkFolder(walk, childPath(folder, item.name));
        return;
    }
    // Links (Windows mount points among them) are not followed, but the
    // Start row says so. A POSIX mount point is a plain folder, and walked.
    if (item.kind == platform::ItemKind::Link) ++walk.index.leftOut.links;
    if (!entersAsFile(item)) return;
    if (walk.ofReference() && !entersReferenceFile(walk, item)) return;
    std::string path = childPath(folder, item.name);

    // The size comes from the listing, so no file is opened here. A file that
    // cannot be opened keeps its listed size: it scores 0 against any partner,
    // so whatever it is grouped with it yields no row while matchPercent is
    // above 0 (at 0 every compared pair is listed, with the score 0 here).
    IndexEntry entry;
    entry.listedSize = item.size;
    entry.diskOrder = item.diskOrder;
    entry.folder = folderId;
    entry.nameAt = static_cast<std::uint32_t>(folder.size() + 1);
    if (walk.index.quickDir)
        entry.size = static_cast<std::uint32_t>(item.size);
    walk.context.currentFile.set(path);
    entry.path = std::move(path);
    walk.index.entries.push_back(std::move(entry));
    if (walk.index.keepStamps) walk.index.stamps.push_back(item.stamp);
}

// Whether the items from `at` on, or the folders below them, hold a file the
// walk would have entered: then the cap has cut the tree. Subfolders are
// listed only until the first such file turns up.
bool fileLeft(Walk& walk, const std::string& folder, const Listing& items, std::size_t at) {
    for (std::size_t k = at; k < items.size(); ++k)
        if (entersAsFile(items[k])) return true;
    for (std::size_t k = at; k < items.size() && !walk.context.abortRequested(); ++k) {
        if (!descendsInto(items[k])) continue;
        const std::string path = childPath(folder, items[k].name);
        if (fileLeft(walk, path, walk.lister.take(path), 0)) return true;
    }
    return false;
}

std::uint32_t walkFolder(Walk& walk, const std::string& folder) {
    if (walk.context.abortRequested()) return countOf(walk.index);
    Listing items = walk.lister.take(folder);
    if (walk.lister.refused(folder) && walk.index.folders.size() != walk.rootFolder) ++walk.index.leftOut.folders;
    const auto folderId = static_cast<std::uint32_t>(walk.index.folders.size());
    walk.index.folders.push_back(folder);
    // The cap is tested before each item, so a full index also stops every
    // enclosing listing as soon as its subfolder's walk returns.
    for (std::size_t at = 0; at < items.size(); ++at) {
        if (!walk.ofReference() && walk.index.entries.size() >= walk.index.cap) {
            if (!walk.index.limitReached) walk.index.limitReached = fileLeft(walk, folder, items, at);
            break;
        }
        indexItem(walk, folder, folderId, items[at]);
    }
    return countOf(walk.index);
}

}  // namespace

std::uint32_t indexFolder(core::RunContext& context, Index& index, const std::string& folder, WorkPool& pool,
                          ProgressShare share, const WalkRules& rules) {
    if (context.abortRequested()) return countOf(index);
    // The reference is walked to its end past the cap (files that cannot
    // pair are counted, not entered): its listers keep going too.
    FolderLister lister(context, rules.pairable ? kNoIndexCap : index.cap, share);
    if (rules.admits) lister.admitOnly(rules.admits);
    Walk walk{context, index, lister, rules, index.folders.size()};
    std::uint32_t count = 0;
    const std::size_t entered = index.entries.size();
    lister.walkWhileListing(folder, pool, [&] { count = walkFolder(walk, folder); });
    // A lister may have shown a folder after the walk's last file.
    if (index.entries.size() > entered) context.currentFile.set(index.entries.back().path);
    if (lister.rootRefused()) {
        RootListing& root = walk.ofReference() ? index.referenceRoot : index.root;
        root = platform::isFolder(folder.c_str()) ? RootListing::CannotOpen : RootListing::NotAFolder;
    }
    return count;
}

std::uint32_t indexFolder(core::RunContext& context, Index& index, const std::string& folder) {
    WorkPool alone(0);
    return indexFolder(context, index, folder, alone);
}

}  // namespace search
