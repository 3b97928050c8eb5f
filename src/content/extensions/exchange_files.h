#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/unique_fd.h"
#include "platform/regular_file.h"

namespace vireo {

// The five files of one exchange with a program, directly in the extension folder.
enum class ExchangeFile {
    Request,  // ".r": the request as received, written by the server before the program starts
    Control,  // ".c": the three control characters, written by the program last
    Body,     // ".b": the body, or the path of the file that holds it
    Head,     // ".h": a head the program wrote itself
    Stop,     // ".s": one zero byte, written by the server when the program should stop
};

// The exchange files of one request, named by an identifier the server makes itself: the id of the
// thread serving the request and a millisecond clock, "TID-MS". Files are reached through the
// folder opened once, so nothing is created or removed outside it even if the folder's path is
// changed meanwhile. Leftovers with the same names are removed at the start and all five again
// when the object goes (make sure the program has ended before that).
class ExchangeFiles {
public:
    // Nothing when the folder cannot be opened.
    static std::optional<ExchangeFiles> Begin(const std::string& folder);

    ~ExchangeFiles();
    ExchangeFiles(ExchangeFiles&& other) noexcept = default;
    ExchangeFiles& operator=(ExchangeFiles&& other) = delete;
    ExchangeFiles(const ExchangeFiles&) = delete;
    ExchangeFiles& operator=(const ExchangeFiles&) = delete;

    const std::string& identifier() const { return identifier_; }
    // "TID-MS.r" and so on.
    std::string Name(ExchangeFile file) const;
    // Creates the file, which must not exist yet (a link in its place is not followed), for
    // writing; readable and writable by the owner alone, since the request holds the visitor's
    // credentials and cookies.
    UniqueFd Create(ExchangeFile file) const;
    // Opens the file for reading once it exists as a regular file.
    std::optional<RegularFile> Open(ExchangeFile file) const;
    // The folder, open, for opening files relative to it.
    int folder() const { return folder_.get(); }

private:
    ExchangeFiles(UniqueFd folder, std::string identifier);
    void RemoveAll() const;

    UniqueFd folder_;
    std::string identifier_;
};

}  // namespace vireo
