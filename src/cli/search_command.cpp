#include "cli/commands.h"
#include "cli/run_output.h"

namespace cli {
// Placeholder until the search lands; replaced by the search command.
int runSearchCommand(const std::vector<std::string>&) { return usageError("search is not built yet"); }
}  // namespace cli
