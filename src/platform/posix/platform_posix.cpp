// The platform layer on POSIX: the native build of pairlook-cli and the tests.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/counting.h"
#include "platform/page_aligned.h"
#include "platform/platform.h"

namespace platform {
namespace {

std::atomic<bool> gConsoleMode{true};

int fdOf(std::intptr_t handle) { return static_cast<int>(handle); }

ItemKind kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return ItemKind::Link;
    if (S_ISDIR(mode)) return ItemKind::Folder;
    if (S_ISREG(mode)) return ItemKind::File;
    return ItemKind::Other;
}

IoFault faultOf(int error) {
    if (error == EMFILE || error == ENFILE) return IoFault::OutOfHandles;
    if (error == ENOMEM || error == ENOBUFS) return IoFault::OutOfMemory;
    return IoFault::OfFile;
}

// An fd that is ours until it is closed, counted as an open handle.
int countedOpen(int folderFd, const char* path, int flags, IoFault& fault, mode_t mode = 0) {
    if (counting::handlesExhausted()) {
        fault = IoFault::OutOfHandles;
        return -1;
    }
    int fd = ::openat(folderFd, path, flags | O_CLOEXEC, mode);
    if (fd < 0) {
        fault = faultOf(errno);
        return -1;
    }
    counting::noteHandleOpened();
    return fd;
}

void countedClose(int fd) {
    ::close(fd);
    counting::noteHandleClosed();
}

std::int64_t nanosecondsOf(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileStamp stampFrom(const struct stat& st) {
    FileStamp stamp;
    stamp.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.lastWrite = nanosecondsOf(st.st_mtim);
    stamp.changed = nanosecondsOf(st.st_ctim);
    return stamp;
}

}  // namespace

struct FolderState {
    std::string path;
    // Kept open: subfolders and files are opened relative to it. A folder
    // only held has no DIR: its buffer would cost 32 KiB a folder.
    int fd = -1;
    DIR* dir = nullptr;
    std::vector<ListedItem> items;
    std::size_t next = 0;

    ~FolderState() {
        if (dir)
            ::closedir(dir);
        else
            ::close(fd);
        counting::noteHandleClosed();
    }
};

// ---- Files -------------------------------------------------------------

struct FileInternals {
    static File openRegular(int folderFd, const char* name, int extraFlags, const char* path);
    static int descriptorOf(const File& file) { return fdOf(file.handle_); }
};

// Opens a regular file at `name` relative to folderFd; `path` names it for
// the short-read test switch.
File FileInternals::openRegular(int folderFd, const char* name, int extraFlags, const char* path) {
    File file;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused just after.
    // On a regular file the flag changes nothing, so it is left set.
    int fd = countedOpen(folderFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | extraFlags, file.fault_);
    if (fd < 0) return file;
    file.handle_ = fd;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        file.close();
        file.fault_ = IoFault::OfFile;
        return file;
    }
    file.sizeAtOpen_ = static_cast<std::uint64_t>(st.st_size);
    file.readLimit_ = counting::readLimitFor(path);
    // Large files are read from start to end: a larger read-ahead window.
    // Small ones are read whole at once, where the advice only costs a call.
    constexpr off_t kAdviseFrom = 1 << 20;
    if (st.st_size >= kAdviseFrom) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    counting::noteOpen();
    return file;
}

File openForReading(const char* path) { return FileInternals::openRegular(AT_FDCWD, path, 0, path); }

File openForDisposal(const char* path) {
    File file = openForReading(path);
    if (file.isOpen()) file.disposalPath_ = path;
    return file;
}

void File::close() {
    identity_.reset();
    if (handle_ == kNoHandle) return;
    countedClose(fdOf(handle_));
    handle_ = kNoHandle;
}

