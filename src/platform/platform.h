// What the engine needs from the operating system. One header, two
// implementations: win32/ (the program and its tests under Wine) and posix/
// (pairlook-cli and the native tests). Plain functions, no class hierarchy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

namespace platform {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// ---- Files -------------------------------------------------------------

// Why an open, a listing or a read came short.
enum class IoFault : std::uint8_t {
    None,
    OfFile,        // missing, no access, not a regular file, a link, a bad sector: the item's own
    InUse,         // another program holds it open without sharing, or has locked it: the item's own
    OutOfHandles,  // the process or the system has no handle to spare
    OutOfMemory,   // the system could not find the memory for the call
};
// A fault of the process, not of the item: results would silently change.
inline bool isProcessFault(IoFault fault) {
    return fault == IoFault::OutOfHandles || fault == IoFault::OutOfMemory;
}

// Volume/device and file id: two paths with equal identity name one file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t fileId = 0;
    bool operator==(const FileIdentity&) const = default;
};

// What a file is and how it stands: a write, even one whose last-write time
// was put back afterwards, moves its change time.
struct FileStamp {
    FileIdentity identity;
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;
    std::int64_t changed = 0;
    bool operator==(const FileStamp&) const = default;
};

// The system's time now, in the units of FileStamp's times (nanoseconds
// since 1970 on POSIX, 100 ns since 1601 on Windows).
std::int64_t stampTimeNow();
#ifdef _WIN32
constexpr std::int64_t kStampTicksPerSecond = 10'000'000;
#else
constexpr std::int64_t kStampTicksPerSecond = 1'000'000'000;
#endif

class Folder;
enum class DisposalFault : std::uint8_t;
enum class WholeFile : std::uint8_t;
struct FileInternals;  // each platform's own helpers

// An open file, read from its start on. Closed when it goes; moved, never copied.
class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept { take(other); }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            take(other);
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return handle_ != kNoHandle; }
    // Why the open failed, or why the last read delivered less than asked.
    IoFault fault() const { return fault_; }
    // The full 64-bit length when the file was opened.
    std::uint64_t sizeAtOpen() const { return sizeAtOpen_; }
    void close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    void take(File& other) {
        handle_ = other.handle_;
        sizeAtOpen_ = other.sizeAtOpen_;
        delivered_ = other.delivered_;
        readLimit_ = other.readLimit_;
        fault_ = other.fault_;
        disposalPath_ = std::move(other.disposalPath_);
        identity_ = other.identity_;
        other.handle_ = kNoHandle;
    }

    friend struct FileInternals;
    friend File openForReading(const char* path);
    friend File openForReading(const Folder& folder, const char* name);
    friend bool fileSize(const File& file, std::uint64_t& size);
    friend std::uint32_t readFile(File& file, void* buffer, std::uint32_t count);
    friend bool identityOf(const File& file, FileIdentity& identity);
    friend bool stampOf(const File& file, FileStamp& stamp);
    friend File openForDisposal(const char* path);
    friend DisposalFault deleteOpenFile(File& file);
    friend DisposalFault moveOpenFile(File& file, const char* target);
    friend DisposalFault replaceWithLink(File& duplicate, File& partner, const char* partnerPath);

    std::intptr_t handle_ = kNoHandle;
    std::uint64_t sizeAtOpen_ = 0;
    std::uint64_t delivered_ = 0;  // bytes read so far
    std::uint64_t readLimit_ = ~std::uint64_t{0};  // test switch: reads end here
    IoFault fault_ = IoFault::None;
    std::string disposalPath_;  // the path it was opened at for disposal
    // An open file stays the file it is; where asking is slow, it is asked once.
    mutable std::optional<FileIdentity> identity_;
};

// Opens an existing file for reading, letting others read it at the same time.
// On POSIX only regular files open (a pipe or device would block or never end);
// anything else, a folder included, does not open (IoFault::OfFile).
File openForReading(const char* path);
// The file's full 64-bit length now; false when it cannot be told.
bool fileSize(const File& file, std::uint64_t& size);
// Reads up to count bytes at the current position; returns the bytes delivered
// (0 at the end or on failure). Keeps reading until count or the end; when it
// delivers less, file.fault() tells whether a failure cut it short.
std::uint32_t readFile(File& file, void* buffer, std::uint32_t count);

