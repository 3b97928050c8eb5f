#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "platform/registry.h"

namespace vireo {
namespace {

constexpr char kShowRequest = 'S';

UniqueFd OpenLockFile()
{
    const std::optional<std::filesystem::path> path = InstanceLockPath();
    if (!path) return UniqueFd();
    std::error_code ignored;
    std::filesystem::create_directories(path->parent_path(), ignored);
    return UniqueFd(::open(path->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

bool Lock(int fd, int operation)
{
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno != EINTR) return false;
    }
}

// Who holds the lock that `kind` could not take: a shared lock that can be had means only
// headless servers hold it.
InstanceHolder HolderOf(int fd)
{
    if (!Lock(fd, LOCK_SH)) return errno == EWOULDBLOCK ? InstanceHolder::Window : InstanceHolder::Unknown;
    ::flock(fd, LOCK_UN);
    return InstanceHolder::Headless;
}

// The socket's name in the abstract namespace: the store's path, hashed (FNV-1a), so every program
// finds the same name for the same store and different stores never meet.
std::optional<sockaddr_un> ShowAddress(socklen_t& length)
{
    const std::optional<std::filesystem::path> store = RegistryDatabasePath(RegistryRoot::CurrentUser);
    if (!store) return std::nullopt;
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : store->string()) hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    const int written =
        std::snprintf(name, sizeof name, "quillmark-vireo-%016llx", static_cast<unsigned long long>(hash));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The first byte stays zero: an abstract name, gone with the socket, nothing in the file system.
    std::memcpy(address.sun_path + 1, name, static_cast<std::size_t>(written));
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(written));
    return address;
}

bool SameUser(int socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

}  // namespace

std::optional<std::filesystem::path> InstanceLockPath()
{
    const std::optional<std::filesystem::path> store = RegistryDatabasePath(RegistryRoot::CurrentUser);
    if (!store) return std::nullopt;
    return store->parent_path() / "vireo.lock";
}

std::expected<UniqueFd, InstanceHolder> TakeInstanceLock(InstanceKind kind)
{
    UniqueFd file = OpenLockFile();
    if (!file) return std::unexpected(InstanceHolder::Unknown);
    if (Lock(file.get(), kind == InstanceKind::Window ? LOCK_EX : LOCK_SH)) return file;
    if (errno != EWOULDBLOCK) return std::unexpected(InstanceHolder::Unknown);
    return std::unexpected(kind == InstanceKind::Headless ? InstanceHolder::Window : HolderOf(file.get()));
}

std::optional<InstanceHolder> FindInstanceHolder()
{
    UniqueFd file = OpenLockFile();
    if (!file) return InstanceHolder::Unknown;
    if (Lock(file.get(), LOCK_EX)) return std::nullopt;
    if (errno != EWOULDBLOCK) return InstanceHolder::Unknown;
    return HolderOf(file.get());
}

UniqueFd ListenForShowRequests()
{
    socklen_t length = 0;
    const std::optional<sockaddr_un> address = ShowAddress(length);
    if (!address) return UniqueFd();
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener || ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&*address), length) != 0 ||
        ::listen(listener.get(), 4) != 0) {
        return UniqueFd();
    }
    return listener;
}

bool AcceptShowRequest(int listener)
{
    UniqueFd peer(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
    if (!peer || !SameUser(peer.get())) return false;
    char request = 0;
    // The asking program writes its byte as soon as it is connected; one that does not is not waited
    // for long, since the window's own thread is the one that waits.
    timeval limit{0, 250 * 1000};
    ::setsockopt(peer.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::recv(peer.get(), &request, 1, 0) != 1 || request != kShowRequest) return false;
    return ::send(peer.get(), &kShowRequest, 1, MSG_NOSIGNAL) == 1;
}

bool AskWindowToShow()
{
    socklen_t length = 0;
    const std::optional<sockaddr_un> address = ShowAddress(length);
    if (!address) return false;
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket || ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&*address), length) != 0)
        return false;
    // Another user could have taken the name first; only a window of our own is asked.
    if (!SameUser(socket.get())) return false;
    timeval limit{5, 0};
    ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char answer = 0;
    return ::send(socket.get(), &kShowRequest, 1, MSG_NOSIGNAL) == 1 &&
           ::recv(socket.get(), &answer, 1, 0) == 1 && answer == kShowRequest;
}

}  // namespace vireo
