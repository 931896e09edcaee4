#include "core/menu_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"

namespace {

namespace id = core::menu_command;

// The menu as one line per item, sub-menus indented, ticks marked "*", so a
// whole menu can be compared at once.
void describe(const std::vector<core::MenuItem>& items, const std::string& indent, std::vector<std::string>& out) {
    for (const core::MenuItem& item : items) {
        if (item.isSeparator()) {
            out.push_back(indent + "---");
            continue;
        }
        out.push_back(indent + item.text + (item.checked ? " *" : ""));
        describe(item.submenu, indent + "  ", out);
    }
}

std::vector<std::string> describe(const std::vector<core::MenuItem>& items) {
    std::vector<std::string> out;
    describe(items, "", out);
    return out;
}

// The top level only.
std::vector<std::string> topLevel(const std::vector<core::MenuItem>& items) {
    std::vector<std::string> out;
    for (const core::MenuItem& item : items) out.push_back(item.isSeparator() ? "---" : item.text);
    return out;
}

const core::MenuItem* find(const std::vector<core::MenuItem>& items, const std::string& text) {
    for (const core::MenuItem& item : items) {
        if (item.text == text) return &item;
        if (const core::MenuItem* inner = find(item.submenu, text)) return inner;
    }
    return nullptr;
}

class ContextMenu : public ::testing::Test {
protected:
    core::AppState state;
    void SetUp() override { core::applyDefaultSettings(state.settings); }
};

TEST_F(ContextMenu, IdleRightClickInAFolderModeWithPairsOffersEverything) {
    state.settings.searchMode = core::search_mode::kQuickDir;
    state.settings.alwaysOnTop = 1;
    state.pairCount = 3;
    state.runState = core::run_state::kRightClickIdle;
    std::vector<std::string> expected{
        "About", "Help", "---", "Details", "Remove", "---", "Transparent", "On Top *",
        "Settings",
        "  Batch Delete Mode",
        "    Recycle *", "    Delete", "    Move to ", "    Replace with link", "    ---", "    Select Move Dir",
        "  Match Percentage",
        "    50%", "    75%", "    90%", "    95% *", "    96%", "    97%", "    98%", "    99%", "    100%",
        "  Hash *", "  Remember checksums *", "  Search every file",
        "---", "Exit"};
    EXPECT_EQ(describe(core::buildContextMenu(state)), expected);
    EXPECT_EQ(state.runState.load(), core::run_state::kIdle);  // the marker is consumed
}

TEST_F(ContextMenu, ResultCommandsAndSettingsFollowTheState) {
    struct Case {
        const char* name;
        std::uint32_t runState;
        std::uint32_t mode;
        std::uint32_t pairs;
        std::vector<std::string> top;
        std::uint32_t runStateAfter;
    };
    const std::vector<std::string> plain{"About", "Help", "---", "Transparent", "On Top", "Settings", "---", "Exit"};
    const std::vector<std::string> busy{"About", "Help", "---", "Transparent", "On Top", "---", "Exit"};
    const Case cases[] = {
        {"File mode with rows", core::run_state::kRightClickIdle, core::search_mode::kFile, 5, plain, 0},
        {"no pairs found", core::run_state::kRightClickIdle, core::search_mode::kDirectory, 0, plain, 0},
        {"idle without the marker", core::run_state::kIdle, core::search_mode::kDirectory, 5, plain, 0},
        {"a search runs", core::run_state::kRunning, core::search_mode::kDirectory, 5, busy, 1},
        {"a search is stopping", core::run_state::kStopping, core::search_mode::kQuickDir, 5, busy, 2},
    };
    for (const Case& c : cases) {
        state.runState = c.runState;
        state.settings.searchMode = c.mode;
        state.pairCount = c.pairs;
        EXPECT_EQ(topLevel(core::buildContextMenu(state)), c.top) << c.name;
        EXPECT_EQ(state.runState.load(), c.runStateAfter) << c.name;
    }
}

TEST_F(ContextMenu, MatchPercentageTicksByRanges) {
    struct Case {
        std::uint32_t value;
        const char* ticked;  // nullptr: none
    };
    const Case cases[] = {{0, "50%"},  {50, "50%"}, {51, "75%"}, {76, "90%"},  {93, "95%"},
                          {95, "95%"}, {96, "96%"}, {99, "99%"}, {100, "100%"}, {101, nullptr}};
    for (const Case& c : cases) {
        state.settings.matchPercent = c.value;
        std::vector<core::MenuItem> menu = core::buildContextMenu(state);
        const core::MenuItem* match = find(menu, "Match Percentage");
        ASSERT_NE(match, nullptr);
        std::vector<std::string> ticked;
        for (const core::MenuItem& item : match->submenu)
            if (item.checked) ticked.push_back(item.text);
        EXPECT_EQ(ticked, c.ticked ? std::vector<std::string>{c.ticked} : std::vector<std::string>{}) << c.value;
    }
}

// The options of the Settings sub-menu tick as stored, and each command
// turns its own option over and nothing else.
TEST_F(ContextMenu, OptionCommandsTurnTheirOptionOver) {
    const struct {
        std::uint32_t command;
        const char* text;
    } cases[] = {{id::kHash, "Hash"}, {id::kRememberChecksums, "Remember checksums"},
                 {id::kSearchEveryFile, "Search every file"}};
    for (const auto& c : cases) {
        const core::SettingsBlock before = state.settings;
        const bool tickedBefore = find(core::buildContextMenu(state), c.text)->checked;
        ASSERT_TRUE(core::applyOptionCommand(state.settings, c.command)) << c.text;
        EXPECT_NE(find(core::buildContextMenu(state), c.text)->checked, tickedBefore) << c.text;
        core::SettingsBlock turnedBack = state.settings;
        core::applyOptionCommand(turnedBack, c.command);
        EXPECT_EQ(std::memcmp(&turnedBack, &before, sizeof before), 0) << c.text;
    }
}

TEST_F(ContextMenu, MoveItemNamesTheMoveFolder) {
    const std::string folder = "C:\\Users\\someone\\Documents\\Old copies";  // 40 characters
    core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, folder);
    state.settings.batchDeleteMode = core::batch_mode::kMove;
    std::vector<core::MenuItem> menu = core::buildContextMenu(state);
    const core::MenuItem* move = find(menu, "Move to " + folder);
    ASSERT_NE(move, nullptr);
    EXPECT_TRUE(move->checked);
    EXPECT_EQ(move->command, id::kMoveTo);
    // A folder only a settings file can hold does not overflow the item.
    core::copyToField(state.settings.moveDir, sizeof state.settings.moveDir, std::string(599, 'd'));
    menu = core::buildContextMenu(state);
    EXPECT_NE(find(menu, "Move to " + std::string(591, 'd')), nullptr);
}

}  // namespace
