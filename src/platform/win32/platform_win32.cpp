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

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

IoFault faultOf(DWORD error) {
    switch (error) {
        case ERROR_TOO_MANY_OPEN_FILES:
        case ERROR_NO_SYSTEM_RESOURCES:
            return IoFault::OutOfHandles;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_NONPAGED_SYSTEM_RESOURCES:
        case ERROR_PAGED_SYSTEM_RESOURCES:
            return IoFault::OutOfMemory;
        default:
            return IoFault::OfFile;
    }
}

// A handle that is ours until it is closed, counted as an open handle.
HANDLE countedCreate(const char* path, DWORD access, DWORD share, DWORD flags, IoFault& fault) {
    if (counting::handlesExhausted()) {
        fault = IoFault::OutOfHandles;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        fault = faultOf(GetLastError());
        return handle;
    }
    counting::noteHandleOpened();
    return handle;
}

void countedClose(HANDLE handle) {
    CloseHandle(handle);
    counting::noteHandleClosed();
}

std::uint64_t joined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Any item, a folder included, opened only to ask about it: no data access,
// and nobody else is kept from reading, writing or deleting it meanwhile.
// Closed when it goes.
class QueryHandle {
public:
    explicit QueryHandle(const char* path)
        : handle_(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~QueryHandle() {
        if (isOpen()) CloseHandle(handle_);
    }
    QueryHandle(const QueryHandle&) = delete;
    QueryHandle& operator=(const QueryHandle&) = delete;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

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

struct FolderState {
    std::string path;
    // Held while the folder is listed and its subfolders opened: without
    // delete sharing, the folder cannot be renamed or replaced meanwhile.
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data{};
    bool hasPending = false;  // data holds an item not handed out yet

    ~FolderState() {
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        if (folder != INVALID_HANDLE_VALUE) countedClose(folder);
    }
};

// ---- Files -------------------------------------------------------------

File openForReading(const char* path) {
    File file;
    HANDLE handle = countedCreate(path, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, file.fault_);
    if (handle == INVALID_HANDLE_VALUE) return file;
    file.handle_ = reinterpret_cast<std::intptr_t>(handle);
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle, &length)) {
        file.close();
        file.fault_ = IoFault::OfFile;
        return file;
    }
    file.sizeAtOpen_ = static_cast<std::uint64_t>(length.QuadPart);
    file.readLimit_ = counting::readLimitFor(path);
    counting::noteOpen();
    return file;
}

void File::close() {
    if (handle_ == kNoHandle) return;
    countedClose(handleOf(handle_));
    handle_ = kNoHandle;
}

bool fileSize(const File& file, std::uint64_t& size) {
    LARGE_INTEGER length;
    if (!file.isOpen() || !GetFileSizeEx(handleOf(file.handle_), &length)) return false;
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

std::uint32_t readFile(File& file, void* buffer, std::uint32_t count) {
    if (!file.isOpen()) return 0;
    if (file.readLimit_ - file.delivered_ < count)
        count = static_cast<std::uint32_t>(file.readLimit_ > file.delivered_ ? file.readLimit_ - file.delivered_ : 0);
    file.fault_ = IoFault::None;
    std::uint32_t done = 0;
    auto* at = static_cast<char*>(buffer);
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(handleOf(file.handle_), at + done, count - done, &got, nullptr)) {
            file.fault_ = faultOf(GetLastError());
            break;
        }
        if (got == 0) break;
        done += got;
    }
    file.delivered_ += done;
    counting::noteRead(done);
    return done;
}

bool deleteFile(const char* path) { return DeleteFileA(path) != 0; }

bool moveFile(const char* from, const char* to) { return MoveFileA(from, to) != 0; }

bool replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool writeWholeFile(const char* path, const void* bytes, std::size_t size) {
    if (counting::handlesExhausted()) return false;
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    counting::noteHandleOpened();
    const auto* at = static_cast<const char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        DWORD chunk = size - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size - done);
        DWORD put = 0;
        if (!WriteFile(handle, at + done, chunk, &put, nullptr) || put == 0) break;
        done += put;
    }
    bool flushed = FlushFileBuffers(handle) != 0;
    bool closed = CloseHandle(handle) != 0;
    counting::noteHandleClosed();
    return done == size && flushed && closed;
}

bool createFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool identityOf(const File& file, FileIdentity& identity) {
    return file.isOpen() && identityOfHandle(handleOf(file.handle_), identity);
}

