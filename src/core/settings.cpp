#include "core/settings.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cstring>

#include "platform/platform.h"

namespace core {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMagicSize = 8;
constexpr std::size_t kWordSize = 4;
constexpr std::size_t kForgetChecksumsAt = 40;
constexpr std::size_t kSearchEveryFileAt = 41;
constexpr std::size_t kReservedBytesAt = 42;
constexpr std::size_t kMoveDirAt = 68;
constexpr std::size_t kPlacementAt = 668;
constexpr std::size_t kPathAAt = 712;
constexpr std::size_t kPathBAt = 1312;
constexpr std::size_t kCurrentFileHeadAt = 1912;
static_assert(kCurrentFileHeadAt + sizeof(SettingsBlock::currentFileHead) == kSettingsFileSize);
static_assert(sizeof(kSettingsMagic) == kMagicSize + 1);

constexpr std::uint32_t kDefaultMatchPercent = 95;
constexpr std::uint32_t kDefaultTransparencyLevel = 75;
constexpr std::uint32_t kHighestAlpha = 255;

bool anyValue(std::uint32_t) { return true; }
bool isFlag(std::uint32_t value) { return value <= 1; }
bool isSearchMode(std::uint32_t value) { return value <= search_mode::kQuickDir; }
bool isBatchMode(std::uint32_t value) { return value <= batch_mode::kLink; }
bool isAlpha(std::uint32_t value) { return value <= kHighestAlpha; }
// Only what the menu offers: another value would list pairs no one asked for.
bool isOfferedMatchPercent(std::uint32_t value) {
    constexpr std::array<std::uint32_t, 9> kOffered{50, 75, 90, 95, 96, 97, 98, 99, 100};
    return std::find(kOffered.begin(), kOffered.end(), value) != kOffered.end();
}

struct WordField {
    std::size_t offset;
    std::uint32_t SettingsBlock::*member;
    bool (*accepts)(std::uint32_t);
};

constexpr WordField kWordFields[] = {
    {8, &SettingsBlock::searchMode, isSearchMode},
    {12, &SettingsBlock::alwaysOnTop, isFlag},
    {16, &SettingsBlock::matchPercent, isOfferedMatchPercent},
    {20, &SettingsBlock::reserved1, anyValue},
    {24, &SettingsBlock::transparent, isFlag},
    {28, &SettingsBlock::hashEnabled, isFlag},
    {32, &SettingsBlock::batchDeleteMode, isBatchMode},
    {36, &SettingsBlock::transparencyLevel, isAlpha},
};

constexpr std::int32_t WindowPlacement::*kPlacementFields[] = {
    &WindowPlacement::length,     &WindowPlacement::flags,      &WindowPlacement::showCommand,
    &WindowPlacement::minimisedX, &WindowPlacement::minimisedY, &WindowPlacement::maximisedX,
    &WindowPlacement::maximisedY, &WindowPlacement::left,       &WindowPlacement::top,
    &WindowPlacement::right,      &WindowPlacement::bottom,
};
static_assert(std::size(kPlacementFields) * kWordSize == sizeof(WindowPlacement));

// One-byte flags: a value no menu sets is taken as 0.
constexpr std::pair<std::size_t, std::uint8_t SettingsBlock::*> kByteFlags[] = {
    {kForgetChecksumsAt, &SettingsBlock::forgetChecksums},
    {kSearchEveryFileAt, &SettingsBlock::searchEveryFile},
};

// ---- Writing -------------------------------------------------------------

void putWord(Bytes& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < kWordSize; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename T, std::size_t N>
void putBytes(Bytes& out, std::size_t at, const T (&field)[N]) {
    static_assert(sizeof(T) == 1);
    std::memcpy(out.data() + at, field, N);
}

void putPlacement(Bytes& out, const WindowPlacement& placement) {
    std::size_t at = kPlacementAt;
    for (auto member : kPlacementFields) {
        putWord(out, at, static_cast<std::uint32_t>(placement.*member));
        at += kWordSize;
    }
}

// ---- Reading -------------------------------------------------------------
// A field is taken only when the bytes reach all of it; otherwise it keeps
// its default.

bool reaches(const Bytes& in, std::size_t at, std::size_t size) { return in.size() >= at + size; }

std::uint32_t wordAt(const Bytes& in, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < kWordSize; ++i) value |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
    return value;
}

void takeWords(const Bytes& in, SettingsBlock& block) {
    for (const WordField& field : kWordFields) {
        if (!reaches(in, field.offset, kWordSize)) continue;
        std::uint32_t value = wordAt(in, field.offset);
        if (field.accepts(value)) block.*field.member = value;
    }
}

template <typename T, std::size_t N>
bool takeBytes(const Bytes& in, std::size_t at, T (&field)[N]) {
    static_assert(sizeof(T) == 1);
    if (!reaches(in, at, N)) return false;
    std::memcpy(field, in.data() + at, N);
    return true;
}

// A text ends within its field, so no reader runs past it.
template <std::size_t N>
void takeText(const Bytes& in, std::size_t at, char (&field)[N]) {
    if (takeBytes(in, at, field) && !std::memchr(field, '\0', N)) field[N - 1] = '\0';
}

void takePlacement(const Bytes& in, WindowPlacement& placement) {
    if (!reaches(in, kPlacementAt, sizeof(WindowPlacement))) return;
    std::size_t at = kPlacementAt;
    for (auto member : kPlacementFields) {
        placement.*member = static_cast<std::int32_t>(wordAt(in, at));
        at += kWordSize;
    }
}

// ---- The file ------------------------------------------------------------

std::string settingsPath(const AppState& state) { return state.dataFolder + kSettingsFileName; }

// The platform opens regular files only, so a folder or a pipe in the file's
// place counts as no file instead of blocking or failing later.
bool readSettingsFile(const std::string& path, Bytes& bytes) {
    platform::File file = platform::openForReading(path.c_str());
    if (!file.isOpen()) return false;
    bytes.resize(kSettingsFileSize);
    bytes.resize(platform::readFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return true;
}

// The stored head is the start of a longer text, not a text of its own: a
// path of 96 characters or more keeps all 96 and has no NUL here.
void storeCurrentFileHead(AppState& state) {
    const std::string current = state.currentFile.get();
    char (&head)[sizeof(SettingsBlock::currentFileHead)] = state.settings.currentFileHead;
    std::memset(head, 0, sizeof head);
    std::memcpy(head, current.data(), std::min(current.size(), sizeof head));
}

}  // namespace

void applyDefaultSettings(SettingsBlock& block) {
    block = SettingsBlock{};
    block.searchMode = search_mode::kFile;
    block.alwaysOnTop = 0;
    block.matchPercent = kDefaultMatchPercent;
    block.hashEnabled = 1;
    block.transparencyLevel = kDefaultTransparencyLevel;
}

std::vector<std::uint8_t> encodeSettings(const SettingsBlock& block) {
    Bytes out(kSettingsFileSize, 0);
    std::memcpy(out.data(), kSettingsMagic, kMagicSize);
    for (const WordField& field : kWordFields) putWord(out, field.offset, block.*field.member);
    for (const auto& [at, member] : kByteFlags) out[at] = block.*member;
    putBytes(out, kReservedBytesAt, block.reserved2);
    putBytes(out, kMoveDirAt, block.moveDir);
    putPlacement(out, block.placement);
    putBytes(out, kPathAAt, block.pathA);
    putBytes(out, kPathBAt, block.pathB);
    putBytes(out, kCurrentFileHeadAt, block.currentFileHead);
    return out;
}

// The magic is not checked: a file of an older version reads the same way.
SettingsBlock decodeSettings(const std::vector<std::uint8_t>& bytes) {
    SettingsBlock block;
    applyDefaultSettings(block);
    takeWords(bytes, block);
    for (const auto& [at, member] : kByteFlags)
        if (reaches(bytes, at, 1) && bytes[at] <= 1) block.*member = bytes[at];
    takeBytes(bytes, kReservedBytesAt, block.reserved2);
    takeText(bytes, kMoveDirAt, block.moveDir);
    takePlacement(bytes, block.placement);
    takeText(bytes, kPathAAt, block.pathA);
    takeText(bytes, kPathBAt, block.pathB);
    takeBytes(bytes, kCurrentFileHeadAt, block.currentFileHead);
    return block;
}

void keepPathEdits(SettingsBlock& block, const std::string& editA, const std::string& editB) {
    auto keep = [](char (&field)[kTextBuffer], const std::string& path) {
        copyToField(field, sizeof field, fitsField(path, sizeof field) ? path : std::string());
    };
    keep(block.pathA, editA);
    keep(block.pathB, editB);
}

bool placementLooksUsable(const WindowPlacement& placement) {
    return placement.length == static_cast<std::int32_t>(sizeof(WindowPlacement)) &&
           placement.right > placement.left && placement.bottom > placement.top;
}

bool loadSettings(AppState& state) {
    Bytes bytes;
    const bool opened = readSettingsFile(settingsPath(state), bytes);
    if (opened)
        state.settings = decodeSettings(bytes);
    else
        applyDefaultSettings(state.settings);
    state.currentFile.set(fieldText(state.settings.currentFileHead, sizeof state.settings.currentFileHead));
    return !opened;
}

bool saveSettings(AppState& state) {
    storeCurrentFileHead(state);
    const std::string path = settingsPath(state);
    const std::string temporary = state.dataFolder + kSettingsTempFileName;
    const Bytes encoded = encodeSettings(state.settings);
    return platform::replaceWithWholeFile(temporary.c_str(), path.c_str(), {{encoded.data(), encoded.size()}});
}

}  // namespace core
