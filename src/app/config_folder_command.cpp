// `vireo config folder add | list | remove`: the virtual folders.

#include <expected>
#include <vector>

#include "app/config_command_parts.h"
#include "base/text_helpers.h"
#include "settings/folder_name.h"
#include "settings/settings_folders.h"

namespace vireo::config_command {

namespace {

struct AddRequest {
    std::string name;
    std::string path;
    FolderSettings settings;
};

// Reads NAME PATH and the options, in any order after "add"; the error is the exit code when the
// words do not make a request.
std::expected<AddRequest, int> ParseAdd(Words args, std::ostream& err)
{
    AddRequest request;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--desc") {
            if (++i == args.size()) return std::unexpected(BadInput(err, "--desc needs a text"));
            request.settings.description = args[i];
        } else if (word == "--subfolders") {
            request.settings.can_browse_subfolders = true;
        } else if (word == "--post") {
            request.settings.can_post_files = true;
        } else if (word == "--hidden") {
            request.settings.visible = false;
        } else if (word == "--zip") {
            request.settings.zip_download = true;
        } else if (word.starts_with("--")) {
            return std::unexpected(BadInput(err, "unknown option " + word + " for folder add"));
        } else {
            positional.push_back(word);
        }
    }
    if (positional.size() != 2) return std::unexpected(BadInput(err, "folder add takes a NAME and a PATH"));
    request.name = positional[0];
    request.path = positional[1];
    return request;
}

int Add(Words args, std::ostream& err)
{
    std::expected<AddRequest, int> parsed = ParseAdd(args, err);
    if (!parsed) return parsed.error();
    AddRequest& request = *parsed;

    TrimText(request.name);
    if (std::optional<std::string> reason = CheckFolderName(request.name)) return BadInput(err, *reason);
    if (FolderExists(request.name))
        return BadInput(err, "a folder named \"" + request.name + "\" exists already");
    std::optional<std::string> path = StoredDirectoryPath(request.path);
    if (!path) return BadInput(err, "\"" + request.path + "\" is not an existing directory");
    if (path->size() >= kFolderPathCapacity) {
        return BadInput(
            err, "the folder path is longer than " + std::to_string(kFolderPathCapacity - 1) + " bytes");
    }
    if (request.settings.description.size() >= kFolderDescriptionCapacity) {
        return BadInput(err, "the description is longer than " +
                                 std::to_string(kFolderDescriptionCapacity - 1) + " bytes");
    }
    request.settings.path = *path;
    return WriteFolder(request.name, request.settings) ? kSuccess : StoreFailure(err);
}

// The permissions in the words of the add options; "-" for none.
std::string DescribePermissions(const FolderSettings& settings)
{
    std::string words;
    auto add = [&words](bool set, std::string_view word) {
        if (!set) return;
        if (!words.empty()) words += ',';
        words += word;
    };
    add(settings.can_browse_subfolders, "subfolders");
    add(settings.can_post_files, "post");
    add(!settings.visible, "hidden");
    add(settings.zip_download, "zip");
    return words.empty() ? "-" : words;
}

int List(std::ostream& out)
{
    for (int index = 0;; ++index) {
        std::optional<std::string> name = EnumFolderName(index);
        if (!name) return kSuccess;
        FolderSettings settings = ReadFolder(*name);
        out << *name << '\t' << settings.path << '\t' << DescribePermissions(settings) << '\t'
            << settings.description << "\n";
    }
}

int Remove(const std::string& name, std::ostream& err)
{
    if (!FolderExists(name)) return BadInput(err, "no folder named \"" + name + "\"");
    return DeleteFolder(name) ? kSuccess : StoreFailure(err);
}

}  // namespace

int RunFolder(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "add") return Add(args.subspan(1), err);
    if (action == "list" && args.size() == 1) return List(out);
    if (action == "remove" && args.size() == 2) return Remove(args[1], err);
    if (action == "list") return BadInput(err, "folder list takes no arguments");
    if (action == "remove") return BadInput(err, "folder remove takes one folder name");
    return BadInput(err, "folder takes add, list or remove");
}

}  // namespace vireo::config_command
