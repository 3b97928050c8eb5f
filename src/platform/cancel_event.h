#pragma once

#include "base/unique_fd.h"

namespace vireo {

// A one-way signal that ends every socket wait watching it: once set it stays set. Waits watch its
// descriptor, which turns readable when it is set.
class CancelEvent {
public:
    CancelEvent();
    CancelEvent(const CancelEvent&) = delete;
    CancelEvent& operator=(const CancelEvent&) = delete;

    void Set();
    bool IsSet() const;
    // -1 when no event could be made; waits then run to their own limits.
    int fd() const { return fd_.get(); }

private:
    UniqueFd fd_;
};

}  // namespace vireo
