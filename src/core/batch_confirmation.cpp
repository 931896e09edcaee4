#include "core/batch_confirmation.h"

#include "core/app_state.h"
#include "platform/platform.h"
#include "text/text.h"

namespace core {
namespace {

std::string filesText(std::uint32_t files) {
    return text::unsignedDecimalText(files) + (files == 1 ? " file" : " files");
}

// As the details name it, in their group boxes and tips.
std::string columnName(int column) { return column == 0 ? "column File A" : "column File B"; }

const char* verbOf(std::uint32_t batchDeleteMode) {
    switch (batchDeleteMode) {
        case batch_mode::kRecycle: return "Recycle";
        case batch_mode::kDelete: return "Delete";
        case batch_mode::kLink: return "Link";
        default: return "Move";
    }
}

// What happens to `which`: the files, or the one file, of the column.
std::string whatHappens(std::uint32_t batchDeleteMode, const std::string& moveDir, const std::string& which,
                        bool one) {
    switch (batchDeleteMode) {
        case batch_mode::kRecycle: return "Recycle " + which + ".";
        case batch_mode::kDelete: return "Delete for good " + which + ".";
        case batch_mode::kLink:
            return "Replace " + which +
                   (one ? " with a hard link to its partner: its name stays"
                        : " with hard links to their partners: each name stays") +
                   ", the content is stored once, and a change made through one name shows through the other.";
        default:
            return "Move " + which + " to " + text::withTrailingBackslash(moveDir, platform::kPathSeparator) + ".";
    }
}

}  // namespace

BatchConfirmation batchConfirmation(std::uint32_t batchDeleteMode, const std::string& moveDir, int column,
                                    std::uint32_t files) {
    const std::string columnText = columnName(column);
    BatchConfirmation confirmation;
    confirmation.action = std::string(verbOf(batchDeleteMode)) + " " + filesText(files) + " of " + columnText;
    if (batchDeleteMode == batch_mode::kMove && moveDir.empty()) {
        confirmation.canStart = false;
        confirmation.message =
            "No move folder is chosen, so nothing can be moved. Choose one with Select Move Dir in the "
            "right-click menu's Settings.";
        return confirmation;
    }
    if (files == 0) {
        confirmation.canStart = false;
        confirmation.message = "No file in " + columnText + " was found 100% the same as its partner.";
        return confirmation;
    }
    const bool one = files == 1;
    const std::string which =
        (one ? "the file" : "the " + filesText(files)) + " of " + columnText + " found 100% the same";
    confirmation.message = whatHappens(batchDeleteMode, moveDir, which, one) + (one ? " It is" : " Each is") +
                           " checked against its partner again; one copy always stays.";
    return confirmation;
}

}  // namespace core
