#include "content/extensions/request_copy.h"

#include <optional>

#include "base/io.h"
#include "content/upload/upload_spool.h"

namespace vireo {

std::expected<RequestCopy, int> CopyRequest(Connection& connection, ClientTable* progress, int fd)
{
    const Request& request = connection.request();
    const std::string_view header = request.RawText();
    if (!WriteAll(fd, header.data(), header.size())) return RequestCopy::NotWritten;
    if (request.method() != Method::Post) return RequestCopy::Copied;
    const std::uint64_t length = request.ContentLength().value_or(0);
    if (length == 0) return RequestCopy::Copied;
    if (const std::optional<int> failed = AnswerContinue(connection)) return std::unexpected(*failed);
    const std::expected<Spooled, int> spooled = SpoolBody(connection, progress, length, fd);
    if (!spooled) return std::unexpected(spooled.error());
    return *spooled == Spooled::Stored ? RequestCopy::Copied : RequestCopy::NotWritten;
}

}  // namespace vireo
