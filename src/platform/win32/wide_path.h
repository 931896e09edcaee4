// Paths as the Windows calls take them. The program keeps UTF-8 texts; they
// become wide-character paths here and nowhere else.
#pragma once

#include <optional>
#include <string>

namespace platform::win32 {

// The path in the "\\?\" form (UNC paths as "\\?\UNC\"), so that the system
// neither trims a name that ends in a dot or a space nor limits the length.
// A relative path is made absolute against the current folder first. As the
// form also turns off the system's own clean-up, "/" becomes "\", repeated
// separators go and "." and ".." are resolved here, by their text.
std::wstring exactPath(const char* utf8);

// The same path as the shell's calls take it, which know no "\\?\" form:
// the plain path where it is short enough and no name in it ends in a dot or
// a space (the shell would trim it and name another item), else its short
// (8.3) form where the volume has one, else the "\\?\" form, which some
// systems' shells take and others refuse (nothing is touched then).
std::wstring shellPath(const char* utf8);

std::wstring wideOf(const char* utf8);
// nullopt when the name is not valid UTF-16 (an unpaired surrogate): it
// cannot be turned into a text that names the same item again.
std::optional<std::string> utf8Of(const wchar_t* wide);

}  // namespace platform::win32