bool identityOfPath(const char* path, FileIdentity& identity) {
    QueryHandle item(path);
    return item.isOpen() && identityOfHandle(item.get(), identity);
}

// ---- Folder listings ---------------------------------------------------

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&& other) noexcept = default;
Folder& Folder::operator=(Folder&& other) noexcept = default;

namespace {

// Opens the folder at `path` and starts its listing; nullptr when it cannot
// be listed. `refuseLinks` refuses a folder that is a reparse point (a junction
// or a link), checked on the opened handle so nothing can swap in between.
std::unique_ptr<FolderState> listFolderAt(const std::string& path, bool refuseLinks, IoFault& fault) {
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE folder = countedCreate(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, flags, fault);
    if (folder == INVALID_HANDLE_VALUE) return nullptr;
    auto state = std::make_unique<FolderState>();
    state->path = path;
    state->folder = folder;
    BY_HANDLE_FILE_INFORMATION info;
    const DWORD refused = refuseLinks ? FILE_ATTRIBUTE_REPARSE_POINT : 0;
    if (!GetFileInformationByHandle(folder, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & refused)) {
        fault = IoFault::OfFile;
        return nullptr;
    }
    state->find = FindFirstFileA(listingPattern(path.c_str()).c_str(), &state->data);
    if (state->find != INVALID_HANDLE_VALUE) {
        state->hasPending = true;
        return state;
    }
    DWORD error = GetLastError();
    // A drive root has no "." or "..": an empty one matches nothing, yet it
    // can be listed.
    if (error == ERROR_FILE_NOT_FOUND) return state;
    fault = faultOf(error);
    return nullptr;
}

}  // namespace

Folder openFolder(const char* path) {
    Folder folder;
    folder.state_ = listFolderAt(path, false, folder.fault_);
    return folder;
}

Folder openSubfolder(const Folder& parent, const std::string& name) {
    Folder folder;
    if (!parent.isOpen()) {
        folder.fault_ = IoFault::OfFile;
        return folder;
    }
    std::string path = parent.state_->path;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    folder.state_ = listFolderAt(path + name, true, folder.fault_);
    return folder;
}

Folder holdFolder(const char* path) {
    // Windows opens a file by its full path either way; the folder is only
    // remembered, and nothing is listed.
    Folder folder;
    folder.state_ = std::make_unique<FolderState>();
    folder.state_->path = path;
    return folder;
}

File openForReading(const Folder& folder, const char* name) {
    if (!folder.isOpen()) return openForReading(name);
    std::string path = folder.state_->path;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    return openForReading((path + name).c_str());
}

bool nextItem(Folder& folder, ListedItem& item) {
    FolderState* state = folder.state_.get();
    if (!state || state->find == INVALID_HANDLE_VALUE) return false;
    if (!state->hasPending && !FindNextFileA(state->find, &state->data)) return false;
    state->hasPending = false;
    const WIN32_FIND_DATAA& data = state->data;
    item.name = data.cFileName;
    item.kind = kindOf(data);
    item.size = item.kind == ItemKind::File ? joined(data.nFileSizeHigh, data.nFileSizeLow) : 0;
    item.diskOrder = 0;
    return true;
}

// ---- Memory ------------------------------------------------------------

Block::~Block() {
    if (raw_) GlobalFree(raw_);
}

Block allocateBlock(std::size_t bytes) {
    Block block;
    if (counting::allocationsFail()) return block;
    block.raw_ = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, page_aligned::rawSizeFor(bytes));
    block.bytes_ = static_cast<std::uint8_t*>(page_aligned::placeIn(block.raw_));
    block.size_ = block.bytes_ ? bytes : 0;
    return block;
}

void showMessage(const char* text) {
    if (consoleMode())
        std::fprintf(stderr, "Pairlook.exe: %s\n", text);
    else
        MessageBoxA(nullptr, text, "Pairlook.exe", MB_OK);
}

void showNotEnoughMemory() { showMessage("Not enough memory"); }

void setConsoleMode(bool console) { gConsoleMode = console ? 1 : 0; }

// ---- System ------------------------------------------------------------

std::string lastWriteText(const char* path) {
    QueryHandle item(path);
    FILETIME written;
    bool known = item.isOpen() && GetFileTime(item.get(), nullptr, nullptr, &written) != 0;
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
