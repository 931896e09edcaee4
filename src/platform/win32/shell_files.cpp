#include "platform/win32/shell_files.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/platform.h"
#include "platform/win32/wide_path.h"

namespace platform::win32 {
namespace {

// The item a path in the shell's form names, as the system reads that form.
bool identityOfShellForm(const std::wstring& form, FileIdentity& identity) {
    HANDLE item = CreateFileW(form.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(item, &info) != 0;
    CloseHandle(item);
    if (known)
        identity = {info.dwVolumeSerialNumber,
                    (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return known;
}

// The shell's form of the path, when the system reads it as the same item.
bool shellFormNamesIt(const std::string& path, std::wstring& form) {
    form = shellPath(path.c_str());
    FileIdentity exact, shell;
    return identityOfPath(path.c_str(), exact) && identityOfShellForm(form, shell) && exact == shell;
}

}  // namespace

bool recycleFiles(void* ownerWindow, const std::vector<std::string>& paths, unsigned flags) {
    // The shell's list form: each path with its NUL, and one more at the end.
    std::wstring list;
    for (const std::string& path : paths) {
        std::wstring form;
        if (shellFormNamesIt(path, form)) list.append(form).push_back(L'\0');
    }
    if (list.empty()) return true;
    list.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = static_cast<HWND>(ownerWindow);
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = static_cast<FILEOP_FLAGS>(flags);
    SHFileOperationW(&operation);
    return !operation.fAnyOperationsAborted;
}

bool openWithShell(const std::string& target) {
    // An address or a path that names nothing is handed over as it is.
    FileIdentity identity;
    std::wstring form = identityOfPath(target.c_str(), identity) ? shellPath(target.c_str()) : wideOf(target.c_str());
    constexpr INT_PTR kLastFailure = 32;  // ShellExecute's results up to 32 are failures
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, form.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
           kLastFailure;
}

}  // namespace platform::win32
