#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

#include "base/unique_fd.h"
#include "http/byte_range.h"
#include "http/growable_buffer.h"

namespace vireo {

// One HTTP answer: a status line and headers, and a body held in memory (generated pages) or
// read on demand by a derived class. Built with the Add* calls, closed with Finish, then read out
// by the send loop with ReadNext. Once finished nothing more can be appended.
class Response {
public:
    // `local_client`: the client is this computer; page builders show it more.
    explicit Response(bool local_client = false) : local_client_(local_client) {}
    virtual ~Response() = default;
    Response(const Response&) = delete;
    Response& operator=(const Response&) = delete;

    // Starts over with the status line, "Date" (now) and "Server".
    void BeginResponse(unsigned status);
    void AddHeaderText(std::string_view text);
    // "name: value\r\n"
    void AddHeader(std::string_view name, std::string_view value);
    // The time in the RFC 1123 form; no time means now.
    void AddDateHeader(std::string_view name, std::optional<std::time_t> time = std::nullopt);
    // "Expires" at now plus the given hours and minutes.
    void AddExpires(int hours, int minutes);
    // No type means "text/html".
    void AddContentType(std::string_view type = {});
    // No value means "close", which is what every answer of the server uses.
    void AddConnection(std::string_view value = {});

    void AddBodyText(std::string_view text);
    void AddBodyBytes(const void* bytes, std::size_t count);
    // Makes room for about `count` more body bytes at once, so a long page is not copied again
    // each time its buffer grows. Changes no byte of the answer.
    void ReserveBody(std::size_t count) { body_.Reserve(count); }
    // Replaces the body with the common page head: style sheet, `title` (HTML text, written as
    // given), `extra_head` when not empty, and the BODY tag with the background colour.
    void BeginPage(std::string_view title, std::string_view background, std::string_view extra_head = {});
    // The "Powered by Vireo" line and the closing tags of a page begun with BeginPage.
    void AddPageFooter();

    // Appends "Content-Length" (BodySize) and the blank line and makes the answer readable.
    // Returns whether the answer can be sent: false when no status line was begun or memory ran
    // out. A second call changes nothing.
    bool Finish();
    // The next bytes to send: header bytes until the header is exhausted, then body bytes; one
    // call never returns both. 0 before Finish and at the end.
    std::size_t ReadNext(char* buffer, std::size_t capacity);
    // The header's length once finished, else 0.
    std::size_t HeaderSize() const { return finished_ ? header_.size() : 0; }
    bool IsFinished() const { return finished_; }
    bool IsLocalClient() const { return local_client_; }

    virtual bool IsComplete() const { return !header_.empty(); }
    virtual std::uint64_t BodySize() const { return body_.size(); }
    // Copies the next body bytes, at most `capacity`; 0 at the end.
    virtual std::size_t ReadBody(char* buffer, std::size_t capacity);
    // An open file whose next BodySize() bytes, from its current position, are the whole body, for
    // a sender that moves them itself instead of through ReadBody; -1 for a body held in memory.
    virtual int BodyFile() const { return -1; }

private:
    void AppendHeader(std::string_view text);
    void AppendBody(std::string_view text);

    GrowableBuffer header_;
    GrowableBuffer body_;
    std::size_t header_read_ = 0;
    std::size_t body_read_ = 0;
    bool finished_ = false;
    bool local_client_ = false;
};

// An answer whose body is read from an open file, starting at the file's current position.
// Without a file it behaves as a plain Response (the thumbnail page uses it that way).
class FileResponse : public Response {
public:
    using Response::Response;

    // Takes the file; the body is the whole file of `file_size` bytes from its current position.
    void SetFile(UniqueFd file, std::uint64_t file_size);
    // Narrows the body to one range of the file and moves the file position to its start.
    // False (and nothing changed) without a file, for a range outside it, or when seeking fails.
    bool SelectRange(const RangeSpec& range);
    bool HasFile() const { return file_.valid(); }
    std::uint64_t FileSize() const { return file_size_; }

    std::uint64_t BodySize() const override;
    // Reads at most min(capacity, bytes left) from the file; 0 when nothing is left or the read
    // fails, so a failing disk ends the body early.
    std::size_t ReadBody(char* buffer, std::size_t capacity) override;
    int BodyFile() const override { return file_.get(); }

private:
    UniqueFd file_;
    std::uint64_t file_size_ = 0;
    std::uint64_t bytes_left_ = 0;
};

}  // namespace vireo