bool fileSize(const File& file, std::uint64_t& size) {
    struct stat st;
    if (!file.isOpen() || ::fstat(fdOf(file.handle_), &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
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
        ssize_t got = ::read(fdOf(file.handle_), at + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) file.fault_ = faultOf(errno);
        if (got <= 0) break;
        done += static_cast<std::uint32_t>(got);
    }
    file.delivered_ += done;
    counting::noteRead(done);
    return done;
}

bool deleteFile(const char* path) { return ::unlink(path) == 0; }

bool replaceFile(const char* from, const char* to) { return ::rename(from, to) == 0; }

bool writeWholeFile(const char* path, std::initializer_list<BytePiece> pieces) {
    IoFault fault = IoFault::None;
    int fd = countedOpen(AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC, fault, 0666);
    if (fd < 0) return false;
    bool whole = true;
    for (const BytePiece& piece : pieces) {
        const auto* at = static_cast<const char*>(piece.bytes);
        std::size_t done = 0;
        while (done < piece.size) {
            ssize_t put = ::write(fd, at + done, piece.size - done);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) break;
            done += static_cast<std::size_t>(put);
        }
        whole = whole && done == piece.size;
    }
    bool closed = ::close(fd) == 0;
    counting::noteHandleClosed();
    return whole && closed;
}

bool createFolder(const char* path) { return ::mkdir(path, 0777) == 0; }

