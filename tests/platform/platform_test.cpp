// What the engine relies on from the platform layer, checked against the
// real file system: the same cases run natively (POSIX) and under Wine (Win32).
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace {

using testing_support::TempFolder;

std::string readWhole(const std::string& path, std::uint32_t chunk) {
    platform::File file = platform::openForReading(path.c_str());
    if (!file.isOpen()) return "<no file>";
    std::string content;
    std::string buffer(chunk, '\0');
    while (std::uint32_t got = platform::readFile(file, buffer.data(), chunk)) content.append(buffer, 0, got);
    return content;
}

std::map<std::string, platform::ListedItem> listAll(const std::string& folder) {
    std::map<std::string, platform::ListedItem> items;
    platform::Folder listing = platform::openFolder(folder.c_str());
    platform::ListedItem item;
    while (platform::nextItem(listing, item)) items[item.name] = item;
    return items;
}

TEST(PlatformFiles, ReadsWholeFileInAnyChunkSize) {
    TempFolder folder;
    std::string content = testing_support::pseudoRandomBytes(100000, 7);
    std::string path = folder.write("data.bin", content);
    for (std::uint32_t chunk : {1u, 4096u, 99999u, 100000u, 1000000u}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(readWhole(path, chunk), content);
    }
}

TEST(PlatformFiles, SizeIsFullLength) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::size_t length;
    };
    for (Case c : {Case{"empty", 0}, Case{"one", 1}, Case{"some", 70001}}) {
        SCOPED_TRACE(c.name);
        std::string path = folder.write(c.name, std::string(c.length, 'x'));
        platform::File file = platform::openForReading(path.c_str());
        ASSERT_TRUE(file.isOpen());
        std::uint64_t size = 12345;
        EXPECT_TRUE(platform::fileSize(file, size));
        EXPECT_EQ(size, c.length);
        EXPECT_EQ(file.sizeAtOpen(), c.length);
    }
}

TEST(PlatformFiles, MissingFileAndFolderDoNotOpen) {
    TempFolder folder;
    folder.makeFolder("sub");
    for (const char* name : {"absent", "sub"}) {
        platform::File file = platform::openForReading(folder.pathOf(name).c_str());
        EXPECT_FALSE(file.isOpen()) << name;
        EXPECT_EQ(file.fault(), platform::IoFault::OfFile) << name;
        EXPECT_EQ(platform::readFile(file, nullptr, 10), 0u);
    }
}

TEST(PlatformFiles, OpenFileCanBeOpenedForReadingAgain) {
    TempFolder folder;
    std::string path = folder.write("shared.txt", "both may read");
    platform::File first = platform::openForReading(path.c_str());
    ASSERT_TRUE(first.isOpen());
    EXPECT_EQ(readWhole(path, 64), "both may read");
}

TEST(PlatformFiles, CountersCountOpensReadsAndBytes) {
    TempFolder folder;
    std::string path = folder.write("counted.txt", "0123456789");
    platform::resetIoCounters();
    platform::openForReading(folder.pathOf("absent").c_str());
    {
        platform::File file = platform::openForReading(path.c_str());
        char buffer[8];
        platform::readFile(file, buffer, sizeof buffer);
        platform::readFile(file, buffer, sizeof buffer);
    }

    platform::IoCounters counters = platform::ioCounters();
    EXPECT_EQ(counters.opens, 1u);
    EXPECT_EQ(counters.reads, 2u);
    EXPECT_EQ(counters.bytesRead, 10u);
    platform::resetIoCounters();
    EXPECT_EQ(platform::ioCounters().opens, 0u);
}

