#include "core/strip_model.h"

#include <algorithm>

#include "text/text.h"

namespace core {
namespace {

constexpr std::int64_t kNarrowestPainted = 201;
constexpr std::int64_t kProgressRightMargin = 175;
constexpr std::int64_t kBarLeft = 3;
constexpr std::int64_t kShortestLabelledBar = 26;

// Geometry in signed arithmetic: a narrow window puts some bounds below 0.
std::int64_t widthOf(const AppState& state) { return state.clientWidth; }

StripRect rect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
}

bool between(std::int64_t low, std::int64_t value, std::int64_t high) { return low < value && value < high; }

bool isFileMode(const AppState& state) { return state.settings.searchMode == search_mode::kFile; }
bool isIdle(const AppState& state) { return state.runState.load() == run_state::kIdle; }

StripRect buttonColumn(const AppState& state) {
    std::int64_t w = widthOf(state);
    return rect(w - 58, 0, w - 4, state.clientHeight);
}
StripRect modeSwitchArea() { return rect(25, 15, 50, 40); }
StripRect startAbortArea(std::int64_t w) { return rect(w - kStartAbortOffset, 15, w - kStartAbortOffset + 100, 40); }

std::string aboutPauseCaption(const AppState& state) {
    if (isIdle(state)) return "About";
    return state.runControl.load() == run_control::kPaused ? "Resume" : "Pause";
}

void addLabels(const AppState& state, bool workerState, StripLayout& layout) {
    if (isFileMode(state)) {
        layout.labels.push_back({"Compare this", rect(3, 75, 80, 90)});
        layout.labels.push_back({"With this", rect(3, 95, 80, 110)});
    } else {
        layout.labels.push_back({"Search this", rect(3, 75, 80, 90)});
        layout.labels.push_back({"Reference", rect(3, 95, 80, 110)});
    }
    if (workerState) return;
    layout.labels.push_back({"File", rect(3, 5, 40, 20)});
    layout.labels.push_back({"Directory", rect(50, 5, kModeLabelsRight, 20)});
    layout.labels.push_back({"Quick Dir", rect(50, 35, kModeLabelsRight, 50)});
}

void addProgress(AppState& state, StripLayout& layout) {
    std::int64_t avail = widthOf(state) - kProgressRightMargin;
    layout.showsProgress = true;
    layout.barEnd = progressBarEnd(state.clientWidth, state.progressPercent);
    if (layout.barEnd >= kShortestLabelledBar) {
        layout.percentText = text::unsignedDecimalText(state.progressPercent.load()) + "%";
        layout.percentRect = rect(kBarLeft, 5, layout.barEnd, 20);
    }
    if (!isFileMode(state)) {
        layout.showsCurrentFile = true;
        layout.currentFileRect = rect(3, 30, avail, 50);
    }
}

void addButtons(const AppState& state, bool workerState, StripLayout& layout) {
    std::int64_t w = widthOf(state);
    const HoverFlags& hover = state.hover;
    auto at = [](std::int64_t value) { return static_cast<int>(value); };
    layout.buttons.push_back(
        {ButtonKind::Wide, at(w - kStartAbortOffset), 15, hover.startAbort != 0, workerState ? "Abort" : "Start"});
    if (!workerState) layout.buttons.push_back({ButtonKind::ModeSwitch, 25, 15, hover.mode != 0, ""});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 5, hover.aboutPause != 0, aboutPauseCaption(state)});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 27, hover.help != 0, "Help"});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 74, hover.chooseA != 0, "Choose"});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 96, hover.chooseB != 0, "Choose"});
}

std::uint32_t* hoverFlagOf(HoverFlags& hover, StripButtonId button) {
    switch (button) {
        case StripButtonId::AboutPause: return &hover.aboutPause;
        case StripButtonId::Help: return &hover.help;
        case StripButtonId::ChooseA: return &hover.chooseA;
        case StripButtonId::ChooseB: return &hover.chooseB;
        case StripButtonId::ModeSwitch: return &hover.mode;
        case StripButtonId::StartAbort: return &hover.startAbort;
        case StripButtonId::None: break;
    }
    return nullptr;
}

// What must be repainted when the button's lit look changes.
StripRect repaintAreaOf(const AppState& state, StripButtonId button) {
    switch (button) {
        case StripButtonId::ModeSwitch: return modeSwitchArea();
        case StripButtonId::StartAbort: return startAbortArea(widthOf(state));
        default: return buttonColumn(state);
    }
}

StripButtonId columnButtonAt(const AppState& state, std::int64_t y) {
    bool idle = isIdle(state);
    if (between(4, y, 23)) return StripButtonId::AboutPause;
    if (between(26, y, 45) && idle) return StripButtonId::Help;
    if (between(73, y, 90) && idle) return StripButtonId::ChooseA;
    if (between(95, y, 112) && idle) return StripButtonId::ChooseB;
    return StripButtonId::None;
}

