// The file and folder choosers of the strip and the menu.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace ui {

// The open-file dialog on a 600-byte path buffer. It starts at the file the
// buffer names when that file opens; otherwise the buffer is overwritten
// with the user's documents folder, where it starts. `filter` is in the
// dialog's double-NUL form. Returns true when a file was chosen (its full
// path is then in the buffer).
bool chooseFile(HWND owner, char* buffer, const char* filter);
// The open-file dialog in `folder`, with no file name filled in; the chosen
// path goes to the 600-byte buffer.
bool chooseFileInFolder(HWND owner, char* buffer, const char* filter, const std::string& folder);

// The shell's folder browser, `prompt` above its tree; the buffer (600
// bytes) receives the chosen folder. Returns true when one was chosen; a
// cancel leaves the buffer alone.
bool chooseFolder(HWND owner, char* buffer, const char* prompt);

constexpr char kFolderToSearchPrompt[] = "Choose the folder to search:";
constexpr char kReferenceFolderPrompt[] = "Choose the reference folder:";
constexpr char kMoveFolderPrompt[] = "Choose the folder to move files to:";

constexpr char kAllFilesFilter[] = "All Files\0*.*\0";

}  // namespace ui
