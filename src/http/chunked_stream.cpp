#include "http/chunked_stream.h"

#include "base/chunked_body.h"

namespace vireo {

void ChunkedStream::Queue(std::string_view bytes)
{
    connection_.QueueText(bytes);
    sender_.AddToTotal(bytes.size());
}

void ChunkedStream::QueueChunk(std::string_view data)
{
    Queue(ChunkSizeLine(data.size()));
    Queue(data);
    Queue("\r\n");
}

}  // namespace vireo