bool isFolder(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool identityOf(const File& file, FileIdentity& identity) {
    struct stat st;
    if (!file.isOpen() || ::fstat(fdOf(file.handle_), &st) != 0) return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool identityOfPath(const char* path, FileIdentity& identity) {
    struct stat st;
    if (::stat(path, &st) != 0) return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool stampOf(const File& file, FileStamp& stamp) {
    struct stat st;
    if (!file.isOpen() || ::fstat(fdOf(file.handle_), &st) != 0) return false;
    stamp = stampFrom(st);
    return true;
}

bool stampOfPath(const char* path, FileStamp& stamp) {
    struct stat st;
    if (::stat(path, &st) != 0) return false;
    stamp = stampFrom(st);
    return true;
}

namespace {

// POSIX acts on names: the name must still be the open file's just before.
bool namesOpenFile(const char* path, const File& file) {
    FileIdentity named, open;
    return identityOfPath(path, named) && identityOf(file, open) && named == open;
}

bool writeAll(int fd, const char* bytes, std::size_t count, std::uint64_t& written) {
    while (count > 0) {
        if (written + count > counting::copyWriteLimit()) {
            errno = ENOSPC;
            return false;
        }
        ssize_t put = ::write(fd, bytes, count);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes += put;
        count -= static_cast<std::size_t>(put);
        written += static_cast<std::uint64_t>(put);
    }
    return true;
}

DisposalFault disposalFaultOf(int error) {
    switch (error) {
        case EBUSY:
        case ETXTBSY: return DisposalFault::InUse;
        case EACCES:
        case EPERM:
        case EROFS: return DisposalFault::FolderReadOnly;
        case EEXIST: return DisposalFault::NameTaken;
        case ENOSPC:
        case EDQUOT: return DisposalFault::FolderFull;
        case EXDEV: return DisposalFault::OtherVolume;
        case EOPNOTSUPP: return DisposalFault::NoHardLinks;
        case EMLINK: return DisposalFault::LinkLimit;
        default: return DisposalFault::Other;
    }
}

// Copies the open file to a new file at `target`; a copy that cannot be
// made whole is removed again.
DisposalFault copyOpenFile(int from, const char* target) {
    int to = ::open(target, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (to < 0) return disposalFaultOf(errno);
    std::vector<char> buffer(1 << 20);
    std::uint64_t written = 0;
    DisposalFault fault = DisposalFault::None;
    for (off_t at = 0; fault == DisposalFault::None;) {
        ssize_t got = ::pread(from, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fault = DisposalFault::Other;
        if (got <= 0) break;
        if (!writeAll(to, buffer.data(), static_cast<std::size_t>(got), written)) fault = disposalFaultOf(errno);
        at += got;
    }
    if (fault == DisposalFault::None && ::fsync(to) != 0) fault = disposalFaultOf(errno);
    if (::close(to) != 0 && fault == DisposalFault::None) fault = disposalFaultOf(errno);
    if (fault != DisposalFault::None) ::unlink(target);
    return fault;
}

// The path's name goes; it must still name the open file just before.
DisposalFault unlinkOpenFile(const std::string& path, const File& file) {
    if (!namesOpenFile(path.c_str(), file)) return DisposalFault::Other;
    return ::unlink(path.c_str()) == 0 ? DisposalFault::None : disposalFaultOf(errno);
}

}  // namespace

DisposalFault deleteOpenFile(File& file) {
    DisposalFault fault = file.isOpen() ? unlinkOpenFile(file.disposalPath_, file) : DisposalFault::Other;
    file.close();
    return fault;
}

DisposalFault moveOpenFile(File& file, const char* target) {
    const std::string path = file.disposalPath_;
    if (!file.isOpen() || !namesOpenFile(path.c_str(), file)) {
        file.close();
        return DisposalFault::Other;
    }
    DisposalFault fault = DisposalFault::None;
    // link + unlink never replaces an existing target, where rename would.
    // Where no link can be made (another volume, a file system without
    // links), the bytes are copied. What was put at the target goes again
    // when the file cannot leave its path.
    if (!counting::movesCopy() && ::link(path.c_str(), target) == 0) {
        fault = namesOpenFile(target, file) ? unlinkOpenFile(path, file) : DisposalFault::Other;
        if (fault != DisposalFault::None) ::unlink(target);
    } else if (counting::movesCopy() || errno == EXDEV || errno == EPERM) {
        fault = copyOpenFile(fdOf(file.handle_), target);
        if (fault == DisposalFault::None) {
            fault = unlinkOpenFile(path, file);
            if (fault != DisposalFault::None) ::unlink(target);
        }
    } else {
        fault = disposalFaultOf(errno);
    }
    file.close();
    return fault;
}

namespace {

std::atomic<std::uint32_t> gTemporaryNames{0};

// A name no one else picks, in the folder of `path`.
std::string temporaryNameBeside(const std::string& path) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    return folder + ".pairlook-link-" + std::to_string(::getpid()) + "-" + std::to_string(++gTemporaryNames);
}

// The permissions forbid every write: the user has kept it from changing,
// and replacing it would change it.
bool isReadOnly(const File& file) {
    struct stat st;
    return ::fstat(FileInternals::descriptorOf(file), &st) != 0 || (st.st_mode & 0222) == 0;
}

// Makes a link to the partner under a temporary name beside `path`.
DisposalFault linkBeside(const std::string& path, const char* partnerPath, std::string& temporary) {
    for (int attempt = 0;; ++attempt) {
        temporary = temporaryNameBeside(path);
        if (::link(partnerPath, temporary.c_str()) == 0) return DisposalFault::None;
        // Refused outright: the file system makes no links.
        if (errno == EPERM) return DisposalFault::NoHardLinks;
        if (errno != EEXIST || attempt == 9) return disposalFaultOf(errno);
    }
}

// Puts the link at `temporary` in the place of the duplicate at `path`.
// The exchange is one step, and what it took from the path is checked
// after it: anything but the duplicate goes back. Where the file system
// has no exchange, the path is checked just before it is renamed over.
DisposalFault putInPlace(const std::string& temporary, const std::string& path, const File& duplicate) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
        if (namesOpenFile(temporary.c_str(), duplicate)) {
            ::unlink(temporary.c_str());  // the duplicate's last name
            return DisposalFault::None;
        }
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE);
        ::unlink(temporary.c_str());
        return DisposalFault::Other;
    }
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
        ::unlink(temporary.c_str());
        return disposalFaultOf(error);
    }
    if (namesOpenFile(path.c_str(), duplicate) && ::rename(temporary.c_str(), path.c_str()) == 0) return DisposalFault::None;
    ::unlink(temporary.c_str());
    return DisposalFault::Other;
}

DisposalFault linkInPlaceOf(const std::string& path, const File& duplicate, const File& partner, const char* partnerPath) {
    if (!duplicate.isOpen() || !partner.isOpen() || !namesOpenFile(path.c_str(), duplicate) ||
        !namesOpenFile(partnerPath, partner))
        return DisposalFault::Other;
    if (isReadOnly(duplicate)) return DisposalFault::ReadOnly;
    std::string temporary;
    if (DisposalFault fault = linkBeside(path, partnerPath, temporary); fault != DisposalFault::None) return fault;
    // Linked by name: it must be the partner itself, not what came to its path.
    if (!namesOpenFile(temporary.c_str(), partner)) {
        ::unlink(temporary.c_str());
        return DisposalFault::Other;
    }
    return putInPlace(temporary, path, duplicate);
}

}  // namespace

