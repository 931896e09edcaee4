// What the engine needs from the operating system. One header, two
// implementations: win32/ (the program and its tests under Wine) and posix/
// (pairlook-cli and the native tests). Plain functions, no class hierarchy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// ---- Files -------------------------------------------------------------

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Opens an existing file for reading, letting others read it at the same time.
// On POSIX only regular files open (a pipe or device would block or never end);
// anything else, a folder included, yields kNoFile.
FileHandle openForReading(const char* path);
// The file's full 64-bit length; false when it cannot be told.
bool fileSize(FileHandle file, std::uint64_t& size);
// Reads up to count bytes at the current position; returns the bytes delivered
// (0 at the end or on failure). Keeps reading until count or the end.
std::uint32_t readFile(FileHandle file, void* buffer, std::uint32_t count);
void closeFile(FileHandle file);

bool deleteFile(const char* path);
// Moves a file; fails rather than overwrite an existing target.
bool moveFile(const char* from, const char* to);
// Moves a file over an existing one in one step (used to replace the
// settings file by its freshly written temporary copy).
bool replaceFile(const char* from, const char* to);
// Creates one folder level; false when it exists or cannot be made.
bool createFolder(const char* path);
bool isFolder(const char* path);

// Volume/device and file id: two paths with equal identity name one file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t fileId = 0;
    bool operator==(const FileIdentity&) const = default;
};
bool identityOf(FileHandle file, FileIdentity& identity);
bool identityOfPath(const char* path, FileIdentity& identity);

// Reading counters, so tests can prove a file was never opened or read.
struct IoCounters {
    std::uint64_t opens = 0;
    std::uint64_t reads = 0;
    std::uint64_t bytesRead = 0;
};
IoCounters ioCounters();
void resetIoCounters();

// ---- Folder listings ---------------------------------------------------

enum class ItemKind { Folder, File, Link, Other };

struct ListedItem {
    std::string name;            // name within the folder, "." and ".." included
    ItemKind kind = ItemKind::Other;
    std::uint64_t size = 0;      // file length where the listing gives it
    std::uint64_t diskOrder = 0; // where the item lies on disk (inode); 0 when unknown
};

using ListingHandle = void*;
// Starts listing the items of a folder (path without trailing separator, or a
// root); nullptr when it cannot be listed. POSIX lists names sorted in byte
// order so that runs are repeatable; Windows keeps the file system's order.
ListingHandle openListing(const char* folder);
bool nextItem(ListingHandle listing, ListedItem& item);
void closeListing(ListingHandle listing);

// ---- Memory ------------------------------------------------------------

// Zero-filled block that starts on a page; nullptr when the memory cannot be
// had (or the test switch below makes it fail).
void* allocateZeroed(std::size_t bytes);
void releaseBlock(void* block);
void failAllocationsForTesting(bool fail);

// "Not enough memory": a message box with caption "Pairlook.exe" in the
// program; a line on standard error in console mode.
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
