// One device operation's handle to a box: opened through a fresh interface
// enumeration, closed on every way out.
#pragma once
#include <cstdint>

#include "device_port.h"

namespace vornix {

class BoxHandle {
public:
    explicit BoxHandle(int32_t slot) : h_(port::open_box(slot, nullptr)) {}
    ~BoxHandle() {
        if (ok()) port::close(h_);
    }
    BoxHandle(const BoxHandle&) = delete;
    BoxHandle& operator=(const BoxHandle&) = delete;
    bool ok() const { return h_ != port::kInvalidHandle; }
    port::Handle get() const { return h_; }

private:
    port::Handle h_;
};

}  // namespace vornix
