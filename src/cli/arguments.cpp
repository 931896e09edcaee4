#include "cli/arguments.h"

#include "text/text.h"

namespace cli {
namespace {

// A non-negative integer in decimal digits that fits in 64 bits.
bool parseCount(const std::string& value, std::uint64_t& count) {
    if (value.empty() || value.size() > 20) return false;
    std::uint64_t total = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (total > (~std::uint64_t{0} - digit) / 10) return false;
        total = total * 10 + digit;
    }
    count = total;
    return true;
}

bool parsePercent(const std::string& value, std::uint32_t& percent) {
    std::uint64_t count = 0;
    if (value.size() > 3 || !parseCount(value, count) || count > 100) return false;
    percent = static_cast<std::uint32_t>(count);
    return true;
}

// "--name VALUE" or "--name=VALUE": the value, or false when there is none.
bool optionValue(const std::string& arg, const std::string& name, const std::string* next, bool& usedNext,
                 std::string& value) {
    if (arg.size() > name.size()) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (!next) return false;
    value = *next;
    usedNext = true;
    return true;
}

bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// Takes one option; `next` is the argument after it, which --match,
// --max-files and --reference consume.
std::string takeOption(const std::string& arg, const std::string* next, bool& usedNext, Arguments& parsed,
                       std::vector<std::string>& searchOnly) {
    if (arg == "--help" || arg == "-h") {
        parsed.command = Command::Help;
    } else if (arg == "--version") {
        parsed.command = Command::Version;
    } else if (arg == "--tsv") {
        parsed.tsv = true;
    } else if (arg == "--json") {
        parsed.json = true;
    } else if (arg == "--quick") {
        parsed.quick = true;
        searchOnly.push_back(arg);
    } else if (arg == "--no-hash") {
        parsed.noHash = true;
        searchOnly.push_back(arg);
    } else if (arg == "--match" || arg.rfind("--match=", 0) == 0) {
        std::string text;
        if (!optionValue(arg, "--match", next, usedNext, text) || !parsePercent(text, parsed.matchPercent))
            return "--match takes a percent from 0 to 100";
        searchOnly.push_back("--match");
    } else if (arg == "--reference" || arg.rfind("--reference=", 0) == 0) {
        if (!optionValue(arg, "--reference", next, usedNext, parsed.reference) || parsed.reference.empty())
            return "--reference takes a folder";
        searchOnly.push_back("--reference");
    } else if (arg == "--max-files" || arg.rfind("--max-files=", 0) == 0) {
        std::string text;
        if (!optionValue(arg, "--max-files", next, usedNext, text) || !parseCount(text, parsed.maxFiles))
            return "--max-files takes a number of files, 0 for no limit";
        searchOnly.push_back("--max-files");
    } else if (arg == "--cache" || arg.rfind("--cache=", 0) == 0) {
        if (!optionValue(arg, "--cache", next, usedNext, parsed.cacheFile) || parsed.cacheFile.empty())
            return "--cache takes the name of a file";
        searchOnly.push_back("--cache");
    } else if (arg == "--no-cache") {
        parsed.noCache = true;
        searchOnly.push_back(arg);
    } else {
        return "unknown option '" + arg + "'";
    }
    return {};
}

std::string checkOperands(Arguments& parsed, const std::vector<std::string>& searchOnly) {
    if (parsed.command == Command::Compare) {
        if (!searchOnly.empty()) return "compare does not take " + searchOnly.front();
        if (parsed.operands.size() != 2) return "compare needs two files: FILE_A FILE_B";
        for (const std::string& file : parsed.operands)
            if (file.empty()) return "compare: a file name is empty";
    } else {
        if (parsed.operands.size() != 1) return "search takes one FOLDER";
        if (parsed.operands[0].empty()) return "search: the folder name is empty";
    }
    return {};
}

}  // namespace

std::string parseArguments(const std::vector<std::string>& args, Arguments& parsed) {
    std::vector<std::string> words;
    std::vector<std::string> searchOnly;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (optionsEnded || !isOption(arg)) {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else {
            bool usedNext = false;
            const std::string* next = k + 1 < args.size() ? &args[k + 1] : nullptr;
            if (std::string problem = takeOption(arg, next, usedNext, parsed, searchOnly); !problem.empty())
                return problem;
            if (usedNext) ++k;
        }
    }
    if (parsed.command == Command::Help || parsed.command == Command::Version) {
        // A command name may stand beside them; anything more is a slip.
        const bool commandOnly =
            words.empty() || (words.size() == 1 && (words[0] == "compare" || words[0] == "search"));
        if (commandOnly) return {};
        return "unexpected '" + words.back() + "' beside " +
               (parsed.command == Command::Help ? "--help" : "--version");
    }
    if (words.empty()) return "no command given";
    if (parsed.tsv && parsed.json) return "--json and --tsv cannot be used together";
    if (parsed.noCache && !parsed.cacheFile.empty()) return "--cache and --no-cache cannot be used together";
    if (words[0] == "compare")
        parsed.command = Command::Compare;
    else if (words[0] == "search")
        parsed.command = Command::Search;
    else
        return "unknown command '" + words[0] + "'";
    parsed.operands.assign(words.begin() + 1, words.end());
    return checkOperands(parsed, searchOnly);
}

}  // namespace cli
