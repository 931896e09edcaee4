#include "support/temp_folder.h"

#include <atomic>
#include <random>
#include <system_error>

#include "platform/platform.h"

namespace testing_support {
namespace fs = std::filesystem;

namespace {
std::string platformForm(const fs::path& p) {
    std::string s = p.u8string().empty() ? std::string() : std::string(reinterpret_cast<const char*>(p.u8string().c_str()));
    for (char& c : s)
        if (c == '/' || c == '\\') c = platform::kPathSeparator;
    return s;
}
}  // namespace

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) base = fs::current_path();
    for (;;) {
        fs::path candidate = base / ("pairlook-test-" + std::to_string(std::random_device{}()) + "-" +
                                     std::to_string(counter++));
        if (fs::create_directory(candidate, error)) {
            path_ = platformForm(fs::absolute(candidate));
            return;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    // The exact form, or names that end in a dot and long paths stay behind.
    fs::remove_all(exactFsPath(path_), error);
}

std::string TempFolder::pathOf(std::string_view relative) const {
    std::string result = path_;
    result += platform::kPathSeparator;
    for (char c : relative) result += (c == '/') ? platform::kPathSeparator : c;
    return result;
}

// Through the platform layer, which takes every name as it is (a name that
// ends in a dot, a long path), where the C++ library may not.
std::string TempFolder::write(std::string_view relative, std::string_view content) const {
    std::string full = pathOf(relative);
    std::size_t lastSeparator = relative.rfind('/');
    if (lastSeparator != std::string_view::npos) makeFolder(relative.substr(0, lastSeparator));
    platform::writeWholeFile(full.c_str(), content.data(), content.size());
    return full;
}

std::string TempFolder::makeFolder(std::string_view relative) const {
    for (std::size_t end = relative.find('/'); end != std::string_view::npos; end = relative.find('/', end + 1))
        platform::createFolder(pathOf(relative.substr(0, end)).c_str());
    std::string full = pathOf(relative);
    platform::createFolder(full.c_str());
    return full;
}

fs::path exactFsPath(const std::string& path) {
#ifdef _WIN32
    return fs::u8path("\\\\?\\" + path);
#else
    return fs::u8path(path);
#endif
}

std::string pseudoRandomBytes(std::size_t count, std::uint32_t seed) {
    std::string bytes(count, '\0');
    std::uint64_t x = 0x9E3779B97F4A7C15ull ^ seed;
    for (std::size_t i = 0; i < count; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        bytes[i] = static_cast<char>(x >> 24);
    }
    return bytes;
}

}  // namespace testing_support
