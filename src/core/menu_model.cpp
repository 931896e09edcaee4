#include "core/menu_model.h"

#include <array>

#include "text/text.h"

namespace core {
namespace {

constexpr std::array<std::uint32_t, 9> kMatchValues{50, 75, 90, 95, 96, 97, 98, 99, 100};

MenuItem command(std::string text, std::uint32_t id, bool checked = false) {
    return MenuItem{std::move(text), id, checked, {}};
}

MenuItem separator() { return MenuItem{}; }

MenuItem submenu(std::string text, std::vector<MenuItem> items) {
    return MenuItem{std::move(text), 0, false, std::move(items)};
}

// The tick goes by ranges: a value no item sets (an old settings file) ticks
// the first item whose value is not below it; above 100 nothing is ticked.
std::vector<MenuItem> matchPercentMenu(std::uint32_t matchPercent) {
    std::vector<MenuItem> items;
    bool ticked = false;
    for (std::size_t i = 0; i < kMatchValues.size(); ++i) {
        std::uint32_t value = kMatchValues[i];
        bool tick = !ticked && matchPercent <= value;
        ticked = ticked || tick;
        items.push_back(command(text::unsignedDecimalText(value) + "%",
                                menu_command::kFirstMatch + static_cast<std::uint32_t>(i), tick));
    }
    return items;
}

std::vector<MenuItem> batchModeMenu(const SettingsBlock& settings) {
    std::string moveDir = fieldText(settings.moveDir, sizeof settings.moveDir);
    return {
        command("Recycle", menu_command::kRecycle, settings.batchDeleteMode == batch_mode::kRecycle),
        command("Delete", menu_command::kDelete, settings.batchDeleteMode == batch_mode::kDelete),
        command(text::cutToLimit("Move to " + moveDir), menu_command::kMoveTo,
                settings.batchDeleteMode == batch_mode::kMove),
        command("Replace with link", menu_command::kReplaceWithLink, settings.batchDeleteMode == batch_mode::kLink),
        separator(),
        command("Select Move Dir", menu_command::kSelectMoveDir),
    };
}

std::vector<MenuItem> settingsMenu(const SettingsBlock& settings) {
    return {
        submenu("Batch Delete Mode", batchModeMenu(settings)),
        submenu("Match Percentage", matchPercentMenu(settings.matchPercent)),
        command("Hash", menu_command::kHash, settings.hashEnabled == 1),
        command("Remember checksums", menu_command::kRememberChecksums, settings.forgetChecksums == 0),
        command("Search every file", menu_command::kSearchEveryFile, settings.searchEveryFile == 1),
    };
}

// Takes the right-click marker back to idle; true when it was there.
bool consumeRightClickMarker(AppState& state) {
    std::uint32_t marker = run_state::kRightClickIdle;
    return state.runState.compare_exchange_strong(marker, run_state::kIdle);
}

}  // namespace

std::vector<MenuItem> buildContextMenu(AppState& state) {
    const SettingsBlock& settings = state.settings;
    std::vector<MenuItem> menu{command("About", menu_command::kAbout), command("Help", menu_command::kHelp)};
    if (consumeRightClickMarker(state) && state.pairCount.load() > 0 &&
        settings.searchMode != search_mode::kFile) {
        menu.push_back(separator());
        menu.push_back(command("Details", menu_command::kDetails));
        menu.push_back(command("Remove", menu_command::kRemove));
    }
    menu.push_back(separator());
    menu.push_back(command("Transparent", menu_command::kTransparent, settings.transparent == 1));
    menu.push_back(command("On Top", menu_command::kOnTop, settings.alwaysOnTop == 1));
    if (state.runState.load() == run_state::kIdle) menu.push_back(submenu("Settings", settingsMenu(settings)));
    menu.push_back(separator());
    menu.push_back(command("Exit", menu_command::kExit));
    return menu;
}

std::uint32_t matchPercentOf(std::uint32_t command) {
    if (command < menu_command::kFirstMatch || command > menu_command::kLastMatch) return 0;
    return kMatchValues[command - menu_command::kFirstMatch];
}

bool applyOptionCommand(SettingsBlock& settings, std::uint32_t command) {
    switch (command) {
        case menu_command::kRecycle: settings.batchDeleteMode = batch_mode::kRecycle; return true;
        case menu_command::kDelete: settings.batchDeleteMode = batch_mode::kDelete; return true;
        case menu_command::kMoveTo: settings.batchDeleteMode = batch_mode::kMove; return true;
        case menu_command::kReplaceWithLink: settings.batchDeleteMode = batch_mode::kLink; return true;
        case menu_command::kHash: settings.hashEnabled = settings.hashEnabled == 0 ? 1 : 0; return true;
        case menu_command::kOnTop: settings.alwaysOnTop = settings.alwaysOnTop == 0 ? 1 : 0; return true;
        case menu_command::kRememberChecksums: settings.forgetChecksums = settings.forgetChecksums == 0; return true;
        case menu_command::kSearchEveryFile: settings.searchEveryFile = settings.searchEveryFile == 0; return true;
    }
    if (std::uint32_t value = matchPercentOf(command)) {
        settings.matchPercent = value;
        return true;
    }
    return false;
}

}  // namespace core
