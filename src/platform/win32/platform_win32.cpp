// The platform layer on Windows. Paths reach the system as wide-character
// texts in the "\\?\" form (wide_path.h), so that no name is trimmed and no
// length limited; the rest of the program keeps UTF-8.
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <type_traits>
#include <vector>

#include "platform/counting.h"
#include "platform/page_aligned.h"
#include "platform/platform.h"
#include "platform/win32/wide_path.h"

namespace platform {
namespace {

using win32::exactPath;

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
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return IoFault::InUse;
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
    HANDLE handle = CreateFileW(exactPath(path).c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
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
        : handle_(CreateFileW(exactPath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
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

FileIdentity identityOfInfo(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, joined(info.nFileIndexHigh, info.nFileIndexLow)};
}

bool identityOfHandle(HANDLE handle, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity = identityOfInfo(info);
    return true;
}

// The stamp but its identity, which the caller fills.
bool stateOfHandle(HANDLE handle, FileStamp& stamp) {
    FILE_BASIC_INFO basic;
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle, &length) || !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        return false;
    stamp.size = static_cast<std::uint64_t>(length.QuadPart);
    stamp.lastWrite = basic.LastWriteTime.QuadPart;
    stamp.changed = basic.ChangeTime.QuadPart;
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

ItemKind kindOf(DWORD attributes) {
    // Junctions and symbolic links are reparse points; never followed.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ItemKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ItemKind::Folder;
    return ItemKind::File;
}

std::string systemTimeText(const SYSTEMTIME& time) {
    char timeText[100];
    char dateText[100];
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, timeText, sizeof timeText)) return {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, dateText, sizeof dateText)) return {};
    return std::string(timeText) + " " + dateText;
}

}  // namespace

// A folder's items come from its open handle, a batch of records at a time,
// each with the file's id and times: the listing alone stamps every file.
struct FolderState {
    std::string path;
    // Held while the folder is listed and its subfolders opened: without
    // delete sharing, the folder cannot be renamed or replaced meanwhile.
    HANDLE folder = INVALID_HANDLE_VALUE;
    // Records carry file ids (FILE_ID_BOTH_DIR_INFO), unless the file
    // system has no such listing (FILE_FULL_DIR_INFO then, without ids).
    bool withIds = true;
    // The volume gives a file its id for the file's life (FAT does not).
    bool idsStable = true;
    bool listing = false;  // false once the listing has ended, or for a held folder
    bool started = false;  // the first batch has been asked for
    std::vector<std::uint64_t> batch;  // FILE_ID_BOTH_DIR_INFO records, 8-byte aligned
    std::size_t next = 0;              // offset of the next record; npos when the batch is used up
    FileIdentity identity;    // of the folder held, once it is open

    ~FolderState() {
        if (folder != INVALID_HANDLE_VALUE) countedClose(folder);
    }
};

// ---- Files -------------------------------------------------------------

struct FileInternals {
    static File open(const char* path, DWORD access, DWORD share);
    static HANDLE handleOf(const File& file) { return reinterpret_cast<HANDLE>(file.handle_); }
};