// Each thread keeps its own counts: they still add up across threads, after
// the threads have ended, and for a handle closed on another thread than
// the one that opened it.
TEST(PlatformFiles, CountersAddUpAcrossThreadsThatHaveEnded) {
    TempFolder folder;
    std::string path = folder.write("counted.txt", "0123456789");
    const std::int64_t handlesBefore = platform::openHandleCount();
    platform::resetIoCounters();
    platform::File kept;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            platform::File file = platform::openForReading(path.c_str());
            char buffer[16];
            platform::readFile(file, buffer, sizeof buffer);
            if (t == 0) kept = std::move(file);
        });
    }
    for (std::thread& thread : threads) thread.join();
    platform::IoCounters counters = platform::ioCounters();
    EXPECT_EQ(counters.opens, 3u);
    EXPECT_EQ(counters.reads, 3u);
    EXPECT_EQ(counters.bytesRead, 30u);
    EXPECT_EQ(platform::openHandleCount(), handlesBefore + 1);
    kept.close();
    EXPECT_EQ(platform::openHandleCount(), handlesBefore);
}

TEST(PlatformFiles, ReplaceOverwrites) {
    TempFolder folder;
    std::string b = folder.write("b.txt", "B");
    std::string c = folder.write("c.txt", "A");
    EXPECT_TRUE(platform::replaceFile(c.c_str(), b.c_str()));
    EXPECT_EQ(readWhole(b, 16), "A");
    EXPECT_FALSE(platform::openForReading(c.c_str()).isOpen());
}

TEST(PlatformFiles, DeleteAndCreateFolder) {
    TempFolder folder;
    std::string file = folder.write("gone.txt", "x");
    EXPECT_TRUE(platform::deleteFile(file.c_str()));
    EXPECT_FALSE(platform::deleteFile(file.c_str()));

    std::string sub = folder.pathOf("new");
    EXPECT_FALSE(platform::isFolder(sub.c_str()));
    EXPECT_TRUE(platform::createFolder(sub.c_str()));
    EXPECT_TRUE(platform::isFolder(sub.c_str()));
    EXPECT_FALSE(platform::createFolder(sub.c_str()));
    EXPECT_FALSE(platform::isFolder(folder.write("plain", "x").c_str()));
}

TEST(PlatformFiles, IdentityTellsSameFileFromCopy) {
    TempFolder folder;
    std::string a = folder.write("a.bin", "same bytes");
    std::string copy = folder.write("copy.bin", "same bytes");

    platform::FileIdentity byPath, byHandle, ofCopy;
    ASSERT_TRUE(platform::identityOfPath(a.c_str(), byPath));
    ASSERT_TRUE(platform::identityOf(platform::openForReading(a.c_str()), byHandle));
    ASSERT_TRUE(platform::identityOfPath(copy.c_str(), ofCopy));

    EXPECT_EQ(byPath, byHandle);
    EXPECT_FALSE(byPath == ofCopy);
    EXPECT_FALSE(platform::identityOfPath(folder.pathOf("absent").c_str(), byPath));
}

// Names the system's usual path rules would trim, and a path longer than
// those rules allow, are each the item they name.
TEST(PlatformFiles, EveryNameAndLengthIsTakenExactly) {
    TempFolder folder;
    std::string longFolder;
    for (char c : {'a', 'b', 'c', 'd', 'e'}) longFolder += std::string(55, c) + "/";
    const std::vector<std::pair<std::string, std::string>> files{
        {"x", "plain"}, {"x.", "a dot"}, {"y ", "a space"}, {"d./f", "in a dotted folder"}, {"d/f", "in d"},
        {longFolder + "f", "far down"}};
    for (const auto& [name, content] : files) folder.write(name, content);
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readWhole(folder.pathOf(name), 64), content);
    }
    EXPECT_GT(folder.pathOf(longFolder + "f").size(), 300u);
    EXPECT_EQ(listAll(folder.pathOf(longFolder.substr(0, longFolder.size() - 1))).count("f"), 1u);
    const auto top = listAll(folder.path());
    for (const char* name : {"x", "x.", "y ", "d", "d."}) EXPECT_EQ(top.count(name), 1u) << name;
    EXPECT_TRUE(platform::deleteFile(folder.pathOf("x.").c_str()));
    EXPECT_EQ(readWhole(folder.pathOf("x"), 64), "plain");
}

