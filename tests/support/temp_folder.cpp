#include "support/temp_folder.h"

#include <atomic>
#include <fstream>
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
    fs::remove_all(path_, error);
}

std::string TempFolder::pathOf(std::string_view relative) const {
    std::string result = path_;
    result += platform::kPathSeparator;
    for (char c : relative) result += (c == '/') ? platform::kPathSeparator : c;
    return result;
}

std::string TempFolder::write(std::string_view relative, std::string_view content) const {
    std::string full = pathOf(relative);
    fs::path p = fs::u8path(full);
    std::error_code error;
    fs::create_directories(p.parent_path(), error);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

std::string TempFolder::makeFolder(std::string_view relative) const {
    std::string full = pathOf(relative);
    std::error_code error;
    fs::create_directories(fs::u8path(full), error);
    return full;
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
