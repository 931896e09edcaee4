#include "core/strip_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using core::StripAction;
using core::StripRect;

std::vector<std::string> captions(const core::StripLayout& layout) {
    std::vector<std::string> out;
    for (const core::StripButton& button : layout.buttons)
        out.push_back(button.kind == core::ButtonKind::ModeSwitch ? "(knob)" : button.caption);
    return out;
}

std::vector<std::string> labels(const core::StripLayout& layout) {
    std::vector<std::string> out;
    for (const core::StripText& label : layout.labels) out.push_back(label.text);
    return out;
}

class Strip : public ::testing::Test {
protected:
    core::AppState state;
    void SetUp() override {
        state.clientWidth = 500;
        state.clientHeight = 360;
    }
};

TEST_F(Strip, BarEndAndItsLabel) {
    struct Case {
        std::uint32_t width, percent;
        int end;
        const char* label;
        std::uint32_t percentAfter;
    };
    const Case cases[] = {
        {400, 0, 0, "", 0},        {400, 1, 2, "", 1},         {400, 11, 24, "", 11},
        {400, 12, 27, "12%", 12},  {400, 99, 222, "99%", 99},  {400, 100, 225, "99%", 99},
        {400, 4000, 225, "99%", 99}, {201, 50, 13, "", 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.percent));
        state.clientWidth = c.width;
        state.runState = core::run_state::kRunning;
        state.progressPercent = c.percent;
        core::StripLayout layout = core::layoutStrip(state);
        EXPECT_EQ(layout.barEnd, c.end);
        EXPECT_EQ(layout.percentText, c.label);
        EXPECT_EQ(state.progressPercent.load(), c.percentAfter);
    }
}

