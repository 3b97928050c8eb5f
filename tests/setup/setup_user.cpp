#include "setup/setup_user.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vireo::testing {
namespace {

// The uid and gid of "nobody" on Debian.
constexpr uid_t kUnprivilegedId = 65534;

// True when every folder above `program` lets others through and others may run it.
bool OthersCanRun(const std::filesystem::path& program)
{
    struct stat info {};
    if (::stat(program.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
    for (std::filesystem::path folder = program.parent_path();; folder = folder.parent_path()) {
        if (::stat(folder.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
        if (folder == folder.parent_path()) return true;
    }
}

void HandOver(const std::filesystem::path& top, uid_t uid, gid_t gid)
{
    if (::lchown(top.c_str(), uid, gid) != 0) return;
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(top, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (::lchown(it->path().c_str(), uid, gid) != 0) continue;
    }
}

}  // namespace

bool SetupUser::TestRunsAsRoot()
{
    return ::geteuid() == 0;
}

SetupUser::SetupUser(std::filesystem::path home)
    : home_(std::move(home)),
      uid_(TestRunsAsRoot() ? kUnprivilegedId : ::geteuid()),
      gid_(TestRunsAsRoot() ? kUnprivilegedId : ::getegid()),
      setup_binary_(VIREO_SETUP_BINARY),
      vireo_binary_(VIREO_BINARY)
{
    if (!TestRunsAsRoot() || (OthersCanRun(setup_binary_) && OthersCanRun(vireo_binary_))) return;
    // A build below a private folder (root's home): copies where the user can reach them.
    std::string pattern = (std::filesystem::temp_directory_path() / "vireo-setup-programs-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return;
    copies_ = pattern;
    ::chmod(copies_.c_str(), 0755);
    for (std::string* program : {&setup_binary_, &vireo_binary_}) {
        const std::filesystem::path copy = copies_ / std::filesystem::path(*program).filename();
        std::filesystem::copy_file(*program, copy);
        *program = copy.string();
    }
}

SetupUser::~SetupUser()
{
    std::error_code ignored;
    if (!copies_.empty()) std::filesystem::remove_all(copies_, ignored);
}

std::vector<std::string> SetupUser::Command(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<std::string> command;
    if (TestRunsAsRoot()) {
        HandOver(home_, uid_, gid_);
        const std::string id = std::to_string(kUnprivilegedId);
        command = {"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "--"};
    }
    command.push_back(program);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

ProgramResult SetupUser::Setup(const std::vector<std::string>& args)
{
    return RunProgram(Command(setup_binary_, args));
}

ProgramResult SetupUser::SetupAnswering(const std::vector<std::string>& args, const std::string& answer)
{
    // The shell feeds the answer and then runs the installer in its place, as the user.
    std::vector<std::string> words = {"/bin/sh", "-c",   "printf '%s\\n' \"$1\" | { shift; exec \"$@\"; }",
                                      "sh",      answer, setup_binary_};
    words.insert(words.end(), args.begin(), args.end());
    const std::vector<std::string> command = Command(words[0], {words.begin() + 1, words.end()});
    return RunProgram(command);
}

}  // namespace vireo::testing
