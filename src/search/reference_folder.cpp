#include "search/reference_folder.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "search/candidates.h"

namespace search {
namespace {

struct IdentityHash {
    std::size_t operator()(const platform::FileIdentity& id) const {
        return std::hash<std::uint64_t>()(id.fileId * 0x9E3779B97F4A7C15ull ^ id.volume);
    }
};

// The identities of the folders a walk opens, told from the lister's threads;
// by path where asked to.
class OpenedFolders {
public:
    void add(const platform::FileIdentity& identity) {
        std::lock_guard lock(mutex_);
        all_.insert(identity);
    }
    void add(const std::string& path, const platform::FileIdentity& identity) {
        std::lock_guard lock(mutex_);
        byPath_.emplace(path, identity);
        all_.insert(identity);
    }
    // Only once the walk has ended.
    const platform::FileIdentity* identityOf(const std::string& path) const {
        auto it = byPath_.find(path);
        return it == byPath_.end() ? nullptr : &it->second;
    }
    bool holds(const platform::FileIdentity& identity) const { return all_.count(identity) != 0; }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, platform::FileIdentity> byPath_;
    std::unordered_set<platform::FileIdentity, IdentityHash> all_;
};

// Whether `folder` is `root` or lies below it in one walk, whose paths are
// built by putting names after their folder's path.
bool isAtOrBelow(const std::string& folder, const std::string& root) {
    return folder.size() >= root.size() && folder.compare(0, root.size(), root) == 0 &&
           (folder.size() == root.size() || folder[root.size()] == platform::kPathSeparator);
}

// The searched folders (the first `searchedFolders` of the index's folders,
// in the walk's order, each before what lies below it) that the reference
// walk opened too, and everything below them: their files are reference
// files. A folder whose identity is unknown counts as one of them.
std::vector<bool> foldersUnderReference(const Index& index, std::size_t searchedFolders,
                                        const OpenedFolders& searched, const OpenedFolders& reference) {
    std::vector<bool> under(index.folders.size(), false);
    const std::string* within = nullptr;  // the last such folder, while the walk is below it
    for (std::size_t f = 0; f < searchedFolders; ++f) {
        const std::string& path = index.folders[f];
        if (within && isAtOrBelow(path, *within)) {
            under[f] = true;
            continue;
        }
        const platform::FileIdentity* identity = searched.identityOf(path);
        under[f] = !identity || reference.holds(*identity);
        within = under[f] ? &path : nullptr;
    }
    return under;
}

// Takes the searched files under the reference out of the searched part;
// the reference walk has counted them already. Their stamps go with them:
// the cache takes each entry's stamp by its place.
void dropSearchedUnderReference(Index& index, const std::vector<bool>& under) {
    const bool stamped = !index.stamps.empty();
    std::size_t kept = 0;
    for (std::size_t e = 0; e < index.entries.size(); ++e) {
        if (e < index.firstReference && under[index.entries[e].folder]) continue;
        if (kept != e) {
            index.entries[kept] = std::move(index.entries[e]);
            if (stamped) index.stamps[kept] = index.stamps[e];
        }
        ++kept;
    }
    index.firstReference -= static_cast<std::uint32_t>(index.entries.size() - kept);
    index.entries.erase(index.entries.begin() + static_cast<std::ptrdiff_t>(kept), index.entries.end());
    if (stamped) index.stamps.erase(index.stamps.begin() + static_cast<std::ptrdiff_t>(kept), index.stamps.end());
}

}  // namespace

void indexWithReference(core::RunContext& context, Index& index, const core::RunRequest& request,
                                 WorkPool& pool, ProgressShare searchedShare, ProgressShare referenceShare) {
    index.hasReference = true;
    platform::FileIdentity referenceRoot;
    const bool identified = platform::identityOfPath(request.reference.c_str(), referenceRoot);
    OpenedFolders searched, reference;
    WalkRules searchedRules;
    searchedRules.admits = [&](const std::string& path, const platform::FileIdentity& identity) {
        // Without its reference the search has nothing to do: the searched
        // root is opened, to tell how it stands, and nothing below it.
        if (!identified || identity == referenceRoot) return false;
        searched.add(path, identity);
        return true;
    };
    indexFolder(context, index, request.pathA, pool, searchedShare, searchedRules);
    index.firstReference = static_cast<std::uint32_t>(index.entries.size());
    if (!identified) {
        index.referenceRoot = platform::isFolder(request.reference.c_str()) ? RootListing::CannotOpen
                                                                            : RootListing::NotAFolder;
        return;
    }
    if (index.root != RootListing::Listed || context.abortRequested()) return;
    const std::size_t searchedFolders = index.folders.size();
    const PartnerSizes partners(index, request.mode, request.matchPercent);
    WalkRules referenceRules;
    referenceRules.pairable = [&partners](std::uint64_t size) { return partners.admits(size); };
    referenceRules.admits = [&](const std::string&, const platform::FileIdentity& identity) {
        reference.add(identity);
        return true;
    };
    const core::LeftOut leftOutOfSearched = index.leftOut;
    indexFolder(context, index, request.reference, pool, referenceShare, referenceRules);
    const std::vector<bool> under = foldersUnderReference(index, searchedFolders, searched, reference);
    dropSearchedUnderReference(index, under);
    // A searched folder inside the reference was walked twice: what it left
    // out is told once.
    if (!under.empty() && under[0]) {
        index.leftOut.folders -= leftOutOfSearched.folders;
        index.leftOut.links -= leftOutOfSearched.links;
    }
}

}  // namespace search
