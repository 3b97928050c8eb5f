#include "platform/xdg_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

namespace {

std::optional<std::filesystem::path> AbsoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> UnderHome(std::string_view relative)
{
    std::optional<std::filesystem::path> home = GetHomeFolder();
    if (!home) return std::nullopt;
    return *home / relative;
}

// The value of one assignment of user-dirs.dirs, written as a shell would read it: quotes
// removed, backslash escapes resolved and a leading $HOME (or ${HOME}) replaced.
std::optional<std::filesystem::path> ParseUserDirValue(std::string_view value)
{
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '"') continue;
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        text += value[i];
    }
    for (std::string_view prefix : {"${HOME}", "$HOME"}) {
        if (text.starts_with(prefix) && (text.size() == prefix.size() || text[prefix.size()] == '/')) {
            std::string rest = text.substr(prefix.size());
            while (rest.starts_with('/')) rest.erase(0, 1);
            return UnderHome(rest);
        }
    }
    if (text.empty()) return std::nullopt;
    if (text[0] == '/') return std::filesystem::path(text);
    return UnderHome(text);
}

std::optional<std::filesystem::path> ReadUserDocumentsDir()
{
    std::optional<std::filesystem::path> config = GetConfigFolder();
    if (!config) return std::nullopt;
    std::ifstream file(*config / "user-dirs.dirs");
    std::optional<std::filesystem::path> found;
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(file, line);) {
        std::string_view rest = line;
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
        // Like the shell that normally reads this file, the last assignment wins.
        if (rest.starts_with(kKey)) found = ParseUserDirValue(rest.substr(kKey.size()));
    }
    return found;
}

}  // namespace

std::optional<std::filesystem::path> GetHomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0') return std::filesystem::path(home);
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result ||
        !result->pw_dir || result->pw_dir[0] == '\0') {
        return std::nullopt;
    }
    return std::filesystem::path(result->pw_dir);
}

std::optional<std::filesystem::path> GetConfigFolder()
{
    if (auto configured = AbsoluteFromEnvironment("XDG_CONFIG_HOME")) return configured;
    return UnderHome(".config");
}

std::optional<std::filesystem::path> GetDataFolder()
{
    if (auto configured = AbsoluteFromEnvironment("XDG_DATA_HOME")) return configured;
    return UnderHome(".local/share");
}

std::optional<std::filesystem::path> GetDocumentsFolder()
{
    if (auto configured = ReadUserDocumentsDir()) return configured;
    std::optional<std::filesystem::path> documents = UnderHome("Documents");
    std::error_code ignored;
    if (documents && std::filesystem::is_directory(*documents, ignored)) return documents;
    return GetHomeFolder();
}

std::optional<std::filesystem::path> GetProgramPath()
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return std::nullopt;
    return program;
}

}  // namespace vireo
