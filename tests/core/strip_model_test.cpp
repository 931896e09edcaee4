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

// The pointer crossing the strip lights the live button under it and puts
// out the one it left, so two buttons are never lit at once.
TEST_F(Strip, OnlyTheLiveButtonUnderThePointerIsLit) {
    const StripRect column{442, 0, 496, 360};
    const StripRect knob{25, 15, 50, 40};
    const StripRect start{330, 15, 430, 40};
    using Id = core::StripButtonId;
    struct Move {
        const char* name;
        std::uint32_t runState;
        std::int64_t x, y;
        Id lit;
        std::vector<StripRect> repaint;
    };
    const Move moves[] = {
        {"onto About", 0, 470, 10, Id::AboutPause, {column}},
        {"About to Help", 0, 470, 30, Id::Help, {column}},
        {"Help to the knob", 0, 37, 27, Id::ModeSwitch, {column, knob}},
        {"knob to a path edit", 0, 150, 80, Id::None, {knob}},
        {"onto Start", 0, 380, 27, Id::StartAbort, {start}},
        {"Start to Choose A", 0, 470, 80, Id::ChooseA, {column, start}},
        {"Choose A as a run starts: dead now", 1, 470, 81, Id::None, {column}},
        {"Help during a run", 1, 470, 30, Id::None, {}},
        {"Pause during a run", 1, 470, 10, Id::AboutPause, {column}},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        state.runState = m.runState;
        EXPECT_EQ(core::trackHover(state, m.x, m.y), m.repaint);
        const std::uint32_t lit[] = {state.hover.aboutPause, state.hover.help, state.hover.chooseA,
                                     state.hover.chooseB,    state.hover.mode, state.hover.startAbort};
        const Id ids[] = {Id::AboutPause, Id::Help, Id::ChooseA, Id::ChooseB, Id::ModeSwitch, Id::StartAbort};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(lit[i], ids[i] == m.lit ? 1u : 0u) << i;
    }
    EXPECT_EQ(core::clearHover(state), std::vector<StripRect>{column});
    EXPECT_EQ(state.hover.aboutPause, 0u);
}

// A release acts on the live button under the pointer, whatever is still
// lit from an earlier move or from before a dialog.
TEST_F(Strip, ClickActsOnTheLiveButtonUnderThePointer) {
    struct Case {
        const char* name;
        core::HoverFlags lit;  // help, aboutPause, chooseA, chooseB, mode, startAbort
        std::int64_t x, y;
        std::uint32_t mode, runState, aboutOpen;
        StripAction action;
    };
    using core::search_mode::kFile;
    using core::search_mode::kQuickDir;
    const core::HoverFlags none{};
    const core::HoverFlags aboutLit{0, 1, 0, 0, 0, 0};
    const core::HoverFlags knobLit{0, 0, 0, 0, 1, 0};
    const core::HoverFlags chooseBLit{0, 0, 0, 1, 0, 0};
    const Case cases[] = {
        {"Help with About still lit", aboutLit, 470, 30, kFile, 0, 0, StripAction::Help},
        {"Start with the knob still lit", knobLit, 380, 27, kFile, 0, 0, StripAction::Start},
        {"Start after Choose B's dialog", chooseBLit, 380, 27, kFile, 0, 0, StripAction::Start},
        {"empty strip with the knob lit", knobLit, 200, 60, kFile, 0, 0, StripAction::None},
        {"Choose A, File", none, 470, 80, kFile, 0, 0, StripAction::ChooseFileA},
        {"Choose B, File", none, 470, 100, kFile, 0, 0, StripAction::ChooseFileB},
        {"Choose A, Quick Dir", none, 470, 80, kQuickDir, 0, 0, StripAction::ChooseFolder},
        {"Choose B's place, Quick Dir", none, 470, 100, kQuickDir, 0, 0, StripAction::None},
        {"knob", none, 37, 27, kFile, 0, 0, StripAction::NextMode},
        {"knob during a run", none, 37, 27, kFile, 1, 0, StripAction::None},
        {"Abort", none, 380, 27, kFile, 1, 0, StripAction::Abort},
        {"About", none, 470, 10, kFile, 0, 0, StripAction::About},
        {"Pause", none, 470, 10, kFile, 1, 0, StripAction::TogglePause},
        {"About already open", none, 470, 10, kFile, 1, 1, StripAction::None},
        {"Help during a run", none, 470, 30, kFile, 1, 0, StripAction::None},
    };
    for (const Case& c : cases) {
        state.hover = c.lit;
        state.settings.searchMode = c.mode;
        state.runState = c.runState;
        state.aboutOpen = c.aboutOpen;
        EXPECT_EQ(core::stripClickAction(state, c.x, c.y), c.action) << c.name;
    }
}

bool overlap(const StripRect& a, const StripRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

StripRect buttonRect(const core::StripButton& b) {
    int width = b.kind == core::ButtonKind::Wide ? 100 : b.kind == core::ButtonKind::Small ? 54 : 24;
    int height = b.kind == core::ButtonKind::Small ? 18 : 24;
    return {b.left, b.top, b.left + width, b.top + height};
}

// At the narrowest width the window allows, Start/Abort stays clear of the
// knob, the labels and the progress bar, and no two buttons touch.
TEST_F(Strip, NarrowestWindowKeepsButtonsApart) {
    state.clientWidth = core::kMinClientWidth;
    for (std::uint32_t runState : {0u, 1u}) {
        for (std::uint32_t mode : {0u, 2u}) {
            SCOPED_TRACE(std::to_string(runState) + " " + std::to_string(mode));
            state.runState = runState;
            state.settings.searchMode = mode;
            state.progressPercent = 100;
            core::StripLayout layout = core::layoutStrip(state);
            std::vector<StripRect> buttons;
            for (const core::StripButton& b : layout.buttons) buttons.push_back(buttonRect(b));
            for (std::size_t i = 0; i < buttons.size(); ++i)
                for (std::size_t j = i + 1; j < buttons.size(); ++j) EXPECT_FALSE(overlap(buttons[i], buttons[j]));
            const StripRect start = buttonRect(layout.buttons.front());
            for (const core::StripText& label : layout.labels) EXPECT_FALSE(overlap(start, label.rect)) << label.text;
            EXPECT_LT(layout.barEnd, start.left);
        }
    }
}

}  // namespace
