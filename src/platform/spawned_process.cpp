#include "platform/spawned_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "base/io.h"

extern char** environ;

namespace vireo {
namespace {

// Without an exit watch the end is looked for this often.
constexpr std::chrono::milliseconds kPollStep{20};

// The start's file actions and attributes, released however the start ends.
class SpawnSetup {
public:
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Standard input, output and error on /dev/null and every other descriptor closed, in the child
    // alone: the closing happens after the child has been made, so a descriptor that another thread
    // opens at the same moment cannot slip through. A group of its own, an empty signal mask and
    // default handling of every signal (this process blocks the stop signals in its threads and
    // ignores SIGPIPE, and both would otherwise be inherited).
    int Prepare()
    {
        int error = 0;
        const auto step = [&error](int result) {
            if (error == 0) error = result;
        };
        step(::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0));
        step(::posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0));
        step(::posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0));
        step(::posix_spawn_file_actions_addclosefrom_np(&actions_, 3));
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        step(::posix_spawnattr_setpgroup(&attributes_, 0));
        step(::posix_spawnattr_setsigmask(&attributes_, &none));
        step(::posix_spawnattr_setsigdefault(&attributes_, &all));
        step(::posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
        return error;
    }

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

std::expected<SpawnedProcess, int> SpawnedProcess::Start(const std::vector<std::string>& argv,
                                                         bool search_path)
{
    if (argv.empty()) return std::unexpected(EINVAL);
    std::vector<char*> arguments;
    for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);

    SpawnSetup setup;
    if (const int error = setup.Prepare()) return std::unexpected(error);
    pid_t pid = -1;
    const auto spawn = search_path ? ::posix_spawnp : ::posix_spawn;
    if (const int error =
            spawn(&pid, arguments[0], setup.actions(), setup.attributes(), arguments.data(), environ))
        return std::unexpected(error);
    // The child is not reaped yet, so its number cannot have passed to another process. A pidfd is
    // close-on-exec from the start.
    UniqueFd exit_watch(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    return SpawnedProcess(pid, std::move(exit_watch));
}

SpawnedProcess::SpawnedProcess(pid_t pid, UniqueFd exit_watch)
    : pid_(pid), exit_watch_(std::move(exit_watch)), reaped_(false)
{
}

SpawnedProcess::~SpawnedProcess()
{
    KillAndReap();
}

SpawnedProcess::SpawnedProcess(SpawnedProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      exit_watch_(std::move(other.exit_watch_)),
      reaped_(std::exchange(other.reaped_, true))
{
}

SpawnedProcess& SpawnedProcess::operator=(SpawnedProcess&& other) noexcept
{
    if (this != &other) {
        KillAndReap();
        pid_ = std::exchange(other.pid_, -1);
        exit_watch_ = std::move(other.exit_watch_);
        reaped_ = std::exchange(other.reaped_, true);
    }
    return *this;
}

bool SpawnedProcess::Reap(bool block)
{
    if (reaped_) return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    // ECHILD: nothing left to wait for (someone reaped it already), so it has ended all the same.
    if (result == pid_ || (result < 0 && errno == ECHILD)) {
        reaped_ = true;
        exit_watch_.reset();
    }
    return reaped_;
}

bool SpawnedProcess::Ended()
{
    return Reap(false);
}

bool SpawnedProcess::WaitForEnd(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (Reap(false)) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (exit_watch_) {
            pollfd watch{exit_watch_.get(), POLLIN, 0};
            PollRetrying(&watch, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::min(left, kPollStep));
        }
    }
}

void SpawnedProcess::WaitForEnd()
{
    Reap(true);
}

void SpawnedProcess::SignalGroup(int signal_number)
{
    if (reaped_) return;
    // A program that left its group for one of its own is still reached itself.
    if (::killpg(pid_, signal_number) != 0) ::kill(pid_, signal_number);
}

void SpawnedProcess::KillAndReap()
{
    if (reaped_) return;
    SignalGroup(SIGKILL);
    Reap(true);
}

}  // namespace vireo
