// `vireo config extension show | folder PATH | enable 0|1`: the folder of the site owner's programs
// and whether requests below /Extension/ run them.

#include "app/config_command_parts.h"
#include "settings/extension_settings.h"
#include "settings/settings_catalog.h"

namespace vireo::config_command {

namespace {

int Show(std::ostream& out)
{
    const std::optional<std::string> folder = GetStoredExtensionFolder();
    const bool enabled = GetStoredExtensionEnabled();
    out << "Folder = " << QuoteText(folder.value_or("")) << "\n";
    out << "Enabled = " << (enabled ? "1" : "0");
    if (enabled && !GetExtensionFolder()) out << " (not in use: the folder is not an existing directory)";
    out << "\n";
    return kSuccess;
}

int SetFolder(const std::string& typed, std::ostream& err)
{
    const std::optional<std::string> path = StoredDirectoryPath(typed);
    if (!path) return BadInput(err, "\"" + typed + "\" is not an existing directory");
    if (path->size() >= kPathCapacity) {
        return BadInput(err,
                        "the folder path is longer than " + std::to_string(kPathCapacity - 1) + " bytes");
    }
    return SetExtensionFolder(*path) ? kSuccess : StoreFailure(err);
}

int Enable(const std::string& value, std::ostream& err)
{
    if (value != "0" && value != "1") return BadInput(err, "extension enable takes 0 or 1");
    const bool on = value == "1";
    if (on) {
        const std::optional<std::string> folder = GetStoredExtensionFolder();
        if (!folder || !UsableExtensionFolder(*folder)) {
            return BadInput(err,
                            "extensions need an existing folder first (vireo config extension folder PATH)");
        }
    }
    return SetExtensionEnabled(on) ? kSuccess : StoreFailure(err);
}

}  // namespace

int RunExtension(Words args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action == "show" && args.size() == 1) return Show(out);
    if (action == "folder" && args.size() == 2) return SetFolder(args[1], err);
    if (action == "enable" && args.size() == 2) return Enable(args[1], err);
    if (action == "show") return BadInput(err, "extension show takes no arguments");
    if (action == "folder") return BadInput(err, "extension folder takes one PATH");
    if (action == "enable") return BadInput(err, "extension enable takes 0 or 1");
    return BadInput(err, "extension takes show, folder or enable");
}

}  // namespace vireo::config_command
