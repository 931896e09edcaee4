#include "ui/choosers.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "core/app_state.h"
#include "resource_ids.h"

namespace ui {
namespace {

// A test open without sharing, closed at once.
bool namesOpenableFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool showOpenFileDialog(HWND owner, char* buffer, const char* filter, const char* folder) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = static_cast<DWORD>(core::kTextBuffer);
    dialog.lpstrInitialDir = folder;
    dialog.lpstrTitle = PAIRLOOK_TITLE;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    return GetOpenFileNameA(&dialog) != 0;
}

}  // namespace

bool chooseFile(HWND owner, char* buffer, const char* filter) {
    if (!namesOpenableFile(buffer)) {
        char documents[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE)) documents[0] = '\0';
        core::copyToField(buffer, core::kTextBuffer, documents);
    }
    return showOpenFileDialog(owner, buffer, filter, nullptr);
}

bool chooseFileInFolder(HWND owner, char* buffer, const char* filter, const std::string& folder) {
    buffer[0] = '\0';
    return showOpenFileDialog(owner, buffer, filter, folder.empty() ? nullptr : folder.c_str());
}

bool chooseFolder(HWND owner, char* buffer, const char* prompt) {
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = prompt;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return false;
    // The shell writes at most MAX_PATH bytes, well inside the 600 of the buffer.
    char path[MAX_PATH] = {};
    bool named = SHGetPathFromIDListA(chosen, path) != 0;
    CoTaskMemFree(chosen);
    if (!named) return false;
    core::copyToField(buffer, core::kTextBuffer, path);
    return true;
}

}  // namespace ui
