#include "platform/run_at_logon.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "platform/xdg_paths.h"

namespace vireo {

namespace {

std::optional<std::filesystem::path> EntryPath()
{
    std::optional<std::filesystem::path> config = GetConfigFolder();
    if (!config) return std::nullopt;
    return *config / "autostart" / "quillmark-vireo.desktop";
}

// The Exec value for the running program, as the entry's reader sees it once the desktop file's
// own escapes are undone.
std::optional<std::string> StartCommand()
{
    std::optional<std::filesystem::path> program = GetProgramPath();
    if (!program) return std::nullopt;
    return QuoteExecProgram(*program) + " auto";
}

std::string UnescapeDesktopValue(std::string_view value)
{
    std::string plain;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            plain += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                plain += ' ';
                break;
            case 'n':
                plain += '\n';
                break;
            case 't':
                plain += '\t';
                break;
            case 'r':
                plain += '\r';
                break;
            default:
                plain += value[i];
                break;
        }
    }
    return plain;
}

struct EntryValues {
    std::optional<std::string> exec;
    bool hidden = false;
};

// Reads the keys that matter from the entry's [Desktop Entry] group.
std::optional<EntryValues> ReadEntry(const std::filesystem::path& path)
{
    std::ifstream file(path);
    if (!file) return std::nullopt;
    EntryValues values;
    bool in_main_group = false;
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with('[')) {
            in_main_group = line == "[Desktop Entry]";
            continue;
        }
        if (!in_main_group) continue;
        if (line.starts_with("Exec=")) values.exec = UnescapeDesktopValue(std::string_view(line).substr(5));
        if (line.starts_with("Hidden=")) values.hidden = line.substr(7) == "true";
    }
    return values;
}

}  // namespace

std::string QuoteExecProgram(const std::filesystem::path& program)
{
    // Inside the quotes `"`, `` ` ``, `$` and `\` carry a backslash, and `%` is doubled so it is not
    // taken for a field code.
    std::string command = "\"";
    for (char c : program.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') command += '\\';
        if (c == '%') command += '%';
        command += c;
    }
    return command + "\"";
}

std::string EscapeDesktopValue(std::string_view value)
{
    // A desktop file writes a backslash in a value as "\\" (and \s \n \t \r for blanks).
    std::string escaped;
    for (char c : value) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

bool IsRunAtLogon()
{
    std::optional<std::filesystem::path> path = EntryPath();
    std::optional<std::string> command = StartCommand();
    if (!path || !command) return false;
    std::optional<EntryValues> entry = ReadEntry(*path);
    return entry && !entry->hidden && entry->exec && EqualsIgnoreCase(*entry->exec, *command);
}

bool SetRunAtLogon(bool run)
{
    std::optional<std::filesystem::path> path = EntryPath();
    if (!path) return false;
    std::error_code error;
    if (!run) return std::filesystem::remove(*path, error) || !error;

    std::optional<std::string> command = StartCommand();
    if (!command) return false;
    std::filesystem::create_directories(path->parent_path(), error);
    // Written beside the entry and renamed over it, so a session starting meanwhile never reads
    // half a file.
    std::filesystem::path temporary = *path;
    temporary += ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << "[Desktop Entry]\n"
                "Type=Application\n"
                "Name=Quillmark Vireo\n"
                "Comment=Start the Vireo web server\n"
             << "Exec=" << EscapeDesktopValue(*command) << "\n"
             << "X-GNOME-Autostart-enabled=true\n";
        if (!file.flush()) return false;
    }
    std::filesystem::rename(temporary, *path, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace vireo
