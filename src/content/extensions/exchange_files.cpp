#include "content/extensions/exchange_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "base/io.h"

namespace vireo {
namespace {

constexpr std::array<ExchangeFile, 5> kAllFiles = {
    ExchangeFile::Request, ExchangeFile::Control, ExchangeFile::Body, ExchangeFile::Head, ExchangeFile::Stop};

std::string_view Suffix(ExchangeFile file)
{
    switch (file) {
        case ExchangeFile::Request:
            return ".r";
        case ExchangeFile::Control:
            return ".c";
        case ExchangeFile::Body:
            return ".b";
        case ExchangeFile::Head:
            return ".h";
        case ExchangeFile::Stop:
            return ".s";
    }
    return {};
}

// Thread ids are unique among the running threads of the whole system, and one thread serves one
// request at a time, so two exchanges in progress never share an identifier.
std::string MakeIdentifier()
{
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return std::to_string(::gettid()) + "-" + std::to_string(milliseconds.count());
}

}  // namespace

std::optional<ExchangeFiles> ExchangeFiles::Begin(const std::string& folder)
{
    UniqueFd opened = OpenAt(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!opened) return std::nullopt;
    ExchangeFiles files(std::move(opened), MakeIdentifier());
    files.RemoveAll();
    return files;
}

ExchangeFiles::ExchangeFiles(UniqueFd folder, std::string identifier)
    : folder_(std::move(folder)), identifier_(std::move(identifier))
{
}

ExchangeFiles::~ExchangeFiles()
{
    if (folder_) RemoveAll();
}

std::string ExchangeFiles::Name(ExchangeFile file) const
{
    return identifier_ + std::string(Suffix(file));
}

UniqueFd ExchangeFiles::Create(ExchangeFile file) const
{
    const std::string name = Name(file);
    return UniqueFd(
        ::openat(folder_.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
}

std::optional<RegularFile> ExchangeFiles::Open(ExchangeFile file) const
{
    return OpenRegularFileAt(folder_.get(), Name(file));
}

void ExchangeFiles::RemoveAll() const
{
    for (ExchangeFile file : kAllFiles) ::unlinkat(folder_.get(), Name(file).c_str(), 0);
}

}  // namespace vireo