// Lights `lit` (None for nothing) and puts out every other button.
std::vector<StripRect> lightOnly(AppState& state, StripButtonId lit) {
    const StripButtonId all[] = {StripButtonId::AboutPause, StripButtonId::Help,       StripButtonId::ChooseA,
                                 StripButtonId::ChooseB,    StripButtonId::ModeSwitch, StripButtonId::StartAbort};
    std::vector<StripRect> repaint;
    for (StripButtonId button : all) {
        std::uint32_t& flag = *hoverFlagOf(state.hover, button);
        std::uint32_t wanted = button == lit ? 1 : 0;
        if (flag == wanted) continue;
        flag = wanted;
        StripRect area = repaintAreaOf(state, button);
        if (std::find(repaint.begin(), repaint.end(), area) == repaint.end()) repaint.push_back(area);
    }
    return repaint;
}

}  // namespace

StripRect stripArea(std::uint32_t clientWidth) { return rect(0, 0, clientWidth, kStripHeight); }

StripRect startAbortButton(std::uint32_t clientWidth) {
    std::int64_t left = static_cast<std::int64_t>(clientWidth) - kStartAbortOffset;
    return rect(left, 15, left + 100, 39);
}

StripRect helpButton(std::uint32_t clientWidth) {
    std::int64_t left = static_cast<std::int64_t>(clientWidth) - 58;
    return rect(left, 27, left + 54, 45);
}

StripRect progressArea(std::uint32_t clientWidth) {
    return rect(0, 0, static_cast<std::int64_t>(clientWidth) - kProgressRightMargin, 60);
}

int progressBarEnd(std::uint32_t clientWidth, std::atomic<std::uint32_t>& progressPercent) {
    std::int64_t avail = static_cast<std::int64_t>(clientWidth) - kProgressRightMargin;
    std::uint32_t percent = progressPercent.load();
    if (percent > 99) {
        progressPercent.store(99);
        return static_cast<int>(avail);
    }
    return static_cast<int>(avail * percent / 100);
}

StripLayout layoutStrip(AppState& state) {
    StripLayout layout;
    if (widthOf(state) < kNarrowestPainted) return layout;
    layout.paints = true;
    bool workerState = workerRuns(state.runState.load());
    addLabels(state, workerState, layout);
    if (workerState) addProgress(state, layout);
    addButtons(state, workerState, layout);
    layout.modeForm = state.settings.searchMode;
    return layout;
}

StripButtonId liveButtonAt(const AppState& state, std::int64_t x, std::int64_t y) {
    std::int64_t w = widthOf(state);
    if (between(w - 58, x, w - 4)) return columnButtonAt(state, y);
    if (between(25, x, 50) && between(15, y, 40)) return isIdle(state) ? StripButtonId::ModeSwitch : StripButtonId::None;
    if (between(15, y, 40) && between(w - kStartAbortOffset, x, w - kStartAbortOffset + 100))
        return StripButtonId::StartAbort;
    return StripButtonId::None;
}

std::vector<StripRect> trackHover(AppState& state, std::int64_t x, std::int64_t y) {
    return lightOnly(state, liveButtonAt(state, x, y));
}

std::vector<StripRect> clearHover(AppState& state) { return lightOnly(state, StripButtonId::None); }

StripAction stripClickAction(const AppState& state, std::int64_t x, std::int64_t y) {
    bool idle = isIdle(state);
    switch (liveButtonAt(state, x, y)) {
        case StripButtonId::ChooseA:
            return isFileMode(state) ? StripAction::ChooseFileA : StripAction::ChooseFolder;
        case StripButtonId::ChooseB:
            return isFileMode(state) ? StripAction::ChooseFileB : StripAction::ChooseReferenceFolder;
        case StripButtonId::ModeSwitch: return StripAction::NextMode;
        case StripButtonId::StartAbort: return idle ? StripAction::Start : StripAction::Abort;
        case StripButtonId::AboutPause:
            if (state.aboutOpen != 0) return StripAction::None;
            return idle ? StripAction::About : StripAction::TogglePause;
        case StripButtonId::Help: return StripAction::Help;
        case StripButtonId::None: break;
    }
    return StripAction::None;
}

int minClientHeight(int listChrome, int listRowHeight) {
    return kStripHeight + listChrome + kMinListRows * listRowHeight;
}

std::uint32_t nextSearchMode(std::uint32_t searchMode) {
    return searchMode >= search_mode::kQuickDir ? search_mode::kFile : searchMode + 1;
}

std::optional<std::string> editBAfterModeChange(AppState& state, std::uint32_t from, std::uint32_t to,
                                                const std::string& shown) {
    if ((from == search_mode::kFile) == (to == search_mode::kFile)) return std::nullopt;
    std::string parked = std::move(state.parkedPathB);
    state.parkedPathB = shown;
    return parked;
}

}  // namespace core