// What was opened for disposal is what goes; a file put at its path since
// is never touched, and a move never lands on an existing item.
TEST(PlatformFiles, DisposalActsOnTheOpenFileOnly) {
    namespace fs = std::filesystem;
    TempFolder folder;
    std::string path = folder.write("x", "checked");
    platform::File file = platform::openForDisposal(path.c_str());
    ASSERT_TRUE(file.isOpen());
    fs::rename(fs::u8path(path), fs::u8path(path + "-renamed"));
    folder.write("x", "newcomer");
    platform::deleteOpenFile(file);
    EXPECT_EQ(readWhole(path, 64), "newcomer");

    std::string target = folder.write("taken", "taken");
    file = platform::openForDisposal(path.c_str());
    EXPECT_EQ(platform::moveOpenFile(file, target.c_str()), platform::DisposalFault::NameTaken);
    EXPECT_EQ(readWhole(path, 64), "newcomer");
    EXPECT_EQ(readWhole(target, 64), "taken");
    file = platform::openForDisposal(path.c_str());
    EXPECT_EQ(platform::moveOpenFile(file, folder.pathOf("moved").c_str()), platform::DisposalFault::None);
    EXPECT_EQ(readWhole(folder.pathOf("moved"), 64), "newcomer");
    EXPECT_FALSE(fs::exists(fs::u8path(path)));
}

platform::FileIdentity identityAt(const std::string& path) {
    platform::FileIdentity identity;
    EXPECT_TRUE(platform::identityOfPath(path.c_str(), identity)) << path;
    return identity;
}

