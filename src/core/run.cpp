#include "core/run.h"

#include "core/run_control.h"

namespace core {

RunRequest requestFromSettings(const SettingsBlock& settings, std::string pathA, std::string pathB,
                               const std::optional<std::string>& dataFolder) {
    RunRequest request;
    request.mode = settings.searchMode;
    request.pathA = std::move(pathA);
    if (settings.searchMode == search_mode::kFile)
        request.pathB = std::move(pathB);
    else
        request.reference = std::move(pathB);
    request.matchPercent = settings.matchPercent;
    request.hash = settings.hashEnabled != 0;
    request.fileLimit = settings.searchEveryFile != 0 ? kNoFileLimit : kWindowFileLimit;
    request.limitAdvice = " Turn on Search every file (Settings) to search it all.";
    if (dataFolder && settings.forgetChecksums == 0) request.cacheFile = *dataFolder + kCacheFileName;
    return request;
}

const char* refusalOf(const RunRequest& request) {
    if (request.mode == search_mode::kFile || request.reference.empty()) return nullptr;
    platform::FileIdentity searched, reference;
    if (!platform::identityOfPath(request.pathA.c_str(), searched) ||
        !platform::identityOfPath(request.reference.c_str(), reference) || searched != reference)
        return nullptr;
    return "The folder to search and the reference folder are the same folder.";
}

RunOutcome notEnoughMemory() {
    platform::showNotEnoughMemory();
    RunOutcome outcome;
    outcome.status = RunStatus::Error;
    outcome.message = "Not enough memory";
    return outcome;
}

const char* statusName(RunStatus status) {
    switch (status) {
        case RunStatus::Complete: return "complete";
        case RunStatus::Aborted: return "aborted";
        case RunStatus::Limit: return "limit";
        case RunStatus::NotFound: return "not-found";
        case RunStatus::CannotOpen: return "cannot-open";
        case RunStatus::Same: return "same";
        case RunStatus::Different: return "different";
        case RunStatus::Error: return "error";
    }
    return "error";
}

void RunContext::fail(platform::IoFault fault) { failRun(state_, fault); }

const char* RunContext::failureText() const { return runFailureText(state_.runFailure.load()); }

}  // namespace core
