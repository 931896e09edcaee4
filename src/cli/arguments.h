// The command line of pairlook-cli, read by one parser for every command:
// options may stand before, between or after the operands, and "--" ends
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/indexer.h"

namespace cli {

enum class Command { None, Help, Version, Compare, Search };

struct Arguments {
    Command command = Command::None;
    bool tsv = false;
    bool json = false;
    bool quick = false;
    bool noHash = false;
    std::uint32_t matchPercent = 95;
    std::uint64_t maxFiles = search::kIndexCap;  // search --max-files, by default the window's limit; 0 for none
    std::string reference;  // search --reference: the folder compared with and never touched
    std::string cacheFile;  // search --cache FILE; empty for the default place
    bool noCache = false;   // search --no-cache
    std::vector<std::string> operands;  // after the command's name
};

// Fills `parsed`; returns an empty text, or the one line that says what is
// wrong with the command line.
std::string parseArguments(const std::vector<std::string>& args, Arguments& parsed);

}  // namespace cli