bool deleteFile(const char* path);
// Moves a file over an existing one in one step (used to replace the
// settings file by its freshly written temporary copy).
bool replaceFile(const char* from, const char* to);
// Writes a new file (or replaces one) with the bytes of these pieces, one
// after the other; false when any write, or the final flush and close, fails.
struct BytePiece {
    const void* bytes = nullptr;
    std::size_t size = 0;
};
bool writeWholeFile(const char* path, std::initializer_list<BytePiece> pieces);
inline bool writeWholeFile(const char* path, const void* bytes, std::size_t size) {
    return writeWholeFile(path, {BytePiece{bytes, size}});
}
// Writes the pieces to `temporary`, then moves it in place of `path` in one
// step: a reader finds the old file or the new one, never a part. The
// temporary file is deleted when either step fails.
inline bool replaceWithWholeFile(const char* temporary, const char* path, std::initializer_list<BytePiece> pieces) {
    if (writeWholeFile(temporary, pieces) && replaceFile(temporary, path)) return true;
    deleteFile(temporary);
    return false;
}
// Creates one folder level; false when it exists or cannot be made.
bool createFolder(const char* path);
bool isFolder(const char* path);

bool identityOf(const File& file, FileIdentity& identity);
bool identityOfPath(const char* path, FileIdentity& identity);
bool stampOf(const File& file, FileStamp& stamp);
// The stamp of what the path names now, through a link as opening it would.
bool stampOfPath(const char* path, FileStamp& stamp);
// Whether the path still names the file as it was stamped: not written (its
// change time moves even when its write time is put back), not replaced,
// not gone.
inline bool stillStamped(const char* path, const FileStamp& stamp) {
    FileStamp now;
    return stampOfPath(path, now) && now == stamp;
}

// Disposal of exactly the file that was checked. A file opened for reading
// (above) cannot be written, deleted or moved by anyone while it is open
// (Windows; POSIX has no such hold). A file opened for disposal cannot be
// written either, but it may be deleted or moved: by the calls below, which
// act on the open file itself and not on whatever its path names by then.
File openForDisposal(const char* path);

// Why a file could not be deleted, moved or replaced by a link.
enum class DisposalFault : std::uint8_t {
    None,
    InUse,           // another program holds it open or has locked it
    ReadOnly,        // the file is read-only
    FolderReadOnly,  // a folder would not give up or take the name
    NameTaken,       // a move: an item of that name is where it would go
    FolderFull,      // a move: no room is left where it would go
    OtherVolume,     // a link: the two files lie on different volumes
    NoHardLinks,     // a link: the file system keeps no hard links
    LinkLimit,       // a link: the partner has as many links as its file system allows
    Other,
};
constexpr std::size_t kDisposalFaultCount = 10;

// Deletes the open file and closes it.
DisposalFault deleteOpenFile(File& file);
// Moves the open file to `target`, never over an existing item, and closes
// it. Across volumes its bytes are copied from the open file and the file
// goes only once the copy is whole; a failed copy is removed again.
DisposalFault moveOpenFile(File& file, const char* target);

// Replaces the open file (opened for disposal) by a hard link to the open
// partner, which `partnerPath` must name, and closes it. The link is made
// under a temporary name in the file's folder and put in the file's place
// in one step; on any failure the file stays at its path as it was. A
// read-only file is never replaced. The partner stays held against writes,
// but its names, the new link's among them, may then be moved or deleted.
DisposalFault replaceWithLink(File& duplicate, File& partner, const char* partnerPath);

// Reading counters, so tests can prove a file was never opened or read.
struct IoCounters {
    std::uint64_t opens = 0;
    std::uint64_t reads = 0;
    std::uint64_t bytesRead = 0;
};
IoCounters ioCounters();
void resetIoCounters();
// Files and folders open right now, through this layer.
std::int64_t openHandleCount();

// Test switches. Reads of the file at exactly `path` (as opened) stop at
// `offset`, as if it had been cut short there; an empty path ends the switch.
void shortenReadsForTesting(const std::string& path, std::uint64_t offset);
// Every open of a file or folder fails as when the process has no handle left.
void exhaustHandlesForTesting(bool exhausted);
// openFolder of exactly `path` fails as for a folder the user may not list
// (IoFault::OfFile); an empty path ends the switch. Root may list any folder,
// so permissions cannot stand in for it.
void refuseFolderForTesting(const std::string& path);
// Windows: listings with file ids are refused, as by a file system that has
// none, and folders are listed without them. POSIX listings always have them.
void listWithoutFileIdsForTesting(bool on);
// While on, every moveOpenFile copies as across volumes, and the copy's
// writes fail after `writesFailAfter` bytes, as on a full volume.
void copyMovesForTesting(bool on, std::uint64_t writesFailAfter = ~std::uint64_t{0});

// ---- Folder listings ---------------------------------------------------

enum class ItemKind { Folder, File, Link, Other };

struct ListedItem {
    std::string name;            // name within the folder, "." and ".." included
    ItemKind kind = ItemKind::Other;
    std::uint64_t size = 0;      // file length where the listing gives it
    std::uint64_t diskOrder = 0; // where the item lies on disk (inode); 0 when unknown
    // A file's identity, size and times as the listing found them; identity
    // zero when the listing does not tell it.
    FileStamp stamp;
};