TEST_F(Strip, WhatIsShownFollowsModeAndState) {
    struct Case {
        const char* name;
        std::uint32_t mode, runState, runControl;
        std::vector<std::string> labels, captions;
        bool progress, currentFile;
    };
    using core::search_mode::kDirectory;
    using core::search_mode::kFile;
    using core::search_mode::kQuickDir;
    const Case cases[] = {
        {"idle, File", kFile, 0, 0,
         {"Compare this", "With this", "File", "Directory", "Quick Dir"},
         {"Start", "(knob)", "About", "Help", "Choose", "Choose"}, false, false},
        {"idle, Directory", kDirectory, 0, 0,
         {"Search this", "File", "Directory", "Quick Dir"},
         {"Start", "(knob)", "About", "Help", "Choose"}, false, false},
        {"paused search", kQuickDir, 1, 5, {"Search this"}, {"Abort", "Resume", "Help", "Choose"}, true, true},
        {"batch delete running", kQuickDir, 1025, 0,
         {"Search this", "File", "Directory", "Quick Dir"},
         {"Start", "(knob)", "Pause", "Help", "Choose"}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.settings.searchMode = c.mode;
        state.runState = c.runState;
        state.runControl = c.runControl;
        core::StripLayout layout = core::layoutStrip(state);
        EXPECT_TRUE(layout.paints);
        EXPECT_EQ(labels(layout), c.labels);
        EXPECT_EQ(captions(layout), c.captions);
        EXPECT_EQ(layout.showsProgress, c.progress);
        EXPECT_EQ(layout.showsCurrentFile, c.currentFile);
    }
}

TEST_F(Strip, PaintsNothingAtTwoHundredPixelsOrLess) {
    for (std::uint32_t width : {0u, 120u, 200u}) {
        state.clientWidth = width;
        core::StripLayout layout = core::layoutStrip(state);
        EXPECT_FALSE(layout.paints) << width;
        EXPECT_TRUE(layout.buttons.empty());
    }
    state.clientWidth = 201;
    EXPECT_TRUE(core::layoutStrip(state).paints);
}

// Each zone at w = 500 (client height 360): just inside it lights the
// button and repaints its area; exactly on a bound lights nothing.
TEST_F(Strip, HoverZonesHaveExclusiveBounds) {
    const StripRect column{442, 0, 496, 360};
    const StripRect knob{25, 15, 50, 40};
    const StripRect start{330, 15, 430, 40};
    struct Zone {
        const char* name;
        std::uint32_t core::HoverFlags::*flag;
        std::uint32_t left, top, right, bottom;  // exclusive bounds
        StripRect repaint;
    };
    const Zone zones[] = {
        {"About/Pause", &core::HoverFlags::aboutPause, 442, 4, 496, 23, column},
        {"Help", &core::HoverFlags::help, 442, 26, 496, 45, column},
        {"Choose A", &core::HoverFlags::chooseA, 442, 73, 496, 90, column},
        {"Choose B", &core::HoverFlags::chooseB, 442, 95, 496, 112, column},
        {"mode switch", &core::HoverFlags::mode, 25, 15, 50, 40, knob},
        {"Start/Abort", &core::HoverFlags::startAbort, 330, 15, 430, 40, start},
    };
    for (const Zone& z : zones) {
        SCOPED_TRACE(z.name);
        std::uint32_t midX = (z.left + z.right) / 2, midY = (z.top + z.bottom) / 2;
        const std::pair<std::uint32_t, std::uint32_t> inside[] = {
            {z.left + 1, midY}, {z.right - 1, midY}, {midX, z.top + 1}, {midX, z.bottom - 1}};
        const std::pair<std::uint32_t, std::uint32_t> onBound[] = {
            {z.left, midY}, {z.right, midY}, {midX, z.top}, {midX, z.bottom}};
        for (auto [x, y] : inside) {
            state.hover = {};
            EXPECT_EQ(core::trackHover(state, x, y), std::vector<StripRect>{z.repaint}) << x << "," << y;
            EXPECT_EQ(state.hover.*z.flag, 1u) << x << "," << y;
            // A second move inside repaints nothing.
            EXPECT_TRUE(core::trackHover(state, x, y).empty());
        }
        for (auto [x, y] : onBound) {
            state.hover = {};
            EXPECT_TRUE(core::trackHover(state, x, y).empty()) << x << "," << y;
            EXPECT_EQ(state.hover.*z.flag, 0u) << x << "," << y;
        }
    }
}

TEST_F(Strip, HoverDuringARunLightsOnlyLiveButtons) {
    state.runState = core::run_state::kRunning;
    // Help, the choosers and the knob are dead while a worker runs.
    for (auto [x, y] : {std::pair{470u, 30u}, std::pair{470u, 80u}, std::pair{30u, 20u}}) {
        core::trackHover(state, x, y);
        EXPECT_EQ(state.hover.help + state.hover.chooseA + state.hover.mode, 0u) << x << "," << y;
    }
    // Over Help a lit Pause stays lit: Help is hit, so nothing is cleared.
    core::trackHover(state, 470, 10);
    EXPECT_EQ(state.hover.aboutPause, 1u);
    EXPECT_TRUE(core::trackHover(state, 470, 30).empty());
    EXPECT_EQ(state.hover.aboutPause, 1u);
    core::trackHover(state, 380, 20);  // Abort is live
    EXPECT_EQ(state.hover.startAbort, 1u);
}

TEST_F(Strip, LeavingButtonsClearsOneGroupPerMove) {
    state.hover = {1, 1, 0, 0, 1, 1};  // help, aboutPause, mode and startAbort lit
    EXPECT_EQ(core::trackHover(state, 200, 60), (std::vector<StripRect>{{442, 0, 496, 360}}));
    EXPECT_EQ(state.hover.help + state.hover.aboutPause, 0u);
    EXPECT_EQ(core::trackHover(state, 200, 60), (std::vector<StripRect>{{25, 15, 50, 40}}));
    EXPECT_EQ(core::trackHover(state, 200, 60), (std::vector<StripRect>{{330, 15, 430, 40}}));
    EXPECT_TRUE(core::trackHover(state, 200, 60).empty());
}

TEST_F(Strip, ClickActsOnTheFirstLiveLitButton) {
    struct Case {
        const char* name;
        core::HoverFlags hover;  // help, aboutPause, chooseA, chooseB, mode, startAbort
        std::uint32_t mode, runState, aboutOpen;
        StripAction action;
    };
    using core::search_mode::kFile;
    using core::search_mode::kQuickDir;
    const Case cases[] = {
        {"nothing lit", {}, kFile, 0, 0, StripAction::None},
        {"Choose A, File", {0, 0, 1, 0, 0, 0}, kFile, 0, 0, StripAction::ChooseFileA},
        {"Choose B, File", {0, 0, 0, 1, 0, 0}, kFile, 0, 0, StripAction::ChooseFileB},
        {"Choose A, Quick Dir", {0, 0, 1, 0, 0, 0}, kQuickDir, 0, 0, StripAction::ChooseFolder},
        {"choose before Start", {0, 0, 1, 0, 0, 1}, kFile, 0, 0, StripAction::ChooseFileA},
        {"knob", {0, 0, 0, 0, 1, 0}, kFile, 0, 0, StripAction::NextMode},
        {"Start", {0, 0, 0, 0, 0, 1}, kFile, 0, 0, StripAction::Start},
        {"Abort", {0, 0, 0, 0, 0, 1}, kFile, 1, 0, StripAction::Abort},
        {"About", {0, 1, 0, 0, 0, 0}, kFile, 0, 0, StripAction::About},
        {"Pause", {0, 1, 0, 0, 0, 0}, kFile, 1, 0, StripAction::TogglePause},
        {"About already open", {0, 1, 0, 0, 0, 0}, kFile, 1, 1, StripAction::None},
        {"Help", {1, 0, 0, 0, 0, 0}, kFile, 0, 0, StripAction::Help},
        {"Help during a run", {1, 0, 0, 0, 0, 0}, kFile, 1, 0, StripAction::None},
        {"choose lit as a run starts", {0, 0, 1, 0, 0, 1}, kFile, 1, 0, StripAction::Abort},
    };
    for (const Case& c : cases) {
        state.hover = c.hover;
        state.settings.searchMode = c.mode;
        state.runState = c.runState;
        state.aboutOpen = c.aboutOpen;
        EXPECT_EQ(core::stripClickAction(state), c.action) << c.name;
    }
}

}  // namespace
