#include "core/folders.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using platform::DriveType;

// Paths are written with "/" and turned into the platform's separator, so
// the same cases run natively and on Windows.
std::string native(std::string path) {
    for (char& c : path)
        if (c == '/') c = platform::kPathSeparator;
    return path;
}

// A system that answers from tables and records what it was asked.
struct FakeSystem {
    std::string programFile;                // what the search finds
    std::map<std::string, DriveType> drives;  // root -> type; others Unknown
    std::set<std::string> files;            // files that open
    std::set<std::string> folders;          // folders that exist
    std::string appData = native("C:/Users/ann/AppData/Roaming");

    std::vector<std::string> searchedNames;
    std::vector<std::string> askedRoots;
    std::vector<std::string> createdFolders;

    core::FolderProbe probe() {
        core::FolderProbe p;
        p.searchProgramFile = [this](const char* name) {
            searchedNames.push_back(name);
            return programFile;
        };
        p.driveTypeOf = [this](const std::string& root) {
            askedRoots.push_back(root);
            auto it = drives.find(root);
            return it == drives.end() ? DriveType::Unknown : it->second;
        };
        p.fileOpens = [this](const std::string& path) { return files.count(path) > 0; };
        p.appDataFolder = [this] { return appData; };
        p.createFolder = [this](const std::string& path) {
            if (!folders.insert(path).second) return false;
            createdFolders.push_back(path);
            return true;
        };
        return p;
    }
};

struct FolderCase {
    const char* name;
    const char* programFile;
    const char* root;
    DriveType drive;
    bool markerPresent;
    const char* expectedProgramFolder;
    const char* expectedDataFolder;
};

constexpr char kUserFolder[] = "C:/Users/ann/AppData/Roaming/Norvelle/Pairlook/";

class FolderRule : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderRule, ChoosesDataFolder) {
    const FolderCase& c = GetParam();
    FakeSystem system;
    system.programFile = native(c.programFile);
    system.drives[native(c.root)] = c.drive;
    if (c.markerPresent) system.files.insert(native(c.expectedProgramFolder) + "DefSet.txt");

    core::AppState state;
    core::resolveFolders(state, system.probe());

    EXPECT_EQ(system.searchedNames, std::vector<std::string>{"Pairlook.exe"});
    EXPECT_EQ(state.programFolder, native(c.expectedProgramFolder));
    EXPECT_EQ(state.dataFolder, native(c.expectedDataFolder));
    ASSERT_EQ(system.askedRoots.size(), 1u);
    EXPECT_EQ(system.askedRoots[0], native(c.root));
}

INSTANTIATE_TEST_SUITE_P(
    Startup, FolderRule,
    ::testing::Values(
        FolderCase{"RemovableWithoutMarker", "E:/Tools/Pairlook.exe", "E:/", DriveType::Removable, false,
                   "E:/Tools/", "E:/Tools/"},
        FolderCase{"RemovableWithMarker", "E:/Tools/Pairlook.exe", "E:/", DriveType::Removable, true,
                   "E:/Tools/", "E:/Tools/"},
        FolderCase{"FixedWithoutMarker", "C:/Program Files/Pairlook/Pairlook.exe", "C:/", DriveType::Fixed,
                   false, "C:/Program Files/Pairlook/", "C:/Program Files/Pairlook/"},
        FolderCase{"FixedWithMarker", "C:/Program Files/Pairlook/Pairlook.exe", "C:/", DriveType::Fixed, true,
                   "C:/Program Files/Pairlook/", kUserFolder},
        FolderCase{"NetworkDriveLetterWithoutMarker", "N:/apps/Pairlook.exe", "N:/", DriveType::Remote, false,
                   "N:/apps/", "N:/apps/"},
        // A share path has no drive letter: its first three characters are
        // not a removable drive, so the marker decides.
        FolderCase{"ShareWithoutMarker", "//server/share/Pairlook.exe", "//s", DriveType::Unknown, false,
                   "//server/share/", "//server/share/"},
        FolderCase{"ShareWithMarker", "//server/share/Pairlook.exe", "//s", DriveType::Unknown, true,
                   "//server/share/", kUserFolder}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(FolderResolution, MarkerCreatesBothFolderLevelsWhenMissing) {
    FakeSystem system;
    system.programFile = native("C:/Tools/Pairlook.exe");
    system.drives[native("C:/")] = DriveType::Fixed;
    system.files.insert(native("C:/Tools/DefSet.txt"));

    core::AppState state;
    core::resolveFolders(state, system.probe());

    std::vector<std::string> expected{native("C:/Users/ann/AppData/Roaming/Norvelle"),
                                      native("C:/Users/ann/AppData/Roaming/Norvelle/Pairlook")};
    EXPECT_EQ(system.createdFolders, expected);
    EXPECT_EQ(state.dataFolder, native(kUserFolder));
}

TEST(FolderResolution, MarkerReusesExistingFolders) {
    FakeSystem system;
    system.programFile = native("C:/Tools/Pairlook.exe");
    system.drives[native("C:/")] = DriveType::Fixed;
    system.files.insert(native("C:/Tools/DefSet.txt"));
    system.folders = {native("C:/Users/ann/AppData/Roaming/Norvelle"),
                      native("C:/Users/ann/AppData/Roaming/Norvelle/Pairlook")};

    core::AppState state;
    core::resolveFolders(state, system.probe());

    EXPECT_TRUE(system.createdFolders.empty());
    EXPECT_EQ(state.dataFolder, native(kUserFolder));
}

TEST(FolderResolution, NoMarkerCreatesNoFolder) {
    FakeSystem system;
    system.programFile = native("C:/Tools/Pairlook.exe");
    system.drives[native("C:/")] = DriveType::Fixed;

    core::AppState state;
    core::resolveFolders(state, system.probe());

    EXPECT_TRUE(system.createdFolders.empty());
}

TEST(FolderResolution, ProgramFileNotFoundLeavesFoldersEmpty) {
    FakeSystem system;  // the search finds nothing

    core::AppState state;
    state.programFolder = "stale";
    state.dataFolder = "stale";
    core::resolveFolders(state, system.probe());

    EXPECT_EQ(state.programFolder, "");
    EXPECT_EQ(state.dataFolder, "");
}

TEST(FolderResolution, ProgramFileNotFoundWithMarkerInCurrentFolder) {
    // With no program folder the marker is looked up by its bare name.
    FakeSystem system;
    system.files.insert("DefSet.txt");

    core::AppState state;
    core::resolveFolders(state, system.probe());

    EXPECT_EQ(state.programFolder, "");
    EXPECT_EQ(state.dataFolder, native(kUserFolder));
}

}  // namespace
