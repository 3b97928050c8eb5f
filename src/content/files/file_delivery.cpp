#include "content/files/file_delivery.h"

#include <optional>
#include <string>

#include "base/ascii_case.h"
#include "http/byte_range.h"
#include "http/http_date.h"
#include "http/send_response.h"
#include "http/standard_answers.h"
#include "platform/content_types.h"
#include "platform/regular_file.h"
#include "platform/thumbnail_cache_path.h"

namespace vireo {
namespace {

// A zero file time is no time at all: the platform reports it for entries it could not date.
bool IsDated(FileTime when)
{
    return when != 0;
}

// The file's own name: the last element of its path.
std::string_view LastComponent(std::string_view path)
{
    std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// If-Modified-Since holds when the given date is not earlier than the file's last write, both in
// whole seconds. An empty or unreadable date, or an undated file, never holds.
bool UnmodifiedSince(std::string_view if_modified_since, FileTime last_write)
{
    if (if_modified_since.empty() || !IsDated(last_write)) return false;
    std::optional<std::time_t> given = ParseHttpDate(if_modified_since);
    return given && *given >= UnixTimeFromFileTime(last_write);
}

// The file's last write, or now for an undated file.
void AddLastModified(Response& response, FileTime last_write)
{
    if (IsDated(last_write)) {
        response.AddDateHeader("Last-Modified", UnixTimeFromFileTime(last_write));
    } else {
        response.AddDateHeader("Last-Modified");
    }
}

void AddEntityTag(Response& response, std::string_view tag)
{
    if (!tag.empty()) response.AddHeader("ETag", tag);
}

}  // namespace

void BuildFileResponse(FileResponse& response, const ResolvedTarget& target,
                       std::string_view if_modified_since, std::string_view if_none_match,
                       std::string_view if_range, std::string_view range)
{
    if (response.HasFile() || !target.found) return;
    if (EqualsIgnoreCase(LastComponent(target.local_path), kThumbnailCacheName)) {
        // The thumbnail page built from this cache belongs here; until it exists the cache file
        // itself is never handed out.
        BuildErrorPage(response, 404, "");
        return;
    }

    // Every header and decision below describes the file as opened, even if it was replaced after
    // the path was resolved: resolving opened it already, or it is opened here.
    UniqueFd file;
    FileEntry opened;
    if (target.opened && !target.entry.directory) {
        file = std::move(target.opened);
        opened = target.entry;
    } else {
        std::optional<RegularFile> reopened = OpenRegularFile(target.local_path);
        if (!reopened) return;
        file = std::move(reopened->fd);
        opened.size = reopened->size;
        opened.last_write = FileTimeFromTimespec(reopened->last_write);
    }
    const std::string tag = target.entity_tag.empty() ? std::string() : EntityTag(opened);

    if (!if_none_match.empty() && EqualsIgnoreCase(if_none_match, tag)) {
        BuildNotModified(response);
        return;
    }
    if (UnmodifiedSince(if_modified_since, opened.last_write)) {
        BuildNotModified(response);
        return;
    }

    const std::string content_type = ContentTypeFor(LastComponent(target.local_path));
    response.SetFile(std::move(file), opened.size);
    std::optional<RangeSpec> part = range.empty() ? std::nullopt : ParseRange(range, opened.size);
    bool honoured =
        part && (if_range.empty() || EqualsIgnoreCase(if_range, tag)) && response.SelectRange(*part);
    if (honoured) {
        response.BeginResponse(206);
        AddLastModified(response, opened.last_write);
        AddEntityTag(response, tag);
        response.AddHeader("Accept-Ranges", "bytes");
        response.AddHeaderText("Content-Range: bytes " + std::to_string(part->start) + "-" +
                               std::to_string(part->end) + "/" + std::to_string(opened.size) + "\r\n");
    } else {
        response.BeginResponse(200);
        AddLastModified(response, opened.last_write);
        AddEntityTag(response, tag);
        response.AddHeader("Accept-Ranges", "bytes");
    }
    response.AddConnection();
    response.AddContentType(content_type);
    response.Finish();
}

int DeliverFile(Exchange& exchange)
{
    const Request& request = exchange.request();
    FileResponse response;
    BuildFileResponse(response, exchange.target, request.Header("if-modified-since"),
                      request.Header("if-none-match"), request.Header("if-range"), request.Header("range"));
    return exchange.Send(response);
}

}  // namespace vireo
