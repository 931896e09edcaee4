#include "core/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace core {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing_support::TempFolder;

// The file mirrors the block byte for byte on a little-endian machine, which
// lets one table name every field both ways. All our targets are.
static_assert(std::endian::native == std::endian::little);

struct Field {
    const char* name;
    std::size_t fileOffset;
    std::size_t memberOffset;
    std::size_t size;
};
#define SETTINGS_FIELD(member, at) Field{#member, at, offsetof(SettingsBlock, member), sizeof(SettingsBlock::member)}
const Field kFields[] = {
    SETTINGS_FIELD(searchMode, 8),        SETTINGS_FIELD(alwaysOnTop, 12),
    SETTINGS_FIELD(matchPercent, 16),     SETTINGS_FIELD(reserved1, 20),
    SETTINGS_FIELD(transparent, 24),      SETTINGS_FIELD(hashEnabled, 28),
    SETTINGS_FIELD(batchDeleteMode, 32),  SETTINGS_FIELD(transparencyLevel, 36),
    SETTINGS_FIELD(forgetChecksums, 40),  SETTINGS_FIELD(searchEveryFile, 41),
    SETTINGS_FIELD(reserved2, 42),        SETTINGS_FIELD(moveDir, 68),
    SETTINGS_FIELD(placement, 668),       SETTINGS_FIELD(pathA, 712),
    SETTINGS_FIELD(pathB, 1312),          SETTINGS_FIELD(currentFileHead, 1912),
};
#undef SETTINGS_FIELD

const std::uint8_t* memberBytes(const SettingsBlock& block, const Field& field) {
    return reinterpret_cast<const std::uint8_t*>(&block) + field.memberOffset;
}

bool sameField(const SettingsBlock& a, const SettingsBlock& b, const Field& field) {
    return std::memcmp(memberBytes(a, field), memberBytes(b, field), field.size) == 0;
}

void copyField(const SettingsBlock& from, SettingsBlock& to, const Field& field) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(&to) + field.memberOffset, memberBytes(from, field), field.size);
}

