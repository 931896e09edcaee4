// The UTF-8 paths of the program as the Windows calls get them: the exact
// form names what the user wrote, and the shell's form names the same item.
#ifdef _WIN32
#include "platform/win32/wide_path.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <tuple>

#include "support/temp_folder.h"

namespace {

using platform::win32::exactPath;
using platform::win32::shellPath;
using platform::win32::wideOf;
using testing_support::TempFolder;

const std::wstring kExact = L"\\\\?\\";

// For one test: the current folder, and the current folder the command
// prompt keeps for another drive ("=D:").
class FolderSettings {
public:
    FolderSettings(const std::wstring& here, const std::wstring& drive, const wchar_t* driveFolder)
        : variable_(L"=" + drive) {
        before_.resize(GetCurrentDirectoryW(0, nullptr));
        before_.resize(GetCurrentDirectoryW(static_cast<DWORD>(before_.size()), before_.data()));
        SetCurrentDirectoryW(here.c_str());
        SetEnvironmentVariableW(variable_.c_str(), driveFolder);
    }
    ~FolderSettings() {
        SetCurrentDirectoryW(before_.c_str());
        SetEnvironmentVariableW(variable_.c_str(), nullptr);
    }

private:
    std::wstring before_, variable_;
};

// The volume and file id of an item, or nothing when it cannot be opened.
std::tuple<DWORD, DWORD, DWORD> identityOf(const std::wstring& path) {
    HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE) return {};
    GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool someNameEndsInADotOrSpace(const std::wstring& path) {
    for (std::size_t at = 0; at < path.size(); ++at)
        if ((path[at] == L'.' || path[at] == L' ') && (at + 1 == path.size() || path[at + 1] == L'\\')) return true;
    return false;
}

TEST(ExactPath, NamesWhatWasWrittenWithNoNameTrimmedOrCut) {
    TempFolder folder;
    const std::wstring top = wideOf(folder.path().c_str());
    const std::wstring here = wideOf(folder.makeFolder("here").c_str());
    const std::wstring drive = here.substr(0, 2);
    const std::wstring other = drive == L"Z:" ? L"Y:" : L"Z:";
    const std::string driveText(drive.begin(), drive.end()), otherText(other.begin(), other.end());
    const std::string longName(300, 'n');
    const std::wstring longWide(300, L'n');
    FolderSettings settings(here, other, nullptr);

    const std::pair<std::string, std::wstring> cases[] = {
        {"C:\\a\\b", kExact + L"C:\\a\\b"},
        {"C:/a//b/", kExact + L"C:\\a\\b"},
        {"C:\\a\\.\\b\\..\\c", kExact + L"C:\\a\\c"},
        {"C:\\..\\a", kExact + L"C:\\a"},
        {"C:\\", kExact + L"C:\\"},
        {".", kExact + here},
        {"..", kExact + top},
        {"\\x", kExact + drive + L"\\x"},
        {driveText + "x", kExact + here + L"\\x"},
        {driveText, kExact + here},
        {otherText + "x", kExact + other + L"\\x"},
        {"\\\\server\\share\\x", kExact + L"UNC\\server\\share\\x"},
        {"//server/share//x/./y/", kExact + L"UNC\\server\\share\\x\\y"},
        {"\\\\server\\share\\..\\..\\x", kExact + L"UNC\\server\\share\\x"},
        {"C:\\dot.\\space \\both. ", kExact + L"C:\\dot.\\space \\both. "},
        {"C:\\Z\xC3\xBCrich\\\xE6\x97\xA5", kExact + L"C:\\Z\u00FCrich\\\u65E5"},
        {"C:\\" + longName + "\\" + longName + ".", kExact + L"C:\\" + longWide + L"\\" + longWide + L"."},
        {longName, kExact + here + L"\\" + longWide},
        // Already in a form of the system's own: taken as it is, or as the
        // system cleans it up.
        {"\\\\?\\C:\\a\\..\\b.", L"\\\\?\\C:\\a\\..\\b."},
        {"//?/C:/a/../b", L"\\\\?\\C:\\b"},
        {"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {"", std::wstring()},
        {"C:\\\xFF", std::wstring()},  // not UTF-8
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(exactPath(path.c_str()), expected) << path;

    // A drive-relative path follows that drive's own current folder, once
    // the command prompt keeps one (FolderSettings clears it again).
    SetEnvironmentVariableW((L"=" + other).c_str(), (other + L"\\kept\\folder").c_str());
    EXPECT_EQ(exactPath((otherText + "x").c_str()), kExact + other + L"\\kept\\folder\\x");
    EXPECT_EQ(exactPath((otherText + "..\\x").c_str()), kExact + other + L"\\kept\\x");
}

TEST(ShellPath, IsThePlainPathWhereTheShellTakesItAsItIs) {
    TempFolder folder;
    const std::wstring here = wideOf(folder.path().c_str());
    FolderSettings settings(here, L"Z:", nullptr);
    const std::string missingLong = "C:\\nowhere\\" + std::string(300, 'n');
    const std::pair<std::string, std::wstring> cases[] = {
        {"C:/a//b/../c", L"C:\\a\\c"},
        {"x", here + L"\\x"},
        {"\\\\server\\share\\x", L"\\\\server\\share\\x"},
        // Nothing there to give a short form: only the exact form names it.
        {"C:\\nowhere\\a.", kExact + L"C:\\nowhere\\a."},
        {"C:\\nowhere\\b \\c", kExact + L"C:\\nowhere\\b \\c"},
        {missingLong, kExact + wideOf(missingLong.c_str())},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(shellPath(path.c_str()), expected) << path;
}

TEST(ShellPath, NamesTheSameItemWhenTheShellWouldTrimOrRefuseThePath) {
    TempFolder folder;
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
    const std::string items[] = {
        folder.write("dot./file.", "x"),
        folder.write("space ", "x"),
        folder.makeFolder("folder. "),
        folder.write(deep + "/plain name.txt", "x"),
        folder.write(deep + "/" + std::string(60, 'f') + ".", "x"),
    };
    // The exact form is the last resort, for a volume that keeps no short
    // names (Windows can turn them off; Wine makes them up).
    wchar_t shortForm[MAX_PATH] = L"";
    GetShortPathNameW(exactPath(folder.pathOf("dot.").c_str()).c_str(), shortForm, MAX_PATH);
    const bool shortNames = !someNameEndsInADotOrSpace(shortForm);
    for (const std::string& item : items) {
        SCOPED_TRACE(item);
        const std::wstring exact = exactPath(item.c_str());
        const std::wstring shell = shellPath(item.c_str());
        ASSERT_NE(identityOf(exact), decltype(identityOf(exact)){});
        if (shell.substr(0, 4) == kExact) {
            EXPECT_FALSE(shortNames);
            continue;
        }
        EXPECT_LT(shell.size(), static_cast<std::size_t>(MAX_PATH));
        EXPECT_FALSE(someNameEndsInADotOrSpace(shell)) << shell.c_str();
        EXPECT_EQ(identityOf(shell), identityOf(exact));
    }
    // Where only the folders are too long, the item keeps its own name.
    const std::wstring shell = shellPath(folder.pathOf(deep + "/plain name.txt").c_str());
    if (shortNames) {
        EXPECT_EQ(shell.substr(shell.size() - 15), L"\\plain name.txt");
    }
}

}  // namespace
#endif  // _WIN32
