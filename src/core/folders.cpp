#include "core/folders.h"

#include "text/text.h"

namespace core {
namespace {

constexpr char kSeparator = platform::kPathSeparator;

}  // namespace

// A level that exists already, or cannot be made, is not an error: the
// settings file then simply cannot be opened and the defaults apply.
std::string userDataFolder(const FolderProbe& probe) {
    std::string folder = probe.appDataFolder() + kSeparator + kMakerFolderName;
    probe.createFolder(folder);
    folder += kSeparator;
    folder += kProductFolderName;
    probe.createFolder(folder);
    return folder + kSeparator;
}

bool FolderProbe::defaultFileOpens(const std::string& path) {
    return platform::openForReading(path.c_str()).isOpen();
}

bool FolderProbe::defaultCreateFolder(const std::string& path) {
    return platform::createFolder(path.c_str());
}

void resolveFolders(AppState& state, const FolderProbe& probe) {
    state.programFolder = text::folderOf(probe.searchProgramFile(kProgramFileName), kSeparator);
    state.dataFolder = state.programFolder;
    // A program carried on a removable drive keeps its settings with it.
    if (probe.driveTypeOf(state.programFolder.substr(0, 3)) == platform::DriveType::Removable) return;
    if (!probe.fileOpens(state.programFolder + kMarkerFileName)) return;
    state.dataFolder = userDataFolder(probe);
}

}  // namespace core