void putWordAt(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

SettingsBlock defaults() {
    SettingsBlock block;
    applyDefaultSettings(block);
    return block;
}

// Every field away from its default, with values the menus can set.
SettingsBlock distinctBlock() {
    SettingsBlock block;
    block.searchMode = search_mode::kQuickDir;
    block.alwaysOnTop = 1;
    block.matchPercent = 97;
    block.reserved1 = 0xA1B2C3D4;
    block.transparent = 1;
    block.hashEnabled = 0;
    block.batchDeleteMode = batch_mode::kMove;
    block.transparencyLevel = 200;
    block.forgetChecksums = 1;
    block.searchEveryFile = 1;
    for (std::size_t i = 0; i < sizeof block.reserved2; ++i) block.reserved2[i] = static_cast<std::uint8_t>(0xE0 + i);
    copyToField(block.moveDir, sizeof block.moveDir, "D:\\moved\\");
    block.placement = {44, 2, 3, -10, -20, 30, 40, 100, 120, 620, 520};
    copyToField(block.pathA, sizeof block.pathA, "C:\\data\\a.bin");
    copyToField(block.pathB, sizeof block.pathB, "C:\\data\\b.bin");
    copyToField(block.currentFileHead, sizeof block.currentFileHead, "C:\\data\\current.bin");
    return block;
}

std::string dataFolderOf(const TempFolder& folder) { return folder.path() + platform::kPathSeparator; }

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loads the given file content into a fresh state.
struct Loaded {
    bool noFile;
    SettingsBlock block;
    std::string currentFile;
};
Loaded loadFrom(const TempFolder& folder, const Bytes& content) {
    writeBytes(folder.pathOf(kSettingsFileName), content);
    AppState state;
    state.dataFolder = dataFolderOf(folder);
    bool noFile = loadSettings(state);
    return {noFile, state.settings, state.currentFile.get()};
}

// What the batch menu offers: recycle, delete, move, replace with a link.
const std::uint32_t kBatchModes[] = {batch_mode::kRecycle, batch_mode::kDelete, batch_mode::kMove, batch_mode::kLink};

bool isOfferedOption(const SettingsBlock& block) {
    const std::uint32_t offered[] = {50, 75, 90, 95, 96, 97, 98, 99, 100};
    return block.searchMode <= 2 && block.alwaysOnTop <= 1 && block.transparent <= 1 && block.hashEnabled <= 1 &&
           std::find(std::begin(kBatchModes), std::end(kBatchModes), block.batchDeleteMode) != std::end(kBatchModes) &&
           block.transparencyLevel <= 255 && block.forgetChecksums <= 1 && block.searchEveryFile <= 1 &&
           std::find(std::begin(offered), std::end(offered), block.matchPercent) != std::end(offered);
}

bool textsEndInTheirFields(const SettingsBlock& block) {
    return std::memchr(block.moveDir, 0, sizeof block.moveDir) && std::memchr(block.pathA, 0, sizeof block.pathA) &&
           std::memchr(block.pathB, 0, sizeof block.pathB);
}

TEST(SettingsLayout, EveryFieldIsWrittenAtItsOffset) {
    const SettingsBlock block = distinctBlock();
    const Bytes bytes = encodeSettings(block);
    ASSERT_EQ(bytes.size(), kSettingsFileSize);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "PAIR1300");
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        EXPECT_EQ(std::memcmp(bytes.data() + field.fileOffset, memberBytes(block, field), field.size), 0);
    }
    // Little-endian, spelled out for a word and a negative placement field.
    EXPECT_EQ(Bytes(bytes.begin() + 20, bytes.begin() + 24), (Bytes{0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(Bytes(bytes.begin() + 680, bytes.begin() + 684), (Bytes{0xF6, 0xFF, 0xFF, 0xFF}));
}

TEST(SettingsLayout, EveryFieldIsReadFromItsOffset) {
    const SettingsBlock source = distinctBlock();
    Bytes bytes(kSettingsFileSize, 0);
    for (const Field& field : kFields) std::memcpy(bytes.data() + field.fileOffset, memberBytes(source, field), field.size);
    const SettingsBlock decoded = decodeSettings(bytes);
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        EXPECT_TRUE(sameField(decoded, source, field));
    }
}

TEST(SettingsDefaults, AreTheMenuDefaultsAndNothingElse) {
    const SettingsBlock block = defaults();
    EXPECT_EQ(block.searchMode, search_mode::kFile);
    EXPECT_EQ(block.alwaysOnTop, 0u);
    EXPECT_EQ(block.matchPercent, 95u);
    EXPECT_EQ(block.transparent, 0u);
    EXPECT_EQ(block.hashEnabled, 1u);
    EXPECT_EQ(block.batchDeleteMode, batch_mode::kRecycle);
    EXPECT_EQ(block.transparencyLevel, 75u);
    EXPECT_EQ(fieldText(block.moveDir, sizeof block.moveDir), "");
    EXPECT_EQ(fieldText(block.pathA, sizeof block.pathA), "");
    EXPECT_FALSE(placementLooksUsable(block.placement));
    EXPECT_EQ(decodeSettings({}).matchPercent, 95u);
}

TEST(SettingsLoad, NoReadableFileGivesDefaultsOverWhateverWasThere) {
    struct Case {
        const char* name;
        void (*prepare)(const TempFolder&);
        const char* dataSubfolder;
    };
    const Case cases[] = {
        {"no file", [](const TempFolder&) {}, ""},
        {"no data folder", [](const TempFolder&) {}, "missing/"},
        {"a folder in its place", [](const TempFolder& f) { f.makeFolder(kSettingsFileName); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        c.prepare(folder);
        AppState state;
        state.settings = distinctBlock();
        state.dataFolder = dataFolderOf(folder) + c.dataSubfolder;
        EXPECT_TRUE(loadSettings(state));
        const SettingsBlock expected = defaults();
        EXPECT_EQ(std::memcmp(&state.settings, &expected, sizeof expected), 0);
        EXPECT_EQ(state.currentFile.get(), "");
    }
}

TEST(SettingsSave, RoundTripKeepsEveryByteOfTheBlock) {
    TempFolder folder;
    AppState saved;
    saved.dataFolder = dataFolderOf(folder);
    saved.settings = distinctBlock();
    // Bytes after a text's NUL are kept as well: the block goes back as it came.
    saved.settings.pathB[500] = 'z';
    saved.currentFile.set("C:\\data\\now.bin");
    ASSERT_TRUE(saveSettings(saved));
    EXPECT_EQ(fieldText(saved.settings.currentFileHead, 96), "C:\\data\\now.bin");

    const Bytes file = readBytes(folder.pathOf(kSettingsFileName));
    EXPECT_EQ(file, encodeSettings(saved.settings));
    EXPECT_FALSE(fs::exists(fs::u8path(folder.pathOf(kSettingsTempFileName))));

    AppState loaded;
    loaded.dataFolder = saved.dataFolder;
    EXPECT_FALSE(loadSettings(loaded));
    EXPECT_EQ(std::memcmp(&loaded.settings, &saved.settings, sizeof saved.settings), 0);
    EXPECT_EQ(loaded.currentFile.get(), "C:\\data\\now.bin");
}

TEST(SettingsSave, ForeignFileIsWrittenBackUnchanged) {
    TempFolder folder;
    Bytes original = encodeSettings(distinctBlock());
    std::memcpy(original.data(), "PAIR1200", 8);
    const std::uint8_t tail[] = "tail after the NUL";
    std::memcpy(original.data() + 68 + 300, tail, sizeof tail);
    writeBytes(folder.pathOf(kSettingsFileName), original);

    AppState state;
    state.dataFolder = dataFolderOf(folder);
    ASSERT_FALSE(loadSettings(state));
    ASSERT_TRUE(saveSettings(state));
    Bytes expected = original;
    std::memcpy(expected.data(), "PAIR1300", 8);
    EXPECT_EQ(readBytes(folder.pathOf(kSettingsFileName)), expected);
}

TEST(SettingsSave, CurrentFileKeepsItsFirst96Characters) {
    TempFolder folder;
    AppState saved;
    saved.dataFolder = dataFolderOf(folder);
    const std::string longPath = "C:\\" + std::string(150, 'q');
    saved.currentFile.set(longPath);
    ASSERT_TRUE(saveSettings(saved));
    AppState loaded;
    loaded.dataFolder = saved.dataFolder;
    ASSERT_FALSE(loadSettings(loaded));
    EXPECT_EQ(loaded.currentFile.get(), longPath.substr(0, 96));
}

TEST(SettingsLoad, ShortFileTakesOnlyTheFieldsItReachesWhole) {
    const SettingsBlock source = distinctBlock();
    const Bytes full = encodeSettings(source);
    TempFolder folder;
    for (std::size_t length : {0u, 7u, 8u, 11u, 12u, 40u, 67u, 100u, 700u, 711u, 712u, 1311u, 2007u, 2008u}) {
        SCOPED_TRACE("length " + std::to_string(length));
        SettingsBlock expected = defaults();
        for (const Field& field : kFields)
            if (field.fileOffset + field.size <= length) copyField(source, expected, field);
        const Loaded loaded = loadFrom(folder, Bytes(full.begin(), full.begin() + length));
        EXPECT_FALSE(loaded.noFile);
        for (const Field& field : kFields) {
            SCOPED_TRACE(field.name);
            EXPECT_TRUE(sameField(loaded.block, expected, field));
        }
        EXPECT_EQ(loaded.currentFile, fieldText(expected.currentFileHead, 96));
    }
}

TEST(SettingsLoad, HeaderIsNotEnforced) {
    const SettingsBlock source = distinctBlock();
    TempFolder folder;
    for (const char* magic : {"PAIR1200", "PAIR1300", "garbage!", "\0\0\0\0\0\0\0"}) {
        SCOPED_TRACE(magic);
        Bytes bytes = encodeSettings(source);
        std::memcpy(bytes.data(), magic, 8);
        const Loaded loaded = loadFrom(folder, bytes);
        EXPECT_FALSE(loaded.noFile);
        EXPECT_EQ(std::memcmp(&loaded.block, &source, sizeof source), 0);
    }
}

TEST(SettingsLoad, ValuesNoMenuCanSetFallBackFieldByField) {
    struct Case {
        std::size_t offset;
        std::uint32_t SettingsBlock::*member;
        std::uint32_t stored;
        std::uint32_t expected;
    };
    const std::uint32_t kHuge = 0xFFFFFFFF;
    const Case cases[] = {
        {8, &SettingsBlock::searchMode, 3, 0},          {8, &SettingsBlock::searchMode, kHuge, 0},
        {8, &SettingsBlock::searchMode, 1, 1},          {12, &SettingsBlock::alwaysOnTop, 2, 0},
        {12, &SettingsBlock::alwaysOnTop, 0, 0},        {16, &SettingsBlock::matchPercent, 0, 95},
        {16, &SettingsBlock::matchPercent, 49, 95},     {16, &SettingsBlock::matchPercent, 51, 95},
        {16, &SettingsBlock::matchPercent, 94, 95},     {16, &SettingsBlock::matchPercent, 101, 95},
        {16, &SettingsBlock::matchPercent, 50, 50},     {16, &SettingsBlock::matchPercent, 75, 75},
        {16, &SettingsBlock::matchPercent, 90, 90},     {16, &SettingsBlock::matchPercent, 96, 96},
        {16, &SettingsBlock::matchPercent, 98, 98},     {16, &SettingsBlock::matchPercent, 99, 99},
        {16, &SettingsBlock::matchPercent, 100, 100},   {20, &SettingsBlock::reserved1, kHuge, kHuge},
        {24, &SettingsBlock::transparent, 2, 0},        {28, &SettingsBlock::hashEnabled, 2, 1},
        {28, &SettingsBlock::hashEnabled, kHuge, 1},    {32, &SettingsBlock::batchDeleteMode, 4, 0},
        {32, &SettingsBlock::batchDeleteMode, 3, 3},    {36, &SettingsBlock::transparencyLevel, 256, 75},
        {36, &SettingsBlock::transparencyLevel, kHuge, 75}, {36, &SettingsBlock::transparencyLevel, 0, 0},
        {36, &SettingsBlock::transparencyLevel, 255, 255},
    };
    const SettingsBlock source = distinctBlock();
    for (const Case& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + " value " + std::to_string(c.stored));
        Bytes bytes = encodeSettings(source);
        putWordAt(bytes, c.offset, c.stored);
        const SettingsBlock decoded = decodeSettings(bytes);
        EXPECT_EQ(decoded.*c.member, c.expected);
        // Only the bad field falls back; its neighbours keep what was stored.
        for (const Field& field : kFields) {
            if (field.fileOffset == c.offset) continue;
            EXPECT_TRUE(sameField(decoded, source, field)) << field.name;
        }
    }
}

// The two option bytes taken from the reserved ones: a file of an older
// version holds 0 there, which remembers checksums and keeps the limit.
TEST(SettingsLoad, OptionBytesTakeOnlyWhatTheMenuSets) {
    const struct {
        std::size_t offset;
        std::uint8_t SettingsBlock::*member;
        std::uint8_t stored;
        std::uint8_t expected;
    } cases[] = {
        {40, &SettingsBlock::forgetChecksums, 0, 0}, {40, &SettingsBlock::forgetChecksums, 1, 1},
        {40, &SettingsBlock::forgetChecksums, 2, 0}, {41, &SettingsBlock::searchEveryFile, 1, 1},
        {41, &SettingsBlock::searchEveryFile, 0xFF, 0},
    };
    for (const auto& c : cases) {
        Bytes bytes = encodeSettings(defaults());
        bytes[c.offset] = c.stored;
        EXPECT_EQ(decodeSettings(bytes).*c.member, c.expected) << c.offset << " holding " << int(c.stored);
    }
}

TEST(SettingsLoad, TextWithoutNulIsCutAtTheEndOfItsField) {
    struct Case {
        const char* name;
        std::size_t offset;
        const char* (*text)(const SettingsBlock&);
    };
    const Case cases[] = {
        {"moveDir", 68, [](const SettingsBlock& b) -> const char* { return b.moveDir; }},
        {"pathA", 712, [](const SettingsBlock& b) -> const char* { return b.pathA; }},
        {"pathB", 1312, [](const SettingsBlock& b) -> const char* { return b.pathB; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = encodeSettings(distinctBlock());
        std::memset(bytes.data() + c.offset, 'x', kTextBuffer);
        const SettingsBlock decoded = decodeSettings(bytes);
        EXPECT_EQ(c.text(decoded)[kTextBuffer - 1], '\0');
        EXPECT_EQ(fieldText(c.text(decoded), kTextBuffer), std::string(kTextBuffer - 1, 'x'));
    }
}

TEST(SettingsLoad, PlacementIsReadAsItIs) {
    const WindowPlacement placements[] = {
        {},
        {44, 0, 1, -1, -1, -1, -1, -3000, -200, -2480, 200},
        {12345, -1, 99, 1, 2, 3, 4, 500, 500, 10, 10},
    };
    for (const WindowPlacement& placement : placements) {
        SettingsBlock block = distinctBlock();
        block.placement = placement;
        const SettingsBlock decoded = decodeSettings(encodeSettings(block));
        EXPECT_EQ(std::memcmp(&decoded.placement, &placement, sizeof placement), 0);
    }
}

TEST(SettingsPlacement, OnlyAPlausibleRecordLooksUsable) {
    struct Case {
        const char* name;
        WindowPlacement placement;
        bool usable;
    };
    const Case cases[] = {
        {"all zero", {}, false},
        {"normal", {44, 0, 1, -1, -1, -1, -1, 100, 120, 620, 520}, true},
        {"left of the main screen", {44, 0, 1, 0, 0, 0, 0, -1500, 100, -900, 600}, true},
        {"wrong length", {40, 0, 1, 0, 0, 0, 0, 100, 120, 620, 520}, false},
        {"no width", {44, 0, 1, 0, 0, 0, 0, 100, 120, 100, 520}, false},
        {"upside down", {44, 0, 1, 0, 0, 0, 0, 100, 520, 620, 120}, false},
        {"length only", {44, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(placementLooksUsable(c.placement), c.usable) << c.name;
}

TEST(SettingsSave, FailedWriteKeepsTheOldFile) {
    struct Case {
        const char* name;
        const char* dataSubfolder;
        // Makes the write fail before the old file could be touched.
        void (*sabotage)(const TempFolder&);
    };
    const Case cases[] = {
        {"data folder missing", "missing/", [](const TempFolder&) {}},
        {"temporary name taken by a folder", "",
         [](const TempFolder& f) { f.makeFolder(kSettingsTempFileName); }},
    };
    const Bytes old = encodeSettings(distinctBlock());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        writeBytes(folder.pathOf(kSettingsFileName), old);
        c.sabotage(folder);
        AppState state;
        state.dataFolder = dataFolderOf(folder) + c.dataSubfolder;
        state.settings = defaults();
        EXPECT_FALSE(saveSettings(state));
        EXPECT_EQ(readBytes(folder.pathOf(kSettingsFileName)), old);
        EXPECT_FALSE(fs::exists(fs::u8path(folder.pathOf("missing"))));
    }
}

TEST(SettingsSave, FailedReplaceRemovesTheTemporaryFile) {
    TempFolder folder;
    folder.write(std::string(kSettingsFileName) + "/keep", "x");
    AppState state;
    state.dataFolder = dataFolderOf(folder);
    state.settings = defaults();
    EXPECT_FALSE(saveSettings(state));
    EXPECT_FALSE(fs::exists(fs::u8path(folder.pathOf(kSettingsTempFileName))));
    EXPECT_TRUE(fs::is_directory(fs::u8path(folder.pathOf(kSettingsFileName))));
}

// Random files, some of them mangled settings files: the loader never runs
// past its input, every option is one the menus offer, every text ends in its
// field, and what it read is a fixed point of writing and reading again.
TEST(SettingsLoad, GarbageNeverYieldsAnOptionNoMenuCanSet) {
    TempFolder folder;
    std::mt19937 random(20261207);
    const Bytes valid = encodeSettings(distinctBlock());
    int keptSearchMode = 0;
    std::map<std::uint32_t, int> loadedBatchModes;
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 4096)(random);
        Bytes bytes(length);
        const bool mangled = round % 2 == 0;
        for (std::size_t i = 0; i < length; ++i) bytes[i] = mangled && i < valid.size() ? valid[i] : random() & 0xFF;
        // Every batch mode and the two values past the last, which random
        // bytes would all but never give.
        if (mangled && length >= 36)
            putWordAt(bytes, 32, std::uniform_int_distribution<std::uint32_t>(0, batch_mode::kLink + 2)(random));
        for (int flips = mangled ? 8 : 0; flips > 0 && length > 0; --flips)
            bytes[random() % length] = static_cast<std::uint8_t>(random());

        const Loaded loaded = loadFrom(folder, bytes);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_FALSE(loaded.noFile);
        ASSERT_TRUE(isOfferedOption(loaded.block));
        ASSERT_TRUE(textsEndInTheirFields(loaded.block));
        ASSERT_LE(loaded.currentFile.size(), 96u);
        const SettingsBlock again = decodeSettings(encodeSettings(loaded.block));
        ASSERT_EQ(std::memcmp(&again, &loaded.block, sizeof again), 0);
        if (loaded.block.searchMode == search_mode::kQuickDir) ++keptSearchMode;
        ++loadedBatchModes[loaded.block.batchDeleteMode];
    }
    // The mangled files must have exercised the reading of real values,
    // every batch mode among them.
    EXPECT_GT(keptSearchMode, 100);
    for (std::uint32_t mode : kBatchModes) EXPECT_GT(loadedBatchModes[mode], 100) << "batch mode " << mode;
}

// A path that fits its 600-byte field is kept whole; a longer one is not
// kept at all, and never cut, whatever the field held before.
TEST(SettingsPaths, EditsAreKeptWholeOrNotAtAll) {
    const std::string fits(599, 'a'), tooLong(600, 'b');
    const std::pair<std::string, std::string> cases[] = {{fits, fits}, {tooLong, ""}, {"", ""}};
    for (const auto& [edit, kept] : cases) {
        SettingsBlock block;
        copyToField(block.pathA, sizeof block.pathA, "C:\\earlier");
        keepPathEdits(block, edit, "C:\\b.bin");
        const SettingsBlock read = decodeSettings(encodeSettings(block));
        EXPECT_EQ(fieldText(read.pathA, sizeof read.pathA), kept) << edit.size();
        EXPECT_EQ(fieldText(read.pathB, sizeof read.pathB), "C:\\b.bin");
    }
}

}  // namespace
}  // namespace core
