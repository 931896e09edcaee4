// Where the program and its settings live: the program folder is the folder
// of the program file; the settings stay beside it, unless a marker file
// "DefSet.txt" stands there and the drive is not removable, in which case
// they go to the user's application-data folder.
#pragma once

#include <functional>
#include <string>

#include "core/app_state.h"
#include "platform/platform.h"

namespace core {

constexpr char kProgramFileName[] = "Pairlook.exe";
constexpr char kMarkerFileName[] = "DefSet.txt";
constexpr char kMakerFolderName[] = "Norvelle";
constexpr char kProductFolderName[] = "Pairlook";

// What the rule asks of the system; the platform layer by default, a fake in tests.
struct FolderProbe {
    std::function<std::string(const char* fileName)> searchProgramFile = platform::searchProgramFile;
    std::function<platform::DriveType(const std::string& root)> driveTypeOf = platform::driveTypeOf;
    std::function<bool(const std::string& path)> fileOpens = defaultFileOpens;
    std::function<std::string()> appDataFolder = platform::appDataFolder;
    std::function<bool(const std::string& path)> createFolder = defaultCreateFolder;

    static bool defaultFileOpens(const std::string& path);
    static bool defaultCreateFolder(const std::string& path);
};

// Sets state.programFolder and state.dataFolder, each ending in the
// separator (or empty when the program file was not found).
void resolveFolders(AppState& state, const FolderProbe& probe = FolderProbe{});

// The per-user data folder (appData, then Norvelle, then Pairlook, each
// level created when missing), ending in the separator.
std::string userDataFolder(const FolderProbe& probe = FolderProbe{});

}  // namespace core
