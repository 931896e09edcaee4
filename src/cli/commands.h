// The subcommands of pairlook-cli; each takes the arguments after its name.
#pragma once

#include <string>
#include <vector>

namespace cli {

int runCompareCommand(const std::vector<std::string>& args);
int runSearchCommand(const std::vector<std::string>& args);

}  // namespace cli
