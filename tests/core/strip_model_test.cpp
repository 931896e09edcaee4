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
         {"Search this", "Reference", "File", "Directory", "Quick Dir"},
         {"Start", "(knob)", "About", "Help", "Choose", "Choose"}, false, false},
        {"paused search", kQuickDir, 1, 5, {"Search this", "Reference"},
         {"Abort", "Resume", "Help", "Choose", "Choose"}, true, true},
        {"batch delete running", kQuickDir, 1025, 0,
         {"Search this", "Reference", "File", "Directory", "Quick Dir"},
         {"Start", "(knob)", "Pause", "Help", "Choose", "Choose"}, false, false},
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

// Crossing the strip lights only the live button under the pointer: the
// one it left goes out, and a dead button lights nothing.
TEST_F(Strip, OnlyTheLiveButtonUnderThePointerIsLit) {
    const StripRect column{442, 0, 496, 360};
    const StripRect knob{25, 15, 50, 40};
    struct Move {
        std::uint32_t runState;
        std::int64_t x, y;
        std::vector<StripRect> repaint;
        std::uint32_t core::HoverFlags::*lit;
    };
    const Move moves[] = {
        {0, 470, 10, {column}, &core::HoverFlags::aboutPause},
        {0, 470, 30, {column}, &core::HoverFlags::help},  // About goes out
        {0, 37, 27, {column, knob}, &core::HoverFlags::mode},
        {1, 470, 30, {knob}, nullptr},  // Help and the knob are dead during a run
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(std::to_string(m.x) + "," + std::to_string(m.y));
        state.runState = m.runState;
        EXPECT_EQ(core::trackHover(state, m.x, m.y), m.repaint);
        const core::HoverFlags& h = state.hover;
        EXPECT_EQ(h.help + h.aboutPause + h.chooseA + h.chooseB + h.mode + h.startAbort, m.lit ? 1u : 0u);
        if (m.lit) {
            EXPECT_EQ(state.hover.*m.lit, 1u);
        }
    }
}

// A release acts on the live button under it; what is lit does not count.
TEST_F(Strip, ClickActsOnTheLiveButtonUnderThePointer) {
    struct Case {
        const char* name;
        std::int64_t x, y;
        std::uint32_t mode, runState, aboutOpen;
        StripAction action;
    };
    using core::search_mode::kFile;
    using core::search_mode::kQuickDir;
    const Case cases[] = {
        {"Help", 470, 30, kFile, 0, 0, StripAction::Help},
        {"Start", 380, 27, kFile, 0, 0, StripAction::Start},
        {"empty strip", 200, 60, kFile, 0, 0, StripAction::None},
        {"Choose B", 470, 100, kFile, 0, 0, StripAction::ChooseFileB},
        {"Choose B, Quick Dir", 470, 100, kQuickDir, 0, 0, StripAction::ChooseReferenceFolder},
        {"Choose B during a run", 470, 100, kQuickDir, 1, 0, StripAction::None},
        {"Choose A, Quick Dir", 470, 80, kQuickDir, 0, 0, StripAction::ChooseFolder},
        {"knob during a run", 37, 27, kFile, 1, 0, StripAction::None},
        {"Help during a run", 470, 30, kFile, 1, 0, StripAction::None},
        {"Abort", 380, 27, kFile, 1, 0, StripAction::Abort},
        {"Pause", 470, 10, kFile, 1, 0, StripAction::TogglePause},
        {"Pause with About open", 470, 10, kFile, 1, 1, StripAction::None},
    };
    state.hover = {1, 1, 1, 1, 1, 1};
    for (const Case& c : cases) {
        state.settings.searchMode = c.mode;
        state.runState = c.runState;
        state.aboutOpen = c.aboutOpen;
        EXPECT_EQ(core::stripClickAction(state, c.x, c.y), c.action) << c.name;
    }
}

}  // namespace
