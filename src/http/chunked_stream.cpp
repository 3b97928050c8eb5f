#include "http/chunked_stream.h"

#include <cstdio>

namespace vireo {

void ChunkedStream::Queue(std::string_view bytes)
{
    connection_.QueueText(bytes);
    sender_.AddToTotal(bytes.size());
}

void ChunkedStream::QueueChunk(std::string_view data)
{
    char size_line[24];
    std::snprintf(size_line, sizeof size_line, "%zx\r\n", data.size());
    Queue(size_line);
    Queue(data);
    Queue("\r\n");
}

}  // namespace vireo
