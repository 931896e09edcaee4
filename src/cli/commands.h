// The subcommands of pairlook-cli; each takes the parsed command line.
#pragma once

#include "cli/arguments.h"

namespace cli {

int runCompareCommand(const Arguments& args);
int runSearchCommand(const Arguments& args);

}  // namespace cli
