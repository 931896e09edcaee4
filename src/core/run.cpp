#include "core/run.h"

#include "core/run_control.h"

namespace core {

RunRequest requestFromSettings(const SettingsBlock& settings, std::string pathA, std::string pathB) {
    RunRequest request;
    request.mode = settings.searchMode;
    request.pathA = std::move(pathA);
    request.pathB = std::move(pathB);
    request.matchPercent = settings.matchPercent;
    request.hash = settings.hashEnabled != 0;
    return request;
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
