#include "content/zip/zip_download.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "base/product.h"
#include "content/zip/zip_job.h"
#include "http/chunked_stream.h"
#include "http/http_date.h"
#include "http/send_response.h"
#include "settings/settings_folders.h"

namespace vireo {
namespace {

using namespace std::chrono_literals;

// Reading the archive stops while this much output waits, which keeps the send queue bounded.
constexpr std::size_t kChunkBytes = 8192;
constexpr int kSendSliceMs = 1000;
constexpr auto kIdleStep = 10ms;
// While the writer has nothing new (a large file takes a while to compress), the visitor is asked
// this often whether it is still there, so a cancelled download stops the writer soon.
constexpr auto kPeerCheckInterval = 1000ms;

// The name the archive is offered under: the last component of the directory's path. Quotes,
// backslashes and control bytes, which would end or bend the quoted header value, become "_".
std::string DownloadName(std::string_view path)
{
    std::string name(path.substr(path.rfind('/') + 1));
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') c = '_';
    }
    return name;
}

std::string ZipHead(std::string_view download_name)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/x-zip-compressed\r\nServer: " +
           std::string(kServerName) +
           "\r\nTransfer-Encoding: chunked\r\nDate: " + FormatHttpDate(std::time(nullptr)).value_or("") +
           "\r\nContent-Disposition: attachment; filename=\"" + std::string(download_name) + ".zip\"\r\n\r\n";
}

// Sends the archive as the writer makes it final. True once the last chunk is queued; false when
// the visitor has gone or the archive file cannot be read.
bool StreamArchive(ZipJob& job, Connection& connection, ChunkedStream& sender)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunkBytes]);
    if (!buffer) return false;
    std::uint64_t offset = 0;
    auto idle = 0ms;
    for (;;) {
        if (connection.QueuedLength() > 0 && !sender.SendOnce()) return false;
        if (connection.QueuedLength() >= kChunkBytes) continue;
        // Taken before reading: a read that finds nothing new after the writer had already ended
        // means the archive is complete.
        const bool writer_done = job.done();
        const std::optional<std::size_t> got = job.ReadFinished(offset, buffer.get(), kChunkBytes);
        if (!got) return false;
        if (*got > 0) {
            sender.QueueChunk(std::string_view(buffer.get(), *got));
            offset += *got;
            continue;
        }
        if (connection.QueuedLength() > 0) continue;
        if (writer_done) {
            sender.QueueLastChunk();
            return true;
        }
        std::this_thread::sleep_for(kIdleStep);
        idle += kIdleStep;
        if (idle < kPeerCheckInterval) continue;
        idle = 0ms;
        if (connection.PeerClosed() != 0) return false;
    }
}

}  // namespace

int AnswerZipDownload(Exchange& exchange)
{
    Connection& connection = exchange.connection;
    ClientTable* progress = exchange.clients;
    const ResolvedTarget& directory = exchange.target;
    if (directory.kind != TargetKind::Directory || !directory.found || !directory.entry.directory) {
        return SendErrorPage(connection, 404, progress);
    }
    std::optional<ScratchFile> archive = CreateZipArchiveFile();
    if (!archive) return SendErrorPage(connection, 404, progress);
    // Leaving this function stops the writer and waits for it, whichever way the answer ends.
    ZipJob job(std::move(*archive), directory.local_path,
               GetFolderCanBrowseSubfolders(directory.folder_name));

    ChunkedStream sender(connection, progress, kSendSliceMs);
    connection.ClearQueued();
    sender.Queue(ZipHead(DownloadName(directory.local_path)));
    if (!sender.SendAll()) return sender.result();
    // HEAD asks for the head alone; the archive is never written.
    if (exchange.request().method() == Method::Head) return 0;

    bool complete = true;
    if (job.Start()) {
        complete = StreamArchive(job, connection, sender);
    } else {
        // Without a writer the archive stays empty: the answer ends at once.
        sender.QueueLastChunk();
    }
    if (complete) sender.SendAll();
    return 0;
}

}  // namespace vireo
