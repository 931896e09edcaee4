// The platform layer on Windows: the ANSI calls of kernel32, user32 and
// shell32. With the manifest's UTF-8 code page every name is an 8-bit text.
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>

#include "platform/counting.h"
#include "platform/page_aligned.h"
#include "platform/platform.h"

namespace platform {
namespace {


// -1 until setConsoleMode is called: then the program's own subsystem decides.
std::atomic<int> gConsoleMode{-1};

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

std::uint64_t joined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Opens any item, a folder included, only to ask about it: no data access,
// and nobody else is kept from reading, writing or deleting it meanwhile.
HANDLE openForQuery(const char* path) {
    return CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool identityOfHandle(HANDLE handle, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity = {info.dwVolumeSerialNumber, joined(info.nFileIndexHigh, info.nFileIndexLow)};
    return true;
}

// A console program (pairlook-cli, the test programs) writes its messages to
// standard error; the window program shows a box.
bool runsAsConsoleProgram() {
    auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

bool consoleMode() {
    int mode = gConsoleMode.load();
    return mode < 0 ? runsAsConsoleProgram() : mode != 0;
}

// ---- Listings ----------------------------------------------------------

struct Listing {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data{};
    bool hasPending = false;  // data holds an item not handed out yet
};

ItemKind kindOf(const WIN32_FIND_DATAA& data) {
    // Junctions and symbolic links are reparse points; never followed.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return ItemKind::Link;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return ItemKind::Folder;
    return ItemKind::File;
}

std::string listingPattern(const char* folder) {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    return pattern + "*.*";
}

std::string systemTimeText(const SYSTEMTIME& time) {
    char timeText[100];
    char dateText[100];
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, timeText, sizeof timeText)) return {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, dateText, sizeof dateText)) return {};
    return std::string(timeText) + " " + dateText;
}

}  // namespace

// ---- Files -------------------------------------------------------------

FileHandle openForReading(const char* path) {
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return kNoFile;
    counting::noteOpen();
    return reinterpret_cast<FileHandle>(handle);
}

bool fileSize(FileHandle file, std::uint64_t& size) {
    LARGE_INTEGER length;
    if (file == kNoFile || !GetFileSizeEx(handleOf(file), &length)) return false;
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

std::uint32_t readFile(FileHandle file, void* buffer, std::uint32_t count) {
    if (file == kNoFile) return 0;
    std::uint32_t done = 0;
    auto* at = static_cast<char*>(buffer);
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(handleOf(file), at + done, count - done, &got, nullptr) || got == 0) break;
        done += got;
    }
    counting::noteRead(done);
    return done;
}

void closeFile(FileHandle file) {
    if (file != kNoFile) CloseHandle(handleOf(file));
}

bool deleteFile(const char* path) { return DeleteFileA(path) != 0; }

bool moveFile(const char* from, const char* to) { return MoveFileA(from, to) != 0; }

bool replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool createFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool identityOf(FileHandle file, FileIdentity& identity) {
    return file != kNoFile && identityOfHandle(handleOf(file), identity);
}

bool identityOfPath(const char* path, FileIdentity& identity) {
    HANDLE handle = openForQuery(path);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool known = identityOfHandle(handle, identity);
    CloseHandle(handle);
    return known;
}

// ---- Folder listings ---------------------------------------------------

ListingHandle openListing(const char* folder) {
    auto* listing = new Listing;
    listing->find = FindFirstFileA(listingPattern(folder).c_str(), &listing->data);
    if (listing->find != INVALID_HANDLE_VALUE) {
        listing->hasPending = true;
        return listing;
    }
    // A drive root has no "." or "..": an empty one matches nothing, yet it
    // can be listed.
    if (GetLastError() == ERROR_FILE_NOT_FOUND && isFolder(folder)) return listing;
    delete listing;
    return nullptr;
}

bool nextItem(ListingHandle handle, ListedItem& item) {
    auto* listing = static_cast<Listing*>(handle);
    if (!listing || listing->find == INVALID_HANDLE_VALUE) return false;
    if (!listing->hasPending && !FindNextFileA(listing->find, &listing->data)) return false;
    listing->hasPending = false;
    const WIN32_FIND_DATAA& data = listing->data;
    item.name = data.cFileName;
    item.kind = kindOf(data);
    item.size = item.kind == ItemKind::File ? joined(data.nFileSizeHigh, data.nFileSizeLow) : 0;
    item.diskOrder = 0;
    return true;
}

void closeListing(ListingHandle handle) {
    auto* listing = static_cast<Listing*>(handle);
    if (!listing) return;
    if (listing->find != INVALID_HANDLE_VALUE) FindClose(listing->find);
    delete listing;
}

// ---- Memory ------------------------------------------------------------

void* allocateZeroed(std::size_t bytes) {
    if (counting::allocationsFail()) return nullptr;
    return page_aligned::placeIn(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, page_aligned::rawSizeFor(bytes)));
}

void releaseBlock(void* block) {
    if (block) GlobalFree(page_aligned::rawOf(block));
}


void showNotEnoughMemory() {
    if (consoleMode())
        std::fputs("Pairlook.exe: Not enough memory\n", stderr);
    else
        MessageBoxA(nullptr, "Not enough memory", "Pairlook.exe", MB_OK);
}

void setConsoleMode(bool console) { gConsoleMode = console ? 1 : 0; }

// ---- System ------------------------------------------------------------

std::string lastWriteText(const char* path) {
    HANDLE handle = openForQuery(path);
    if (handle == INVALID_HANDLE_VALUE) return {};
    FILETIME written;
    bool known = GetFileTime(handle, nullptr, nullptr, &written) != 0;
    CloseHandle(handle);
    FILETIME local;
    SYSTEMTIME fields;
    if (!known || !FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &fields))
        return {};
    return systemTimeText(fields);
}

std::string searchProgramFile(const char* fileName) {
    char found[600];
    DWORD length = SearchPathA(nullptr, fileName, nullptr, sizeof found, found, nullptr);
    if (length == 0 || length >= sizeof found) return {};
    return std::string(found, length);
}

DriveType driveTypeOf(const std::string& root) {
    switch (GetDriveTypeA(root.c_str())) {
        case DRIVE_REMOVABLE: return DriveType::Removable;
        case DRIVE_FIXED: return DriveType::Fixed;
        case DRIVE_REMOTE: return DriveType::Remote;
        case DRIVE_CDROM:
        case DRIVE_RAMDISK: return DriveType::Other;
        default: return DriveType::Unknown;
    }
}

std::string appDataFolder() {
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE)) return {};
    return folder;
}

}  // namespace platform
