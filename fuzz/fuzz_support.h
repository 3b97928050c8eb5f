#pragma once

// What the fuzz targets share: a check that ends the run as a finding, the input as text, and a
// private home folder for the targets that read the settings store or the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace vireo::fuzz {

// Stops the run with a crash that libFuzzer keeps as a finding, when a property the program
// promises does not hold.
inline void Require(bool holds)
{
    if (!holds) __builtin_trap();
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// The text before the first "\n" and the text after it (everything and nothing without one).
inline std::pair<std::string_view, std::string_view> SplitFirstLine(std::string_view text)
{
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return {text, {}};
    return {text.substr(0, end), text.substr(end + 1)};
}

// A private, empty home folder for the whole run: HOME and the XDG folders point into it, so the
// settings store and the documents folder are the run's own and the user's are never touched.
// Made on the first call (from LLVMFuzzerInitialize) below $TMPDIR, removed when the run ends.
inline const std::filesystem::path& PrivateHome()
{
    struct Home {
        std::filesystem::path path;
        Home()
        {
            std::string pattern = (std::filesystem::temp_directory_path() / "vireo-fuzz-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) std::abort();
            path = pattern;
            ::setenv("HOME", path.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (path / ".config").c_str(), 1);
            ::setenv("XDG_DATA_HOME", (path / ".local/share").c_str(), 1);
        }
        ~Home()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Home home;
    return home.path;
}

// Creates (or replaces) a file with exactly these bytes, and the folders above it.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace vireo::fuzz
