#include "core/batch_confirmation.h"

#include "core/app_state.h"
#include "platform/platform.h"
#include "text/text.h"

namespace core {
namespace {

constexpr char kChecks[] = " Each is checked against its partner again; one copy always stays.";

std::string filesText(std::uint32_t files) {
    return text::unsignedDecimalText(files) + (files == 1 ? " file" : " files");
}

}  // namespace

BatchConfirmation batchConfirmation(std::uint32_t batchDeleteMode, const std::string& moveDir, int column,
                                    std::uint32_t files) {
    const std::string letter = column == 0 ? "A" : "B";
    const char* verb = batchDeleteMode == batch_mode::kRecycle  ? "Recycle"
                       : batchDeleteMode == batch_mode::kDelete ? "Delete"
                       : batchDeleteMode == batch_mode::kLink   ? "Link"
                                                                : "Move";
    BatchConfirmation confirmation;
    confirmation.action = std::string(verb) + " " + filesText(files) + " of Column " + letter;
    if (batchDeleteMode == batch_mode::kMove && moveDir.empty()) {
        confirmation.canStart = false;
        confirmation.message =
            "No move folder is chosen, so nothing can be moved. Choose one with Select Move Dir in the "
            "right-click menu's Settings.";
        return confirmation;
    }
    if (files == 0) {
        confirmation.canStart = false;
        confirmation.message = "No file in column File " + letter + " was found 100% the same as its partner.";
        return confirmation;
    }
    std::string which =
        (files == 1 ? "the file" : "the " + filesText(files)) + " of column File " + letter + " found 100% the same";
    if (batchDeleteMode == batch_mode::kRecycle)
        confirmation.message = "Recycle " + which + ".";
    else if (batchDeleteMode == batch_mode::kDelete)
        confirmation.message = "Delete for good " + which + ".";
    else if (batchDeleteMode == batch_mode::kLink)
        confirmation.message = "Replace " + which +
                               " with hard links to their partners: each name stays, the content is stored once, "
                               "and a change made through one name shows through the other.";
    else
        confirmation.message = "Move " + which + " to " + text::withTrailingBackslash(moveDir, platform::kPathSeparator) + ".";
    confirmation.message += kChecks;
    return confirmation;
}

}  // namespace core
