#include "search/indexer.h"

#include "text/text.h"

namespace search {
namespace {

std::uint32_t countOf(const Index& index) { return static_cast<std::uint32_t>(index.entries.size()); }

bool isDotName(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

std::uint32_t indexFolder(core::AppState& state, Index& index, const std::string& folder) {
    if (state.runControl.load() == core::run_control::kAbort) return countOf(index);
    platform::ListingHandle listing = platform::openListing(folder.c_str());
    if (!listing) return countOf(index);
    platform::ListedItem item;
    // The cap is tested after each item, so a full index also stops every
    // enclosing listing as soon as its subfolder's walk returns.
    while (index.entries.size() < index.cap && platform::nextItem(listing, item))
        indexItem(state, index, folder, item);
    platform::closeListing(listing);
    return countOf(index);
}

std::uint32_t indexItem(core::AppState& state, Index& index, const std::string& folder,
                        const platform::ListedItem& item) {
    bool isFolder = item.kind == platform::ItemKind::Folder;
    // Links are never followed: a loop or a second path to one file cannot
    // arise. Pipes, devices and sockets would block or never end.
    if (!isFolder && item.kind != platform::ItemKind::File) return countOf(index);
    if (isFolder && isDotName(item.name)) return countOf(index);
    std::string path = folder;
    path += platform::kPathSeparator;
    path += item.name;
    // A cut path could name another file; such an item is left out instead.
    if (path.size() > text::kTextLimit) return countOf(index);
    if (isFolder) return indexFolder(state, index, path);

    // The size comes from the listing, so no file is opened here. A file that
    // cannot be opened keeps its listed size: it scores 0 against any partner,
    // so whatever it is grouped with it yields no row while matchPercent is
    // above 0 (at 0 every compared pair is listed, with the score 0 here).
    IndexEntry entry;
    entry.listedSize = item.size;
    entry.diskOrder = item.diskOrder;
    if (state.settings.searchMode == core::search_mode::kQuickDir)
        entry.size = static_cast<std::uint32_t>(item.size);
    state.currentFile.set(path);
    entry.path = std::move(path);
    index.entries.push_back(std::move(entry));
    return countOf(index);
}

}  // namespace search
