// pairlook-cli: the engine without the window.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/run_output.h"
#include "platform/platform.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  pairlook-cli compare [--tsv | --json] FILE_A FILE_B\n"
    "  pairlook-cli search [--tsv | --json] [--quick] [--no-hash] [--match PERCENT]\n"
    "                      [--max-files N] [--reference REFERENCE]\n"
    "                      [--cache FILE | --no-cache] FOLDER\n"
    "  pairlook-cli --help | --version\n"
    "\n"
    "compare  lists every run of bytes in which the two files differ, then the verdict.\n"
    "         Exit status 0 same, 1 different, 2 fault, open error or usage error.\n"
    "search   lists the pairs of files below FOLDER whose content matches at least\n"
    "         PERCENT (0 to 100, default 95). --quick compares only files of equal\n"
    "         size (and, unless --no-hash, equal checksum). At most N files are\n"
    "         searched (default 149900, the window's limit; 0 for no limit); when\n"
    "         the limit cuts the tree, the Start row says so. Exit status 0 at the\n"
    "         end, 3 at the end when the limit left files out, 2 for a usage error\n"
    "         or a FOLDER (or REFERENCE) that is not a folder or cannot be opened.\n"
    "--reference  lists only pairs of a file below FOLDER (File A) and a file\n"
    "         below REFERENCE (File B), never two files of one folder; a file\n"
    "         below both counts as REFERENCE's. Only the files of REFERENCE whose\n"
    "         size can pair with a file of FOLDER are read, and only those count\n"
    "         towards N. The Start row counts both folders' files. REFERENCE\n"
    "         must be another folder than FOLDER.\n"
    "--cache FILE  where search remembers what it read of each file (checksums,\n"
    "         and which files it found identical), keyed by the file's identity,\n"
    "         size and times, so that the next search reads only files that\n"
    "         changed. A file it cannot trust is ignored and rebuilt. Default:\n"
#ifdef _WIN32
    "         %APPDATA%\\Norvelle\\Pairlook\\dPairSum.dat.\n"
#else
    "         $XDG_CONFIG_HOME/Norvelle/Pairlook/dPairSum.dat (~/.config when\n"
    "         XDG_CONFIG_HOME is not set).\n"
#endif
    "--no-cache  neither read nor write the cache.\n"
    "--tsv    one line per row, cells joined by TAB, control bytes escaped.\n"
    "--json   one JSON document: \"options\", \"status\" (complete, limit, not-found,\n"
    "         cannot-open, same, different, aborted or error, with its \"message\"),\n"
    "         then for compare \"sizes\", \"differences\" (offset, length, details)\n"
    "         and \"verdict\"; for search \"start\", \"filesFound\" (with --reference\n"
    "         also \"referenceFilesFound\"), \"pairs\" (score, fileA, fileB) and\n"
    "         \"pairCount\". Bytes of a name that are not UTF-8 come as \\udc80 to\n"
    "         \\udcff (Python: errors=\"surrogateescape\").\n"
    "Without --json, on a terminal search prints each pair as it is found, not\n"
    "always in the final order; redirected, the rows come in the list's order.\n"
    "Options may stand before, between or after the operands; -- ends them.\n"
    "Ctrl+C aborts the run; its rows are still printed, and the exit status is 130.\n"
    "Output that cannot be written, or a run stopped for want of file handles or\n"
    "memory, ends with a message and exit status 2.\n";

}  // namespace

int main(int argc, char** argv) {
    platform::setConsoleMode(true);
    // A search holds the folders of the files it reads open.
    platform::allowManyHandles();
    cli::Arguments args;
    if (std::string problem = cli::parseArguments({argv + 1, argv + argc}, args); !problem.empty())
        return cli::usageError(problem);
    int status = 0;
    switch (args.command) {
        case cli::Command::Help: std::fputs(kUsage, stdout); break;
        case cli::Command::Version: std::puts("Pairlook 1.3"); break;
        case cli::Command::Compare: status = cli::runCompareCommand(args); break;
        case cli::Command::Search: status = cli::runSearchCommand(args); break;
        case cli::Command::None: break;
    }
    // A script acts on what it reads: output that did not reach it whole
    // is a failure, never a success.
    if (!cli::finishStandardOutput()) return cli::kExitTrouble;
    return status;
}
