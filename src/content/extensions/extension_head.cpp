#include "content/extensions/extension_head.h"

#include "base/product.h"
#include "http/http_date.h"

namespace vireo {

std::string BuildExtensionHead(std::string_view content_type, std::optional<std::uint64_t> content_length,
                               std::time_t now)
{
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(content_type) + "\r\n";
    head += content_length ? "Content-Length: " + std::to_string(*content_length) + "\r\n"
                           : std::string("Transfer-Encoding: chunked\r\n");
    head += "Date: " + FormatHttpDate(now).value_or("") + "\r\n";
    head += "Server: " + std::string(kServerName) + "\r\n\r\n";
    return head;
}

}  // namespace vireo
