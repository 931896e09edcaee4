// The settings file "dPair.dat": the 8-byte magic and the 2000-byte block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/app_state.h"

namespace core {

constexpr char kSettingsFileName[] = "dPair.dat";
constexpr char kSettingsMagic[] = "PAIR1300";
constexpr std::size_t kSettingsFileSize = 2008;
// Written first and then moved over the settings file.
constexpr char kSettingsTempFileName[] = "dPair.dat.tmp";

void applyDefaultSettings(SettingsBlock& block);
// The block as the file stores it (magic included), little-endian.
std::vector<std::uint8_t> encodeSettings(const SettingsBlock& block);
// Fills the block from the bytes of a file: fields the bytes do not reach,
// and values no menu can set, take their defaults; texts end within their field.
SettingsBlock decodeSettings(const std::vector<std::uint8_t>& bytes);

// The texts of the two path edits, for the next start: each whole when it
// fits its field, and nothing when it does not: a path cut short would name
// another item.
void keepPathEdits(SettingsBlock& block, const std::string& editA, const std::string& editB);

// Whether a stored placement can be applied: a record of the right length
// with a normal rectangle of positive width and height. A zero record (no file,
// a short file) is not.
bool placementLooksUsable(const WindowPlacement& placement);

// Reads dataFolder + "dPair.dat" into state.settings (and the head of
// currentFile); returns noFile: true when no file could be opened.
bool loadSettings(AppState& state);
// Writes the file through a temporary name, so a failed write keeps the old
// settings. The caller has put the window placement into the block.
bool saveSettings(AppState& state);

}  // namespace core