File FileInternals::open(const char* path, DWORD access, DWORD share) {
    File file;
    HANDLE handle = countedCreate(path, access, share, FILE_ATTRIBUTE_NORMAL, file.fault_);
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

// Others may read it meanwhile, but neither write, delete nor move it.
File openForReading(const char* path) { return FileInternals::open(path, GENERIC_READ, FILE_SHARE_READ); }

File openForDisposal(const char* path) {
    File file = FileInternals::open(path, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE);
    if (file.isOpen()) file.disposalPath_ = path;
    return file;
}

void File::close() {
    identity_.reset();
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

bool deleteFile(const char* path) { return DeleteFileW(exactPath(path).c_str()) != 0; }

bool replaceFile(const char* from, const char* to) {
    return MoveFileExW(exactPath(from).c_str(), exactPath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool writeWholeFile(const char* path, std::initializer_list<BytePiece> pieces) {
    if (counting::handlesExhausted()) return false;
    HANDLE handle =
        CreateFileW(exactPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    counting::noteHandleOpened();
    bool whole = true;
    for (const BytePiece& piece : pieces) {
        const auto* at = static_cast<const char*>(piece.bytes);
        std::size_t done = 0;
        while (done < piece.size) {
            DWORD chunk = piece.size - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(piece.size - done);
            DWORD put = 0;
            if (!WriteFile(handle, at + done, chunk, &put, nullptr) || put == 0) break;
            done += put;
        }
        whole = whole && done == piece.size;
    }
    bool flushed = FlushFileBuffers(handle) != 0;
    bool closed = CloseHandle(handle) != 0;
    counting::noteHandleClosed();
    return whole && flushed && closed;
}

namespace {

bool markForDeletion(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Renames the open file; the call takes the system's own form of the path.
bool renameOpenFile(HANDLE handle, const std::wstring& exactTarget, DWORD& error) {
    // A text that names nothing (not UTF-8, or empty) has no exact form.
    if (exactTarget.rfind(L"\\\\?\\", 0) != 0) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    const std::wstring target = L"\\??\\" + exactTarget.substr(4);
    std::vector<BYTE> record(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(record.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, target.data(), rename->FileNameLength);
    if (SetFileInformationByHandle(handle, FileRenameInfo, rename, static_cast<DWORD>(record.size()))) return true;
    error = GetLastError();
    return false;
}

DisposalFault disposalFaultOf(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return DisposalFault::InUse;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return DisposalFault::FolderReadOnly;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS: return DisposalFault::NameTaken;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return DisposalFault::FolderFull;
        case ERROR_NOT_SAME_DEVICE: return DisposalFault::OtherVolume;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED: return DisposalFault::NoHardLinks;
        case ERROR_TOO_MANY_LINKS: return DisposalFault::LinkLimit;
        default: return DisposalFault::Other;
    }
}

bool isReadOnly(HANDLE handle) {
    FILE_BASIC_INFO basic;
    return !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
           (basic.FileAttributes & FILE_ATTRIBUTE_READONLY);
}

// A read-only file refuses to go with a plain "access denied".
DisposalFault deletionFaultOf(HANDLE handle, DWORD error) {
    return isReadOnly(handle) ? DisposalFault::ReadOnly : disposalFaultOf(error);
}

bool writeAll(HANDLE to, const std::uint8_t* bytes, DWORD count, std::uint64_t& written) {
    if (written + count > counting::copyWriteLimit()) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    DWORD put = 0;
    if (!WriteFile(to, bytes, count, &put, nullptr) || put != count) return false;
    written += put;
    return true;
}

// Copies the open file, from its start, to a new file at `target` with its
// last-write time; a copy that cannot be made whole is removed again.
DisposalFault copyOpenFile(HANDLE from, const std::wstring& target) {
    HANDLE to = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (to == INVALID_HANDLE_VALUE) return disposalFaultOf(GetLastError());
    std::vector<std::uint8_t> buffer(1 << 20);
    LARGE_INTEGER start{};
    bool whole = SetFilePointerEx(from, start, nullptr, FILE_BEGIN) != 0;
    std::uint64_t written = 0;
    for (DWORD got = 0; whole; ) {
        whole = ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != 0;
        if (!whole || got == 0) break;
        whole = writeAll(to, buffer.data(), got, written);
    }
    DisposalFault fault = whole ? DisposalFault::None : disposalFaultOf(GetLastError());
    FILETIME written_at;
    if (whole && GetFileTime(from, nullptr, nullptr, &written_at)) SetFileTime(to, nullptr, nullptr, &written_at);
    if (whole && !FlushFileBuffers(to)) fault = disposalFaultOf(GetLastError());
    if (!CloseHandle(to) && fault == DisposalFault::None) fault = disposalFaultOf(GetLastError());
    if (fault != DisposalFault::None) DeleteFileW(target.c_str());
    return fault;
}

}  // namespace

DisposalFault deleteOpenFile(File& file) {
    if (!file.isOpen()) return DisposalFault::Other;
    HANDLE handle = handleOf(file.handle_);
    DisposalFault fault = markForDeletion(handle) ? DisposalFault::None : deletionFaultOf(handle, GetLastError());
    file.close();  // the file goes with the last handle
    return fault;
}

DisposalFault moveOpenFile(File& file, const char* target) {
    if (!file.isOpen()) return DisposalFault::Other;
    const std::wstring exactTarget = exactPath(target);
    HANDLE handle = handleOf(file.handle_);
    DWORD error = ERROR_NOT_SAME_DEVICE;
    DisposalFault fault = DisposalFault::None;
    if (counting::movesCopy() || !renameOpenFile(handle, exactTarget, error)) {
        fault = error == ERROR_NOT_SAME_DEVICE ? copyOpenFile(handle, exactTarget) : disposalFaultOf(error);
        if (fault == DisposalFault::None && !markForDeletion(handle)) {
            fault = deletionFaultOf(handle, GetLastError());
            DeleteFileW(exactTarget.c_str());  // two copies would leave the user to sort them out
        }
    }
    file.close();
    return fault;
}

namespace {

std::atomic<std::uint32_t> gTemporaryNames{0};

// A name no one else picks, in the folder of `path`.
std::string temporaryNameBeside(const std::string& path, const char* kind) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + ".pairlook-" + kind + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++gTemporaryNames);
}


bool names(const std::string& path, const FileIdentity& identity) {
    FileIdentity named;
    return identityOfPath(path.c_str(), named) && named == identity;
}

// Makes a link to the partner under a temporary name beside `path`.
DisposalFault linkBeside(const std::string& path, const char* partnerPath, std::string& temporary) {
    const std::wstring exactPartner = exactPath(partnerPath);
    for (int attempt = 0;; ++attempt) {
        temporary = temporaryNameBeside(path, "link");
        if (CreateHardLinkW(exactPath(temporary.c_str()).c_str(), exactPartner.c_str(), nullptr)) return DisposalFault::None;
        const DWORD error = GetLastError();
        if ((error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) || attempt == 9) return disposalFaultOf(error);
    }
}

// Puts the link at `temporary` in the place of the open duplicate: the
// duplicate is renamed aside by its handle, the link takes its name, and
// the duplicate goes when its handle closes. Each failed step undoes the
// ones before it.
DisposalFault putInPlace(const std::string& temporary, const std::string& path, HANDLE duplicate) {
    const std::wstring exactTemporary = exactPath(temporary.c_str()), exactDuplicate = exactPath(path.c_str());
    const std::wstring exactAside = exactPath(temporaryNameBeside(path, "aside").c_str());
    DWORD error = 0, ignored = 0;
    if (!renameOpenFile(duplicate, exactAside, error)) {
        DeleteFileW(exactTemporary.c_str());
        return disposalFaultOf(error);
    }
    if (!MoveFileExW(exactTemporary.c_str(), exactDuplicate.c_str(), 0)) {
        error = GetLastError();
        renameOpenFile(duplicate, exactDuplicate, ignored);
        DeleteFileW(exactTemporary.c_str());
        return disposalFaultOf(error);
    }
    if (!markForDeletion(duplicate)) {
        error = GetLastError();
        MoveFileExW(exactDuplicate.c_str(), exactTemporary.c_str(), 0);
        renameOpenFile(duplicate, exactDuplicate, ignored);
        DeleteFileW(exactTemporary.c_str());
        return disposalFaultOf(error);
    }
    return DisposalFault::None;
}

DisposalFault linkInPlaceOf(const std::string& path, const File& duplicate, File& partner, const char* partnerPath) {
    FileIdentity duplicateIdentity, partnerIdentity;
    if (!identityOf(duplicate, duplicateIdentity) || !identityOf(partner, partnerIdentity) ||
        !names(path, duplicateIdentity))
        return DisposalFault::Other;
    // A hold that keeps the partner from being deleted keeps every name of
    // it, the new link's too, from being moved or deleted. A second hold
    // that lets names go, taken before the first is let go, leaves no gap
    // in which the partner could be written; opened at the partner's path,
    // it also proves that the path names the partner.
    File namesFree = FileInternals::open(partnerPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
    FileIdentity reopened;
    if (!identityOf(namesFree, reopened) || reopened != partnerIdentity) return DisposalFault::Other;
    partner = std::move(namesFree);
    if (isReadOnly(FileInternals::handleOf(duplicate))) return DisposalFault::ReadOnly;
    std::string temporary;
    if (DisposalFault fault = linkBeside(path, partnerPath, temporary); fault != DisposalFault::None) return fault;
    // Linked by name: it must be the partner itself, not what came to its path.
    if (!names(temporary, partnerIdentity)) {
        DeleteFileW(exactPath(temporary.c_str()).c_str());
        return DisposalFault::Other;
    }
    return putInPlace(temporary, path, FileInternals::handleOf(duplicate));
}

}  // namespace

DisposalFault replaceWithLink(File& duplicate, File& partner, const char* partnerPath) {
    const DisposalFault fault = linkInPlaceOf(duplicate.disposalPath_, duplicate, partner, partnerPath);
    duplicate.close();  // a replaced file goes with its handle
    return fault;
}

bool createFolder(const char* path) { return CreateDirectoryW(exactPath(path).c_str(), nullptr) != 0; }

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesW(exactPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The volume's serial number makes this slow on some systems (milliseconds
// under Wine): asked once for each open file.
bool identityOf(const File& file, FileIdentity& identity) {
    if (!file.isOpen()) return false;
    if (!file.identity_) {
        FileIdentity asked;
        if (!identityOfHandle(handleOf(file.handle_), asked)) return false;
        file.identity_ = asked;
    }
    identity = *file.identity_;
    return true;
}

bool identityOfPath(const char* path, FileIdentity& identity) {
    QueryHandle item(path);
    return item.isOpen() && identityOfHandle(item.get(), identity);
}

bool stampOf(const File& file, FileStamp& stamp) {
    return identityOf(file, stamp.identity) && stateOfHandle(handleOf(file.handle_), stamp);
}

bool stampOfPath(const char* path, FileStamp& stamp) {
    QueryHandle item(path);
    return item.isOpen() && identityOfHandle(item.get(), stamp.identity) && stateOfHandle(item.get(), stamp);
}

// ---- Folder listings ---------------------------------------------------

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&& other) noexcept = default;
Folder& Folder::operator=(Folder&& other) noexcept = default;

namespace {

// Whether the volume's file ids stay with their files: FAT and exFAT number
// a file by its place in its folder, which another file may take after it.
// Asked once per volume: the question is slow under Wine.
bool volumeIdsStable(HANDLE folder, DWORD serial) {
    static std::mutex mutex;
    static std::map<DWORD, bool> known;
    {
        std::lock_guard lock(mutex);
        if (auto it = known.find(serial); it != known.end()) return it->second;
    }
    wchar_t name[MAX_PATH + 1] = {};
    bool stable = true;
    if (GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1))
        stable = std::wcsncmp(name, L"FAT", 3) != 0 && _wcsicmp(name, L"exFAT") != 0;
    std::lock_guard lock(mutex);
    known.emplace(serial, stable);
    return stable;
}

// Opens the folder at `path` and starts its listing; nullptr when it cannot
// be listed. `refuseLinks` refuses a folder that is a reparse point (a junction
// or a link), checked on the opened handle so nothing can swap in between.
std::unique_ptr<FolderState> listFolderAt(const std::string& path, bool refuseLinks, IoFault& fault) {
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE folder = countedCreate(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, flags, fault);
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
    state->identity = identityOfInfo(info);
    state->idsStable = volumeIdsStable(folder, info.dwVolumeSerialNumber);
    state->listing = true;
    state->batch.resize(64 * 1024 / sizeof(std::uint64_t));
    state->next = std::string::npos;
    return state;
}

// A file system that has no listing with file ids refuses it so.
bool refusesIdListing(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_LEVEL || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_FUNCTION;
}

// Asks for the next batch of records; false at the end of the listing (an
// empty drive root has no "." or "..", yet it can be listed) or on a failure,
// which `fault` then tells. A folder whose first batch with file ids is
// refused is listed without them, as before the cache needed them.
bool nextBatch(FolderState& state, IoFault& fault) {
    const bool first = !state.started;
    state.started = true;
    const DWORD size = static_cast<DWORD>(state.batch.size() * sizeof(std::uint64_t));
    if (state.withIds) {
        const auto kind = first ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
        const bool refusedForTesting = counting::fileIdsRefused();
        if (!refusedForTesting && GetFileInformationByHandleEx(state.folder, kind, state.batch.data(), size)) {
            state.next = 0;
            return true;
        }
        const DWORD error = refusedForTesting ? ERROR_INVALID_PARAMETER : GetLastError();
        if (first && refusesIdListing(error)) {
            state.withIds = false;
            state.started = false;
            return nextBatch(state, fault);
        }
        SetLastError(error);
    } else {
        const auto kind = first ? FileFullDirectoryRestartInfo : FileFullDirectoryInfo;
        if (GetFileInformationByHandleEx(state.folder, kind, state.batch.data(), size)) {
            state.next = 0;
            return true;
        }
    }
    const DWORD error = GetLastError();
    // A listing cut short is no listing: a part would pass for the whole.
    if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND) fault = faultOf(error);
    state.listing = false;
    return false;
}

// The item of one record, either kind; a record without a file id gives
// the file no identity, and no order on disk.
template <typename Record>
void fillItem(const Record& record, const FolderState& folder, ListedItem& item) {
    std::wstring wideName(record.FileName, record.FileNameLength / sizeof(wchar_t));
    std::optional<std::string> name = win32::utf8Of(wideName.c_str());
    // A name that has no UTF-8 form could not be opened again by its text.
    item.name = name ? *name : std::string();
    item.kind = name ? kindOf(record.FileAttributes) : ItemKind::Other;
    item.stamp = FileStamp{};
    item.size = 0;
    item.diskOrder = 0;
    if (item.kind != ItemKind::File) return;
    std::uint64_t fileId = 0;
    if constexpr (std::is_same_v<Record, FILE_ID_BOTH_DIR_INFO>)
        fileId = static_cast<std::uint64_t>(record.FileId.QuadPart);
    item.size = static_cast<std::uint64_t>(record.EndOfFile.QuadPart);
    item.stamp.identity = {folder.identity.volume, folder.idsStable ? fileId : 0};
    // The file id numbers the file's record in the volume's table: about
    // where it lies.
    item.diskOrder = fileId;
    item.stamp.size = item.size;
    item.stamp.lastWrite = record.LastWriteTime.QuadPart;
    item.stamp.changed = record.ChangeTime.QuadPart;
}

}  // namespace

Folder openFolder(const char* path) {
    Folder folder;
    if (counting::folderRefused(path)) {
        folder.fault_ = IoFault::OfFile;
        return folder;
    }
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
    path += name;
    if (counting::folderRefused(path.c_str())) {
        folder.fault_ = IoFault::OfFile;
        return folder;
    }
    folder.state_ = listFolderAt(path, true, folder.fault_);
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

WholeFile readListedFile(const Folder& folder, const char* name, const char* path, std::uint32_t size,
                         void* buffer, IoFault& fault) {
    // Windows opens by the full path either way, and tells the size with the
    // handle: both are asked as for any file.
    File file = folder.isOpen() ? openForReading(folder, name) : openForReading(path);
    fault = file.fault();
    if (!file.isOpen()) return WholeFile::Unopened;
    if (file.sizeAtOpen() != size) return WholeFile::Changed;
    const std::uint32_t got = readFile(file, buffer, size + 1);
    fault = file.fault();
    return got == size ? WholeFile::Read : WholeFile::Changed;
}

// A held folder costs no handle here.
std::size_t foldersToHold() { return std::size_t{1} << 24; }

void allowManyHandles() {}

bool nextItem(Folder& folder, ListedItem& item) {
    FolderState* state = folder.state_.get();
    if (!state || !state->listing) return false;
    if (state->next == std::string::npos && !nextBatch(*state, folder.fault_)) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(state->batch.data());
    DWORD nextOffset = 0;
    if (state->withIds) {
        const auto& record = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + state->next);
        fillItem(record, *state, item);
        nextOffset = record.NextEntryOffset;
    } else {
        const auto& record = *reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + state->next);
        fillItem(record, *state, item);
        nextOffset = record.NextEntryOffset;
    }
    state->next = nextOffset == 0 ? std::string::npos : state->next + nextOffset;
    return true;
}

bool identityOf(const Folder& folder, FileIdentity& identity) {
    // A folder only held (holdFolder) has no handle, hence no identity.
    if (!folder.state_ || folder.state_->folder == INVALID_HANDLE_VALUE) return false;
    identity = folder.state_->identity;
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
    wchar_t found[MAX_PATH];
    DWORD length = SearchPathW(nullptr, win32::wideOf(fileName).c_str(), nullptr, MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH) return {};
    std::optional<std::string> path = win32::utf8Of(found);
    return path && path->size() <= 599 ? *path : std::string();
}

DriveType driveTypeOf(const std::string& root) {
    switch (GetDriveTypeW(win32::wideOf(root.c_str()).c_str())) {
        case DRIVE_REMOVABLE: return DriveType::Removable;
        case DRIVE_FIXED: return DriveType::Fixed;
        case DRIVE_REMOTE: return DriveType::Remote;
        case DRIVE_CDROM:
        case DRIVE_RAMDISK: return DriveType::Other;
        default: return DriveType::Unknown;
    }
}

std::int64_t stampTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>(joined(now.dwHighDateTime, now.dwLowDateTime));
}

std::string appDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, FALSE)) return {};
    return win32::utf8Of(folder).value_or(std::string());
}

}  // namespace platform
