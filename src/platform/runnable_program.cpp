#include "platform/runnable_program.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

#include "base/ascii_case.h"

namespace vireo {
namespace {

struct ScriptKind {
    std::string_view extension;
    std::string_view interpreter;
};

constexpr std::array<ScriptKind, 4> kScriptKinds = {{
    {"js", "node"},
    {"py", "python3"},
    {"sh", "sh"},
    {"pl", "perl"},
}};

}  // namespace

std::optional<std::string_view> ScriptInterpreter(std::string_view file_name)
{
    const std::size_t dot = file_name.rfind('.');
    if (dot == std::string_view::npos || file_name.find('/', dot) != std::string_view::npos)
        return std::nullopt;
    const std::string_view extension = file_name.substr(dot + 1);
    for (const ScriptKind& kind : kScriptKinds) {
        if (EqualsIgnoreCase(extension, kind.extension)) return kind.interpreter;
    }
    return std::nullopt;
}

std::optional<RunnableProgram> FindRunnableProgram(std::string_view path)
{
    if (path.empty()) return std::nullopt;
    const std::string name(path);
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    if (::faccessat(AT_FDCWD, name.c_str(), X_OK, AT_EACCESS) == 0) return RunnableProgram{};
    if (std::optional<std::string_view> interpreter = ScriptInterpreter(path)) {
        return RunnableProgram{*interpreter};
    }
    return std::nullopt;
}

}  // namespace vireo
