// What the details dialog shows of one pair row: both files' paths, sizes
// and last-write times, and the score.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result_list.h"

namespace core {

struct FileFacts {
    std::string path;
    std::uint64_t size = 0;   // all 64 bits
    std::string lastWrite;    // local time and date, as the user's locale writes them
};

struct PairDetails {
    FileFacts fileA;
    FileFacts fileB;
    std::string percent;  // the score column as written
};

// How many rows the dialog tries before it gives up.
constexpr int kDetailRowsTried = 100;

// The pair of `row`, or of the first row after it whose two files open, up
// to 100 rows in all; `row` ends on the row shown (or past the last tried).
// Rows that name no file ("Start", "End") and files deleted since the search
// are passed over.
std::optional<PairDetails> findPairDetails(const ResultList& list, int& row);

// The captions and tips of the details' buttons that dispose of files. In
// Replace-with-link mode they link (one file, or the column); in the other
// modes the single one recycles and the column one runs the batch action.
struct DisposalButtons {
    const char* one;     // "Delete File" or "Link File"
    const char* column;  // "Delete ALL" or "Link ALL"
    std::string oneTip(char file, char partner) const;
    std::string columnTip(char file) const;
    bool links = false;
};
DisposalButtons disposalButtonsFor(std::uint32_t batchDeleteMode);

// Why the details offer to delete (or link) File A only, after a search
// against a reference folder (AppState::referenceInList).
constexpr char kFileBInReferenceTip[] = "File B is in the reference folder, which Pairlook never changes.";

// "These files were found to be 97% the same."
std::string verdictLine(std::string_view percent);
// Detail View compares the two files in File mode; for a pair found 100%
// the same there is nothing to show.
bool offersDetailView(std::string_view percent);

}  // namespace core
