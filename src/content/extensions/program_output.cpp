#include "content/extensions/program_output.h"

#include <fcntl.h>

#include <algorithm>
#include <chrono>

#include "base/io.h"

namespace vireo {
namespace {

constexpr std::size_t kControlBytes = 3;
// A head beyond this is no head a client would take.
constexpr std::size_t kMaxHeadBytes = 1024 * 1024;

}  // namespace

template <class Attempt>
auto ProgramOutput::Await(Attempt attempt) -> decltype(attempt())
{
    const auto deadline = std::chrono::steady_clock::now() + limits_.stall_limit;
    for (;;) {
        // Asked before the attempt, so that after the end one attempt still follows.
        const bool ended = program_.Ended();
        if (auto result = attempt()) return result;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (ended || left.count() <= 0) return std::nullopt;
        program_.WaitForEnd(std::min(left, limits_.poll_step));
    }
}

std::optional<std::string> ProgramOutput::ReadFile(ExchangeFile file, std::size_t limit,
                                                   bool whole_only) const
{
    std::optional<RegularFile> opened = files_.Open(file);
    if (!opened || (whole_only && opened->size > limit)) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(opened->size, limit)), '\0');
    bytes.resize(ReadAllAt(opened->fd.get(), bytes.data(), bytes.size(), 0));
    return bytes;
}

std::optional<ExchangeControl> ProgramOutput::AwaitControl()
{
    return Await([this]() -> std::optional<ExchangeControl> {
        const std::optional<std::string> bytes = ReadFile(ExchangeFile::Control, kControlBytes, false);
        return bytes ? ParseExchangeControl(*bytes) : std::nullopt;
    });
}

std::optional<std::string> ProgramOutput::AwaitHead()
{
    return Await([this] { return ReadFile(ExchangeFile::Head, kMaxHeadBytes, true); });
}

std::string ProgramOutput::AwaitBodyPath()
{
    const std::optional<std::string> bytes =
        Await([this] { return ReadFile(ExchangeFile::Body, kBodyPathBytes, false); });
    return bytes ? ParseBodyPath(*bytes) : std::string();
}

std::optional<RegularFile> ProgramOutput::AwaitBody(const std::optional<std::string>& path)
{
    return Await([&]() -> std::optional<RegularFile> {
        if (!path) return files_.Open(ExchangeFile::Body);
        return OpenRegularFileAt(AT_FDCWD, *path);
    });
}

}  // namespace vireo
