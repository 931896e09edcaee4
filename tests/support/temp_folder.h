// A fresh temporary folder per test, removed afterwards; absolute paths only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Path of the folder, without trailing separator, in the platform's form.
    const std::string& path() const { return path_; }
    // Path of an item inside it, joined with the platform's separator;
    // relative may contain "/" for subfolders.
    std::string pathOf(std::string_view relative) const;
    // Writes a file (creating its folders) and returns its full path.
    std::string write(std::string_view relative, std::string_view content) const;
    std::string makeFolder(std::string_view relative) const;

private:
    std::string path_;
};

// A path as std::filesystem must be given it to name exactly that item: on
// Windows in the "\\?\" form, or names that end in a dot are trimmed.
std::filesystem::path exactFsPath(const std::string& path);

// Bytes that do not repeat in any short period, for large test files.
std::string pseudoRandomBytes(std::size_t count, std::uint32_t seed);

}  // namespace testing_support
