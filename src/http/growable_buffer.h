#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace vireo {

// A byte buffer that grows in multiples of 8192 bytes and keeps everything behind its length
// zero, so its contents can always be read as a NUL-terminated text. Used for the receive buffer
// and send queue of a socket and for the header and body of a response.
class GrowableBuffer {
public:
    static constexpr std::size_t kGranule = 8192;

    // Makes room for n more bytes behind the length and returns where they go, or nullptr when
    // memory runs out (the buffer is then left as it was). The length does not change.
    char* Reserve(std::size_t n);
    // Counts n bytes written at the position Reserve returned as part of the contents.
    void Commit(std::size_t n) { length_ += n; }
    // Reserve, copy and commit; false when memory runs out.
    bool Append(const void* bytes, std::size_t n);
    bool Append(std::string_view text) { return Append(text.data(), text.size()); }

    // Removes the first n bytes; the rest moves to the front and the freed tail is zeroed.
    void Consume(std::size_t n);
    // Empties the buffer (keeping its allocation) and returns the length it had.
    std::size_t Clear();

    const char* data() const { return data_.get(); }
    char* data() { return data_.get(); }
    std::size_t size() const { return length_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return length_ == 0; }
    std::string_view view() const { return {data_.get(), length_}; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t length_ = 0;
};

}  // namespace vireo
