#pragma once

#include <cstddef>

#include "http/request.h"
#include "http/stream_socket.h"

namespace vireo {

// One accepted client and the request it sends. Owned by its connection thread.
class Connection : public StreamSocket {
public:
    Request& request() { return request_; }
    const Request& request() const { return request_; }

    // Bytes of the request header, blank line included, once it has been read.
    std::size_t header_length() const { return header_length_; }
    void set_header_length(std::size_t length) { header_length_ = length; }

private:
    Request request_;
    std::size_t header_length_ = 0;
};

}  // namespace vireo
