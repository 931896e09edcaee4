#include "cli/commands.h"
#include "cli/run_output.h"

namespace cli {
// Placeholder until the comparator lands; replaced by the compare command.
int runCompareCommand(const std::vector<std::string>&) { return usageError("compare is not built yet"); }
}  // namespace cli