// An open folder: its items, one by one, and the handle its subfolders are
// opened from, so that a folder swapped for a link while the tree is walked
// cannot lead outside it. Closed when it goes; moved, never copied.
struct FolderState;  // each platform's own
class Folder {
public:
    Folder();
    ~Folder();
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    bool isOpen() const { return state_ != nullptr; }
    // Why it did not open, or why its listing stopped before its end.
    IoFault fault() const { return fault_; }

private:
    friend Folder openFolder(const char* path);
    friend Folder holdFolder(const char* path);
    friend Folder openSubfolder(const Folder& parent, const std::string& name);
    friend File openForReading(const Folder& folder, const char* name);
    friend WholeFile readListedFile(const Folder& folder, const char* name, const char* path, std::uint32_t size,
                                    void* buffer, IoFault& fault);
    friend bool nextItem(Folder& folder, ListedItem& item);
    friend bool identityOf(const Folder& folder, FileIdentity& identity);

    std::unique_ptr<FolderState> state_;
    IoFault fault_ = IoFault::None;
};

// Opens a folder by its path (without trailing separator, or a root). POSIX
// lists names sorted in byte order so that runs are repeatable; Windows keeps
// the file system's order.
Folder openFolder(const char* path);
// Opens the subfolder `name` of an open folder, never through a link: a name
// that has become a link, or anything but a folder, does not open (OfFile).
Folder openSubfolder(const Folder& parent, const std::string& name);
// The next item; false at the end, or when the listing failed (fault()).
bool nextItem(Folder& folder, ListedItem& item);
// The identity of an open folder (not of what its path names by now).
bool identityOf(const Folder& folder, FileIdentity& identity);
// Opens a folder only to open the files in it by name: nothing is listed.
Folder holdFolder(const char* path);
// Opens the file `name` of an open folder for reading, as openForReading
// does, relative to the folder and never through a link.
File openForReading(const Folder& folder, const char* name);

// How reading a listed file whole came out.
enum class WholeFile : std::uint8_t {
    Read,      // exactly the bytes the listing gave it, then its end
    Changed,   // fewer or more, or no regular file by now: not the file listed
    Unopened,  // it could not be opened (IoFault tells why)
};
// Reads a file that a listing found regular and `size` bytes long whole
// into `buffer` (room for size + 1 bytes): opened by `name` relative to
// `folder` where that is open, else by `path`, never through a link. The
// byte count that comes back tells a changed file, so the system is not
// asked for the kind and size again (on POSIX one call fewer per file,
// a tenth of reading many small ones).
WholeFile readListedFile(const Folder& folder, const char* name, const char* path, std::uint32_t size,
                         void* buffer, IoFault& fault);

// How many more folders the process may hold open (holdFolder) and still
// have handles for what it opens besides. Windows holds no handle for them.
std::size_t foldersToHold();
// Lets the process hold as many handles as the system allows it (POSIX
// raises its soft limit of open files to the hard one); for front ends.
void allowManyHandles();

// ---- Memory ------------------------------------------------------------

// A zero-filled block that starts on a page. Released when it goes; moved,
// never copied. Empty when the memory could not be had.
class Block {
public:
    Block() = default;
    ~Block();
    Block(Block&& other) noexcept : raw_(other.raw_), bytes_(other.bytes_), size_(other.size_) {
        other.raw_ = nullptr;
        other.bytes_ = nullptr;
        other.size_ = 0;
    }
    Block& operator=(Block&& other) noexcept {
        Block gone(std::move(*this));
        raw_ = other.raw_;
        bytes_ = other.bytes_;
        size_ = other.size_;
        other.raw_ = nullptr;
        other.bytes_ = nullptr;
        other.size_ = 0;
        return *this;
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    explicit operator bool() const { return bytes_ != nullptr; }
    std::uint8_t* bytes() const { return bytes_; }
    std::size_t size() const { return size_; }

private:
    friend Block allocateBlock(std::size_t bytes);
    void* raw_ = nullptr;
    std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
};

// Empty when the memory cannot be had (or the test switch below makes it fail).
Block allocateBlock(std::size_t bytes);
void failAllocationsForTesting(bool fail);

// A message of the program's own: a message box with caption "Pairlook.exe"
// in the program; a line on standard error in console mode.
void showMessage(const char* text);
// "Not enough memory".
void showNotEnoughMemory();
void setConsoleMode(bool console);

// ---- System ------------------------------------------------------------

// Last-write time of a file as the user's locale writes time and date; empty
// when it cannot be read.
std::string lastWriteText(const char* path);

// Full path of a program file found by the platform's search (the program's own
// folder first); empty when not found.
std::string searchProgramFile(const char* fileName);

enum class DriveType { Unknown, Removable, Fixed, Remote, Other };
// root is a drive root such as "C:\"; POSIX knows no drive letters and answers Fixed.
DriveType driveTypeOf(const std::string& root);

// The user's roaming application-data folder without trailing separator;
// empty when unknown.
std::string appDataFolder();

}  // namespace platform
