#include "platform/win32/wide_path.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {
namespace {

const std::wstring kExactPrefix = L"\\\\?\\";
const std::wstring kExactUncPrefix = L"\\\\?\\UNC\\";

bool startsWith(const std::wstring& text, const std::wstring& start) { return text.rfind(start, 0) == 0; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool isDriveAbsolute(const std::wstring& path) {
    return path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
}

std::wstring currentFolder() {
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    length = GetCurrentDirectoryW(length, folder.data());
    folder.resize(length);
    return folder;
}

// The system's full path of `path`, cleaned up as the system cleans up a
// path it is given; empty when it has none.
std::wstring systemFullPath(const std::wstring& path) {
    DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length != 0) length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    return full;
}

// "\\.\" and "\\?\" written with either separator: a device path, which
// the system cleans up itself unless it is exactly "\\?\".
bool isDevicePath(const std::wstring& path) {
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    return path.size() >= 4 && separator(path[0]) && separator(path[1]) && (path[2] == L'.' || path[2] == L'?') &&
           separator(path[3]);
}

// The root of a path the system gave ("C:" or "\\server\share").
std::wstring rootOf(const std::wstring& absolute) {
    if (!startsWith(absolute, L"\\\\")) return absolute.substr(0, 2);
    std::size_t server = absolute.find(L'\\', 2);
    std::size_t share = server == std::wstring::npos ? server : absolute.find(L'\\', server + 1);
    return absolute.substr(0, share);
}

// A relative, root-relative ("\x") or drive-relative ("C:x") path made
// absolute against the current folder, without the system's clean-up,
// which would trim names. "D:x" is relative to D's own current folder: the
// process's where it lies on D, else the one the command prompt left for D,
// else D's root, as the system has it; only "D:" goes through its clean-up.
std::wstring absoluteOf(const std::wstring& path) {
    if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':') {
        const std::wstring folder = systemFullPath(path.substr(0, 2));
        return (folder.empty() ? path.substr(0, 2) : folder) + L"\\" + path.substr(2);
    }
    const std::wstring here = currentFolder();
    if (!path.empty() && path[0] == L'\\') return rootOf(here) + path;
    return here + L"\\" + path;
}

// The names of `rest` with "." dropped, ".." taking its parent away (never
// one of the first `rootNames`, which make the root) and empty names between
// repeated separators gone.
std::wstring resolvedNames(const std::wstring& rest, std::size_t rootNames = 0) {
    std::vector<std::wstring> names;
    std::size_t at = 0;
    while (at <= rest.size()) {
        std::size_t end = rest.find(L'\\', at);
        if (end == std::wstring::npos) end = rest.size();
        std::wstring name = rest.substr(at, end - at);
        if (name == L"..") {
            if (names.size() > rootNames) names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(std::move(name));
        }
        at = end + 1;
    }
    std::wstring joined;
    for (const std::wstring& name : names) {
        if (!joined.empty()) joined += L'\\';
        joined += name;
    }
    return joined;
}

// The path without its "\\?\" form.
std::wstring plainOf(const std::wstring& exact) {
    if (startsWith(exact, kExactUncPrefix)) return L"\\\\" + exact.substr(kExactUncPrefix.size());
    if (startsWith(exact, kExactPrefix)) return exact.substr(kExactPrefix.size());
    return exact;
}

// The shell trims a name that ends in a dot or a space, and the classic
// calls stop at MAX_PATH.
bool shellTakesAsItIs(const std::wstring& plain) {
    if (plain.empty() || plain.size() >= MAX_PATH) return false;
    for (std::size_t at = 0; at < plain.size(); ++at) {
        const bool endOfName = at + 1 == plain.size() || plain[at + 1] == L'\\';
        if (endOfName && (plain[at] == L'.' || plain[at] == L' ')) return false;
    }
    return true;
}

// Empty where the volume keeps no short names.
std::wstring shortFormOf(const std::wstring& exact) {
    DWORD length = GetShortPathNameW(exact.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring shortForm(length, L'\0');
    length = GetShortPathNameW(exact.c_str(), shortForm.data(), length);
    shortForm.resize(length);
    return shortForm;
}

}  // namespace

std::wstring wideOf(const char* utf8) {
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::optional<std::string> utf8Of(const wchar_t* wide) {
    int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, text.data(), length, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(length - 1));
    return text;
}

std::wstring exactPath(const char* utf8) {
    std::wstring path = wideOf(utf8);
    if (path.empty() || startsWith(path, kExactPrefix)) return path;
    // Any other device path ("\\.\", or "//?/") means what the system's
    // clean-up makes of it.
    if (isDevicePath(path)) {
        const std::wstring full = systemFullPath(path);
        return full.empty() ? path : full;
    }
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (!startsWith(path, L"\\\\") && !isDriveAbsolute(path)) path = absoluteOf(path);
    // "\\server\share" is the root of a UNC path, as "C:\" is of a drive's.
    if (startsWith(path, L"\\\\")) return kExactUncPrefix + resolvedNames(path.substr(2), 2);
    return kExactPrefix + path.substr(0, 3) + resolvedNames(path.substr(3));
}

std::wstring shellPath(const char* utf8) {
    const std::wstring exact = exactPath(utf8);
    const std::wstring plain = plainOf(exact);
    if (shellTakesAsItIs(plain)) return plain;
    // The short form of the folder with the item's own name, which is what
    // the recycle bin then shows; else the short form of the whole path.
    const std::size_t nameAt = exact.rfind(L'\\');
    if (nameAt != std::wstring::npos) {
        const std::wstring folder = plainOf(shortFormOf(exact.substr(0, nameAt)));
        const std::wstring named = folder + exact.substr(nameAt);
        if (!folder.empty() && shellTakesAsItIs(named)) return named;
    }
    const std::wstring shortForm = plainOf(shortFormOf(exact));
    return shellTakesAsItIs(shortForm) ? shortForm : exact;
}

}  // namespace platform::win32
