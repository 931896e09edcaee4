// The shell's calls on the user's files, for the window: they take paths in
// forms of their own (wide_path.h), so the conversion stays here.
#pragma once

#include <string>
#include <vector>

namespace platform::win32 {

// Hands the paths to the recycle bin in one shell call with the given
// FOF_ flags. A path whose form for the shell would name another item than
// the path itself (its exact form) is left out. True unless the user
// aborted the operation.
bool recycleFiles(void* ownerWindow, const std::vector<std::string>& paths, unsigned flags);

// Opens a file, folder or address with its default program; false when
// the shell could not (nothing there, or no program for its kind).
bool openWithShell(const std::string& target);

}  // namespace platform::win32