DisposalFault replaceWithLink(File& duplicate, File& partner, const char* partnerPath) {
    const DisposalFault fault = linkInPlaceOf(duplicate.disposalPath_, duplicate, partner, partnerPath);
    duplicate.close();
    return fault;
}

// ---- Folder listings ---------------------------------------------------

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&& other) noexcept = default;
Folder& Folder::operator=(Folder&& other) noexcept = default;

namespace {

// Whether the file system's inode numbers stay with their files. FAT and
// exFAT have none on disk: Linux numbers their files as it meets them, and
// a number may pass to another file after a remount.
bool inodesStable(int fd) {
#ifdef __linux__
    constexpr long kFat = 0x4d44, kExFat = 0x2011BAB0;
    struct statfs system;
    if (::fstatfs(fd, &system) == 0) return system.f_type != kFat && system.f_type != kExFat;
#else
    (void)fd;
#endif
    return true;
}

// Lists the folder open at fd, which the state then owns; nullptr when it
// cannot be listed (the fd is closed then).
std::unique_ptr<FolderState> listFolderAt(int fd, IoFault& fault) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        fault = faultOf(errno);
        countedClose(fd);
        return nullptr;
    }
    auto state = std::make_unique<FolderState>();
    state->fd = fd;
    state->dir = dir;
    const bool stable = inodesStable(fd);
    // A folder that opens but cannot be read to its end is not listed: a
    // part of it would pass for the whole.
    for (errno = 0;; errno = 0) {
        dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno == 0) break;
            fault = faultOf(errno);
            return nullptr;  // the state's dir closes with it
        }
        ListedItem item;
        item.name = entry->d_name;
        item.diskOrder = static_cast<std::uint64_t>(entry->d_ino);
        struct stat st;
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            item.kind = kindOf(st.st_mode);
            if (S_ISREG(st.st_mode)) {
                item.stamp = stampFrom(st);
                if (!stable) item.stamp.identity.fileId = 0;  // no identity the cache could key by
                item.size = item.stamp.size;
            }
        }
        state->items.push_back(std::move(item));
    }
    std::sort(state->items.begin(), state->items.end(),
              [](const ListedItem& a, const ListedItem& b) { return a.name < b.name; });
    return state;
}

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY;

}  // namespace

Folder openFolder(const char* path) {
    Folder folder;
    if (counting::folderRefused(path)) {
        folder.fault_ = IoFault::OfFile;
        return folder;
    }
    int fd = countedOpen(AT_FDCWD, *path ? path : ".", kFolderFlags, folder.fault_);
    if (fd >= 0) folder.state_ = listFolderAt(fd, folder.fault_);
    if (folder.state_) folder.state_->path = path;
    return folder;
}

Folder holdFolder(const char* path) {
    Folder folder;
    int fd = countedOpen(AT_FDCWD, *path ? path : ".", kFolderFlags, folder.fault_);
    if (fd < 0) return folder;
    folder.state_ = std::make_unique<FolderState>();
    folder.state_->path = path;
    folder.state_->fd = fd;
    return folder;
}

File openForReading(const Folder& folder, const char* name) {
    if (!folder.isOpen()) return openForReading(name);
    const FolderState& state = *folder.state_;
    // The full path only matters to the short-read test switch.
    std::string path = counting::readLimitsSet() ? state.path + '/' + name : std::string();
    return FileInternals::openRegular(state.fd, name, O_NOFOLLOW, path.c_str());
}

