#include "http/growable_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vireo {

char* GrowableBuffer::Reserve(std::size_t n)
{
    // The free space is kept zero by every operation, so a reservation that fits needs no work.
    if (data_ && capacity_ - length_ > n) return data_.get() + length_;

    std::size_t wanted = data_ ? std::max(capacity_, length_) + n : n;
    std::size_t capacity = (wanted + kGranule) / kGranule * kGranule;
    std::unique_ptr<char[]> grown(new (std::nothrow) char[capacity]());
    if (!grown) return nullptr;
    if (length_ > 0) std::memcpy(grown.get(), data_.get(), length_);
    data_ = std::move(grown);
    capacity_ = capacity;
    return data_.get() + length_;
}

bool GrowableBuffer::Append(const void* bytes, std::size_t n)
{
    if (n == 0) return true;
    char* at = Reserve(n);
    if (!at) return false;
    std::memcpy(at, bytes, n);
    Commit(n);
    return true;
}

void GrowableBuffer::Consume(std::size_t n)
{
    if (n >= length_) {
        Clear();
        return;
    }
    std::memmove(data_.get(), data_.get() + n, length_ - n);
    std::memset(data_.get() + length_ - n, 0, n);
    length_ -= n;
}

std::size_t GrowableBuffer::Clear()
{
    std::size_t had = length_;
    if (data_) std::memset(data_.get(), 0, length_);
    length_ = 0;
    return had;
}

}  // namespace vireo
