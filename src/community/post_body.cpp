#include "community/post_body.h"

#include <algorithm>
#include <optional>

#include "base/ascii_case.h"
#include "base/io.h"
#include "content/upload/upload_spool.h"
#include "platform/scratch_file.h"

namespace vireo {

bool IsFormPost(const Request& request)
{
    return EqualsIgnoreCase(request.ContentType(), "application/x-www-form-urlencoded");
}

std::expected<PostBody, int> ReadPostBody(Connection& connection, ClientTable* progress,
                                          std::uint64_t announced)
{
    PostBody body;
    body.cut = announced > kPostBodyCap;
    const std::uint64_t length = std::min(announced, kPostBodyCap);
    // The uploads' reader moves a body into a file; a scratch file that goes with its last handle
    // lets the guestbook share that reader, stall limit and progress included.
    std::optional<ScratchFile> scratch = CreateScratchFile(true);
    if (!scratch) return body;
    if (const std::optional<int> failed = AnswerContinue(connection)) return std::unexpected(*failed);
    const std::expected<Spooled, int> spooled = SpoolBody(connection, progress, length, scratch->fd());
    if (!spooled) return std::unexpected(spooled.error());
    if (*spooled == Spooled::NotWritten) return body;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (ReadAllAt(scratch->fd(), bytes.data(), bytes.size(), 0) != bytes.size()) return body;
    body.bytes = std::move(bytes);
    return body;
}

}  // namespace vireo