WholeFile readListedFile(const Folder& folder, const char* name, const char* path, std::uint32_t size,
                         void* buffer, IoFault& fault) {
    fault = IoFault::None;
    const bool held = folder.isOpen();
    // O_NONBLOCK: a FIFO put in the file's place neither blocks the open nor
    // the read; whatever it gives cannot be the listed bytes and their end.
    int fd = countedOpen(held ? folder.state_->fd : AT_FDCWD, held ? name : path,
                         O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, fault);
    if (fd < 0) return WholeFile::Unopened;
    counting::noteOpen();
    // One byte more than listed is asked for: a read of a regular file gives
    // all it has up to the count, so a read that ends at `size` found the
    // file's end there, and no further call is made to see the end.
    const std::uint64_t limit = counting::readLimitFor(path);
    const std::uint64_t want = std::min<std::uint64_t>(std::uint64_t{size} + 1, limit);
    auto* at = static_cast<char*>(buffer);
    std::uint64_t done = 0;
    while (done < want && done < size) {
        ssize_t got = ::read(fd, at + done, want - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fault = faultOf(errno);
        if (got <= 0) break;
        done += static_cast<std::uint64_t>(got);
    }
    counting::noteRead(done);
    countedClose(fd);
    return done == size ? WholeFile::Read : WholeFile::Changed;
}

std::size_t foldersToHold() {
    // Left for the files a search holds open at once (a side-by-side read
    // holds up to 64 on each worker), the comparator and the cache file.
    constexpr std::uint64_t kLeftForFiles = 512;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    const std::uint64_t open = static_cast<std::uint64_t>(std::max<std::int64_t>(openHandleCount(), 0));
    const std::uint64_t most = std::min<std::uint64_t>(limit.rlim_cur, std::uint64_t{1} << 24);
    return most > open + kLeftForFiles ? static_cast<std::size_t>(most - open - kLeftForFiles) : 0;
}

void allowManyHandles() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

Folder openSubfolder(const Folder& parent, const std::string& name) {
    Folder folder;
    if (!parent.isOpen()) {
        folder.fault_ = IoFault::OfFile;
        return folder;
    }
    const std::string path = parent.state_->path + '/' + name;
    if (counting::folderRefused(path.c_str())) {
        folder.fault_ = IoFault::OfFile;
        return folder;
    }
    // Relative to the parent's own handle, and never through a link: the
    // path above cannot have been swapped, and this name is not followed.
    int fd = countedOpen(parent.state_->fd, name.c_str(), kFolderFlags | O_NOFOLLOW, folder.fault_);
    if (fd >= 0) folder.state_ = listFolderAt(fd, folder.fault_);
    if (folder.state_) folder.state_->path = path;
    return folder;
}

bool nextItem(Folder& folder, ListedItem& item) {
    FolderState* state = folder.state_.get();
    if (!state || state->next >= state->items.size()) return false;
    item = std::move(state->items[state->next++]);
    return true;
}

bool identityOf(const Folder& folder, FileIdentity& identity) {
    struct stat st;
    if (!folder.state_ || ::fstat(folder.state_->fd, &st) != 0) return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

// ---- Memory ------------------------------------------------------------

Block::~Block() { std::free(raw_); }

Block allocateBlock(std::size_t bytes) {
    Block block;
    if (counting::allocationsFail()) return block;
    block.raw_ = std::calloc(page_aligned::rawSizeFor(bytes), 1);
    block.bytes_ = static_cast<std::uint8_t*>(page_aligned::placeIn(block.raw_));
    block.size_ = block.bytes_ ? bytes : 0;
    return block;
}

void showMessage(const char* text) { std::fprintf(stderr, "Pairlook.exe: %s\n", text); }

void showNotEnoughMemory() { showMessage("Not enough memory"); }

void setConsoleMode(bool console) { gConsoleMode = console; }

std::string lastWriteText(const char* path) {
    struct stat st;
    if (::stat(path, &st) != 0) return {};
    std::tm local{};
    ::localtime_r(&st.st_mtime, &local);
    char buffer[64];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%X  %x", &local);
    return std::string(buffer, length);
}

std::string searchProgramFile(const char* fileName) {
    char own[4096];
    ssize_t length = ::readlink("/proc/self/exe", own, sizeof own - 1);
    if (length <= 0) return {};
    own[length] = '\0';
    std::string folder(own);
    folder.erase(folder.rfind('/') + 1);
    std::string candidate = folder + fileName;
    return ::access(candidate.c_str(), F_OK) == 0 ? candidate : std::string();
}

DriveType driveTypeOf(const std::string&) { return DriveType::Fixed; }

std::int64_t stampTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanosecondsOf(now);
}

std::string appDataFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return config;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config";
    return {};
}

}  // namespace platform
