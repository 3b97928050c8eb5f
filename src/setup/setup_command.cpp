#include "setup/setup_command.h"

#include <filesystem>
#include <iostream>
#include <optional>

#include "setup/installation.h"

namespace vireo::setup {
namespace {

void PrintUsage(std::ostream& out)
{
    out << "Usage: vireo-setup                     the Vireo Setup dialog\n"
           "       vireo-setup --install [FOLDER]  install Vireo for this user (default folder\n"
           "                                       ~/.local/opt/quillmark/vireo)\n"
           "       vireo-setup --upgrade           install it again where it is installed\n"
           "       vireo-setup --remove [--yes]    remove it (--yes: without asking first)\n";
}

int Report(Outcome outcome, std::ostream& out, std::ostream& err)
{
    (Succeeded(outcome) ? out : err) << OutcomeMessage(outcome) << "\n";
    return Succeeded(outcome) ? 0 : 1;
}

int RunInstall(const std::optional<std::string>& typed, const QString& payload, std::ostream& out,
               std::ostream& err)
{
    std::filesystem::path folder = typed ? NormalizeFolder(*typed) : DefaultInstallFolder().value_or("");
    // One installation per user: a second one elsewhere would leave the first without a record,
    // beyond the reach of --upgrade and --remove.
    if (const std::optional<std::filesystem::path> installed = FindInstallation();
        installed && *installed != folder) {
        err << AlreadyInstalledMessage(*installed) << "\n";
        return 1;
    }
    return Report(Install(folder, payload), out, err);
}

int RunUpgrade(const QString& payload, std::ostream& out, std::ostream& err)
{
    const std::optional<std::filesystem::path> installed = FindInstallation();
    if (!installed) return Report(Outcome::NotInstalled, out, err);
    return Report(Install(*installed, payload), out, err);
}

int RunRemove(bool asked_already, const QString& payload, std::istream& in, std::ostream& out,
              std::ostream& err)
{
    // Nothing to remove, or a server in the way, is said before the user is asked anything.
    if (!FindInstallation()) return Report(Outcome::NotInstalled, out, err);
    if (VireoRuns()) return Report(Outcome::InstanceRunning, out, err);
    if (!asked_already) {
        out << RemoveQuestion() << " [y/N] " << std::flush;
        std::string answer;
        std::getline(in, answer);
        if (answer != "y" && answer != "Y" && answer != "yes" && answer != "Yes") {
            out << "Nothing was removed.\n";
            return 1;
        }
    }
    return Report(Remove(payload), out, err);
}

}  // namespace

int RunSetupCommand(const std::vector<std::string>& args, const QString& payload, std::istream& in,
                    std::ostream& out, std::ostream& err)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        PrintUsage(out);
        return 0;
    }
    if (!args.empty() && args[0] == "--install" && args.size() <= 2) {
        return RunInstall(args.size() == 2 ? std::optional<std::string>(args[1]) : std::nullopt, payload, out,
                          err);
    }
    if (args.size() == 1 && args[0] == "--upgrade") return RunUpgrade(payload, out, err);
    if (!args.empty() && args[0] == "--remove" &&
        (args.size() == 1 || (args.size() == 2 && args[1] == "--yes")))
        return RunRemove(args.size() == 2, payload, in, out, err);
    PrintUsage(err);
    return 2;
}

}  // namespace vireo::setup
