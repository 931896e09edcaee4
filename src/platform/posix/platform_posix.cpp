// The platform layer on POSIX: the native build of pairlook-cli and the tests.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

int fdOf(FileHandle file) { return static_cast<int>(file); }

ItemKind kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return ItemKind::Link;
    if (S_ISDIR(mode)) return ItemKind::Folder;
    if (S_ISREG(mode)) return ItemKind::File;
    return ItemKind::Other;
}

struct Listing {
    std::vector<ListedItem> items;
    std::size_t next = 0;
};

}  // namespace

FileHandle openForReading(const char* path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused just after.
    // On a regular file the flag changes nothing, so it is left set.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return kNoFile;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kNoFile;
    }
    // Large files are read from start to end: a larger read-ahead window.
    // Small ones are read whole at once, where the advice only costs a call.
    constexpr off_t kAdviseFrom = 1 << 20;
    if (st.st_size >= kAdviseFrom) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    counting::noteOpen();
    return fd;
}

bool fileSize(FileHandle file, std::uint64_t& size) {
    struct stat st;
    if (file == kNoFile || ::fstat(fdOf(file), &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

std::uint32_t readFile(FileHandle file, void* buffer, std::uint32_t count) {
    if (file == kNoFile) return 0;
    std::uint32_t done = 0;
    auto* at = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t got = ::read(fdOf(file), at + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::uint32_t>(got);
    }
    counting::noteRead(done);
    return done;
}

void closeFile(FileHandle file) {
    if (file != kNoFile) ::close(fdOf(file));
}

bool deleteFile(const char* path) { return ::unlink(path) == 0; }

bool moveFile(const char* from, const char* to) {
    // link + unlink refuses an existing target where rename would replace it;
    // across file systems there is no safe move, so it fails.
    if (::link(from, to) != 0) return false;
    if (::unlink(from) != 0) {
        ::unlink(to);
        return false;
    }
    return true;
}

bool replaceFile(const char* from, const char* to) { return ::rename(from, to) == 0; }

bool createFolder(const char* path) { return ::mkdir(path, 0777) == 0; }

bool isFolder(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool identityOf(FileHandle file, FileIdentity& identity) {
    struct stat st;
    if (file == kNoFile || ::fstat(fdOf(file), &st) != 0) return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool identityOfPath(const char* path, FileIdentity& identity) {
    struct stat st;
    if (::stat(path, &st) != 0) return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

ListingHandle openListing(const char* folder) {
    DIR* dir = ::opendir(*folder ? folder : ".");
    if (!dir) return nullptr;
    int dirFd = ::dirfd(dir);
    auto* listing = new Listing;
    while (dirent* entry = ::readdir(dir)) {
        ListedItem item;
        item.name = entry->d_name;
        item.diskOrder = static_cast<std::uint64_t>(entry->d_ino);
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            item.kind = kindOf(st.st_mode);
            item.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        }
        listing->items.push_back(std::move(item));
    }
    ::closedir(dir);
    std::sort(listing->items.begin(), listing->items.end(),
              [](const ListedItem& a, const ListedItem& b) { return a.name < b.name; });
    return listing;
}

bool nextItem(ListingHandle handle, ListedItem& item) {
    auto* listing = static_cast<Listing*>(handle);
    if (!listing || listing->next >= listing->items.size()) return false;
    item = std::move(listing->items[listing->next++]);
    return true;
}

void closeListing(ListingHandle handle) { delete static_cast<Listing*>(handle); }

void* allocateZeroed(std::size_t bytes) {
    if (counting::allocationsFail()) return nullptr;
    return page_aligned::placeIn(std::calloc(page_aligned::rawSizeFor(bytes), 1));
}

void releaseBlock(void* block) { std::free(page_aligned::rawOf(block)); }


void showNotEnoughMemory() { std::fputs("Pairlook.exe: Not enough memory\n", stderr); }

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

std::string appDataFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return config;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config";
    return {};
}

}  // namespace platform