// The file becomes a link to its partner, or, when that cannot be done, is
// left as it was and the reason told; no temporary name is left behind.
TEST(PlatformLinks, TheFileBecomesALinkOrStaysAsItWas) {
    namespace fs = std::filesystem;
#ifdef _WIN32
    const std::string otherVolume = "Z:\\dev\\shm";  // Wine's view of a tmpfs
#else
    const std::string otherVolume = "/dev/shm";
#endif
    using platform::DisposalFault;
    const std::pair<std::string, DisposalFault> cases[] = {{"linked", DisposalFault::None},
                                                       {"read-only", DisposalFault::ReadOnly},
                                                       {"partner path names another file", DisposalFault::Other},
                                                       {"other volume", DisposalFault::OtherVolume}};
    for (const auto& [what, expected] : cases) {
        SCOPED_TRACE(what);
        TempFolder folder;
        std::string duplicate = folder.write("sub/duplicate", "same bytes");
        std::string partner = folder.write("partner", "same bytes");
        std::string partnerPath = partner;
        if (what == "read-only") {
            fs::permissions(testing_support::exactFsPath(duplicate),
                            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        } else if (what == "partner path names another file") {
            partnerPath = folder.write("other", "same bytes");
        } else if (what == "other volume") {
            if (!platform::isFolder(otherVolume.c_str())) continue;
            partner = partnerPath = otherVolume + platform::kPathSeparator + "pairlook-link-test-" +
                                    std::to_string(identityAt(duplicate).fileId);
            platform::writeWholeFile(partner.c_str(), "same bytes", 10);
        }
        const platform::FileIdentity before = identityAt(duplicate);
        platform::File file = platform::openForDisposal(duplicate.c_str());
        platform::File held = platform::openForReading(partner.c_str());
        EXPECT_EQ(platform::replaceWithLink(file, held, partnerPath.c_str()), expected);
        EXPECT_EQ(identityAt(duplicate), expected == DisposalFault::None ? identityAt(partner) : before);
        EXPECT_EQ(readWhole(duplicate, 64), "same bytes");
        std::set<std::string> names;
        for (const auto& [name, item] : listAll(folder.pathOf("sub"))) names.insert(name);
        EXPECT_EQ(names, (std::set<std::string>{".", "..", "duplicate"}));
        held.close();
        if (what == "other volume") platform::deleteFile(partner.c_str());
    }
}

// Each file comes with its stamp as its path gives it; where the file
// system has no listing with file ids (Windows), the folder is still listed
// whole, its files without an identity.
TEST(PlatformListing, ListsFilesFoldersAndSizes) {
    TempFolder folder;
    const std::string one = folder.write("one.txt", "1");
    folder.write("big.bin", std::string(5000, 'b'));
    folder.makeFolder("inner");
    platform::FileStamp oneStamp;
    ASSERT_TRUE(platform::stampOfPath(one.c_str(), oneStamp));
    for (bool withIds : {true, false}) {
        SCOPED_TRACE(withIds ? "with file ids" : "without file ids");
        platform::listWithoutFileIdsForTesting(!withIds);
        auto items = listAll(folder.path());
        platform::listWithoutFileIdsForTesting(false);
        ASSERT_EQ(items.count("one.txt"), 1u);
        EXPECT_EQ(items["one.txt"].kind, platform::ItemKind::File);
        EXPECT_EQ(items["one.txt"].size, 1u);
        platform::FileStamp expected = oneStamp;
#ifdef _WIN32
        if (!withIds) expected.identity.fileId = 0;
#endif
        EXPECT_EQ(items["one.txt"].stamp, expected);
        EXPECT_EQ(items["big.bin"].kind, platform::ItemKind::File);
        EXPECT_EQ(items["big.bin"].size, 5000u);
        ASSERT_EQ(items.count("inner"), 1u);
        EXPECT_EQ(items["inner"].kind, platform::ItemKind::Folder);
        EXPECT_EQ(items.count("."), 1u);
        EXPECT_EQ(items.count(".."), 1u);
        EXPECT_EQ(items.size(), 5u);
    }
}

TEST(PlatformListing, EmptyFolderHasOnlyDots) {
    TempFolder folder;
    std::string empty = folder.makeFolder("empty");
    auto items = listAll(empty);
    EXPECT_EQ(items.size(), 2u);
    EXPECT_EQ(items.count("."), 1u);
}

TEST(PlatformListing, MissingFolderCannotBeListed) {
    TempFolder folder;
    platform::Folder missing = platform::openFolder(folder.pathOf("absent").c_str());
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(missing.fault(), platform::IoFault::OfFile);
}

TEST(PlatformListing, SubfoldersOpenFromTheirParentButNotFilesOrMissingNames) {
    TempFolder folder;
    folder.write("inner/deep.txt", "d");
    folder.write("plain.txt", "p");
    platform::Folder top = platform::openFolder(folder.path().c_str());
    ASSERT_TRUE(top.isOpen());
    platform::Folder inner = platform::openSubfolder(top, "inner");
    ASSERT_TRUE(inner.isOpen());
    std::map<std::string, platform::ItemKind> kinds;
    platform::ListedItem item;
    while (platform::nextItem(inner, item)) kinds[item.name] = item.kind;
    EXPECT_EQ(kinds["deep.txt"], platform::ItemKind::File);
    for (const char* name : {"plain.txt", "absent"}) {
        platform::Folder refused = platform::openSubfolder(top, name);
        EXPECT_FALSE(refused.isOpen()) << name;
        EXPECT_EQ(refused.fault(), platform::IoFault::OfFile) << name;
    }
}

TEST(PlatformHandles, EveryOpenHandleIsCountedUntilItsOwnerGoes) {
    TempFolder folder;
    std::string path = folder.write("a.txt", "a");
    folder.makeFolder("sub");
    const std::int64_t before = platform::openHandleCount();
    {
        platform::File file = platform::openForReading(path.c_str());
        platform::Folder top = platform::openFolder(folder.path().c_str());
        platform::Folder sub = platform::openSubfolder(top, "sub");
        EXPECT_EQ(platform::openHandleCount(), before + 3);
        platform::File moved = std::move(file);
        platform::Folder movedFolder = std::move(sub);
        EXPECT_EQ(platform::openHandleCount(), before + 3);
        moved.close();
        EXPECT_EQ(platform::openHandleCount(), before + 2);
        platform::openForReading(folder.pathOf("absent").c_str());
        EXPECT_EQ(platform::openHandleCount(), before + 2);
    }
    EXPECT_EQ(platform::openHandleCount(), before);
}

TEST(PlatformHandles, ExhaustedHandlesAreTheProcessesFaultNotTheFiles) {
    TempFolder folder;
    std::string path = folder.write("a.txt", "a");
    platform::exhaustHandlesForTesting(true);
    platform::File file = platform::openForReading(path.c_str());
    platform::Folder listing = platform::openFolder(folder.path().c_str());
    platform::exhaustHandlesForTesting(false);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.fault(), platform::IoFault::OutOfHandles);
    EXPECT_FALSE(listing.isOpen());
    EXPECT_EQ(listing.fault(), platform::IoFault::OutOfHandles);
    EXPECT_TRUE(platform::isProcessFault(file.fault()));
    EXPECT_FALSE(platform::isProcessFault(platform::IoFault::OfFile));
    EXPECT_TRUE(platform::openForReading(path.c_str()).isOpen());
}

