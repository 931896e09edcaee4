// pairlook-cli --json: the rows of a finished run as one JSON document that
// any JSON reader takes, whatever bytes the file names hold.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "core/app_state.h"
#include "core/run.h"

namespace cli {

// The bytes as a JSON string, quotes included. Valid UTF-8 goes in as it
// is; each byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate \udc80 to \udcff (what Python's "surrogateescape" reads back as
// that byte), and control characters, quote and backslash are escaped.
void appendJsonString(std::string& out, std::string_view bytes);

// The search's options (the folder, and the reference folder when there is
// one), status (and message), "start" text, "filesFound" (and
// "referenceFilesFound"), "pairs" (score, fileA, fileB) and "pairCount".
void printSearchJson(const core::AppState& state, const Arguments& options, const core::RunRequest& request,
                     const core::RunOutcome& outcome, std::FILE* out);
// The comparison's options, status (and message), "sizes" text,
// "differences" (offset, length, details) and "verdict".
void printCompareJson(const core::AppState& state, const Arguments& options, const core::RunOutcome& outcome,
                      std::FILE* out);

}  // namespace cli
