// The menu entry and the icons that ship with the program: what a desktop needs to show Vireo.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/files.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(__FILE__).parent_path() / ".." / ".." / "data";

std::map<std::string, std::string> DesktopEntry(const fs::path& path)
{
    std::map<std::string, std::string> keys;
    std::ifstream file(path);
    std::string line;
    bool main_group = false;
    while (std::getline(file, line)) {
        if (line.starts_with('[')) {
            main_group = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (main_group && equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

// A PNG file's width and height, from its header chunk.
std::pair<unsigned, unsigned> PngSize(const fs::path& path)
{
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 24 || bytes.substr(1, 3) != "PNG" || bytes.substr(12, 4) != "IHDR") return {0, 0};
    auto number = [&](std::size_t at) {
        unsigned value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return {number(16), number(20)};
}

TEST(DesktopFilesTest, MenuEntryStartsTheProgramWithItsIcon)
{
    std::map<std::string, std::string> entry = DesktopEntry(kData / "quillmark-vireo.desktop");
    EXPECT_EQ(entry["Type"], "Application");
    EXPECT_EQ(entry["Name"], "Vireo");
    EXPECT_EQ(entry["GenericName"], "Personal Desktop Web Server");
    EXPECT_EQ(entry["Exec"], "vireo");
    EXPECT_EQ(entry["Terminal"], "false");
    EXPECT_TRUE(entry["Categories"].ends_with(";"));
    EXPECT_TRUE(fs::exists(kData / "icons" / "scalable" / (entry["Icon"] + ".svg")));
}

TEST(DesktopFilesTest, EveryIconSizeIsWhatItsFolderSays)
{
    for (unsigned size : {16u, 32u, 48u, 64u, 128u, 256u}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(PngSize(kData / "icons" / folder / "quillmark-vireo.png"), std::make_pair(size, size))
            << folder;
    }
}

}  // namespace
}  // namespace vireo::testing
