#pragma once

#include <optional>
#include <string_view>

namespace vireo {

// How a site owner's program file is started: a file with an execute permission runs by itself
// (its own "#!" line chooses any interpreter); a script without one runs through the interpreter
// its name ends in: ".js" with node, ".py" with python3, ".sh" with sh, ".pl" with perl (any letter
// case). Nothing else is ever started.
struct RunnableProgram {
    // Empty when the file runs by itself; else the interpreter, found through PATH, that takes the
    // file's path as its first argument.
    std::string_view interpreter;
};

// Decides for a path: nothing when it names no regular file, or one that is neither executable nor
// a script of a known kind. This one rule decides which files are served as extensions and which
// the window offers as programs.
std::optional<RunnableProgram> FindRunnableProgram(std::string_view path);

// The interpreter for a file name by its extension alone; nothing for other names.
std::optional<std::string_view> ScriptInterpreter(std::string_view file_name);

}  // namespace vireo
