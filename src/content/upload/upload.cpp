#include "content/upload/upload.h"

#include <expected>
#include <optional>
#include <string>

#include "base/io.h"
#include "content/upload/multipart_parser.h"
#include "content/upload/upload_form.h"
#include "content/upload/upload_spool.h"
#include "content/upload/upload_store.h"
#include "http/send_response.h"
#include "platform/scratch_file.h"

namespace vireo {
namespace {

// The scratch file holding the body, read by position. What the parser has read through is freed as it
// goes on: storing a big file then never keeps the body and the file in memory together, and the
// system has no reason to write out pages of a body that is about to be removed.
class ScratchBody final : public BodySource {
public:
    ScratchBody(ScratchFile& file, std::uint64_t size) : file_(file), size_(size) {}

    std::uint64_t Size() const override { return size_; }
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<char> buffer) override
    {
        const ssize_t got = ReadSomeAt(file_.fd(), buffer.data(), buffer.size(), offset);
        if (got < 0) return std::nullopt;
        return static_cast<std::size_t>(got);
    }
    void Release(std::uint64_t offset) override { file_.Discard(offset); }

private:
    ScratchFile& file_;
    std::uint64_t size_;
};

// Receives the body, stores its file parts and says what became of them in the page's status line;
// the socket's code when the connection failed.
std::expected<std::string, int> ReceiveAndStore(Connection& connection, ClientTable* progress,
                                                const ResolvedTarget& directory)
{
    const Request& request = connection.request();
    const std::optional<std::uint64_t> length = request.ContentLength();
    const std::optional<std::string> boundary = FindBoundary(request.ContentType());
    if (!length || *length == 0 || !boundary) return std::string(kNoFilesReceived);
    if (!directory.found || directory.kind != TargetKind::Directory) return std::string(kNoFilesReceived);
    std::optional<ScratchFile> scratch = CreateScratchFile(true);
    if (!scratch) return std::string(kNoFilesReceived);

    if (const std::optional<int> failed = AnswerContinue(connection)) return std::unexpected(*failed);
    const std::expected<Spooled, int> spooled = SpoolBody(connection, progress, *length, scratch->fd());
    if (!spooled) return std::unexpected(spooled.error());
    if (*spooled == Spooled::NotWritten) return std::string(kNoFilesReceived);
    ScratchBody body(*scratch, *length);
    UploadStore store(directory.local_path);
    return UploadResultText(ParseMultipartBody(body, *boundary, store));
}

}  // namespace

int ReceiveUpload(Exchange& exchange)
{
    const std::expected<std::string, int> status =
        ReceiveAndStore(exchange.connection, exchange.clients, exchange.target);
    if (!status) return status.error();
    Response response;
    WriteUploadPage(response, exchange.target, *status);
    return SendResponse(exchange.connection, response, nullptr);
}

}  // namespace vireo
