// The right-click menu as data: which items the state offers, which are
// ticked, and what the option commands change. The window turns it into a
// real popup menu; the tests read it without one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/app_state.h"

namespace core {

namespace menu_command {
constexpr std::uint32_t kAbout = 2000;
constexpr std::uint32_t kHelp = 2001;
constexpr std::uint32_t kExit = 2002;
constexpr std::uint32_t kTransparent = 2017;
constexpr std::uint32_t kOnTop = 2018;
constexpr std::uint32_t kRecycle = 2021;
constexpr std::uint32_t kDelete = 2022;
constexpr std::uint32_t kMoveTo = 2023;
constexpr std::uint32_t kSelectMoveDir = 2024;
constexpr std::uint32_t kReplaceWithLink = 2025;
constexpr std::uint32_t kFirstMatch = 2050;  // "50%"; the nine values follow in order
constexpr std::uint32_t kLastMatch = 2058;   // "100%"
constexpr std::uint32_t kHash = 2072;
constexpr std::uint32_t kDetails = 2073;
constexpr std::uint32_t kRemove = 2074;
constexpr std::uint32_t kRememberChecksums = 2075;
constexpr std::uint32_t kSearchEveryFile = 2076;
}  // namespace menu_command

struct MenuItem {
    std::string text;             // empty for a separator
    std::uint32_t command = 0;    // 0 for a separator or a sub-menu
    bool checked = false;
    std::vector<MenuItem> submenu;

    bool isSeparator() const { return text.empty(); }
};

// Builds the menu from the state. Consumes the right-click marker: a
// runState of 2000 (right click while idle) offers Details and Remove when
// the list holds pairs, and is set back to 0; the Settings sub-menu is
// offered only when the program is then idle.
std::vector<MenuItem> buildContextMenu(AppState& state);

// The value a "Match Percentage" command sets; 0 for other commands.
std::uint32_t matchPercentOf(std::uint32_t command);

// Applies a command that only changes a stored option (batch mode, match
// percentage, Hash, Remember checksums, Search every file, On Top). Returns
// false for every other command.
bool applyOptionCommand(SettingsBlock& settings, std::uint32_t command);

}  // namespace core
