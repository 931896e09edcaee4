#include "core/pair_details.h"

#include "core/app_state.h"
#include "platform/platform.h"
#include "text/text.h"

namespace core {
namespace {

// The facts of a file that opens; nullopt for a path that names none.
std::optional<FileFacts> factsOf(const std::string& path) {
    if (path.empty()) return std::nullopt;
    platform::File file = platform::openForReading(path.c_str());
    if (!file.isOpen()) return std::nullopt;
    FileFacts facts;
    facts.path = path;
    if (!platform::fileSize(file, facts.size)) facts.size = file.sizeAtOpen();
    facts.lastWrite = platform::lastWriteText(path.c_str());
    return facts;
}

}  // namespace

std::optional<PairDetails> findPairDetails(const ResultList& list, int& row) {
    for (int tried = 0; tried < kDetailRowsTried; ++tried, ++row) {
        std::optional<FileFacts> fileA = factsOf(list.readCell(row, 0));
        if (!fileA) continue;
        std::optional<FileFacts> fileB = factsOf(list.readCell(row, 1));
        if (!fileB) continue;
        return PairDetails{*fileA, *fileB, list.readCell(row, 2)};
    }
    return std::nullopt;
}

DisposalButtons disposalButtonsFor(std::uint32_t batchDeleteMode) {
    if (batchDeleteMode == batch_mode::kLink) return {"Link File", "Link ALL", true};
    return {"Delete File", "Delete ALL", false};
}

std::string DisposalButtons::oneTip(char file, char partner) const {
    if (links) return std::string("Replace File ") + file + " with a hard link to File " + partner;
    return std::string("Delete File ") + file;
}

std::string DisposalButtons::columnTip(char file) const {
    const std::string column = std::string("the 'File ") + file + "' column";
    if (links)
        return "Replace all files in " + column +
               " that were found to be 100% the same with hard links to their partners.";
    return "Delete all files in " + column + " that were found to be 100% the same.";
}

std::string verdictLine(std::string_view percent) {
    return "These files were found to be " + std::string(percent) + "% the same.";
}

bool offersDetailView(std::string_view percent) { return text::decimalValue(percent) != 100; }

}  // namespace core
