// The folder indexer: turns the searched folder into a flat list of files,
// depth first, in the order the platform lists each folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/run.h"
#include "platform/platform.h"
#include "search/folder_lister.h"
#include "search/progress.h"
#include "search/work_pool.h"

namespace search {

// The window searches at most this many files; the rest of the tree is not
// walked, and the Start row says so. pairlook-cli --max-files sets or lifts it.
constexpr std::size_t kIndexCap = core::kWindowFileLimit;
constexpr std::size_t kNoIndexCap = core::kNoFileLimit;

// What became of the searched folder itself.
enum class RootListing {
    Listed,      // listed (perhaps holding no file, or walked only in part after an abort)
    NotAFolder,  // missing, or not a folder
    CannotOpen,  // a folder that could not be listed
};

struct IndexEntry {
    std::string path;
    // Quick Dir: the low 32 bits of the listed length. Directory: 0.
    std::uint32_t size = 0;
    // Quick Dir with Hash on, once the search has needed it; otherwise 0.
    std::uint32_t checksum = 0;
    // The full length as the listing gave it, in both modes: Directory mode
    // needs sizes for its size bound, and no file is opened to learn them.
    std::uint64_t listedSize = 0;
    // Where the file lies on disk (inode on POSIX), 0 when unknown.
    std::uint64_t diskOrder = 0;
    // Its folder (in Index::folders) and where its name begins in path.
    std::uint32_t folder = 0;
    std::uint32_t nameAt = 0;
};

struct Index {
    std::vector<IndexEntry> entries;
    std::vector<std::string> folders;  // every folder walked, as its files' paths begin
    std::size_t cap = kIndexCap;  // kNoIndexCap for none
    // Quick Dir: entries carry their size in `size` (Directory mode: 0).
    bool quickDir = false;
    // Folders that could not be opened or listed, and links not followed.
    core::LeftOut leftOut;
    // The cap cut the tree: a file it would have entered was left out.
    bool limitReached = false;
    RootListing root = RootListing::Listed;
    // With keepStamps set, the walk keeps each entry's stamp as the listing
    // found it, in index order (for the checksum cache).
    bool keepStamps = false;
    std::vector<platform::FileStamp> stamps;

    // A search with a reference folder: entries from firstReference on lie
    // under the reference folder, those before it under the searched one.
    bool hasReference = false;
    std::uint32_t firstReference = 0;
    std::uint64_t referenceFiles = 0;  // every file of the reference, entered or not
    RootListing referenceRoot = RootListing::Listed;

    bool isReference(std::uint32_t e) const { return hasReference && e >= firstReference; }
    // Whether entries a and b may make a pair: with a reference folder only
    // a searched file and a reference file do.
    bool mayPair(std::uint32_t a, std::uint32_t b) const { return !hasReference || isReference(a) != isReference(b); }
};

// What a walk is told beyond its folder.
struct WalkRules {
    // Which folders it goes into; all when empty.
    FolderAdmission admits;
    // Set for the walk of a reference folder: every file is counted in
    // Index::referenceFiles, but only a file of a size that some searched
    // file can pair with is entered. That walk goes on past the cap, so
    // that every folder under the reference is known; a file it has no room
    // for sets limitReached.
    std::function<bool(std::uint64_t size)> pairable;
};

// Enters every file below `folder` (the folder text as given: one separator
// is always put between it and a name) and returns the new count. Tests
// runControl for an abort at the start of each folder; sets currentFile to
// each file entered. Links are neither entered nor followed, but counted;
// only regular files are entered; paths have any length.
// The pool's threads list folders ahead of the walk; the entries and their
// order do not depend on how many there are. Sets index.limitReached when the
// cap left a file out, and index.root when the folder itself could not be
// listed. The bar moves through `share` as the tree is listed.
std::uint32_t indexFolder(core::RunContext& context, Index& index, const std::string& folder, WorkPool& pool,
                          ProgressShare share = {}, const WalkRules& rules = {});
// The same on the calling thread alone.
std::uint32_t indexFolder(core::RunContext& context, Index& index, const std::string& folder);

}  // namespace search
