#include "core/strip_model.h"

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
StripRect startAbortArea(std::int64_t w) { return rect(w - 170, 15, w - 70, 40); }

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
    }
    if (workerState) return;
    layout.labels.push_back({"File", rect(3, 5, 40, 20)});
    layout.labels.push_back({"Directory", rect(50, 5, 120, 20)});
    layout.labels.push_back({"Quick Dir", rect(50, 35, 120, 50)});
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
        {ButtonKind::Wide, at(w - 170), 15, hover.startAbort != 0, workerState ? "Abort" : "Start"});
    if (!workerState) layout.buttons.push_back({ButtonKind::ModeSwitch, 25, 15, hover.mode != 0, ""});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 5, hover.aboutPause != 0, aboutPauseCaption(state)});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 27, hover.help != 0, "Help"});
    layout.buttons.push_back({ButtonKind::Small, at(w - 58), 74, hover.chooseA != 0, "Choose"});
    if (isFileMode(state)) layout.buttons.push_back({ButtonKind::Small, at(w - 58), 96, hover.chooseB != 0, "Choose"});
}

// Sets a hover flag on entering its button; true when it changed.
bool light(std::uint32_t& flag) {
    if (flag != 0) return false;
    flag = 1;
    return true;
}

// Which button of the column the pointer is over, lighting it; false when
// it is over none of them (or over one that is not live now).
bool hoverButtonColumn(AppState& state, std::int64_t y, std::vector<StripRect>& repaint) {
    HoverFlags& hover = state.hover;
    bool changed;
    if (between(4, y, 23)) {
        changed = light(hover.aboutPause);
    } else if (between(26, y, 45)) {
        // Help is hit while a worker runs too: it lights nothing then, but
        // clears nothing either.
        changed = isIdle(state) && light(hover.help);
    } else if (between(73, y, 90) && isIdle(state)) {
        changed = light(hover.chooseA);
    } else if (between(95, y, 112) && isFileMode(state) && isIdle(state)) {
        changed = light(hover.chooseB);
    } else {
        return false;
    }
    if (changed) repaint.push_back(buttonColumn(state));
    return true;
}

void clearHover(AppState& state, std::vector<StripRect>& repaint) {
    HoverFlags& hover = state.hover;
    if (hover.aboutPause || hover.chooseA || hover.chooseB || hover.help) {
        hover.aboutPause = hover.chooseA = hover.chooseB = hover.help = 0;
        repaint.push_back(buttonColumn(state));
    } else if (hover.mode) {
        hover.mode = 0;
        repaint.push_back(modeSwitchArea());
    } else if (hover.startAbort) {
        hover.startAbort = 0;
        repaint.push_back(startAbortArea(widthOf(state)));
    }
}

}  // namespace

StripRect stripArea(std::uint32_t clientWidth) { return rect(0, 0, clientWidth, kStripHeight); }

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

std::vector<StripRect> trackHover(AppState& state, std::uint32_t x, std::uint32_t y) {
    std::vector<StripRect> repaint;
    std::int64_t w = widthOf(state);
    bool hit = false;
    if (between(w - 58, x, w - 4)) {
        hit = hoverButtonColumn(state, y, repaint);
    } else if (between(25, x, 50) && isIdle(state)) {
        if (between(15, y, 40)) {
            hit = true;
            if (light(state.hover.mode)) repaint.push_back(modeSwitchArea());
        }
    } else if (between(15, y, 40) && between(w - 170, x, w - 70)) {
        hit = true;
        if (light(state.hover.startAbort)) repaint.push_back(startAbortArea(w));
    }
    if (!hit) clearHover(state, repaint);
    return repaint;
}

StripAction stripClickAction(const AppState& state) {
    const HoverFlags& hover = state.hover;
    bool idle = isIdle(state);
    if ((hover.chooseA || hover.chooseB) && idle) {
        if (!isFileMode(state)) return StripAction::ChooseFolder;
        return hover.chooseA ? StripAction::ChooseFileA : StripAction::ChooseFileB;
    }
    if (hover.mode && idle) return StripAction::NextMode;
    if (hover.startAbort) return idle ? StripAction::Start : StripAction::Abort;
    if (hover.aboutPause && state.aboutOpen == 0) return idle ? StripAction::About : StripAction::TogglePause;
    if (hover.help && idle) return StripAction::Help;
    return StripAction::None;
}

std::uint32_t nextSearchMode(std::uint32_t searchMode) {
    return searchMode >= search_mode::kQuickDir ? search_mode::kFile : searchMode + 1;
}

}  // namespace core
