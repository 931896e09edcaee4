// pairlook-cli --json: the rows of a finished run as one JSON document that
// any JSON reader takes, whatever bytes the file names hold.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "core/app_state.h"

namespace cli {

// How the run ended, as "status" says it.
enum class RunStatus {
    Complete,
    Aborted,  // Ctrl+C, or stopped for want of file handles or memory
    Limit,    // the search stopped indexing at the file limit
};

// The bytes as a JSON string, quotes included. Valid UTF-8 goes in as it
// is; each byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate \udc80 to \udcff (what Python's "surrogateescape" reads back as
// that byte), and control characters, quote and backslash are escaped.
void appendJsonString(std::string& out, std::string_view bytes);

// The search's options, status, "start" text, "pairs" (score, fileA, fileB)
// and "pairCount".
void printSearchJson(const core::AppState& state, const Arguments& options, const std::string& folder,
                     RunStatus status, std::FILE* out);
// The comparison's options, status, "sizes" text, "differences" (offset,
// length, details) and "verdict".
void printCompareJson(const core::AppState& state, const Arguments& options, RunStatus status, std::FILE* out);

}  // namespace cli