TEST(PlatformFiles, TheShortReadSwitchCutsOneFileAtItsOffset) {
    TempFolder folder;
    const std::string content = testing_support::pseudoRandomBytes(10'000, 3);
    std::string cut = folder.write("cut.bin", content);
    std::string whole = folder.write("whole.bin", content);
    platform::shortenReadsForTesting(cut, 2500);
    std::string fromCut = readWhole(cut, 1000);
    std::string fromWhole = readWhole(whole, 1000);
    platform::File file = platform::openForReading(cut.c_str());
    platform::shortenReadsForTesting({}, 0);
    EXPECT_EQ(fromCut, content.substr(0, 2500));
    EXPECT_EQ(fromWhole, content);
    EXPECT_EQ(file.sizeAtOpen(), content.size());  // the size still says more
    std::string buffer(content.size(), '\0');
    EXPECT_EQ(platform::readFile(file, buffer.data(), 4000), 2500u);
    EXPECT_EQ(readWhole(cut, 1000), content);
}

// A file read whole as listed: the bytes that come tell whether it still
// has its listed length, opened through its held folder or by its path.
TEST(PlatformFiles, AListedFileIsReadWholeOnlyWhileItHasItsListedLength) {
    TempFolder folder;
    const std::string content = testing_support::pseudoRandomBytes(1000, 11);
    const std::string path = folder.write("f/listed.bin", content);
    const std::string cut = folder.write("f/cut.bin", content);
    struct Case {
        const char* name;
        std::uint32_t listed;
        platform::WholeFile expected;
    };
    const Case cases[] = {
        {"listed.bin", 1000, platform::WholeFile::Read},
        {"listed.bin", 999, platform::WholeFile::Changed},   // it has grown since
        {"listed.bin", 1001, platform::WholeFile::Changed},  // it has shrunk since
        {"cut.bin", 1000, platform::WholeFile::Changed},     // it comes short while read
        {"absent.bin", 1000, platform::WholeFile::Unopened},
    };
    platform::shortenReadsForTesting(cut, 600);
    for (bool held : {true, false}) {
        platform::Folder inFolder = held ? platform::holdFolder(folder.pathOf("f").c_str()) : platform::Folder();
        ASSERT_EQ(inFolder.isOpen(), held);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " listed " + std::to_string(c.listed) + (held ? " held" : " by path"));
            std::string buffer(c.listed + 1, '\0');
            platform::IoFault fault = platform::IoFault::None;
            const std::string itsPath = folder.pathOf(std::string("f/") + c.name);
            EXPECT_EQ(platform::readListedFile(inFolder, c.name, itsPath.c_str(), c.listed, buffer.data(), fault),
                      c.expected);
            if (c.expected == platform::WholeFile::Read) {
                EXPECT_EQ(buffer.substr(0, c.listed), content);
            }
            if (c.expected == platform::WholeFile::Unopened) {
                EXPECT_EQ(fault, platform::IoFault::OfFile);
            }
        }
    }
    platform::shortenReadsForTesting({}, 0);
    EXPECT_GT(platform::foldersToHold(), 0u);
}

