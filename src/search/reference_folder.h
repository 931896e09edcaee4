// A search against a reference folder: the folder searched is walked first,
// leaving the reference out where it lies inside; then the reference, of
// which only the files that some searched file can pair with are entered,
// after the searched ones. A file under both folders counts as a reference
// file only, so it is never listed as File A. "Under" is decided by the
// identity of the folders the walks open, never by path texts: the same
// folder reached by another path, a link or a second mount is the same.
#pragma once

#include <cstdint>

#include "core/run.h"
#include "search/indexer.h"
#include "search/progress.h"
#include "search/work_pool.h"

namespace search {

// Walks request.pathA, then request.reference, into the index. Sets index.hasReference and
// firstReference; index.root tells how the searched folder was listed and
// index.referenceRoot how the reference was (it is not walked when the
// searched folder could not be, or after an abort).
void indexWithReference(core::RunContext& context, Index& index, const core::RunRequest& request,
                                 WorkPool& pool, ProgressShare searchedShare, ProgressShare referenceShare);

}  // namespace search
