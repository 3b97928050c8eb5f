// `vireo config file add | list | remove`: the dynamic files, single files published directly
// below the site root.

#include <expected>
#include <filesystem>
#include <vector>

#include "app/config_command_parts.h"
#include "base/text_helpers.h"
#include "settings/dynamic_file_rules.h"
#include "settings/dynamic_files.h"

namespace vireo::config_command {

namespace {

struct AddRequest {
    std::string path;
    std::optional<std::string> name;
    DynamicFile file;
};

std::expected<AddRequest, int> ParseAdd(Words args, std::ostream& err)
{
    AddRequest request;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--name") {
            if (++i == args.size()) return std::unexpected(BadInput(err, "--name needs a display name"));
            request.name = args[i];
        } else if (word == "--realtime") {
            request.file.real_time = true;
        } else if (word == "--newest") {
            if (++i == args.size())
                return std::unexpected(BadInput(err, "--newest needs a file-name pattern"));
            request.file.use_newest = true;
            request.file.pattern = args[i];
            TrimText(request.file.pattern);
        } else if (word.starts_with("--")) {
            return std::unexpected(BadInput(err, "unknown option " + word + " for file add"));
        } else {
            positional.push_back(word);
        }
    }
    if (positional.size() != 1) return std::unexpected(BadInput(err, "file add takes one PATH"));
    request.path = positional[0];
    return request;
}

// The file as stored: absolute, without "." and ".." elements, in the program's path form.
std::optional<std::string> StoredPath(const std::string& typed)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(typed, error);
    if (error || !std::filesystem::exists(absolute, error) ||
        std::filesystem::is_directory(absolute, error)) {
        return std::nullopt;
    }
    std::string path = absolute.lexically_normal().string();
    NormalizePath(path);
    return path;
}

int Add(Words args, std::ostream& out, std::ostream& err)
{
    std::expected<AddRequest, int> parsed = ParseAdd(args, err);
    if (!parsed) return parsed.error();
    AddRequest& request = *parsed;

    std::optional<std::string> path = StoredPath(request.path);
    if (!path) return BadInput(err, "\"" + request.path + "\" is not an existing file");
    if (path->size() > kMaxDynamicFileText) {
        return BadInput(err,
                        "the file path is longer than " + std::to_string(kMaxDynamicFileText) + " bytes");
    }
    if (request.file.pattern.size() > kMaxPatternLength) {
        return BadInput(err, "the pattern is longer than " + std::to_string(kMaxPatternLength) + " bytes");
    }
    if (!request.name) {
        request.name = UniqueDynamicFileName(*path);
        if (!request.name) return BadInput(err, "no free display name fits \"" + *path + "\"");
    } else if (GetDynamicFile(*request.name)) {
        return BadInput(err, "a dynamic file named \"" + *request.name + "\" exists already");
    }
    // The name taken from the file must work in a URL as well; --name chooses another.
    if (std::optional<std::string> reason = CheckDisplayName(*request.name)) return BadInput(err, *reason);
    request.file.path = *path;
    if (!SetDynamicFile(*request.name, request.file)) return StoreFailure(err);
    out << *request.name << "\n";
    return kSuccess;
}

// The flags in the words of the add options; "-" for none.
std::string DescribeFlags(const DynamicFile& file)
{
    if (file.real_time && file.use_newest) return "realtime,newest";
    if (file.real_time) return "realtime";
    if (file.use_newest) return "newest";
    return "-";
}

int List(std::ostream& out)
{
    for (int index = 0;; ++index) {
        std::optional<std::pair<std::string, DynamicFile>> entry = EnumDynamicFile(index);
        if (!entry) return kSuccess;
        const auto& [name, file] = *entry;
        out << name << '\t' << file.path << '\t' << DescribeFlags(file) << '\t' << file.pattern << "\n";
    }
}

int Remove(const std::string& name, std::ostream& err)
{
    if (!GetDynamicFile(name)) return BadInput(err, "no dynamic file named \"" + name + "\"");
    return DeleteDynamicFile(name) ? kSuccess : StoreFailure(err);
}

}  // namespace

int RunFile(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "add") return Add(args.subspan(1), out, err);
    if (action == "list" && args.size() == 1) return List(out);
    if (action == "remove" && args.size() == 2) return Remove(args[1], err);
    if (action == "list") return BadInput(err, "file list takes no arguments");
    if (action == "remove") return BadInput(err, "file remove takes one display name");
    return BadInput(err, "file takes add, list or remove");
}

}  // namespace vireo::config_command