TEST(PlatformFiles, WriteWholeFileReplacesAndReportsFailure) {
    TempFolder folder;
    std::string path = folder.write("out.bin", "old and longer");
    EXPECT_TRUE(platform::writeWholeFile(path.c_str(), "new", 3));
    EXPECT_EQ(readWhole(path, 64), "new");
    EXPECT_FALSE(platform::writeWholeFile(folder.pathOf("absent/out.bin").c_str(), "x", 1));
}

TEST(PlatformMemory, BlocksAreZeroedPageAlignedAndTheSwitchFailsThem) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{4096}, std::size_t{1} << 20,
                             std::size_t{10'000'050}}) {
        platform::Block block = platform::allocateBlock(size);
        ASSERT_TRUE(block) << size;
        EXPECT_EQ(block.size(), size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.bytes()) % 4096, 0u) << size;
        std::size_t nonZero = 0;
        for (std::size_t i = 0; i < size; ++i) nonZero += block.bytes()[i] != 0;
        EXPECT_EQ(nonZero, 0u) << size;
        std::memset(block.bytes(), 0xFF, size);  // the block is writable to its end
        platform::Block moved = std::move(block);
        EXPECT_FALSE(block);
        EXPECT_TRUE(moved);
    }

    platform::failAllocationsForTesting(true);
    EXPECT_FALSE(platform::allocateBlock(16));
    platform::failAllocationsForTesting(false);
    EXPECT_TRUE(platform::allocateBlock(16));
}

TEST(PlatformSystem, LastWriteTextOnlyForExistingItems) {
    TempFolder folder;
    std::string path = folder.write("dated.txt", "x");
    std::string when = platform::lastWriteText(path.c_str());
    EXPECT_FALSE(when.empty());
    EXPECT_NE(when.find(' '), std::string::npos) << when;  // time, blank, date
    EXPECT_TRUE(platform::lastWriteText(folder.pathOf("absent").c_str()).empty());
}

TEST(PlatformSystem, ProgramSearchFindsOwnProgramOnly) {
#ifdef _WIN32
    const char* ownName = "engine_tests.exe";
#else
    const char* ownName = "engine_tests";
#endif
    std::string found = platform::searchProgramFile(ownName);
    ASSERT_GE(found.size(), std::strlen(ownName) + 1);
    EXPECT_EQ(found.substr(found.size() - std::strlen(ownName)), ownName);
    EXPECT_EQ(found[found.size() - std::strlen(ownName) - 1], platform::kPathSeparator);
    EXPECT_TRUE(platform::searchProgramFile("no-such-program-file.exe").empty());
}

TEST(PlatformSystem, TemporaryFolderLiesOnFixedDrive) {
    TempFolder folder;
    EXPECT_EQ(platform::driveTypeOf(folder.path().substr(0, 3)), platform::DriveType::Fixed);
}

#ifdef _WIN32
TEST(PlatformSystem, ApplicationDataFolderExists) {
    std::string appData = platform::appDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), '\\');
    EXPECT_TRUE(platform::isFolder(appData.c_str()));
}

TEST(PlatformSystem, DriveRootsAreTold) {
    EXPECT_EQ(platform::driveTypeOf("C:\\"), platform::DriveType::Fixed);
    EXPECT_NE(platform::driveTypeOf("\\\\s"), platform::DriveType::Removable);
}
#endif

}  // namespace
